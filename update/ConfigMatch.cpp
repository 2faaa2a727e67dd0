// Device matching and the version gate of the update engine.
#include "UpdateEngine.h"

#include "PackageRules.h"
#include "UpdateCfg.h"

int CUpdateEngine::FindConfigSection(USB_DEVICE_IDENTITY identity)
{
    CUpdateCfg cfg = OpenCfg();
    CString strProduct;
    strProduct.Format("0x%04X", identity.idProduct);
    OutputDebugStringA(strProduct);

    CStringArray arrSections;
    cfg.GetSectionNames(arrSections);
    for (int i = 0; i < arrSections.GetSize(); ++i) {
        const CString& strName = arrSections[i];
        CString strValue;
        if (!cfg.ReadDeviceID(strName, strValue) || !IsIdTextMatch(strValue, identity.idProduct))
            continue;
        cfg.ReadVendorID(strName, strValue);
        if (!IsIdTextMatch(strValue, identity.idVendor))
            continue;
        m_strSection = strName;
        cfg.ReadDeviceName(m_strSection, m_strDeviceName);
        return 1;
    }
    return 0;
}

int CUpdateEngine::IsVersionAccepted(USB_DEVICE_IDENTITY identity)
{
    CUpdateCfg cfg = OpenCfg();
    CString strVersion;
    cfg.ReadVersion(m_strSection, strVersion);
    CString strRelease;
    strRelease.Format("%04X", identity.bcdDevice);
    if (strVersion.IsEmpty()) {
        Report("Version: section [%s] names no Version, so release %s is accepted",
               static_cast<const char*>(m_strSection), static_cast<const char*>(strRelease));
        return 1;
    }
    const int bAccepted = IsReleaseAccepted(strVersion, identity.bcdDevice) ? 1 : 0;
    Report("Version: device release %s, Version %s of section [%s]: %s", static_cast<const char*>(strRelease),
           static_cast<const char*>(strVersion), static_cast<const char*>(m_strSection),
           bAccepted ? "accepted" : "refused, the device's release is newer");
    return bAccepted;
}

CString CUpdateEngine::ReadSectionVersion() const
{
    CString strVersion;
    OpenCfg().ReadVersion(m_strSection, strVersion);
    return strVersion;
}
