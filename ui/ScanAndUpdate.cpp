// The scan-and-update sequence: the engine's steps, with the dialog's
// layouts between them. The engine finds the first removable drive whose
// USB device matches a section of Update.cfg, checks the device's release
// and the drive's free space, and copies the package; the dialog shows the
// busy layout before the space check and ends in one outcome: Not found,
// Version refused, No room, Copy failed or Updated. The space check and
// the copy run on a worker thread (BusyPhase.cpp); the sequence returns
// once their outcome is shown.
#include "UpdateDlg.h"

#include "resource.h"

#include <commctrl.h>

int CUpdateDlg::ScanAndUpdate()
{
    // Only the busy phase handles messages while a scan runs, and it lets
    // none of them start another.
    if (m_bBusy)
        return 0;
    if (!m_engine.FindTargetDrive()) {
        // An unreadable drive list changes nothing in the window.
        if (m_engine.GetOutcome() == SCAN_NOT_FOUND)
            ShowNotFound();
        // A damaged Update.cfg ends the scan before any drive is looked at.
        if (m_engine.GetOutcome() == SCAN_PACKAGE_DAMAGED) {
            OUTCOME_LAYOUT layout = {};
            MeasureLayout(layout);
            ShowOutcome(FormatPackageDamaged(), layout);
        }
        return 0;
    }

    OUTCOME_LAYOUT layout = {};
    MeasureLayout(layout);

    // A commit cut off on the drive earlier is undone before anything is
    // decided, so that no outcome leaves the drive half updated.
    m_engine.RecoverDrive();
    if (!m_engine.CheckVersion()) {
        CString strMessage;
        strMessage.FormatText(IDS_VERSION_REFUSED, m_engine.GetDeviceName(), m_engine.GetReleaseText());
        ShowOutcome(strMessage, layout);
        return 0;
    }

    ShowBusy(layout);
    m_busyLayout = layout;
    RunBusySteps();
    return m_engine.GetOutcome() == SCAN_UPDATED ? 1 : 0;
}

// What the space check and the copy decided.
void CUpdateDlg::ShowBusyOutcome(const OUTCOME_LAYOUT& layout)
{
    switch (m_engine.GetOutcome()) {
    case SCAN_NO_ROOM:
        ShowOutcome(FormatWithDeviceName(IDS_NO_ROOM), layout);
        break;
    case SCAN_UPDATED:
        ShowOutcome(FormatWithDeviceName(IDS_UPDATE_DONE), layout, true);
        break;
    case SCAN_PACKAGE_DAMAGED:
        ShowOutcome(FormatPackageDamaged(), layout);
        break;
    default: {
        CString strMessage;
        strMessage.LoadString(IDS_COPY_FAILED);
        ShowOutcome(strMessage, layout);
        break;
    }
    }
}

// In the Copy failed layout, the first file at fault named; a module made
// before the package was checked shows its Copy failed message.
CString CUpdateDlg::FormatPackageDamaged() const
{
    CString strMessage;
    if (strMessage.LoadString(IDS_PACKAGE_DAMAGED))
        strMessage.FormatText(IDS_PACKAGE_DAMAGED, m_engine.GetDamagedFile());
    else
        strMessage.LoadString(IDS_COPY_FAILED);
    return strMessage;
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
    layout.cxOk = cxOk;
    layout.cyOk = rcOk.bottom - rcOk.top;
}

// The engine has traced "Device not Found" already.
void CUpdateDlg::ShowNotFound()
{
    m_ctlMessage.ShowWindow(SW_SHOW);
    if (CWnd* pBusy = GetDlgItem(IDC_BUSY_TEXT))
        pBusy->ShowWindow(SW_HIDE);
    HideProgressBar();
    m_ctlMessage.SetWindowText(FormatWithDeviceName(IDS_DEVICE_NOT_FOUND));
    CString strRetry;
    strRetry.LoadString(IDS_RETRY_BUTTON);
    if (CWnd* pOk = GetDlgItem(IDOK))
        pOk->SetWindowText(strRetry);
    m_bRetry = 1;
}

// While the space check and the copy run: the busy text and the progress
// bar, the button row cut off.
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
    ShowProgressBar(layout);
    SetWindowPos(nullptr, 0, 0, layout.cxWindow, layout.cyWindow - layout.cyOk, SWP_NOMOVE | SWP_NOZORDER);
    UpdateWindow();
}

// The bar starts empty for every busy phase. A template may place it
// itself; in the others it is made here, once.
void CUpdateDlg::ShowProgressBar(const OUTCOME_LAYOUT& layout)
{
    if (!m_ctlProgress.GetSafeHwnd()) {
        const bool bBar =
            GetDlgItem(IDC_BUSY_PROGRESS) != nullptr
                ? BindControl(IDC_BUSY_PROGRESS, m_ctlProgress) != FALSE
                : m_ctlProgress.Create(PBS_SMOOTH, GetProgressBarRect(layout), this, IDC_BUSY_PROGRESS) != FALSE;
        if (!bBar)
            return;  // the busy text alone, as before there was a bar
    }
    m_ctlProgress.SetRange32(0, CCopyProgressRelay::kRange);
    m_ctlProgress.SetPos(0);
    m_ctlProgress.ShowWindow(SW_SHOW);
}

// As wide as the busy text and just under it, but inside the client area
// that the busy layout leaves: the window loses the OK button's height at
// its bottom, and the client area with it. Gap and height are in dialog
// units (2 and 8, a dialog editor's bar), so they grow with the font.
RECT CUpdateDlg::GetProgressBarRect(const OUTCOME_LAYOUT& layout)
{
    RECT rcClient = {};
    GetClientRect(&rcClient);
    const int cyBusyClient = rcClient.bottom - layout.cyOk;
    RECT rcUnits = {7, 2, 0, 8};  // margin, gap, -, height
    ::MapDialogRect(m_hWnd, &rcUnits);
    const int cyGap = rcUnits.top;
    const int cyBar = rcUnits.bottom;
    // A template without a busy text (it should have one) puts the bar
    // under the message line, or at the top within the usual margins.
    RECT rcAbove = {rcUnits.left, 0, rcClient.right - rcUnits.left, 0};
    CWnd* pAbove = GetDlgItem(IDC_BUSY_TEXT);
    if (!pAbove)
        pAbove = GetDlgItem(IDC_MESSAGE);
    if (pAbove) {
        pAbove->GetWindowRect(&rcAbove);
        ScreenToClient(&rcAbove);
    }
    RECT rcBar = {rcAbove.left, rcAbove.bottom + cyGap, rcAbove.right, 0};
    if (rcBar.top + cyBar + cyGap > cyBusyClient)
        rcBar.top = cyBusyClient - cyGap - cyBar;
    if (rcBar.top < 0)
        rcBar.top = 0;
    rcBar.bottom = rcBar.top + cyBar;
    return rcBar;
}

void CUpdateDlg::HideProgressBar()
{
    if (CWnd* pBar = GetDlgItem(IDC_BUSY_PROGRESS))
        pBar->ShowWindow(SW_HIDE);
}

// The outcome's message and a close button in the middle of the button row
// (after Updated, the Eject button beside it). The message comes last: once
// it reads as an outcome, the layout of that outcome is complete, for
// whoever reads the window from outside (a screen reader, a test).
void CUpdateDlg::ShowOutcome(const char* pszMessage, const OUTCOME_LAYOUT& layout, bool bEjectButton)
{
    if (CWnd* pBusy = GetDlgItem(IDC_BUSY_TEXT))
        pBusy->ShowWindow(SW_HIDE);
    HideProgressBar();
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
    if (bEjectButton)
        ShowEjectButton(layout);
    else
        HideEjectButton();
    SetWindowPos(nullptr, 0, 0, layout.cxWindow, layout.cyWindow, SWP_NOMOVE | SWP_NOZORDER);
    m_ctlMessage.SetWindowText(pszMessage);
}

CString CUpdateDlg::FormatWithDeviceName(UINT nID) const
{
    CString strText;
    strText.FormatText(nID, m_engine.GetDeviceName());
    return strText;
}
