#include "LayoutRecorder.h"

namespace {

std::vector<LAYOUT_EVENT> g_events;
HHOOK g_hHook = nullptr;

bool IsDialogWindow(HWND hWnd)
{
    char szClass[16] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    return lstrcmpA(szClass, "#32770") == 0;
}

LRESULT CALLBACK RecordMessage(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* pMsg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && pMsg) {
        const bool bChild = (GetWindowLongA(pMsg->hwnd, GWL_STYLE) & WS_CHILD) != 0;
        const bool bOurs = bChild ? IsDialogWindow(GetParent(pMsg->hwnd)) : IsDialogWindow(pMsg->hwnd);
        LAYOUT_EVENT event = {pMsg->message, bChild ? GetDlgCtrlID(pMsg->hwnd) : 0, "", false, {}};
        if (bOurs && pMsg->message == WM_SETTEXT) {
            event.strText = pMsg->lParam ? reinterpret_cast<const char*>(pMsg->lParam) : "";
            g_events.push_back(event);
        } else if (bOurs && pMsg->message == WM_SHOWWINDOW) {
            event.bShow = pMsg->wParam != 0;
            g_events.push_back(event);
        } else if (bOurs && pMsg->message == WM_WINDOWPOSCHANGED) {
            event.pos = *reinterpret_cast<const WINDOWPOS*>(pMsg->lParam);
            g_events.push_back(event);
        } else if (bOurs && pMsg->message == WM_ICONERASEBKGND) {
            g_events.push_back(event);
        }
    }
    return CallNextHookEx(g_hHook, nCode, wParam, lParam);
}

}  // namespace

CLayoutRecorder::CLayoutRecorder()
{
    g_events.clear();
    g_hHook = SetWindowsHookExA(WH_CALLWNDPROC, RecordMessage, nullptr, GetCurrentThreadId());
}

CLayoutRecorder::~CLayoutRecorder()
{
    UnhookWindowsHookEx(g_hHook);
    g_hHook = nullptr;
}

const std::vector<LAYOUT_EVENT>& CLayoutRecorder::Events() const
{
    return g_events;
}

std::vector<std::string> CLayoutRecorder::TextsOf(int nID) const
{
    std::vector<std::string> texts;
    for (const LAYOUT_EVENT& event : g_events)
        if (event.nMessage == WM_SETTEXT && event.nID == nID)
            texts.push_back(event.strText);
    return texts;
}

bool CLayoutRecorder::WasShown(int nID) const
{
    for (const LAYOUT_EVENT& event : g_events)
        if (event.nMessage == WM_SHOWWINDOW && event.nID == nID && event.bShow)
            return true;
    return false;
}

std::vector<int> CLayoutRecorder::DialogHeights() const
{
    std::vector<int> heights;
    for (const LAYOUT_EVENT& event : g_events)
        if (event.nMessage == WM_WINDOWPOSCHANGED && event.nID == 0 && !(event.pos.flags & SWP_NOSIZE))
            heights.push_back(event.pos.cy);
    return heights;
}

std::vector<POINT> CLayoutRecorder::MovesOf(int nID) const
{
    std::vector<POINT> moves;
    for (const LAYOUT_EVENT& event : g_events)
        if (event.nMessage == WM_WINDOWPOSCHANGED && event.nID == nID && !(event.pos.flags & SWP_NOMOVE))
            moves.push_back({event.pos.x, event.pos.y});
    return moves;
}

int CLayoutRecorder::IconErasures() const
{
    int nCount = 0;
    for (const LAYOUT_EVENT& event : g_events)
        if (event.nMessage == WM_ICONERASEBKGND && event.nID == 0)
            ++nCount;
    return nCount;
}
