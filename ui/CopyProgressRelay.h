// CCopyProgressRelay: the engine's observer while the space check and the
// copy run on the dialog's worker thread. Events go on to the dialog's own
// observer (the log), on that thread; the copy's progress becomes a
// position of the dialog's progress bar, which the dialog's thread is told
// of by a message posted to the dialog. The copy reports about once per
// MiB written or verified; a message is posted only when the position
// changed, and never while one is still waiting in the queue, so the
// dialog's queue holds at most one of them however fast the copy goes.
#pragma once

#include "UpdateObserver.h"

#include <atomic>

class CCopyProgressRelay : public CObserverRelay
{
public:
    // Positions run from 0 to kRange.
    static constexpr int kRange = 1000;

    CCopyProgressRelay() = default;

    // Before the worker starts: posts nMessage to hNotify, passes events on
    // to pNext (null: nobody), position 0.
    void Start(HWND hNotify, UINT nMessage, CUpdateObserver* pNext);

    // On the worker thread.
    void OnCopyProgress(ULONGLONG nDone, ULONGLONG nTotal) override;
    // Events are wanted only when there is an observer to pass them to.
    bool WantsEvents() const override { return GetNext() != nullptr; }

    // On the dialog's thread, for the posted message: the latest position.
    // A change after this call posts the message again.
    int TakePosition();

    // nDone of nTotal units as a position: kRange only when nDone reaches
    // nTotal, below it while any unit remains.
    static int ToPosition(ULONGLONG nDone, ULONGLONG nTotal);

private:
    HWND m_hNotify = nullptr;
    UINT m_nMessage = 0;
    std::atomic<int> m_nPosition{0};
    std::atomic<bool> m_bPosted{false};
};
