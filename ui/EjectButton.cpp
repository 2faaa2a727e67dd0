// The Eject button of the Updated outcome: the host is asked to eject the
// device on the worker thread, while the window keeps answering; the
// message then says that the device can be unplugged, or what holds it.
#include "UpdateDlg.h"

#include "resource.h"

namespace {

// The gap between Eject and Close, in dialog units, as a dialog editor
// spaces a button row.
const int kButtonGapUnits = 4;

}  // namespace

// Left of Close, as large and on the same row; Close stays where it is. A
// module without the button's label (one made before there was a button)
// keeps the layout it had.
void CUpdateDlg::ShowEjectButton()
{
    CString strLabel;
    if (!strLabel.LoadString(IDS_EJECT_BUTTON) || strLabel.IsEmpty())
        return;
    const RECT rcEject = GetEjectButtonRect();
    if (!m_ctlEject.GetSafeHwnd()) {
        m_bMadeEject = GetDlgItem(IDC_EJECT) == nullptr;
        const DWORD dwStyle = WS_TABSTOP | BS_PUSHBUTTON;
        const bool bButton = m_bMadeEject ? m_ctlEject.Create(strLabel, dwStyle, rcEject, this, IDC_EJECT) != FALSE
                                          : BindControl(IDC_EJECT, m_ctlEject) != FALSE;
        if (!bButton)
            return;
    }
    // Before Close in the tab order, as in the row; the focus goes to Close
    // all the same (FocusDefaultButton).
    HWND hOk = ::GetDlgItem(m_hWnd, IDOK);
    HWND hBefore = hOk ? ::GetWindow(hOk, GW_HWNDPREV) : nullptr;
    const UINT nZOrder = hOk && hBefore != m_ctlEject.m_hWnd ? 0 : SWP_NOZORDER;
    m_ctlEject.SetWindowText(strLabel);
    ::SetWindowPos(m_ctlEject.m_hWnd, hBefore ? hBefore : HWND_TOP, rcEject.left, rcEject.top,
                   rcEject.right - rcEject.left, rcEject.bottom - rcEject.top, nZOrder);
    m_ctlEject.EnableWindow(TRUE);
    m_ctlEject.ShowWindow(SW_SHOW);
}

RECT CUpdateDlg::GetEjectButtonRect()
{
    RECT rcOk = {};
    if (CWnd* pOk = GetDlgItem(IDOK)) {
        pOk->GetWindowRect(&rcOk);
        ScreenToClient(&rcOk);
    }
    RECT rcGap = {0, 0, kButtonGapUnits, 0};
    ::MapDialogRect(m_hWnd, &rcGap);
    const RECT rcEject = {rcOk.left - rcGap.right - (rcOk.right - rcOk.left), rcOk.top, rcOk.left - rcGap.right,
                          rcOk.bottom};
    return rcEject;
}

void CUpdateDlg::HideEjectButton()
{
    if (CWnd* pEject = GetDlgItem(IDC_EJECT))
        pEject->ShowWindow(SW_HIDE);
}

void CUpdateDlg::OnEject()
{
    if (m_bBusy || !m_ctlEject.GetSafeHwnd() || !m_ctlEject.IsWindowEnabled() || m_worker.GetHandle())
        return;
    // Focus leaves the button before it is disabled, so the keys still work.
    if (CWnd* pOk = GetDlgItem(IDOK))
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pOk->m_hWnd), TRUE);
    m_ctlEject.EnableWindow(FALSE);
    m_hEjectWindow = m_hWnd;
    if (!m_worker.Start(EjectThread, this)) {
        m_engine.EjectDevice(m_eject);  // no thread to be had: the window waits
        ShowEjectOutcome();
    }
}

UINT CUpdateDlg::EjectThread(LPVOID pThis)
{
    CUpdateDlg* pDlg = static_cast<CUpdateDlg*>(pThis);
    pDlg->m_engine.EjectDevice(pDlg->m_eject);
    PostMessageA(pDlg->m_hEjectWindow, WM_EJECT_DONE, 0, 0);
    return 0;
}

LRESULT CUpdateDlg::OnEjectDone(WPARAM, LPARAM)
{
    m_worker.Wait();
    ShowEjectOutcome();
    return 0;
}

// A veto names what holds the device where the host's name says it (an
// application, a service); otherwise the module's generic text does. A
// failure that names no veto is the host's own: no program is blamed.
void CUpdateDlg::ShowEjectOutcome()
{
    if (m_eject.bEjected) {
        m_ctlMessage.SetWindowText(FormatWithDeviceName(IDS_EJECTED));
        m_ctlEject.ShowWindow(SW_HIDE);
    } else if (!IsNamedVeto(m_eject.vetoType)) {
        m_ctlMessage.SetWindowText(FormatEjectFailed());
        m_ctlEject.EnableWindow(TRUE);
    } else {
        CString strHolder = m_eject.strVetoName;
        if (!IsVetoNameShown(m_eject.vetoType) || strHolder.IsEmpty())
            strHolder.LoadString(IDS_EJECT_HOLDER);
        CString strMessage;
        strMessage.FormatText(IDS_EJECT_VETOED, m_engine.GetDeviceName(), strHolder);
        m_ctlMessage.SetWindowText(strMessage);
        m_ctlEject.EnableWindow(TRUE);
    }
    AnnounceMessage();
}

// A module made before there was a text of its own for this says again
// what the Updated outcome said: the firmware is in place, and the drive
// is the user's to eject. That blames nobody, unlike the veto's text.
CString CUpdateDlg::FormatEjectFailed() const
{
    CString strFormat;
    return FormatWithDeviceName(strFormat.LoadString(IDS_EJECT_FAILED) ? IDS_EJECT_FAILED : IDS_UPDATE_DONE);
}
