#include "DialogProbe.h"

#include "DebuggedProcess.h"
#include "resource.h"

#include <commctrl.h>

#include <vector>

namespace {

struct WINDOW_SEARCH
{
    DWORD nProcessId;
    const char* pszClass;  // any class when null
    HWND hFound;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam)
{
    WINDOW_SEARCH* pSearch = reinterpret_cast<WINDOW_SEARCH*>(lParam);
    DWORD nOwner = 0;
    GetWindowThreadProcessId(hWnd, &nOwner);
    if (nOwner != pSearch->nProcessId || !IsWindowVisible(hWnd))
        return TRUE;
    if (pSearch->pszClass) {
        char szClass[16] = {};
        GetClassNameA(hWnd, szClass, sizeof(szClass));
        if (lstrcmpA(szClass, pSearch->pszClass) != 0)
            return TRUE;
    }
    pSearch->hFound = hWnd;
    return FALSE;
}

HWND FindProcessWindowOfClass(DWORD nProcessId, const char* pszClass)
{
    WINDOW_SEARCH search = {nProcessId, pszClass, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

}  // namespace

HWND FindProcessDialog(DWORD nProcessId)
{
    return FindProcessWindowOfClass(nProcessId, "#32770");
}

HWND FindProcessWindow(DWORD nProcessId)
{
    return FindProcessWindowOfClass(nProcessId, nullptr);
}

HWND WaitForProcessDialog(const CDebuggedProcess& process, DWORD nTimeoutMs)
{
    HWND hDlg = nullptr;
    WaitUntil([&] { return (hDlg = FindProcessDialog(process.ProcessId())) != nullptr || process.HasExited(); },
              nTimeoutMs);
    return hDlg;
}

bool WaitForExitWatchingWindows(const CDebuggedProcess& process, DWORD nTimeoutMs, bool* pShowedWindow)
{
    *pShowedWindow = false;
    return WaitUntil(
        [&] {
            if (FindProcessWindow(process.ProcessId()))
                *pShowedWindow = true;
            return process.HasExited();
        },
        nTimeoutMs);
}

std::string GetWindowTextOf(HWND hWnd)
{
    if (!hWnd)
        return std::string();
    // For another process's window the platform answers from its own copy
    // of the text, without waiting on the busy owner.
    const int nLength = GetWindowTextLengthA(hWnd);
    std::vector<char> text(static_cast<size_t>(nLength > 0 ? nLength : 0) + 1, '\0');
    const int nCopied = GetWindowTextA(hWnd, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), nCopied > 0 ? nCopied : 0);
}

std::string GetControlText(HWND hDlg, int nId)
{
    return GetWindowTextOf(GetDlgItem(hDlg, nId));
}

namespace {

BOOL CALLBACK AddStaticText(HWND hWnd, LPARAM lParam)
{
    char szClass[16] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    if (lstrcmpiA(szClass, "Static") == 0)
        *reinterpret_cast<std::string*>(lParam) += GetWindowTextOf(hWnd);
    return TRUE;
}

}  // namespace

std::string GetStaticTexts(HWND hDlg)
{
    std::string strTexts;
    if (hDlg)
        EnumChildWindows(hDlg, AddStaticText, reinterpret_cast<LPARAM>(&strTexts));
    return strTexts;
}

bool IsControlVisible(HWND hDlg, int nId)
{
    HWND hControl = GetDlgItem(hDlg, nId);
    return hControl && (GetWindowLongA(hControl, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool PressButton(HWND hDlg, int nId)
{
    HWND hButton = GetDlgItem(hDlg, nId);
    return PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), reinterpret_cast<LPARAM>(hButton)) != FALSE;
}

bool ClickButton(HWND hDlg, int nId)
{
    HWND hButton = GetDlgItem(hDlg, nId);
    return hButton && PostMessageA(hButton, BM_CLICK, 0, 0) != FALSE;
}

bool WaitUntil(const std::function<bool()>& bCondition, DWORD nTimeoutMs)
{
    const DWORD nStart = GetTickCount();
    for (;;) {
        if (bCondition())
            return true;
        if (GetTickCount() - nStart >= nTimeoutMs)
            return false;
        Sleep(20);
    }
}

bool WaitForControlText(HWND hDlg, int nId, const std::string& strText, DWORD nTimeoutMs)
{
    return WaitUntil([&] { return GetControlText(hDlg, nId) == strText; }, nTimeoutMs);
}

namespace {

double MillisecondsSince(const LARGE_INTEGER& nStart)
{
    LARGE_INTEGER nNow, nFrequency;
    QueryPerformanceCounter(&nNow);
    QueryPerformanceFrequency(&nFrequency);
    return 1000.0 * static_cast<double>(nNow.QuadPart - nStart.QuadPart) / static_cast<double>(nFrequency.QuadPart);
}

}  // namespace

BUSY_WATCH WatchDialogAtWork(HWND hDlg, const std::function<bool()>& bDone, DWORD nTimeoutMs, DWORD nPatienceMs)
{
    BUSY_WATCH watch;
    const DWORD nStart = GetTickCount();
    while (!bDone() && GetTickCount() - nStart < nTimeoutMs) {
        LARGE_INTEGER nAsked;
        QueryPerformanceCounter(&nAsked);
        DWORD_PTR nResult = 0;
        const bool bAnswered = SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_NORMAL, nPatienceMs, &nResult) != 0;
        const double nMs = MillisecondsSince(nAsked);
        ++watch.nAsked;
        watch.nUnanswered += bAnswered ? 0 : 1;
        watch.nLongestMs = nMs > watch.nLongestMs ? nMs : watch.nLongestMs;
        HWND hBar = GetDlgItem(hDlg, IDC_BUSY_PROGRESS);
        DWORD_PTR nPos = 0;
        if (hBar && IsWindowVisible(hBar) &&
            SendMessageTimeoutA(hBar, PBM_GETPOS, 0, 0, SMTO_NORMAL, nPatienceMs, &nPos) &&
            (watch.positions.empty() || watch.positions.back() != static_cast<int>(nPos)))
            watch.positions.push_back(static_cast<int>(nPos));
        Sleep(5);
    }
    return watch;
}
