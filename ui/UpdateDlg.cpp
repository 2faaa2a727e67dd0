#include "UpdateDlg.h"

#include "AboutBox.h"
#include "UpdateCfg.h"
#include "resource.h"

// The headers have it for Windows 7 and later only; older Windows never
// send it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

// Sent by the shell once the window's taskbar button exists, and whenever
// it is made anew.
const UINT g_nTaskbarButtonCreated = RegisterWindowMessageA("TaskbarButtonCreated");

}  // namespace

BEGIN_MESSAGE_MAP(CUpdateDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_MESSAGE(WM_COPY_PROGRESS, OnCopyProgress)
ON_MESSAGE(WM_BUSY_STEPS_DONE, OnBusyStepsDone)
ON_COMMAND(IDC_EJECT, OnEject)
ON_MESSAGE(WM_EJECT_DONE, OnEjectDone)
ON_MESSAGE(WM_DPICHANGED, OnDpiChanged)
ON_MESSAGE(WM_DESTROY, OnDestroyWindow)
// Last: a message that could not be registered is 0, which ends the map.
ON_MESSAGE(g_nTaskbarButtonCreated, OnTaskbarButtonCreated)
END_MESSAGE_MAP()

CUpdateDlg::CUpdateDlg(CWnd* pParent)
    : CDialog(IDD_UPDATE_DIALOG, pParent),
      m_hIcon(LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDI_UPDATE_ICON), RT_GROUP_ICON),
                        MAKEINTRESOURCEA(IDI_UPDATE_ICON))),
      m_bRetry(0), m_pObserver(nullptr), m_hEjectWindow(nullptr), m_eject(), m_bBusy(false), m_layout(), m_nPercent(-1),
      m_bMadeProgress(false), m_bMadeEject(false)
{
    CString strDeviceName;
    strDeviceName.LoadString(IDS_DEFAULT_DEVICE_NAME);
    m_engine.SetDeviceName(strDeviceName);
}

void CUpdateDlg::SetObserver(CUpdateObserver* pObserver)
{
    m_pObserver = pObserver;
    m_engine.SetObserver(pObserver);
}

void CUpdateDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MESSAGE, m_ctlMessage);
}

BOOL CUpdateDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    if (CMenu* pSysMenu = GetSystemMenu(FALSE)) {
        CString strAboutItem;
        strAboutItem.LoadString(IDS_ABOUT_ITEM);
        if (!strAboutItem.IsEmpty()) {
            pSysMenu->AppendMenu(MF_SEPARATOR);
            pSysMenu->AppendMenu(MF_STRING, IDM_ABOUT, strAboutItem);
        }
    }

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    // The caption names the first model that Update.cfg lists.
    CUpdateCfg cfg;
    CStringArray arrSections;
    cfg.GetSectionNames(arrSections);
    if (arrSections.GetSize() > 0) {
        CString strDeviceName;
        cfg.ReadDeviceName(arrSections[0], strDeviceName);
        m_engine.SetDeviceName(strDeviceName);
    }
    m_strCaption.FormatText(IDS_CAPTION, m_engine.GetDeviceName());
    SetWindowText(m_strCaption);

    CenterWindow();
    ShowWindow(SW_SHOW);
    ScanAndUpdate();
    // An outcome puts the focus on its default button: TRUE would move it
    // to the first button in the tab order, Eject after Updated.
    HWND hFocus = ::GetFocus();
    return hFocus && ::IsChild(m_hWnd, hFocus) ? FALSE : TRUE;
}

void CUpdateDlg::OnOK()
{
    if (!m_bRetry) {
        CDialog::OnOK();
        return;
    }
    CString strSearching;
    strSearching.LoadString(IDS_SEARCHING);
    m_ctlMessage.SetWindowText(strSearching);
    UpdateWindow();
    Sleep(300);
    m_bRetry = 0;
    ScanAndUpdate();
}

// Enter, Escape and Cancel (a click, or what the platform makes of the
// close box, Alt+F4 and WM_CLOSE) end up here as IDOK and IDCANCEL. A
// dialog closed while the copy runs would end the program with the copy
// cut off, and the user without an outcome to go by.
BOOL CUpdateDlg::OnCmdMsg(UINT nID)
{
    if (m_bBusy && (nID == IDOK || nID == IDCANCEL))
        return TRUE;
    return CDialog::OnCmdMsg(nID);
}

void CUpdateDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUT) {
        CAboutBox dlgAbout;
        dlgAbout.DoModal();
        return;
    }
    // The close box and Alt+F4, at their source.
    if (m_bBusy && (nID & 0xFFF0) == SC_CLOSE)
        return;
    Default();
}

// Minimised, the window shows its icon in the middle of its client area.
void CUpdateDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    RECT rcClient = {};
    GetClientRect(&rcClient);
    const POINT ptIcon = IconOrigin(rcClient, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    DrawIcon(dc.GetSafeHdc(), ptIcon.x, ptIcon.y, m_hIcon);
}

POINT CUpdateDlg::IconOrigin(const RECT& rcClient, int cxIcon, int cyIcon)
{
    POINT pt;
    pt.x = (rcClient.right - rcClient.left - cxIcon + 1) / 2;
    pt.y = (rcClient.bottom - rcClient.top - cyIcon + 1) / 2;
    return pt;
}

HCURSOR CUpdateDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

// Per-Monitor V2: the platform's dialog handling scales the template's
// controls and the dialog's font, then the window takes the rectangle
// that the platform suggests. What this dialog made itself is placed again
// from dialog units at the new scale, the Eject button in the new font;
// the layout is measured again for the outcome still to come (the busy
// layout is one button row short of the full height).
LRESULT CUpdateDlg::OnDpiChanged(WPARAM, LPARAM lParam)
{
    Default();
    const RECT* pSuggested = reinterpret_cast<const RECT*>(lParam);
    SetWindowPos(nullptr, pSuggested->left, pSuggested->top, pSuggested->right - pSuggested->left,
                 pSuggested->bottom - pSuggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    MeasureLayout(m_layout);
    RECT rcClient = {};
    GetClientRect(&rcClient);
    if (m_bBusy)
        m_layout.cyWindow += m_layout.cyOk;
    const int cyBusyClient = m_bBusy ? rcClient.bottom : rcClient.bottom - m_layout.cyOk;
    if (m_bMadeProgress && m_ctlProgress.GetSafeHwnd()) {
        const RECT rcBar = GetProgressBarRect(cyBusyClient);
        m_ctlProgress.SetWindowPos(nullptr, rcBar.left, rcBar.top, rcBar.right - rcBar.left, rcBar.bottom - rcBar.top,
                                   SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (m_bMadeEject && m_ctlEject.GetSafeHwnd()) {
        m_ctlEject.SendMessage(WM_SETFONT, static_cast<WPARAM>(SendMessage(WM_GETFONT)), TRUE);
        const RECT rcEject = GetEjectButtonRect();
        m_ctlEject.SetWindowPos(nullptr, rcEject.left, rcEject.top, rcEject.right - rcEject.left,
                                rcEject.bottom - rcEject.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return 0;
}

LRESULT CUpdateDlg::OnTaskbarButtonCreated(WPARAM, LPARAM)
{
    m_taskbar.ShowAgain(m_hWnd);
    return 0;
}

// The taskbar list and COM go on the thread that took them.
LRESULT CUpdateDlg::OnDestroyWindow(WPARAM, LPARAM)
{
    m_taskbar.Release();
    return Default();
}
