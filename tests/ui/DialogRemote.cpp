#include "DialogRemote.h"

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

}  // namespace

std::string WindowText(HWND hWnd)
{
    char szText[1024] = {};
    SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof szText, reinterpret_cast<LPARAM>(szText), SMTO_NORMAL,
                        kIdleTimeoutMs, nullptr);
    return szText;
}

RECT ChildRect(HWND hParent, HWND hChild)
{
    RECT rect = {};
    GetWindowRect(hChild, &rect);
    MapWindowPoints(nullptr, hParent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

CDialogRemote::CDialogRemote(SCRIPT script)
    : m_nUiThread(GetCurrentThreadId()),
      m_hCallHook(SetWindowsHookExA(WH_CALLWNDPROC, CallOnThisThread, nullptr, m_nUiThread))
{
    m_thread = std::thread(&CDialogRemote::Run, this, std::move(script));
}

CDialogRemote::~CDialogRemote()
{
    Join();
    if (m_hCallHook)
        UnhookWindowsHookEx(m_hCallHook);
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
    return SendMessageTimeoutA(hWnd ? hWnd : m_hDlg, WM_NULL, 0, 0, SMTO_NORMAL, kIdleTimeoutMs, &nResult) != 0;
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
