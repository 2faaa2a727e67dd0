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

    MeasureLayout(m_layout);
    const OUTCOME_LAYOUT& layout = m_layout;

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
    RunBusySteps();
    return m_engine.GetOutcome() == SCAN_UPDATED ? 1 : 0;
}

// What the space check and the copy decided. The caption loses its
// percentage; the taskbar button, which showed the copy, shows nothing more
// after Updated, and stays full and red after a failure until the window
// closes (red over an empty bar would not show).
void CUpdateDlg::ShowBusyOutcome(const OUTCOME_LAYOUT& layout)
{
    SetWindowText(m_strCaption);
    if (m_engine.GetOutcome() == SCAN_UPDATED) {
        m_taskbar.ShowState(m_hWnd, TBPF_NOPROGRESS);
    } else {
        m_taskbar.ShowProgress(m_hWnd, 1, 1);
        m_taskbar.ShowState(m_hWnd, TBPF_ERROR);
    }
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
    AnnounceMessage();
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
    ShowProgressBar(layout, strBusy);
    SetWindowPos(nullptr, 0, 0, layout.cxWindow, layout.cyWindow - layout.cyOk, SWP_NOMOVE | SWP_NOZORDER);
    m_nPercent = -1;
    m_taskbar.ShowState(m_hWnd, TBPF_NORMAL);
    ShowPercent(0);
    UpdateWindow();
}

// The bar starts empty for every busy phase. A template may place it
// itself; in the others it is made here, once, right after the busy text
// in the z-order: that text is the label a screen reader names the bar by
// on Windows. Wine's takes the bar's own text, which is the busy text too.
void CUpdateDlg::ShowProgressBar(const OUTCOME_LAYOUT& layout, const char* pszName)
{
    if (!m_ctlProgress.GetSafeHwnd()) {
        m_bMadeProgress = GetDlgItem(IDC_BUSY_PROGRESS) == nullptr;
        RECT rcClient = {};
        GetClientRect(&rcClient);
        const RECT rcBar = GetProgressBarRect(rcClient.bottom - layout.cyOk);
        const bool bBar = m_bMadeProgress ? m_ctlProgress.Create(PBS_SMOOTH, rcBar, this, IDC_BUSY_PROGRESS) != FALSE
                                          : BindControl(IDC_BUSY_PROGRESS, m_ctlProgress) != FALSE;
        if (!bBar)
            return;  // the busy text alone, as before there was a bar
        CWnd* pBusy = GetDlgItem(IDC_BUSY_TEXT);
        if (m_bMadeProgress && pBusy)
            m_ctlProgress.SetWindowPos(pBusy, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    m_ctlProgress.SetWindowText(pszName);
    m_ctlProgress.SetRange32(0, CCopyProgressRelay::kRange);
    m_ctlProgress.SetPos(0);
    m_ctlProgress.ShowWindow(SW_SHOW);
}

// "NN% - " before the caption, and the same on the taskbar button; each
// only when the percentage changes. Digits and signs only: no module
// text, the same in every language.
void CUpdateDlg::ShowPercent(int nPercent)
{
    if (nPercent == m_nPercent)
        return;
    m_nPercent = nPercent;
    CString strCaption;
    strCaption.Format("%d%% - ", nPercent);
    strCaption += m_strCaption;
    SetWindowText(strCaption);
    m_taskbar.ShowProgress(m_hWnd, static_cast<ULONGLONG>(nPercent), 100);
}

// As wide as the busy text and just under it, but inside the client area
// that the busy layout leaves: the window loses the OK button's height at
// its bottom, and the client area with it. Gap and height are in dialog
// units (2 and 8, a dialog editor's bar), so they grow with the font.
RECT CUpdateDlg::GetProgressBarRect(int cyBusyClient)
{
    RECT rcClient = {};
    GetClientRect(&rcClient);
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
        ShowEjectButton();
    else
        HideEjectButton();
    SetWindowPos(nullptr, 0, 0, layout.cxWindow, layout.cyWindow, SWP_NOMOVE | SWP_NOZORDER);
    FocusDefaultButton();
    m_ctlMessage.SetWindowText(pszMessage);
    AnnounceMessage();
}

void CUpdateDlg::AnnounceMessage()
{
    ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, m_ctlMessage.m_hWnd, OBJID_CLIENT, CHILDID_SELF);
    ::NotifyWinEvent(EVENT_SYSTEM_ALERT, m_ctlMessage.m_hWnd, OBJID_CLIENT, CHILDID_SELF);
    // The About box in front is this window's own.
    if (::GetAncestor(::GetForegroundWindow(), GA_ROOTOWNER) == m_hWnd)
        return;
    FLASHWINFO flash = {sizeof flash, m_hWnd, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
    ::FlashWindowEx(&flash);
}

// The focus goes where Enter goes, even with Eject before Close in the tab
// order. An inactive window keeps the focus it had (Close, as it opened),
// and taking it here would activate the window over whatever is in front.
void CUpdateDlg::FocusDefaultButton()
{
    CWnd* pOk = GetDlgItem(IDOK);
    if (pOk && ::GetActiveWindow() == m_hWnd)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pOk->m_hWnd), TRUE);
}

CString CUpdateDlg::FormatWithDeviceName(UINT nID) const
{
    CString strText;
    strText.FormatText(nID, m_engine.GetDeviceName());
    return strText;
}
