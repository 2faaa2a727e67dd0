// Firmware package transfer of the update engine: measure the package,
// check the drive's free space, copy the package's files flat into the
// drive's root as one unit (CStagedCopy).
#include "UpdateEngine.h"

#include "EventText.h"
#include "PackageFolder.h"
#include "PackageSpace.h"
#include "StagedCopy.h"
#include "UpdateObserver.h"

#include <cstring>

namespace {

int AddFileBytes(const CString& strPath, const CString&, void* pContext)
{
    ULONGLONG& nTotal = *static_cast<ULONGLONG*>(pContext);
    const ULONGLONG nBytes = GetPackageFileBytes(strPath);
    nTotal = nTotal + nBytes < nTotal ? ~0ULL : nTotal + nBytes;
    return 1;
}

// The whole package in 64 bits, so that 4 GiB and more are counted as such.
ULONGLONG MeasurePackage(const CString& strProgramFolder, const char* pszSection, int* pnFiles)
{
    ULONGLONG nTotal = 0;
    *pnFiles = WalkPackageFiles(strProgramFolder, pszSection, AddFileBytes, &nTotal);
    return nTotal;
}

bool IsUsableRoot(const char* pszDriveRoot)
{
    return pszDriveRoot != nullptr && strnlen(pszDriveRoot, MAX_PATH) < MAX_PATH;
}

void ForwardProgress(ULONGLONG nDone, ULONGLONG nTotal, void* pContext)
{
    static_cast<CUpdateObserver*>(pContext)->OnCopyProgress(nDone, nTotal);
}

}  // namespace

DWORD CUpdateEngine::GetPackageSize()
{
    CString strProgramFolder;
    int nFiles = 0;
    const ULONGLONG nTotal =
        GetProgramFolder(strProgramFolder) ? MeasurePackage(strProgramFolder, m_strSection, &nFiles) : 0;
    return nTotal > 0xFFFFFFFFULL ? 0xFFFFFFFFUL : static_cast<DWORD>(nTotal);
}

int CUpdateEngine::HasRoomForPackage(const char* pszDriveRoot)
{
    if (!IsUsableRoot(pszDriveRoot)) {
        Report("Space: the drive root does not fit 259 characters");
        return 0;
    }
    ULARGE_INTEGER freeBytes = {};
    DWORD dwError = ERROR_SUCCESS;
    if (!GetDiskFreeSpaceExA(pszDriveRoot, &freeBytes, nullptr, nullptr)) {
        dwError = GetLastError();  // for the log only: no free space is known
        freeBytes.QuadPart = 0;
    }
    // In allocation units: see PackageSpace.h for why the staged copy then fits.
    CString strProgramFolder;
    if (!GetProgramFolder(strProgramFolder)) {
        Report("Space: the program's own folder is unknown, so the package takes no room");
        return 1;  // the copy then fails
    }
    ULONGLONG nOnDrive = 0;
    const int bRoom = PackageFitsOnDrive(strProgramFolder, m_strSection, pszDriveRoot, freeBytes.QuadPart, &nOnDrive);
    if (IsReporting()) {
        int nFiles = 0;
        const ULONGLONG nBytes = MeasurePackage(strProgramFolder, m_strSection, &nFiles);
        const CString strFree =
            dwError == ERROR_SUCCESS ? CString("") : " (cannot be read, " + GetErrorText(dwError) + ")";
        Report("Space: %llu bytes free on %s%s; package [%s] holds %llu bytes in %d files, %llu bytes in whole "
               "allocation units of the drive: %s",
               freeBytes.QuadPart, pszDriveRoot, static_cast<const char*>(strFree),
               static_cast<const char*>(m_strSection), nBytes, nFiles, nOnDrive, bRoom ? "room" : "no room");
    }
    return bRoom;
}

int CUpdateEngine::CopyPackageToDrive(const char* pszDriveRoot)
{
    if (!IsUsableRoot(pszDriveRoot)) {
        Report("Copy: the drive root does not fit 259 characters");
        return 0;
    }
    CString strProgramFolder;
    if (!GetProgramFolder(strProgramFolder)) {
        Report("Copy: the program's own folder is unknown, so there is no package");
        return 0;
    }
    CStagedCopy copy(pszDriveRoot, m_pFileOps);
    if (copy.AddPackage(strProgramFolder, m_strSection) == 0) {
        Report("Copy: no package file in %s%s (missing, empty, or not a folder)",
               static_cast<const char*>(strProgramFolder), static_cast<const char*>(m_strSection));
        return 0;
    }
    if (m_pObserver)
        copy.SetProgress(ForwardProgress, m_pObserver);
    const int bCopied = copy.Run();
    ReportCopiedFiles(copy, strProgramFolder, pszDriveRoot);
    if (copy.HasDriveGone())
        Report("Copy: the drive %s went away while the files were written; the copy stopped there", pszDriveRoot);
    return bCopied;
}

// The package is replaced whole or not at all: when one file failed to
// stage, the others were not copied either.
void CUpdateEngine::ReportCopiedFiles(const CStagedCopy& copy, const CString& strProgramFolder,
                                      const char* pszDriveRoot) const
{
    if (!IsReporting())
        return;
    for (int i = 0; i < copy.GetFileCount(); ++i) {
        const CString strSource =
            strProgramFolder + static_cast<const char*>(m_strSection) + "\\" + copy.GetFileName(i);
        CString strResult = "copied";
        if (copy.HasFileFailed(i) && copy.GetFileError(i) != ERROR_SUCCESS)
            strResult = "failed, " + GetErrorText(copy.GetFileError(i));
        else if (copy.HasFileFailed(i))
            strResult = "failed: the name does not fit, a folder or read-only file of that name is in the way, "
                        "or the read-back differs";
        else if (!copy.HasFileCommitted(i))
            strResult = "not copied, as another file failed";
        Report("Copy: %s, %llu bytes, to %s%s: %s", static_cast<const char*>(strSource), GetPackageFileBytes(strSource),
               pszDriveRoot, static_cast<const char*>(copy.GetFileName(i)), static_cast<const char*>(strResult));
    }
}
