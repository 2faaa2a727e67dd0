#include "AfxButton.h"

#include "AfxModuleState.h"

BOOL CButton::Create(const char* pszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    if (!pParentWnd || m_hWnd)
        return FALSE;
    HWND hWnd = ::CreateWindowExA(0, "BUTTON", pszCaption, dwStyle | WS_CHILD, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, pParentWnd->m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), AfxGetInstanceHandle(), nullptr);
    if (!hWnd)
        return FALSE;
    if (!pParentWnd->BindControl(static_cast<int>(nID), *this)) {
        ::DestroyWindow(hWnd);
        return FALSE;
    }
    ::SendMessageA(hWnd, WM_SETFONT, static_cast<WPARAM>(pParentWnd->SendMessage(WM_GETFONT)), FALSE);
    return TRUE;
}
