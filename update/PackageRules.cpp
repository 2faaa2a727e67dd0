#include "PackageRules.h"

#include "PackageFolder.h"

#include <cwchar>
#include <string>

namespace {

struct PACKAGE_JUDGE
{
    PACKAGE_NAME_SET seen;
    std::vector<PACKAGE_REFUSAL>* pRefusals;
    int nRefused;
};

// Windows reads the base of a name up to its first dot (or colon), without
// the blanks at its end, for a device.
const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
// The digits after COM and LPT: 1 to 9 and Latin-1's superscript 1, 2, 3.
const wchar_t kDeviceDigits[] = L"123456789\u00B9\u00B2\u00B3";

std::wstring WideName(const char* pszName)
{
    const int nWide = MultiByteToWideChar(CP_ACP, 0, pszName, -1, nullptr, 0);
    if (nWide <= 1)
        return std::wstring();
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pszName, -1, &strWide[0], nWide);
    strWide.resize(static_cast<size_t>(nWide - 1));
    return strWide;
}

// The name as the ANSI listing shows it: a character the code page lacks
// as '?', or as a look-alike where it has one.
CString ListedName(const wchar_t* pszName)
{
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, pszName, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 1)
        return CString();
    std::string strName(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, pszName, -1, &strName[0], nBytes, nullptr, nullptr);
    return CString(strName.c_str());
}

// True when the ANSI code page holds every character of the name as
// itself, so that the narrow name opens this very file.
bool IsHeldByCodePage(const wchar_t* pszName)
{
    // UTF-8 (a code page Windows 10 offers as ANSI) holds every character,
    // and refuses the flag and the default.
    if (GetACP() == CP_UTF8)
        return true;
    BOOL bDefaulted = FALSE;
    const int nBytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, pszName, -1, nullptr, 0, nullptr, &bDefaulted);
    return nBytes > 0 && !bDefaulted;
}

// One wide listing of a folder; the search is closed with it.
class CWideListing
{
public:
    explicit CWideListing(const std::wstring& strPattern)
        : m_found(), m_hFind(FindFirstFileW(strPattern.c_str(), &m_found)), m_bCurrent(m_hFind != INVALID_HANDLE_VALUE)
    {}
    ~CWideListing()
    {
        if (m_hFind != INVALID_HANDLE_VALUE)
            FindClose(m_hFind);
    }
    CWideListing(const CWideListing&) = delete;
    CWideListing& operator=(const CWideListing&) = delete;

    // The current entry; null after the last.
    const WIN32_FIND_DATAW* Current() const { return m_bCurrent ? &m_found : nullptr; }
    void Next() { m_bCurrent = FindNextFileW(m_hFind, &m_found); }

private:
    WIN32_FIND_DATAW m_found;
    HANDLE m_hFind;
    BOOL m_bCurrent;
};

// Judges the files of the package folder by their wide names: the ANSI
// listing that the walk and the copy use shows a name the code page lacks
// as something else. The same entries as WalkPackageFiles: not "." or
// "..", no folder. Returns how many files it judged.
int JudgeListedFiles(const CString& strFolder, PACKAGE_JUDGE& judge)
{
    CString strPattern;
    if (!BuildPackagePattern(strFolder, strPattern))
        return 0;
    int nFiles = 0;
    for (CWideListing listing(WideName(strPattern)); listing.Current(); listing.Next()) {
        const WIN32_FIND_DATAW& found = *listing.Current();
        const std::wstring strName = found.cFileName;
        if (strName == L"." || strName == L".." || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        ++nFiles;
        const char* pszReason = JudgePackageFileName(found.cFileName, judge.seen);
        if (!pszReason)
            continue;
        ++judge.nRefused;
        if (judge.pRefusals)
            judge.pRefusals->push_back(PACKAGE_REFUSAL{ListedName(found.cFileName), pszReason});
    }
    return nFiles;
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

bool EndsInDotOrBlank(const wchar_t* pszName)
{
    const size_t nLength = std::wcslen(pszName);
    return nLength > 0 && (pszName[nLength - 1] == L'.' || pszName[nLength - 1] == L' ');
}

bool EndsInDotOrBlank(const char* pszName)
{
    return EndsInDotOrBlank(WideName(pszName).c_str());
}

bool IsDeviceName(const wchar_t* pszName)
{
    std::wstring strBase(pszName, std::wcscspn(pszName, L".:"));
    strBase.erase(strBase.find_last_not_of(L' ') + 1);
    CharUpperBuffW(&strBase[0], static_cast<DWORD>(strBase.size()));
    for (const wchar_t* pszDevice : kDevices) {
        if (strBase == pszDevice)
            return true;
    }
    const bool bNumbered = strBase.size() == 4 && std::wcschr(kDeviceDigits, strBase[3]);
    return bNumbered && (strBase.compare(0, 3, L"COM") == 0 || strBase.compare(0, 3, L"LPT") == 0);
}

bool IsDeviceName(const char* pszName)
{
    return IsDeviceName(WideName(pszName).c_str());
}

bool HasStagingNames(int nFiles)
{
    return nFiles <= (kStagingNameCount - 1) / 2;
}

int JudgeFileCount(int nFiles, std::vector<PACKAGE_REFUSAL>* pRefusals)
{
    if (HasStagingNames(nFiles))
        return 0;
    CString strReason;
    strReason.Format("%d files, more than %d: the copy takes two of its %d temporary names for each file (the new "
                     "file and the old one it replaces) and one for its journal",
                     nFiles, (kStagingNameCount - 1) / 2, kStagingNameCount);
    if (pRefusals)
        pRefusals->push_back(PACKAGE_REFUSAL{CString(), strReason});
    return 1;
}

const char* JudgePackageFileName(const wchar_t* pszName, PACKAGE_NAME_SET& seen)
{
    if (IsDeviceName(pszName))
        return "named like a device (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1 to COM9, LPT1 to LPT9, also with "
               "blanks before the extension)";
    if (EndsInDotOrBlank(pszName))
        return "the name ends in a dot or a blank";
    if (!IsHeldByCodePage(pszName))
        return "the ANSI code page can't hold the name";
    std::wstring strUpper = pszName;
    CharUpperBuffW(&strUpper[0], static_cast<DWORD>(strUpper.size()));
    if (!seen.insert(strUpper).second)
        return "another file of the package bears the same name but for case";
    return nullptr;
}

int JudgePackage(const char* pszProgramFolder, const char* pszSection, std::vector<PACKAGE_REFUSAL>* pRefusals)
{
    PACKAGE_JUDGE judge = {PACKAGE_NAME_SET(), pRefusals, 0};
    CString strFolder;
    if (!LocatePackageFolder(pszProgramFolder, pszSection, strFolder))
        return 0;
    const int nFiles = JudgeListedFiles(strFolder, judge);
    return judge.nRefused + JudgeFileCount(nFiles, pRefusals);
}

const char* JudgePackageFileName(const char* pszName, PACKAGE_NAME_SET& seen)
{
    return JudgePackageFileName(WideName(pszName).c_str(), seen);
}
