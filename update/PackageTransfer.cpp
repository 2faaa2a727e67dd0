// Firmware package transfer of the update engine: measure the package,
// check the drive's free space, copy the package's files flat into the
// drive's root.
#include "UpdateEngine.h"

#include "EventText.h"
#include "PackageFolder.h"
#include "UpdateObserver.h"

#include <cstring>

namespace {

// Bytes of one file; 0 when it can't be opened or its size can't be read.
ULONGLONG GetFileBytes(const CString& strPath)
{
    if (!FitsMaxPath(strPath))
        return 0;
    SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
    HANDLE hFile = CreateFileA(strPath, GENERIC_READ, FILE_SHARE_READ, &security, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size = {};
    const BOOL bSized = GetFileSizeEx(hFile, &size);
    CloseHandle(hFile);
    return bSized ? static_cast<ULONGLONG>(size.QuadPart) : 0;
}

ULONGLONG AddBytes(ULONGLONG nTotal, ULONGLONG nBytes)
{
    return nTotal + nBytes < nTotal ? ~0ULL : nTotal + nBytes;
}

int AddFileBytes(const CString& strPath, const CString&, void* pContext)
{
    ULONGLONG& nTotal = *static_cast<ULONGLONG*>(pContext);
    nTotal = AddBytes(nTotal, GetFileBytes(strPath));
    return 1;
}

// The whole package in 64 bits, so that 4 GiB and more are counted as such.
ULONGLONG MeasurePackage(const CString& strProgramFolder, const char* pszSection, int* pnFiles)
{
    ULONGLONG nTotal = 0;
    *pnFiles = WalkPackageFiles(strProgramFolder, pszSection, AddFileBytes, &nTotal);
    return nTotal;
}

struct PACKAGE_COPY_CONTEXT
{
    const char* pszDriveRoot;
    int nFailed;
    CUpdateObserver* pObserver;   // null: nothing to report
    ULONGLONG nBytesDone;
    ULONGLONG nBytesTotal;
};

void ReportFileCopy(PACKAGE_COPY_CONTEXT& copy, const CString& strPath, const CString& strDest, BOOL bCopied,
                    DWORD dwError)
{
    const ULONGLONG nBytes = GetFileBytes(strPath);
    const bool bFits = FitsMaxPath(strPath) && FitsMaxPath(strDest);
    const CString strResult = bCopied ? CString("copied") : !bFits ? CString("failed: the path does not fit 259 characters")
                                                                   : CString("failed, ") + GetErrorText(dwError);
    ReportEvent(copy.pObserver, "Copy: %s, %llu bytes, to %s: %s", static_cast<const char*>(strPath), nBytes,
                static_cast<const char*>(strDest), static_cast<const char*>(strResult));
    copy.nBytesDone = AddBytes(copy.nBytesDone, nBytes);
    copy.pObserver->OnCopyProgress(copy.nBytesDone, copy.nBytesTotal);
}

int CopyFileToRoot(const CString& strPath, const CString& strName, void* pContext)
{
    PACKAGE_COPY_CONTEXT& copy = *static_cast<PACKAGE_COPY_CONTEXT*>(pContext);
    const CString strDest = CString(copy.pszDriveRoot) + strName;
    const BOOL bCopied = FitsMaxPath(strPath) && FitsMaxPath(strDest) && CopyFileA(strPath, strDest, FALSE);
    const DWORD dwError = bCopied ? ERROR_SUCCESS : GetLastError();
    if (!bCopied)
        ++copy.nFailed;
    if (copy.pObserver)
        ReportFileCopy(copy, strPath, strDest, bCopied, dwError);
    return 1;  // a failed copy doesn't stop the transfer
}

bool IsUsableRoot(const char* pszDriveRoot)
{
    return pszDriveRoot != nullptr && strnlen(pszDriveRoot, MAX_PATH) < MAX_PATH;
}

}  // namespace

DWORD CUpdateEngine::GetPackageSize()
{
    CString strProgramFolder;
    int nFiles = 0;
    const ULONGLONG nTotal = GetProgramFolder(strProgramFolder) ? MeasurePackage(strProgramFolder, m_strSection, &nFiles) : 0;
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
    CString strProgramFolder;
    int nFiles = 0;
    m_nPackageBytes = GetProgramFolder(strProgramFolder) ? MeasurePackage(strProgramFolder, m_strSection, &nFiles) : 0;
    const int bRoom = freeBytes.QuadPart >= m_nPackageBytes ? 1 : 0;
    if (IsReporting()) {
        const CString strFree = dwError == ERROR_SUCCESS ? CString("") : " (cannot be read, " + GetErrorText(dwError) + ")";
        Report("Space: %llu bytes free on %s%s; package [%s] holds %llu bytes in %d files: %s", freeBytes.QuadPart,
               pszDriveRoot, static_cast<const char*>(strFree), static_cast<const char*>(m_strSection),
               m_nPackageBytes, nFiles, bRoom ? "room" : "no room");
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
    PACKAGE_COPY_CONTEXT copy = {pszDriveRoot, 0, m_pObserver, 0, m_nPackageBytes};
    const int nFiles = WalkPackageFiles(strProgramFolder, m_strSection, CopyFileToRoot, &copy);
    if (nFiles == 0)
        Report("Copy: no package file in %s%s (missing, empty, or not a folder)",
               static_cast<const char*>(strProgramFolder), static_cast<const char*>(m_strSection));
    return nFiles > 0 && copy.nFailed == 0 ? 1 : 0;
}
