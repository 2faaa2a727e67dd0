// CUpdateDlg: the program's only main window. It runs the update engine's
// steps and shows what they decide: the busy layout while the package is
// checked and copied, then the outcome's message and button. The update
// operations it names forward to its engine, which holds the matched
// section and the device's display name.
#pragma once

#include "Afx.h"
#include "UpdateEngine.h"

// The system-menu command that opens the About box.
#define IDM_ABOUT 0x0010

class CUpdateDlg : public CDialog
{
public:
    explicit CUpdateDlg(CWnd* pParent = nullptr);

    // The whole update, from the drive list to one outcome; 1 for Updated.
    int ScanAndUpdate();

    // Who hears of the events of every scan (the log); null: nobody.
    void SetObserver(CUpdateObserver* pObserver) { m_engine.SetObserver(pObserver); }

    // The engine's matching, version gate and package operations (see
    // CUpdateEngine).
    int FindConfigSection(USB_DEVICE_IDENTITY identity) { return m_engine.FindConfigSection(identity); }
    int IsVersionAccepted(USB_DEVICE_IDENTITY identity) { return m_engine.IsVersionAccepted(identity); }
    DWORD GetPackageSize() { return m_engine.GetPackageSize(); }
    int HasRoomForPackage(const char* pszDriveRoot) { return m_engine.HasRoomForPackage(pszDriveRoot); }
    int CopyPackageToDrive(const char* pszDriveRoot) { return m_engine.CopyPackageToDrive(pszDriveRoot); }

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
    CUpdateEngine m_engine;
    // The engine's: the matched section, and the device name that the
    // caption and every message show.
    CString& m_strSection;
    CString& m_strDeviceName;

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

    void MeasureLayout(OUTCOME_LAYOUT& layout);
    void ShowNotFound();
    void ShowBusy(const OUTCOME_LAYOUT& layout);
    void ShowOutcome(const char* pszMessage, const OUTCOME_LAYOUT& layout);
    // String nID formatted with the device name.
    CString FormatWithDeviceName(UINT nID) const;

    DECLARE_MESSAGE_MAP()
};
