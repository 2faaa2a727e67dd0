// CDataExchange and DDX_Control: bind dialog controls to member objects.
#pragma once

#include "AfxWnd.h"

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

    BOOL m_bSaveAndValidate;  // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;
};

// Attaches rControl to the dialog's control nIDC, once; later exchanges
// leave the binding as it is. A missing control leaves rControl unbound.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
