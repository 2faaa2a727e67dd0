#include "AfxDialog.h"

#include "AfxModuleState.h"
#include "AfxProgressCtrl.h"
#include "AfxWinApp.h"

#include <commctrl.h>

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

INT_PTR CDialog::DoModal()
{
    const char* pszTemplate = MAKEINTRESOURCEA(m_nIDTemplate);
    HINSTANCE hInst = AfxFindResourceHandle(pszTemplate, RT_DIALOG);
    // A template may hold a progress bar, whose class must exist before
    // the dialog is made: a control of an unknown class fails the dialog.
    AfxInitCommonControls(ICC_PROGRESS_CLASS);
    const INT_PTR nResult =
        ::DialogBoxParamA(hInst, pszTemplate, GetModalOwner(), DialogProc, reinterpret_cast<LPARAM>(this));
    Detach();
    return nResult;
}

// Without a parent, a dialog other than the main window belongs to the
// application's main window while that one is shown.
HWND CDialog::GetModalOwner() const
{
    if (m_pParentWnd)
        return m_pParentWnd->m_hWnd;
    CWinApp* pApp = AfxGetApp();
    CWnd* pMainWnd = pApp ? pApp->m_pMainWnd : nullptr;
    if (!pMainWnd || pMainWnd == this || !::IsWindow(pMainWnd->m_hWnd))
        return nullptr;
    return pMainWnd->m_hWnd;
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    m_bDefaultPending = TRUE;
    const LRESULT lResult = ::DefDlgProcA(m_hWnd, message, wParam, lParam);
    m_bDefaultPending = FALSE;
    return lResult;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
        ::SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
        pDlg->Attach(hWnd);
        return pDlg->OnInitDialog();
    }
    CDialog* pDlg = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    if (!pDlg || pDlg->m_hWnd != hWnd)
        return FALSE;
    if (pDlg->m_bDefaultPending) {
        pDlg->m_bDefaultPending = FALSE;
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        pDlg->Detach();
        return FALSE;
    }
    return pDlg->OnDialogMessage(message, wParam, lParam);
}

INT_PTR CDialog::OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND)
        return OnCommand(wParam, lParam);
    LRESULT lResult = 0;
    if (!WindowProc(message, wParam, lParam, &lResult))
        return FALSE;
    // A few messages return their result from the dialog procedure itself.
    if (message == WM_QUERYDRAGICON)
        return lResult;
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, lResult);
    return TRUE;
}

// Menu items, accelerators and button clicks: this dialog's map chain
// first, then the application's.
BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nCode = HIWORD(wParam);
    if (nCode != BN_CLICKED && lParam)
        return FALSE;  // other control notifications have no entries
    const UINT nID = LOWORD(wParam);
    if (OnCmdMsg(nID))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID);
}
