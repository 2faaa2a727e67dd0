// CButton: a push button, either a control of a dialog template bound with
// BindControl, or one made at run time with Create in its parent's font.
#pragma once

#include "AfxWnd.h"

class CButton : public CWnd
{
public:
    // Makes the button a child nID of pParentWnd at rect (its client
    // coordinates), in the parent's font, and binds it there, so that it
    // is detached when the parent is; FALSE when it could not be made.
    BOOL Create(const char* pszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
};
