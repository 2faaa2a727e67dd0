#include "UpdateCfg.h"

#include "ModuleFolder.h"

#include <cstring>

namespace {

const DWORD kProfileBufferSize = MAX_PATH;  // 260 bytes for a value or the section list

}  // namespace

CUpdateCfg::CUpdateCfg()
{
    BuildCfgPath(m_strCfgPath);
}

CUpdateCfg::CUpdateCfg(const char* pszFolder)
{
    const CString strPath = CString(pszFolder) + "Update.cfg";
    if (strPath.GetLength() < MAX_PATH)
        m_strCfgPath = strPath;
}

CUpdateCfg::~CUpdateCfg() = default;

int CUpdateCfg::BuildCfgPath(CString& strPath)
{
    CString strFolder;
    if (!GetModuleFolder(strFolder))
        return 0;
    strPath = strFolder + "Update.cfg";
    return 1;
}

int CUpdateCfg::GetSectionNames(CStringArray& arrNames)
{
    if (m_strCfgPath.IsEmpty())
        return 1;
    // Two spare zero bytes past what the reader is offered: the walk below
    // always meets a terminator inside the block.
    char buffer[kProfileBufferSize + 2] = {};
    GetPrivateProfileStringA(nullptr, nullptr, "", buffer, kProfileBufferSize, m_strCfgPath);
    const char* pszName = buffer;
    while (pszName < buffer + kProfileBufferSize && *pszName) {
        arrNames.Add(pszName);
        pszName += std::strlen(pszName) + 1;
    }
    return 1;
}

int CUpdateCfg::ReadDeviceID(const char* pszSection, CString& strValue)
{
    return ReadKey(pszSection, "DeviceID", strValue);
}

int CUpdateCfg::ReadDeviceName(const char* pszSection, CString& strValue)
{
    return ReadKey(pszSection, "DeviceName", strValue);
}

int CUpdateCfg::ReadVersion(const char* pszSection, CString& strValue)
{
    return ReadKey(pszSection, "Version", strValue);
}

int CUpdateCfg::ReadVendorID(const char* pszSection, CString& strValue)
{
    return ReadKey(pszSection, "VendorID", strValue);
}

int CUpdateCfg::ReadKey(const char* pszSection, const char* pszKey, CString& strValue)
{
    m_strSection = pszSection;
    char buffer[kProfileBufferSize + 1] = {};
    if (!m_strCfgPath.IsEmpty())
        GetPrivateProfileStringA(m_strSection, pszKey, "", buffer, kProfileBufferSize, m_strCfgPath);
    strValue = buffer;
    return strValue.IsEmpty() ? 0 : 1;
}
