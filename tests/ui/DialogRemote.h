// Drives a modal dialog of the test thread from a helper thread, the way a
// user would: the test thread runs DoModal, the helper waits for the dialog,
// reads what it shows and presses its buttons. The helper only records; the
// test thread checks the records once DoModal has returned.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>

// What the update dialog shows, read without help from the dialog's code.
struct DIALOG_SNAPSHOT
{
    std::string strCaption;
    std::string strMessage;  // IDC_MESSAGE
    std::string strBusy;     // IDC_BUSY_TEXT
    std::string strOk;
    std::string strCancel;
    bool bMessageVisible = false;
    bool bBusyVisible = false;
    bool bOkVisible = false;
    bool bCancelVisible = false;
    RECT rcWindow = {};  // screen coordinates
    RECT rcClient = {};  // client coordinates: 0, 0, width, height
    RECT rcOk = {};      // client coordinates of the dialog
    RECT rcMessage = {};
    RECT rcBusy = {};
    // The busy layout's progress bar (IDC_BUSY_PROGRESS), once there is one.
    bool bProgress = false;
    bool bProgressVisible = false;
    RECT rcProgress = {};
    int nProgressPos = -1;
};

class CDialogRemote
{
public:
    using SCRIPT = std::function<void(CDialogRemote&)>;

    // Call on the thread that will run DoModal, before it does: the script
    // runs on a helper thread once that thread's dialog is idle, or, with
    // bWhileBusy, as soon as it shows and answers (its busy layout may
    // still show).
    explicit CDialogRemote(SCRIPT script, bool bWhileBusy = false);
    ~CDialogRemote();
    CDialogRemote(const CDialogRemote&) = delete;
    CDialogRemote& operator=(const CDialogRemote&) = delete;

    // Waits for the helper; any dialog the script left open has been
    // cancelled.
    void Join();
    bool FoundDialog() const { return m_bFound; }

    // For the script, on the helper thread.
    HWND Dialog() const { return m_hDlg; }
    // Returns once the dialog's thread waits for input again. The update
    // dialog answers while its busy layout shows: for it, idle is once that
    // layout has gone.
    bool WaitIdle(HWND hWnd = nullptr);
    // Whether the dialog answers a message within nTimeoutMs.
    bool Answers(DWORD nTimeoutMs);
    // Returns once the dialog's thread has handled every message posted to
    // its windows so far (and what handling them posted in turn, up to
    // nRounds deep).
    bool FlushPosted(int nRounds = 2);
    // The progress bar's position; -1 without a bar.
    int ProgressPos() const;
    DIALOG_SNAPSHOT Snapshot();
    // Clicks a button and waits until its handler has returned.
    void Click(int nID);
    // Clicks without waiting.
    void PostClick(int nID);
    // Sends a system command; false when it did not return within
    // nTimeoutMs (a modal window opened by it is still running).
    bool SysCommand(WPARAM nCommand, DWORD nTimeoutMs = 3000);
    void PostSysCommand(WPARAM nCommand);
    // A shown dialog of the test thread other than the main one, once it
    // waits for input; null after nTimeoutMs.
    HWND WaitForOtherDialog(DWORD nTimeoutMs);
    // Runs fn on the dialog's own thread, inside one message, and returns
    // once it has: nothing the platform queues for the dialog meanwhile is
    // handled before fn ends.
    void OnDialogThread(const std::function<void()>& fn);
    // The window text as stored, read without a message: usable while the
    // dialog's thread is busy.
    std::string StoredText(int nID) const;
    bool IsItemVisible(int nID) const;

private:
    void Run(SCRIPT script);
    HWND FindDialog(HWND hExcept) const;

    DWORD m_nUiThread;
    bool m_bWhileBusy;
    HHOOK m_hCallHook;
    HHOOK m_hGetHook;
    HWND m_hDlg = nullptr;
    bool m_bFound = false;
    std::thread m_thread;
};

// Text of a window of this process, through WM_GETTEXT.
std::string WindowText(HWND hWnd);
// Rectangle of a child window in its parent's client coordinates.
RECT ChildRect(HWND hParent, HWND hChild);
// What a screen reader calls a window: the name of its accessible object.
std::string AccessibleName(HWND hWnd);
