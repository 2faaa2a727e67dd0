#include "AfxButton.h"

BOOL CButton::Create(const char* pszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!CreateControl("BUTTON", pszCaption, dwStyle, rect, pParentWnd, nID))
        return FALSE;
    ::SendMessageA(m_hWnd, WM_SETFONT, static_cast<WPARAM>(pParentWnd->SendMessage(WM_GETFONT)), FALSE);
    return TRUE;
}
