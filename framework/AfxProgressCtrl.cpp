#include "AfxProgressCtrl.h"

#include "AfxModuleState.h"

#include <commctrl.h>

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!pParentWnd || m_hWnd || !AfxInitCommonControls(ICC_PROGRESS_CLASS))
        return FALSE;
    HWND hWnd = ::CreateWindowExA(0, PROGRESS_CLASSA, "", dwStyle | WS_CHILD, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, pParentWnd->m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), AfxGetInstanceHandle(), nullptr);
    if (!hWnd)
        return FALSE;
    if (!pParentWnd->BindControl(static_cast<int>(nID), *this)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    return TRUE;
}

void CProgressCtrl::SetRange32(int nLower, int nUpper)
{
    ::SendMessageA(m_hWnd, PBM_SETRANGE32, static_cast<WPARAM>(nLower), static_cast<LPARAM>(nUpper));
}

int CProgressCtrl::SetPos(int nPos)
{
    return static_cast<int>(::SendMessageA(m_hWnd, PBM_SETPOS, static_cast<WPARAM>(nPos), 0));
}

int CProgressCtrl::GetPos() const
{
    return static_cast<int>(::SendMessageA(m_hWnd, PBM_GETPOS, 0, 0));
}

BOOL AfxInitCommonControls(DWORD dwIcc)
{
    INITCOMMONCONTROLSEX init = {sizeof init, dwIcc};
    return InitCommonControlsEx(&init);
}
