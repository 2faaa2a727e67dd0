#include "SumsCheck.h"

#include "AfxFileFind.h"
#include "PackageSpace.h"
#include "PackageSums.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Folder levels walked below the release folder: a deeper tree is no
// release of ours.
const int kSumsDepth = 16;

void AddFault(const SUMS_FAULT& fault, CCheckReport& report)
{
    CString strPlace = fault.strName;
    CString strText = fault.strWhat;
    if (fault.nLine > 0)
        strText.Format("%s line %d: %s", kSumsName, fault.nLine, static_cast<const char*>(fault.strWhat));
    report.AddError(strPlace, strText + ": the updater refuses the package with Package damaged");
}

// Every file under strFolder\strRelative, names relative to strFolder with
// '/' between folders.
bool ListReleaseFiles(const CString& strFolder, const std::string& strRelative, int nDepth,
                      std::vector<std::string>& names)
{
    if (nDepth > kSumsDepth)
        return false;
    std::string strPattern = std::string(strFolder) + strRelative + "*";
    for (char& ch : strPattern)
        ch = ch == '/' ? '\\' : ch;
    bool bListed = true;
    CFileFind finder;
    BOOL bMore = finder.FindFile(strPattern.c_str());
    while (bMore) {
        bMore = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        const std::string strName = strRelative + static_cast<const char*>(finder.GetFileName());
        if (finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY))
            bListed = ListReleaseFiles(strFolder, strName + "/", nDepth + 1, names) && bListed;
        else if (strName != kSumsName)
            names.push_back(strName);
    }
    return bListed;
}

}  // namespace

void CheckSums(const char* pszFolder, const CStringArray& arrSections, CCheckReport& report)
{
    SUMS_LIST sums;
    ReadSums(pszFolder, sums);
    if (!sums.bPresent) {
        report.AddWarning(kSumsName, "there is none: the updater copies the packages unchecked, and a file damaged "
                                     "in download or lost in extraction reaches the device (PelkinCheck /sums "
                                     "FOLDER writes one)");
        return;
    }
    SUMS_FAULT fault;
    if (GetUntrustedFault(sums, fault) || !CheckCfgSum(pszFolder, sums, fault)) {
        AddFault(fault, report);
        return;
    }
    for (int i = 0; i < arrSections.GetSize(); ++i) {
        PACKAGE_FILE_LIST files;
        ListPackageNames(pszFolder, arrSections[i], files);
        std::vector<SUMS_FAULT> faults;
        if (ApplySectionSums(sums, arrSections[i], files, &faults) == 0)
            HashListedFiles(files, arrSections[i], &faults);
        for (const SUMS_FAULT& each : faults)
            AddFault(each, report);
    }
}

int WriteSums(const char* pszFolder, CString& strWhy)
{
    std::vector<std::string> names;
    if (!ListReleaseFiles(pszFolder, "", 0, names)) {
        strWhy.Format("its folders nest deeper than %d levels", kSumsDepth);
        return 0;
    }
    std::sort(names.begin(), names.end());  // byte for byte, as LC_ALL=C sort
    std::string strText;
    for (const std::string& strName : names) {
        SHA256_DIGEST digest = {};
        std::string strPath = std::string(pszFolder) + strName;
        for (char& ch : strPath)
            ch = ch == '/' ? '\\' : ch;
        if (!HashFile(strPath.c_str(), digest)) {
            strWhy = CString("can't read ") + strName.c_str();
            return 0;
        }
        strText += static_cast<const char*>(FormatDigest(digest));
        strText += "  " + strName + "\n";
    }
    const CString strList = CString(pszFolder) + kSumsName;
    const HANDLE hFile = CreateFileA(strList, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        strWhy = CString("can't create ") + strList;
        return 0;
    }
    DWORD nWritten = 0;
    const BOOL bWritten = WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &nWritten, nullptr);
    const BOOL bClosed = CloseHandle(hFile);
    if (!bWritten || !bClosed || nWritten != strText.size()) {
        strWhy = CString("can't write ") + strList;
        return 0;
    }
    return 1;
}
