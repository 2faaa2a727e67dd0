#include "PackageCheck.h"

#include "AfxFileFind.h"
#include "PackageFolder.h"
#include "PackageJudge.h"
#include "PackageRules.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

const ULONGLONG kFourGiB = 1ULL << 32;
const int kFatNameLimit = 255;     // characters of a long name on FAT
const char kDriveRoot[] = "E:\\";  // any drive root: all are this long
// Folder levels below a package folder whose files are counted; a deeper
// tree is a mistake of its own, and the count of what it holds no matter.
const int kCountDepth = 16;

struct PACKAGE_WALK
{
    const char* pszSection;
    CCheckReport* pReport;
    ULONGLONG nTotal;
    ULONGLONG nLargest;
    std::set<std::string> refused;  // names of files the updater refuses: reported, never opened
};

CString FilePlace(const char* pszSection, const char* pszName)
{
    return SectionPlace(pszSection) + " " + pszSection + "\\" + pszName;
}

CString FolderPlace(const char* pszSection)
{
    return SectionPlace(pszSection) + " " + pszSection + "\\";
}

int CheckPackageFile(const CString& strPath, const CString& strName, void* pContext)
{
    PACKAGE_WALK& walk = *static_cast<PACKAGE_WALK*>(pContext);
    if (walk.refused.count(static_cast<const char*>(strName)))
        return 1;
    CString strText;
    if (!FitsMaxPath(strPath)) {
        strText.Format("its path is %d characters, more than %d: the updater can't copy it, and devices of this "
                       "model get Copy failed",
                       strPath.GetLength(), MAX_PATH - 1);
        walk.pReport->AddError(FilePlace(walk.pszSection, strName), strText);
        return 1;
    }
    if (!FitsDriveRoot(strName)) {
        strText.Format("a name of %d bytes: the drive root and the name don't fit %d characters, so the updater "
                       "can't copy it, and devices of this model get Copy failed",
                       strName.GetLength(), MAX_PATH - 1);
        walk.pReport->AddError(FilePlace(walk.pszSection, strName), strText);
    } else if (!IsFatFileName(strName, &strText)) {
        const CString strWhy = CString("not a valid name on FAT drives (") + strText + ")";
        walk.pReport->AddWarning(FilePlace(walk.pszSection, strName), strWhy + ": its copy to such a drive fails");
    }
    const ULONGLONG nBytes = GetPackageFileBytes(strPath);
    walk.nTotal += nBytes;
    walk.nLargest = nBytes > walk.nLargest ? nBytes : walk.nLargest;
    return 1;
}

// A folder entry the count goes into: a folder itself, not a link or other
// reparse point that leads to one (a link to a folder above would lead the
// count round in circles).
bool IsPlainFolder(const CFileFind& finder)
{
    return finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) && !finder.MatchesMask(FILE_ATTRIBUTE_REPARSE_POINT);
}

// Files anywhere below a folder, as far as its paths fit and kCountDepth
// levels go; links to folders are not followed.
int CountFilesBelow(const CString& strFolder, int nDepth)
{
    CFileFind finder;
    int nFiles = 0;
    BOOL bMore = finder.FindFile(strFolder + "\\*.*");
    while (bMore) {
        bMore = finder.FindNextFile();
        if (finder.IsDots())
            continue;
        if (!finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY))
            ++nFiles;
        else if (IsPlainFolder(finder) && nDepth < kCountDepth)
            nFiles += CountFilesBelow(finder.GetFilePath(), nDepth + 1);
    }
    finder.Close();
    return nFiles;
}

// The walk passes over folders: whatever they hold never reaches the drive.
void CheckSubFolders(const char* pszSection, const CString& strPackage, CCheckReport& report)
{
    CFileFind finder;
    BOOL bMore = finder.FindFile(strPackage + "\\*.*");
    while (bMore) {
        bMore = finder.FindNextFile();
        if (finder.IsDots() || !IsPlainFolder(finder))
            continue;
        const int nFiles = CountFilesBelow(finder.GetFilePath(), 1);
        if (nFiles == 0)
            continue;
        CString strText;
        strText.Format("a sub-folder holding %d file%s: the updater copies only the files directly in %s\\, "
                       "never these",
                       nFiles, nFiles == 1 ? "" : "s", pszSection);
        report.AddWarning(FolderPlace(pszSection) + finder.GetFileName() + "\\", strText);
    }
    finder.Close();
}

void CheckPackageSize(const char* pszSection, const PACKAGE_WALK& walk, ULONGLONG nDriveBytes, CCheckReport& report)
{
    const CString strPackage = CString("a package of ") + FormatCount(walk.nTotal) + " bytes";
    if (walk.nTotal >= kFourGiB) {
        const char* pszFat = walk.nLargest >= kFourGiB ? ", and no FAT32 drive takes a file of 4 GiB or more" : "";
        report.AddWarning(FolderPlace(pszSection),
                          strPackage + ", 4 GiB or more: more than most device drives hold" + pszFat);
    }
    if (walk.nTotal > nDriveBytes) {
        report.AddWarning(FolderPlace(pszSection), strPackage + ", more than a drive of " +
                                                       FormatCount(nDriveBytes / (1024 * 1024)) +
                                                       " MiB holds: the updater reports No room on devices with "
                                                       "such a drive");
    }
}

// The first character FAT refuses, walked as multibyte text so that the
// trail byte of a double-byte character is never taken for one; 0 if none.
char FindRefusedCharacter(const char* pszName)
{
    for (const char* psz = pszName; *psz; psz = CharNextA(psz)) {
        const unsigned char ch = static_cast<unsigned char>(*psz);
        if (ch < 32 || std::strchr("\\/:*?\"<>|", ch))
            return static_cast<char>(ch);
    }
    return 0;
}

// The files the updater refuses before it copies anything (JudgePackage),
// each an error; their names go to walk.refused.
void CheckRefusals(const char* pszFolder, const char* pszSection, PACKAGE_WALK& walk)
{
    std::vector<PACKAGE_REFUSAL> refusals;
    JudgePackage(pszFolder, pszSection, &refusals);
    for (const PACKAGE_REFUSAL& refusal : refusals) {
        const bool bFile = !refusal.strName.IsEmpty();
        const CString strPlace = bFile ? FilePlace(pszSection, refusal.strName) : FolderPlace(pszSection);
        walk.pReport->AddError(strPlace, refusal.strReason + ": the updater refuses the package before it copies "
                                                             "anything, and devices of this model get Copy failed");
        if (bFile)
            walk.refused.insert(static_cast<const char*>(refusal.strName));
    }
}

}  // namespace

bool FitsDriveRoot(const char* pszName)
{
    return FitsMaxPath(CString(kDriveRoot) + pszName);
}

bool IsFatFileName(const char* pszName, CString* pstrReason)
{
    CString strReason;
    const int nLength = MultiByteToWideChar(CP_ACP, 0, pszName, -1, nullptr, 0) - 1;
    const char chRefused = FindRefusedCharacter(pszName);
    if (nLength > kFatNameLimit)
        strReason.Format("%d characters, more than %d", nLength, kFatNameLimit);
    else if (static_cast<unsigned char>(chRefused) >= 32)
        strReason.Format("it holds '%c'", chRefused);
    else if (chRefused)
        strReason = "it holds a control character";
    else if (EndsInDotOrBlank(pszName))
        strReason = "it ends in a dot or a blank";
    else if (IsDeviceName(pszName))
        strReason = "a device name";
    if (pstrReason)
        *pstrReason = strReason;
    return strReason.IsEmpty();
}

void CheckPackage(const char* pszFolder, const char* pszSection, ULONGLONG nDriveBytes, CCheckReport& report)
{
    const CString strPackage = CString(pszFolder) + pszSection;
    CString strPattern;
    CString strText;
    if (!BuildPackagePattern(strPackage, strPattern)) {
        strText.Format("its search pattern %s\\*.* is %d characters, more than %d: the updater finds no file in "
                       "it, and devices of this model get Copy failed",
                       pszSection, strPattern.GetLength(), MAX_PATH - 1);
        report.AddError(FolderPlace(pszSection), strText);
        return;
    }
    CString strFound;
    if (!LocatePackageFolder(pszFolder, pszSection, strFound)) {
        report.AddError(FolderPlace(pszSection), "firmware folder missing: devices of this model get Copy failed");
        return;
    }
    if (!(GetFileAttributesA(strFound) & FILE_ATTRIBUTE_DIRECTORY)) {
        report.AddError(FolderPlace(pszSection), "a file, not a folder: devices of this model get Copy failed");
        return;
    }
    PACKAGE_WALK walk = {pszSection, &report, 0, 0, {}};
    CheckRefusals(pszFolder, pszSection, walk);
    if (WalkPackageFiles(pszFolder, pszSection, CheckPackageFile, &walk) == 0)
        report.AddError(FolderPlace(pszSection), "holds no file: devices of this model get Copy failed");
    CheckSubFolders(pszSection, strFound, report);
    CheckPackageSize(pszSection, walk, nDriveBytes, report);
}
