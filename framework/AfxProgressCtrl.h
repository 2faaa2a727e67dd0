// CProgressCtrl: the common controls' progress bar (msctls_progress32),
// either a control of a dialog template bound with DDX_Control or
// BindControl, or one made at run time with Create.
#pragma once

#include "AfxWnd.h"

class CProgressCtrl : public CWnd
{
public:
    // Makes the control a child nID of pParentWnd at rect (its client
    // coordinates) and binds it there, so that it is detached when the
    // parent is; FALSE when the control could not be made.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    void SetRange32(int nLower, int nUpper);
    // The position before.
    int SetPos(int nPos);
    int GetPos() const;
};

// Registers the window classes of the common controls that dwIcc names
// (ICC_PROGRESS_CLASS, ...). Controls of version 6, which the program's
// manifest asks for, have no classes until this is called.
BOOL AfxInitCommonControls(DWORD dwIcc);
