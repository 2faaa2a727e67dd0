// CEvent: a Win32 event object owned by its holder (MFC's CEvent, without
// the synchronisation-object hierarchy): made by the constructor, closed
// by the destructor.
#pragma once

#include <windows.h>

class CEvent
{
public:
    // An auto-reset event (bManualReset false) lets one wait through per Set.
    explicit CEvent(BOOL bManualReset = FALSE) : m_hEvent(CreateEventA(nullptr, bManualReset, FALSE, nullptr)) {}
    ~CEvent() { Close(); }
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    BOOL IsOpen() const { return m_hEvent != nullptr; }
    HANDLE Get() const { return m_hEvent; }
    BOOL SetEvent() { return m_hEvent && ::SetEvent(m_hEvent); }
    BOOL ResetEvent() { return m_hEvent && ::ResetEvent(m_hEvent); }
    void Close()
    {
        if (m_hEvent)
            CloseHandle(m_hEvent);
        m_hEvent = nullptr;
    }

private:
    HANDLE m_hEvent;
};
