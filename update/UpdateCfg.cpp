#include "UpdateCfg.h"

#include "AfxModuleFolder.h"

#include <cstring>
#include <string>

namespace {

const DWORD kProfileBufferSize = kCfgValueChars + 1;  // 260 bytes for a value or the section list
const DWORD kWholeReadLimit = 16 * 1024 * 1024;       // no profile file a vendor writes comes near it

// One profile read into a buffer that grows until the platform no longer
// cuts what it hands over: it answers nSize - nCutMark when it had to cut
// (two zero bytes end a cut section list, one a cut value).
bool ReadProfileWhole(const char* pszSection, const char* pszKey, const char* pszFile, DWORD nCutMark,
                      std::string& strBuffer)
{
    for (DWORD nSize = 4096; nSize <= kWholeReadLimit; nSize *= 2) {
        strBuffer.assign(nSize + 2, '\0');
        const DWORD nCopied = GetPrivateProfileStringA(pszSection, pszKey, "", &strBuffer[0], nSize, pszFile);
        if (nCopied + nCutMark < nSize) {
            strBuffer.resize(nCopied);
            return true;
        }
    }
    return false;
}

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
    if (!AfxGetModuleFolder(strFolder))
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

int CUpdateCfg::GetAllSectionNames(CStringArray& arrNames)
{
    std::string strList;
    if (m_strCfgPath.IsEmpty() || !ReadProfileWhole(nullptr, nullptr, m_strCfgPath, 2, strList))
        return 0;
    size_t nAt = 0;
    while (nAt < strList.size() && strList[nAt] != '\0') {
        arrNames.Add(strList.c_str() + nAt);  // c_str() ends the last name in any case
        nAt += std::strlen(strList.c_str() + nAt) + 1;
    }
    return 1;
}

int CUpdateCfg::ReadWholeValue(const char* pszSection, const char* pszKey, CString& strValue)
{
    std::string strRead;
    if (m_strCfgPath.IsEmpty() || !ReadProfileWhole(pszSection, pszKey, m_strCfgPath, 1, strRead))
        return 0;
    strValue = strRead.c_str();
    return 1;
}
