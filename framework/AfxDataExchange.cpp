#include "AfxDataExchange.h"

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    pDX->m_pDlgWnd->BindControl(nIDC, rControl);
}
