#include "PackageRules.h"

#include "PackageFolder.h"

#include <cstring>

namespace {

struct PACKAGE_JUDGE
{
    PACKAGE_NAME_SET seen;
    std::vector<PACKAGE_REFUSAL>* pRefusals;
    int nRefused;
};

// The name in upper case, as the drive's file system compares names.
std::wstring UpperName(const char* pszName)
{
    const int nWide = MultiByteToWideChar(CP_ACP, 0, pszName, -1, nullptr, 0);
    if (nWide <= 1)
        return std::wstring();
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pszName, -1, &strWide[0], nWide);
    strWide.resize(static_cast<size_t>(nWide - 1));
    CharUpperBuffW(&strWide[0], static_cast<DWORD>(strWide.size()));
    return strWide;
}

int JudgeFile(const CString&, const CString& strName, void* pContext)
{
    PACKAGE_JUDGE& judge = *static_cast<PACKAGE_JUDGE*>(pContext);
    const char* pszReason = JudgePackageFileName(strName, judge.seen);
    if (pszReason) {
        ++judge.nRefused;
        if (judge.pRefusals)
            judge.pRefusals->push_back(PACKAGE_REFUSAL{strName, pszReason});
    }
    return 1;
}

}  // namespace

bool IsIdTextMatch(const char* pszValue, WORD nId)
{
    CString strId;
    strId.Format("0x%04X", nId);
    return strId.CompareNoCase(pszValue) == 0;
}

bool IsReleaseAccepted(const char* pszVersion, WORD nRelease)
{
    if (!pszVersion || !*pszVersion)
        return true;
    CString strRelease;
    strRelease.Format("%04X", nRelease);
    return strRelease.CompareNoCase(pszVersion) <= 0;
}

bool EndsInDotOrBlank(const char* pszName)
{
    const size_t nBytes = std::strlen(pszName);
    return nBytes > 0 && (pszName[nBytes - 1] == '.' || pszName[nBytes - 1] == ' ');
}

bool IsDeviceName(const char* pszName)
{
    const char* pszDot = std::strchr(pszName, '.');
    const size_t nBase = pszDot ? static_cast<size_t>(pszDot - pszName) : std::strlen(pszName);
    const CString strBase(CString(pszName).Left(static_cast<int>(nBase)));
    for (const char* pszDevice : {"CON", "PRN", "AUX", "NUL"}) {
        if (strBase.CompareNoCase(pszDevice) == 0)
            return true;
    }
    const CString strPrefix = strBase.Left(3);
    return nBase == 4 && (strPrefix.CompareNoCase("COM") == 0 || strPrefix.CompareNoCase("LPT") == 0) &&
           pszName[3] >= '1' && pszName[3] <= '9';
}

bool HasStagingNames(int nFiles)
{
    return nFiles <= kStagingNameCount;
}

const char* JudgePackageFileName(const char* pszName, PACKAGE_NAME_SET& seen)
{
    if (IsDeviceName(pszName))
        return "named like a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9)";
    if (EndsInDotOrBlank(pszName))
        return "the name ends in a dot or a blank";
    if (std::strchr(pszName, '?'))
        return "the ANSI code page can't hold the name";
    if (!seen.insert(UpperName(pszName)).second)
        return "another file of the package bears the same name but for case";
    return nullptr;
}

int JudgePackage(const char* pszProgramFolder, const char* pszSection, std::vector<PACKAGE_REFUSAL>* pRefusals)
{
    PACKAGE_JUDGE judge = {PACKAGE_NAME_SET(), pRefusals, 0};
    const int nFiles = WalkPackageFiles(pszProgramFolder, pszSection, JudgeFile, &judge);
    if (!HasStagingNames(nFiles)) {
        CString strReason;
        strReason.Format("%d files, more than the copy's %d temporary names", nFiles, kStagingNameCount);
        ++judge.nRefused;
        if (pRefusals)
            pRefusals->push_back(PACKAGE_REFUSAL{CString(), strReason});
    }
    return judge.nRefused;
}
