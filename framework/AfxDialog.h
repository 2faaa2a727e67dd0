// CDialog: a modal dialog created from a template of the current resource
// source.
#pragma once

#include "AfxDataExchange.h"
#include "AfxWnd.h"

class CDialog : public CWnd
{
public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    // Creates the dialog from its template and runs it until EndDialog:
    // the result given to EndDialog, or -1 when the template is missing
    // or the window can't be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);
    // Exchanges data between the controls and the members.
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    // After the window and its controls exist, before it is shown by the
    // modal run: binds the controls. TRUE lets the platform set the focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnDialogMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    HWND GetModalOwner() const;

    // Set while default processing runs: the platform's dialog procedure
    // hands the message back to DialogProc first, which then declines it.
    BOOL m_bDefaultPending = FALSE;

    DECLARE_MESSAGE_MAP()
};
