#include "DialogRemote.h"

#include <commctrl.h>
#include <oleacc.h>

#include <vector>

namespace {

const DWORD kFindTimeoutMs = 20000;
const DWORD kIdleTimeoutMs = 20000;

struct FIND_DIALOG
{
    HWND hExcept;
    HWND hFound;
};

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    FIND_DIALOG* pFind = reinterpret_cast<FIND_DIALOG*>(lParam);
    char szClass[32] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    // A modal dialog shows once its WM_INITDIALOG has returned.
    if (hWnd != pFind->hExcept && lstrcmpA(szClass, "#32770") == 0 && IsWindowVisible(hWnd)) {
        pFind->hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

// What OnDialogThread runs: a message of our own, sent to the dialog, is
// picked up by a hook on the dialog's thread before the dialog sees it.
const UINT g_nCallMessage = RegisterWindowMessageA("PelkinUpdateTestCall");
const std::function<void()>* g_pCall = nullptr;

LRESULT CALLBACK CallOnThisThread(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* pMsg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && pMsg && pMsg->message == g_nCallMessage && g_pCall)
        (*g_pCall)();
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

// What FlushPosted waits for: a message of our own, posted behind the
// others, taken from the dialog thread's queue. Posted messages are taken
// in order, each handled before the next is taken.
const UINT g_nFlushMessage = RegisterWindowMessageA("PelkinUpdateTestFlush");
HANDLE g_hFlushed = CreateEventA(nullptr, FALSE, FALSE, nullptr);

LRESULT CALLBACK NoteFlushTaken(int nCode, WPARAM wParam, LPARAM lParam)
{
    const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
    if (nCode == HC_ACTION && wParam == PM_REMOVE && pMsg && pMsg->message == g_nFlushMessage)
        SetEvent(g_hFlushed);
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace

std::string WindowText(HWND hWnd)
{
    char szText[1024] = {};
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof szText, reinterpret_cast<LPARAM>(szText), SMTO_NORMAL, kIdleTimeoutMs,
                        nullptr);
    return szText;
}

RECT ChildRect(HWND hParent, HWND hChild)
{
    RECT rect = {};
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string AccessibleName(HWND hWnd)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IAccessible* pAccessible = nullptr;
    BSTR bstrName = nullptr;
    VARIANT self = {};  // CHILDID_SELF
    self.vt = VT_I4;
    if (SUCCEEDED(
            AccessibleObjectFromWindow(hWnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&pAccessible)))) {
        pAccessible->get_accName(self, &bstrName);
        pAccessible->Release();
    }
    char szName[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, bstrName ? bstrName : L"", -1, szName, sizeof szName, nullptr, nullptr);
    SysFreeString(bstrName);
    CoUninitialize();
    return szName;
}

CDialogRemote::CDialogRemote(SCRIPT script, bool bWhileBusy)
    : m_nUiThread(GetCurrentThreadId()), m_bWhileBusy(bWhileBusy),
      m_hCallHook(SetWindowsHookExA(WH_CALLWNDPROC, CallOnThisThread, nullptr, m_nUiThread)),
      m_hGetHook(SetWindowsHookExA(WH_GETMESSAGE, NoteFlushTaken, nullptr, m_nUiThread))
{
    m_thread = std::thread(&CDialogRemote::Run, this, std::move(script));
}

CDialogRemote::~CDialogRemote()
{
    Join();
    if (m_hCallHook)
        UnhookWindowsHookEx(m_hCallHook);
    if (m_hGetHook)
        UnhookWindowsHookEx(m_hGetHook);
}

void CDialogRemote::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

HWND CDialogRemote::FindDialog(HWND hExcept) const
{
    FIND_DIALOG find = {hExcept, nullptr};
    EnumThreadWindows(m_nUiThread, FindDialogProc, reinterpret_cast<LPARAM>(&find));
    return find.hFound;
}

void CDialogRemote::Run(SCRIPT script)
{
    for (DWORD nWaited = 0; !m_hDlg && nWaited < kFindTimeoutMs; nWaited += 10) {
        m_hDlg = FindDialog(nullptr);
        if (!m_hDlg)
            Sleep(10);
    }
    m_bFound = m_hDlg != nullptr;
    if (!m_bFound)
        return;
    if (m_bWhileBusy)
        Answers(kIdleTimeoutMs);
    else
        WaitIdle();
    script(*this);
    // Whatever the script left open ends now, so that DoModal returns.
    HWND hOther = FindDialog(m_hDlg);
    for (int nTries = 0; hOther && nTries < 50; ++nTries, hOther = FindDialog(m_hDlg)) {
        PostMessageA(hOther, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        Sleep(100);
    }
    if (IsWindow(m_hDlg))
        PostMessageA(m_hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

bool CDialogRemote::WaitIdle(HWND hWnd)
{
    DWORD_PTR nResult = 0;
    if (hWnd && hWnd != m_hDlg)
        return SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &nResult) != 0;
    // Answered, then no busy layout, then answered again: the answer before
    // may have come from the busy phase, and the outcome's layout is laid
    // out whole before the dialog answers again.
    if (!Answers(kIdleTimeoutMs))
        return false;
    for (DWORD nWaited = 0; IsItemVisible(1004) && nWaited < kIdleTimeoutMs; nWaited += 10)
        Sleep(10);
    return Answers(kIdleTimeoutMs);
}

bool CDialogRemote::Answers(DWORD nTimeoutMs)
{
    DWORD_PTR nResult = 0;
    return SendMessageTimeoutA(m_hDlg, WM_NULL, 0, 0, SMTO_NORMAL, nTimeoutMs, &nResult) != 0;
}

bool CDialogRemote::FlushPosted(int nRounds)
{
    for (int i = 0; i < nRounds; ++i) {
        ResetEvent(g_hFlushed);
        if (!PostMessageA(m_hDlg, g_nFlushMessage, 0, 0) ||
            WaitForSingleObject(g_hFlushed, kIdleTimeoutMs) != WAIT_OBJECT_0)
            return false;
    }
    return Answers(kIdleTimeoutMs);
}

int CDialogRemote::ProgressPos() const
{
    HWND hBar = GetDlgItem(m_hDlg, 1005);
    DWORD_PTR nPos = 0;
    if (!hBar || !SendMessageTimeoutA(hBar, PBM_GETPOS, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &nPos))
        return -1;
    return static_cast<int>(nPos);
}

DIALOG_SNAPSHOT CDialogRemote::Snapshot()
{
    DIALOG_SNAPSHOT shot;
    HWND hMessage = GetDlgItem(m_hDlg, 1001);
    HWND hBusy = GetDlgItem(m_hDlg, 1004);
    HWND hOk = GetDlgItem(m_hDlg, IDOK);
    HWND hCancel = GetDlgItem(m_hDlg, IDCANCEL);
    shot.strCaption = WindowText(m_hDlg);
    shot.strMessage = WindowText(hMessage);
    shot.strBusy = WindowText(hBusy);
    shot.strOk = WindowText(hOk);
    shot.strCancel = WindowText(hCancel);
    shot.bMessageVisible = IsWindowVisible(hMessage) != FALSE;
    shot.bBusyVisible = IsWindowVisible(hBusy) != FALSE;
    shot.bOkVisible = IsWindowVisible(hOk) != FALSE;
    shot.bCancelVisible = IsWindowVisible(hCancel) != FALSE;
    GetWindowRect(m_hDlg, &shot.rcWindow);
    GetClientRect(m_hDlg, &shot.rcClient);
    shot.rcOk = ChildRect(m_hDlg, hOk);
    shot.rcMessage = ChildRect(m_hDlg, hMessage);
    shot.rcBusy = ChildRect(m_hDlg, hBusy);
    HWND hProgress = GetDlgItem(m_hDlg, 1005);
    shot.bProgress = hProgress != nullptr;
    shot.bProgressVisible = IsWindowVisible(hProgress) != FALSE;
    shot.rcProgress = ChildRect(m_hDlg, hProgress);
    shot.nProgressPos = ProgressPos();
    return shot;
}

void CDialogRemote::Click(int nID)
{
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(GetDlgItem(m_hDlg, nID), BM_CLICK, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &nResult);
    WaitIdle();
}

void CDialogRemote::PostClick(int nID)
{
    PostMessageA(GetDlgItem(m_hDlg, nID), BM_CLICK, 0, 0);
}

bool CDialogRemote::SysCommand(WPARAM nCommand, DWORD nTimeoutMs)
{
    DWORD_PTR nResult = 0;
    return SendMessageTimeoutA(m_hDlg, WM_SYSCOMMAND, nCommand, 0, SMTO_NORMAL, nTimeoutMs, &nResult) != 0;
}

void CDialogRemote::PostSysCommand(WPARAM nCommand)
{
    PostMessageA(m_hDlg, WM_SYSCOMMAND, nCommand, 0);
}

HWND CDialogRemote::WaitForOtherDialog(DWORD nTimeoutMs)
{
    for (DWORD nWaited = 0; nWaited <= nTimeoutMs; nWaited += 10) {
        if (HWND hOther = FindDialog(m_hDlg)) {
            WaitIdle(hOther);
            return hOther;
        }
        Sleep(10);
    }
    return nullptr;
}

void CDialogRemote::OnDialogThread(const std::function<void()>& fn)
{
    g_pCall = &fn;
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(m_hDlg, g_nCallMessage, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &nResult);
    g_pCall = nullptr;
}

std::string CDialogRemote::StoredText(int nID) const
{
    WCHAR szWide[1024] = {};
    InternalGetWindowText(GetDlgItem(m_hDlg, nID), szWide, 1024);
    char szText[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, szWide, -1, szText, sizeof szText, nullptr, nullptr);
    return szText;
}

bool CDialogRemote::IsItemVisible(int nID) const
{
    return IsWindowVisible(GetDlgItem(m_hDlg, nID)) != FALSE;
}
