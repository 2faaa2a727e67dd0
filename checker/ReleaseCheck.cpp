#include "ReleaseCheck.h"

#include "ConfigCheck.h"
#include "LanguageCheck.h"
#include "ModuleCheck.h"
#include "PackageFolder.h"
#include "SumsCheck.h"

namespace {

// The full path of the folder, ending in '\', however long; empty when it
// has none.
CString GetFullFolder(const char* pszFolder)
{
    const DWORD nSize = GetFullPathNameA(pszFolder, 0, nullptr, nullptr);
    if (nSize == 0)
        return CString();
    CString strFull;
    const DWORD nLength = GetFullPathNameA(pszFolder, nSize, strFull.GetBuffer(static_cast<int>(nSize)), nullptr);
    strFull.ReleaseBuffer(nLength > 0 && nLength < nSize ? static_cast<int>(nLength) : 0);
    if (!strFull.IsEmpty() && strFull.GetAt(strFull.GetLength() - 1) != '\\')
        strFull += '\\';
    return strFull;
}

bool IsFolder(const char* pszPath)
{
    const DWORD nAttributes = GetFileAttributesA(pszPath);
    return nAttributes != INVALID_FILE_ATTRIBUTES && (nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

int CheckReleaseFolder(const char* pszFolder, const CHECK_OPTIONS& options, CCheckReport& report, CString& strFolder)
{
    strFolder = GetFullFolder(pszFolder);
    if (strFolder.IsEmpty()) {
        strFolder = pszFolder;
        report.AddError(pszFolder, "no such folder");
        return report.GetExitCode();
    }
    // The updater finds its files from its own path, which must fit.
    const CString strProgram = strFolder + "PelkinUpdate.exe";
    if (!FitsMaxPath(strProgram)) {
        CString strText;
        strText.Format("its path is %d characters, more than %d: the updater finds neither Update.cfg nor its "
                       "module there, and ends at once without a window",
                       strProgram.GetLength(), MAX_PATH - 1);
        report.AddError("PelkinUpdate.exe", strText);
        return report.GetExitCode();
    }
    if (!IsFolder(strFolder)) {
        report.AddError(strFolder, "no such folder");
        return report.GetExitCode();
    }
    CheckProgramFiles(strFolder, report);
    CheckLanguageModules(strFolder, report);
    CStringArray arrPackages;
    CheckConfiguration(strFolder, report, arrPackages);
    for (int i = 0; i < arrPackages.GetSize(); ++i)
        CheckPackage(strFolder, arrPackages[i], options.nDriveBytes, report);
    CheckSums(strFolder, arrPackages, report);
    return report.GetExitCode();
}
