// The scan-and-update sequence: the engine's steps, with the dialog's
// layouts between them. The engine finds the first removable drive whose
// USB device matches a section of Update.cfg, checks the device's release
// and the drive's free space, and copies the package; the dialog shows the
// busy layout before the space check and ends in one outcome: Not found,
// Version refused, No room, Copy failed or Updated.
#include "UpdateDlg.h"

#include "resource.h"

int CUpdateDlg::ScanAndUpdate()
{
    if (!m_engine.FindTargetDrive()) {
        // An unreadable drive list changes nothing in the window.
        if (m_engine.GetOutcome() == SCAN_NOT_FOUND)
            ShowNotFound();
        return 0;
    }

    OUTCOME_LAYOUT layout = {};
    MeasureLayout(layout);

    if (!m_engine.CheckVersion()) {
        CString strMessage;
        strMessage.FormatText(IDS_VERSION_REFUSED, m_strDeviceName, m_engine.GetReleaseText());
        ShowOutcome(strMessage, layout);
        return 0;
    }

    ShowBusy(layout);
    if (!m_engine.CheckRoom()) {
        ShowOutcome(FormatWithDeviceName(IDS_NO_ROOM), layout);
        return 0;
    }
    if (!m_engine.CopyPackage()) {
        CString strMessage;
        strMessage.LoadString(IDS_COPY_FAILED);
        ShowOutcome(strMessage, layout);
        return 0;
    }
    ShowOutcome(FormatWithDeviceName(IDS_UPDATE_DONE), layout);
    return 1;
}

// Measured at the dialog's full size: only the Not-found outcome leads to
// another scan, and it leaves the size alone.
void CUpdateDlg::MeasureLayout(OUTCOME_LAYOUT& layout)
{
    RECT rcWindow = {};
    GetWindowRect(&rcWindow);
    ScreenToClient(&rcWindow);
    RECT rcClient = {};
    GetClientRect(&rcClient);
    RECT rcOk = {};
    CWnd* pOk = GetDlgItem(IDOK);
    if (pOk) {
        pOk->GetWindowRect(&rcOk);
        ScreenToClient(&rcOk);
    }
    const int cxOk = rcOk.right - rcOk.left;
    layout.cxWindow = rcWindow.right - rcWindow.left;
    layout.cyWindow = rcWindow.bottom - rcWindow.top;
    layout.xOk = (rcClient.right - rcClient.left - cxOk) / 2;  // centred in the client area
    layout.yOk = rcOk.top;
    layout.cyOk = rcOk.bottom - rcOk.top;
}

// The engine has traced "Device not Found" already.
void CUpdateDlg::ShowNotFound()
{
    m_ctlMessage.ShowWindow(SW_SHOW);
    if (CWnd* pBusy = GetDlgItem(IDC_BUSY_TEXT))
        pBusy->ShowWindow(SW_HIDE);
    m_ctlMessage.SetWindowText(FormatWithDeviceName(IDS_DEVICE_NOT_FOUND));
    CString strRetry;
    strRetry.LoadString(IDS_RETRY_BUTTON);
    if (CWnd* pOk = GetDlgItem(IDOK))
        pOk->SetWindowText(strRetry);
    m_bRetry = 1;
}

// While the space check and the copy block the window: the busy text
// alone, the button row cut off.
void CUpdateDlg::ShowBusy(const OUTCOME_LAYOUT& layout)
{
    CString strBusy;
    if (!strBusy.LoadString(IDS_UPDATING))
        strBusy.LoadString(IDS_ABOUT_ITEM);  // a module without its own busy text
    CWnd* pBusy = GetDlgItem(IDC_BUSY_TEXT);
    if (pBusy)
        pBusy->SetWindowText(strBusy);
    m_ctlMessage.ShowWindow(SW_HIDE);
    if (pBusy)
        pBusy->ShowWindow(SW_SHOW);
    if (CWnd* pOk = GetDlgItem(IDOK))
        pOk->ShowWindow(SW_HIDE);
    if (CWnd* pCancel = GetDlgItem(IDCANCEL))
        pCancel->ShowWindow(SW_HIDE);
    SetWindowPos(nullptr, 0, 0, layout.cxWindow, layout.cyWindow - layout.cyOk, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow();
}

// The outcome's message and a close button in the middle of the button row.
void CUpdateDlg::ShowOutcome(const char* pszMessage, const OUTCOME_LAYOUT& layout)
{
    m_ctlMessage.SetWindowText(pszMessage);
    if (CWnd* pBusy = GetDlgItem(IDC_BUSY_TEXT))
        pBusy->ShowWindow(SW_HIDE);
    m_ctlMessage.ShowWindow(SW_SHOW);
    CString strClose;
    strClose.LoadString(IDS_CLOSE_BUTTON);
    if (CWnd* pOk = GetDlgItem(IDOK)) {
        pOk->SetWindowText(strClose);
        pOk->SetWindowPos(nullptr, layout.xOk, layout.yOk, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        pOk->ShowWindow(SW_SHOW);
    }
    if (CWnd* pCancel = GetDlgItem(IDCANCEL))
        pCancel->ShowWindow(SW_HIDE);
    SetWindowPos(nullptr, 0, 0, layout.cxWindow, layout.cyWindow, SWP_NOMOVE | SWP_NOZORDER);
}

CString CUpdateDlg::FormatWithDeviceName(UINT nID) const
{
    CString strText;
    strText.FormatText(nID, m_strDeviceName);
    return strText;
}
