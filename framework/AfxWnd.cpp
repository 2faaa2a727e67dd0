#include "AfxWnd.h"

#include "AfxMenu.h"

namespace {

std::map<HWND, CWnd*>& PermanentMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

}  // namespace

CWnd::~CWnd()
{
    Detach();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    m_hWnd = hWnd;
    PermanentMap()[hWnd] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) {
        auto it = PermanentMap().find(hWnd);
        if (it != PermanentMap().end() && it->second == this)
            PermanentMap().erase(it);
    }
    m_hWnd = nullptr;
    m_mapChildren.clear();
    // A bound object that went away first has left the map already.
    for (const auto& bound : m_mapBound) {
        if (FromHandlePermanent(bound.first) == bound.second)
            bound.second->Detach();
    }
    m_mapBound.clear();
    return hWnd;
}

BOOL CWnd::BindControl(int nID, CWnd& rControl)
{
    HWND hControl = ::GetDlgItem(m_hWnd, nID);
    if (!rControl.Attach(hControl))
        return FALSE;
    m_mapBound[hControl] = &rControl;
    return TRUE;
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = PermanentMap().find(hWnd);
    return it == PermanentMap().end() ? nullptr : it->second;
}

CWnd* CWnd::GetDlgItem(int nID)
{
    HWND hItem = ::GetDlgItem(m_hWnd, nID);
    if (!hItem)
        return nullptr;
    if (CWnd* pAttached = FromHandlePermanent(hItem))
        return pAttached;
    std::unique_ptr<CWnd>& pWrapper = m_mapChildren[hItem];
    if (!pWrapper) {
        pWrapper.reset(new CWnd);
        pWrapper->m_hWnd = hItem;  // a wrapper, not attached: the map keeps real owners only
    }
    return pWrapper.get();
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::EnableWindow(BOOL bEnable)
{
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

void CWnd::SetWindowText(const char* pszText)
{
    ::SetWindowTextA(m_hWnd, pszText);
}

void CWnd::GetWindowRect(LPRECT lpRect) const
{
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const
{
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect));
    ::ScreenToClient(m_hWnd, reinterpret_cast<LPPOINT>(lpRect) + 1);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::UpdateWindow()
{
    ::UpdateWindow(m_hWnd);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    RECT rcArea = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
    RECT rcCenter = rcArea;
    HWND hOwner = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && ::IsWindowVisible(hOwner) && !::IsIconic(hOwner))
        ::GetWindowRect(hOwner, &rcCenter);

    RECT rcWindow = {};
    ::GetWindowRect(m_hWnd, &rcWindow);
    const int cx = rcWindow.right - rcWindow.left;
    const int cy = rcWindow.bottom - rcWindow.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - cx / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - cy / 2;
    // Inside the work area, top left first.
    if (x + cx > rcArea.right)
        x = rcArea.right - cx;
    if (y + cy > rcArea.bottom)
        y = rcArea.bottom - cy;
    if (x < rcArea.left)
        x = rcArea.left;
    if (y < rcArea.top)
        y = rcArea.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const
{
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::IsIconic() const
{
    return ::IsIconic(m_hWnd);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(m_msgCur.message, m_msgCur.wParam, m_msgCur.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Handlers may send messages to this window: keep the outer one.
    const MSG msgOuter = m_msgCur;
    m_msgCur.hwnd = m_hWnd;
    m_msgCur.message = message;
    m_msgCur.wParam = wParam;
    m_msgCur.lParam = lParam;
    const BOOL bHandled = OnWndMsg(message, wParam, lParam, pResult);
    m_msgCur = msgOuter;
    return bHandled;
}
