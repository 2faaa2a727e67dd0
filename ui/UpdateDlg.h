// CUpdateDlg: the program's only main window. Besides its window handlers
// it carries the update operations, since they share the matched section
// and the device's display name.
#pragma once

#include "Afx.h"
#include "UsbDeviceIdentity.h"

// The system-menu command that opens the About box.
#define IDM_ABOUT 0x0010

class CUpdateDlg : public CDialog
{
public:
    explicit CUpdateDlg(CWnd* pParent = nullptr);

    // The whole update, from the drive list to one outcome; 1 for Updated.
    int ScanAndUpdate();

    // Matching and version gate. FindConfigSection sets m_strSection and
    // m_strDeviceName from the first section, in file order, whose
    // DeviceID and VendorID equal the device's ids; IsVersionAccepted
    // checks the device's release against that section's Version.
    int FindConfigSection(USB_DEVICE_IDENTITY identity);
    int IsVersionAccepted(USB_DEVICE_IDENTITY identity);

    // The firmware package: the files directly inside the folder named
    // m_strSection beside the executable.
    DWORD GetPackageSize();
    int HasRoomForPackage(const char* pszDriveRoot);
    int CopyPackageToDrive(const char* pszDriveRoot);

    // Where a minimised window draws its icon: the middle of its client
    // area, rounded up.
    static POINT IconOrigin(const RECT& rcClient, int cxIcon, int cyIcon);

    const CString& GetSection() const { return m_strSection; }
    const CString& GetDeviceName() const { return m_strDeviceName; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // After Not found: scans again; otherwise closes the dialog.
    void OnOK() override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();

    CStatic m_ctlMessage;
    HICON m_hIcon;
    int m_bRetry;
    CString m_strSection;
    CString m_strDeviceName;

private:
    // Sizes measured once a drive has matched, in client coordinates.
    struct OUTCOME_LAYOUT
    {
        int cxWindow;   // the dialog's outer size
        int cyWindow;
        int xOk;        // where the OK button goes in the final layout
        int yOk;
        int cyOk;       // the OK button's height: what the busy layout drops
    };

    // The entry of the first removable drive whose device matches a
    // section, or null; pszEnd bounds the list.
    const char* FindTargetDrive(const char* pszDrives, const char* pszEnd, USB_DEVICE_IDENTITY& identity);
    void MeasureLayout(OUTCOME_LAYOUT& layout);
    void ShowNotFound();
    void ShowBusy(const OUTCOME_LAYOUT& layout);
    void ShowOutcome(const char* pszMessage, const OUTCOME_LAYOUT& layout);
    // String nID formatted with the device name.
    CString FormatWithDeviceName(UINT nID) const;

    DECLARE_MESSAGE_MAP()
};
