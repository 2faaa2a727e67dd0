// Device matching and the version gate of CUpdateDlg.
#include "UpdateDlg.h"

#include "UpdateCfg.h"

int CUpdateDlg::FindConfigSection(USB_DEVICE_IDENTITY identity)
{
    CUpdateCfg cfg;
    CString strProduct;
    CString strVendor;
    strProduct.Format("0x%04X", identity.idProduct);
    strVendor.Format("0x%04X", identity.idVendor);
    OutputDebugStringA(strProduct);

    CStringArray arrSections;
    cfg.GetSectionNames(arrSections);
    for (int i = 0; i < arrSections.GetSize(); ++i) {
        const CString& strName = arrSections[i];
        CString strValue;
        if (!cfg.ReadDeviceID(strName, strValue) || strValue.CompareNoCase(strProduct) != 0)
            continue;
        cfg.ReadVendorID(strName, strValue);
        if (strValue.CompareNoCase(strVendor) != 0)
            continue;
        m_strSection = strName;
        cfg.ReadDeviceName(m_strSection, m_strDeviceName);
        return 1;
    }
    return 0;
}

int CUpdateDlg::IsVersionAccepted(USB_DEVICE_IDENTITY identity)
{
    CUpdateCfg cfg;
    CString strVersion;
    cfg.ReadVersion(m_strSection, strVersion);
    if (strVersion.IsEmpty())
        return 1;
    CString strRelease;
    strRelease.Format("%04X", identity.bcdDevice);
    return strRelease.CompareNoCase(strVersion) > 0 ? 0 : 1;
}
