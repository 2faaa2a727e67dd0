#include "UpdateDlg.h"

#include "resource.h"

CUpdateDlg::CUpdateDlg(CWnd* pParent)
    : CDialog(IDD_UPDATE_DIALOG, pParent),
      m_hIcon(LoadIconA(AfxFindResourceHandle(MAKEINTRESOURCEA(IDI_UPDATE_ICON), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */),
                        MAKEINTRESOURCEA(IDI_UPDATE_ICON))),
      m_bRetry(0)
{
    m_strDeviceName.LoadString(IDS_DEFAULT_DEVICE_NAME);
}

int CUpdateDlg::ScanAndUpdate()
{
    return 0;
}
