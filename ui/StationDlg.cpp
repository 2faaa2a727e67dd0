#include "StationDlg.h"

#include "resource.h"

#include <commctrl.h>

namespace {

// The list's columns, in their order, each as wide as the dialog units
// say or its heading needs, whichever is more.
const struct
{
    UINT nHeading;
    int cxUnits;
} kColumns[] = {
    {IDS_STATION_COLUMN_DRIVE, 30}, {IDS_STATION_COLUMN_DEVICE, 64},  {IDS_STATION_COLUMN_SERIAL, 64},
    {IDS_STATION_COLUMN_PORT, 92},  {IDS_STATION_COLUMN_BEFORE, 46},  {IDS_STATION_COLUMN_AFTER, 46},
    {IDS_STATION_COLUMN_STATE, 64}, {IDS_STATION_COLUMN_REASON, 120},
};

enum
{
    kColumnDrive,
    kColumnDevice,
    kColumnSerial,
    kColumnPort,
    kColumnBefore,
    kColumnAfter,
    kColumnState,
    kColumnReason,
};

// The heading's margins: what the header draws beside its text.
const int kHeadingMargin = 16;

// The text of each outcome but Updated, which has a state of its own.
const struct
{
    SCAN_OUTCOME outcome;
    UINT nText;
} kOutcomeTexts[] = {
    {SCAN_NOT_FOUND, IDS_STATION_NOT_FOUND},
    {SCAN_VERSION_REFUSED, IDS_STATION_VERSION_REFUSED},
    {SCAN_NO_ROOM, IDS_STATION_NO_ROOM},
    {SCAN_COPY_FAILED, IDS_STATION_COPY_FAILED},
    {SCAN_PACKAGE_DAMAGED, IDS_STATION_PACKAGE_DAMAGED},
    {SCAN_NO_DRIVE_LIST, IDS_STATION_NO_DRIVE_LIST},
};

CString LoadText(UINT nID)
{
    CString strText;
    strText.LoadString(nID);
    return strText;
}

CString FormatNumber(int nValue)
{
    CString strNumber;
    strNumber.Format("%d", nValue);
    return strNumber;
}

CString GetOutcomeText(SCAN_OUTCOME outcome)
{
    if (outcome == SCAN_UPDATED)
        return LoadText(IDS_STATION_UPDATED);
    for (const auto& text : kOutcomeTexts) {
        if (text.outcome == outcome)
            return LoadText(text.nText);
    }
    return CString();
}

}  // namespace

CString GetStationStateText(const STATION_ROW& row)
{
    switch (row.state) {
    case STATION_WAITING:
        return LoadText(IDS_STATION_WAITING);
    case STATION_CHECKING:
        return LoadText(IDS_STATION_CHECKING);
    case STATION_UPDATING: {
        CString strText;
        strText.FormatText(IDS_STATION_UPDATING, FormatNumber(row.nPercent));
        return strText;
    }
    case STATION_ENDED:
        return GetOutcomeText(row.outcome);
    case STATION_EJECTED:
        return LoadText(IDS_STATION_EJECTED);
    case STATION_REMOVED:
        return LoadText(IDS_STATION_REMOVED);
    }
    return CString();
}

bool HasStationDialog()
{
    const char* pszName = MAKEINTRESOURCEA(IDD_STATION);
    return FindResourceA(AfxFindResourceHandle(pszName, RT_DIALOG), pszName, RT_DIALOG) != nullptr;
}

BEGIN_MESSAGE_MAP(CStationDlg, CDialog)
ON_MESSAGE(WM_STATION_NEWS, OnStationNews)
ON_MESSAGE(WM_DEVICECHANGE, OnDeviceChange)
ON_MESSAGE(WM_ENDSESSION, OnEndSession)
ON_COMMAND(IDC_STATION_EJECT, OnEjectBox)
END_MESSAGE_MAP()

CStationDlg::CStationDlg(const STATION_OPTIONS& options)
    : CDialog(IDD_STATION), m_options(options), m_hNewsWindow(nullptr), m_bNewsPosted(false), m_station(*this, options),
      m_hList(nullptr), m_bAsking(false), m_bClosing(false)
{}

INT_PTR CStationDlg::DoModal()
{
    AfxInitCommonControls(ICC_LISTVIEW_CLASSES);
    return CDialog::DoModal();
}

BOOL CStationDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    // The update dialog's icon: the module's, else the executable's.
    const char* pszIcon = MAKEINTRESOURCEA(IDI_UPDATE_ICON);
    HICON hIcon = LoadIconA(AfxFindResourceHandle(pszIcon, RT_GROUP_ICON), pszIcon);
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(hIcon));
    m_hList = ::GetDlgItem(m_hWnd, IDC_STATION_LIST);
    if (m_hList) {
        ::SendMessageA(m_hList, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
        AddColumns();
    }
    ::CheckDlgButton(m_hWnd, IDC_STATION_EJECT, m_options.bEject ? BST_CHECKED : BST_UNCHECKED);
    ShowCounts();
    CenterWindow();
    m_hNewsWindow = m_hWnd;
    CString strWhy;
    if (!m_station.Start(strWhy))
        ShowRecordFailure(strWhy);
    return TRUE;
}

void CStationDlg::AddColumns()
{
    RECT rcUnits = {0, 0, 0, 0};
    for (size_t i = 0; i < sizeof kColumns / sizeof kColumns[0]; ++i) {
        const CString strHeading = LoadText(kColumns[i].nHeading);
        rcUnits.right = kColumns[i].cxUnits;
        ::MapDialogRect(m_hWnd, &rcUnits);
        const int cxHeading = static_cast<int>(::SendMessageA(
            m_hList, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(static_cast<const char*>(strHeading))));
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = cxHeading + kHeadingMargin > rcUnits.right ? cxHeading + kHeadingMargin : rcUnits.right;
        column.pszText = const_cast<char*>(static_cast<const char*>(strHeading));
        column.iSubItem = static_cast<int>(i);
        ::SendMessageA(m_hList, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

// From any thread. A post that fails (a full queue) leaves the flag clear,
// so that the next news tries again.
void CStationDlg::WakeStation()
{
    if (m_bNewsPosted.exchange(true))
        return;
    if (!::PostMessageA(m_hNewsWindow, WM_STATION_NEWS, 0, 0))
        m_bNewsPosted = false;
}

// The flag is cleared first: news that comes while these are taken posts
// again.
LRESULT CStationDlg::OnStationNews(WPARAM, LPARAM)
{
    m_bNewsPosted = false;
    m_station.TakeNews();
    EndWhenIdle();
    return 0;
}

void CStationDlg::OnRowChanged(int nRow, bool bEnded)
{
    const STATION_ROW& row = m_station.GetRow(nRow);
    if (m_hList && nRow >= static_cast<int>(::SendMessageA(m_hList, LVM_GETITEMCOUNT, 0, 0))) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = nRow;
        item.pszText = const_cast<char*>("");
        ::SendMessageA(m_hList, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    const STATION_TARGET& target = row.target;
    SetCell(nRow, kColumnDrive, target.strDriveRoot);
    SetCell(nRow, kColumnDevice, target.strDeviceName);
    SetCell(nRow, kColumnSerial, GetStationSerial(target.identity));
    SetCell(nRow, kColumnPort, target.strPort);
    SetCell(nRow, kColumnBefore, row.strReleaseBefore);
    SetCell(nRow, kColumnAfter, row.bEnded ? static_cast<const char*>(row.strReleaseAfter) : "");
    SetCell(nRow, kColumnState, GetStationStateText(row));
    SetCell(nRow, kColumnReason, row.strReason);
    if (bEnded) {
        ShowCounts();
        EndWhenIdle();
    }
}

void CStationDlg::SetCell(int nRow, int nColumn, const char* pszText)
{
    if (!m_hList)
        return;
    LVITEMA item = {};
    item.iSubItem = nColumn;
    item.pszText = const_cast<char*>(pszText);
    ::SendMessageA(m_hList, LVM_SETITEMTEXTA, static_cast<WPARAM>(nRow), reinterpret_cast<LPARAM>(&item));
}

void CStationDlg::ShowCounts()
{
    const STATION_COUNTS& counts = m_station.GetCounts();
    CString strCounts;
    strCounts.FormatText(IDS_STATION_COUNTS, FormatNumber(counts.nUpdated), FormatNumber(counts.nRefused),
                         FormatNumber(counts.nFailed));
    ::SetDlgItemTextA(m_hWnd, IDC_STATION_COUNTS, strCounts);
}

void CStationDlg::ShowMessage(const CString& strMessage)
{
    ::SetDlgItemTextA(m_hWnd, IDC_STATION_MESSAGE, strMessage);
}

void CStationDlg::ShowRecordFailure(const CString& strWhy)
{
    CString strMessage;
    strMessage.FormatText(IDS_STATION_RECORD_FAILED, m_options.strRecordPath, strWhy);
    ShowMessage(strMessage);
}

void CStationDlg::OnStationStopped(const CString& strWhy)
{
    ShowRecordFailure(strWhy);
}

LRESULT CStationDlg::OnDeviceChange(WPARAM wParam, LPARAM lParam)
{
    m_station.OnDeviceChange(wParam, lParam);
    return TRUE;
}

// The session ends once this returns, without asking: the running
// updates end first, never left half done.
LRESULT CStationDlg::OnEndSession(WPARAM wParam, LPARAM)
{
    if (wParam)
        m_station.FinishRunning();
    return 0;
}

void CStationDlg::OnEjectBox()
{
    m_station.SetEject(::IsDlgButtonChecked(m_hWnd, IDC_STATION_EJECT) == BST_CHECKED);
}

void CStationDlg::OnOK() {}

// The question's box runs its own message loop: the rows go on changing
// meanwhile, and another close while it shows is not asked again.
void CStationDlg::OnCancel()
{
    if (m_bAsking || m_bClosing)
        return;
    const int nRunning = m_station.GetRunning();
    if (nRunning == 0) {
        EndDialog(IDCANCEL);
        return;
    }
    CString strQuestion;
    strQuestion.FormatText(IDS_STATION_CLOSE_QUESTION, FormatNumber(nRunning));
    char szCaption[256] = {};
    ::GetWindowTextA(m_hWnd, szCaption, sizeof szCaption);
    m_bAsking = true;
    const int nAnswer = ::MessageBoxA(m_hWnd, strQuestion, szCaption, MB_YESNO | MB_ICONQUESTION);
    m_bAsking = false;
    if (nAnswer != IDYES)
        return;
    m_station.StopTaking();
    m_bClosing = true;
    ShowMessage(LoadText(IDS_STATION_CLOSING));
    EndWhenIdle();
}

void CStationDlg::EndWhenIdle()
{
    if (m_bClosing && m_station.GetRunning() == 0)
        EndDialog(IDCANCEL);
}
