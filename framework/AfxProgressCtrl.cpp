#include "AfxProgressCtrl.h"

#include "AfxModuleState.h"

#include <commctrl.h>

BOOL CProgressCtrl::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (pParentWnd && !m_hWnd && !AfxInitCommonControls(ICC_PROGRESS_CLASS))
        return FALSE;
    return CreateControl(PROGRESS_CLASSA, "", dwStyle, rect, pParentWnd, nID);
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
