#include "PackageJudge.h"

#include "PackageFolder.h"
#include "PackageRules.h"
#include "StagingNames.h"

#include <string>

namespace {

struct PACKAGE_JUDGE
{
    PACKAGE_NAME_SET seen;
    std::vector<PACKAGE_REFUSAL>* pRefusals;
    int nRefused;
};

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

int JudgeFileCount(int nFiles, std::vector<PACKAGE_REFUSAL>* pRefusals)
{
    if (HasStagingNames(nFiles))
        return 0;
    CString strReason;
    strReason.Format("%d files, more than %d: the copy takes two of its %d temporary names for each file (the new "
                     "file and the old one it replaces) and one for its journal",
                     nFiles, static_cast<int>((kStagingNameCount - 1) / 2), static_cast<int>(kStagingNameCount));
    if (pRefusals)
        pRefusals->push_back(PACKAGE_REFUSAL{CString(), strReason});
    return 1;
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
