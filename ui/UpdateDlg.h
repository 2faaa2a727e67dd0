// CUpdateDlg: the program's only main window. Besides its window handlers
// it carries the update operations, since they share the matched section
// and the device's display name.
#pragma once

#include "Afx.h"
#include "UsbDeviceIdentity.h"

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

    const CString& GetSection() const { return m_strSection; }
    const CString& GetDeviceName() const { return m_strDeviceName; }

protected:
    HICON m_hIcon;
    int m_bRetry;
    CString m_strSection;
    CString m_strDeviceName;
};
