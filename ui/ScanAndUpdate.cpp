// The scan-and-update sequence: the first removable drive whose USB device
// matches a section of Update.cfg is the target; its device is checked
// against the section's version, the drive's free space against the
// package, and the package is copied to the drive's root. The dialog ends
// in one outcome: Not found, Version refused, No room, Copy failed or
// Updated.
#include "UpdateDlg.h"

#include "DriveIdentity.h"
#include "HostApi.h"
#include "resource.h"

#include <cstdio>
#include <cstring>

int CUpdateDlg::ScanAndUpdate()
{
    USB_DEVICE_IDENTITY identity = {};
    identity.cbSize = sizeof identity;

    char szDrives[MAX_PATH] = {};
    const DWORD nLength = GetDeviceHostApi().pfnGetLogicalDriveStringsA(MAX_PATH, szDrives);
    // A list that doesn't fit the buffer is not in it: as unreadable.
    if (nLength == 0 || nLength >= MAX_PATH)
        return 0;

    const char* pszTarget = FindTargetDrive(szDrives, szDrives + nLength, identity);
    if (!pszTarget) {
        ShowNotFound();
        return 0;
    }
    const CString strDriveRoot(pszTarget);

    OUTCOME_LAYOUT layout = {};
    MeasureLayout(layout);

    if (!IsVersionAccepted(identity)) {
        char szRelease[8];
        std::snprintf(szRelease, sizeof szRelease, "%04X", identity.bcdDevice);
        CString strMessage;
        strMessage.FormatText(IDS_VERSION_REFUSED, m_strDeviceName, szRelease);
        ShowOutcome(strMessage, layout);
        return 0;
    }

    ShowBusy(layout);
    if (!HasRoomForPackage(strDriveRoot)) {
        ShowOutcome(FormatWithDeviceName(IDS_NO_ROOM), layout);
        return 0;
    }
    if (!CopyPackageToDrive(strDriveRoot)) {
        CString strMessage;
        strMessage.LoadString(IDS_COPY_FAILED);
        ShowOutcome(strMessage, layout);
        return 0;
    }
    ShowOutcome(FormatWithDeviceName(IDS_UPDATE_DONE), layout);
    return 1;
}

const char* CUpdateDlg::FindTargetDrive(const char* pszDrives, const char* pszEnd, USB_DEVICE_IDENTITY& identity)
{
    char szLetter[2] = {0, 0};
    for (const char* pszEntry = pszDrives; pszEntry < pszEnd && *pszEntry;
         pszEntry += std::strlen(pszEntry) + 1) {
        OutputDebugStringA(pszEntry);
        if (GetDeviceHostApi().pfnGetDriveTypeA(pszEntry) != DRIVE_REMOVABLE)
            continue;
        OutputDebugStringA("Removable Drive\n");
        szLetter[0] = pszEntry[0];
        if (!GetDeviceIdentityByDrive(szLetter, &identity))
            continue;
        if (FindConfigSection(identity))
            return pszEntry;
    }
    return nullptr;
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

void CUpdateDlg::ShowNotFound()
{
    OutputDebugStringA("Device not Found\n");
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
