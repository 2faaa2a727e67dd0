// CTaskbarButton: what the window's taskbar button shows of the copy
// (Windows 7 and later): its progress, red after a failure, nothing once
// done. It goes through the shell's ITaskbarList3 on the window's own
// thread, which the list is made on, with COM started there, the first
// time something is shown; the worker thread never calls it. Every failure
// is ignored: older Windows have no such list, Wine's does nothing and
// HrInit may fail; the button then shows nothing, and the update is the
// same.
#pragma once

#include <windows.h>
#include <shobjidl.h>

class CTaskbarButton
{
public:
    CTaskbarButton() = default;
    ~CTaskbarButton();
    CTaskbarButton(const CTaskbarButton&) = delete;
    CTaskbarButton& operator=(const CTaskbarButton&) = delete;

    // Before anything is shown: the list to use instead of the shell's (the
    // tests' fake). It is held until Release.
    void UseList(ITaskbarList3* pList);

    // nDone of nTotal, in the state the button shows it in.
    void ShowProgress(HWND hWnd, ULONGLONG nDone, ULONGLONG nTotal);
    void ShowState(HWND hWnd, TBPFLAG state);
    // The button was made (anew): what it showed before, if anything. It
    // takes nothing before it exists, which is a while after the window
    // shows, and loses it all when Explorer starts again.
    void ShowAgain(HWND hWnd);

    // On the thread that showed something: lets go of the list and of COM.
    void Release();

private:
    // The list, made the first time; null when there is none to be had.
    ITaskbarList3* GetList();

    ITaskbarList3* m_pList = nullptr;
    ULONGLONG m_nDone = 0;
    ULONGLONG m_nTotal = 0;
    TBPFLAG m_state = TBPF_NOPROGRESS;
    bool m_bTried = false;
    bool m_bComStarted = false;
};
