#include "DriveEntry.h"

#include "FileOps.h"
#include "PackageFolder.h"
#include "PackageSpace.h"

namespace {

typedef DWORD(WINAPI* FINAL_PATH_PROC)(HANDLE, LPSTR, DWORD, DWORD);

// Since Windows Vista; where it is missing, reparse points are what
// redirects a name, and their attribute shows.
FINAL_PATH_PROC GetFinalPathProc()
{
    const HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    return hKernel ? reinterpret_cast<FINAL_PATH_PROC>(
                         reinterpret_cast<void*>(GetProcAddress(hKernel, "GetFinalPathNameByHandleA")))
                   : nullptr;
}

// True when the handle's final path is strPath itself ("\\?\E:\NAME" for
// "E:\NAME"), compared without case as the drive compares names.
bool IsAtOwnPath(HANDLE hFile, const CString& strPath)
{
    static const FINAL_PATH_PROC pfnFinalPath = GetFinalPathProc();
    if (!pfnFinalPath)
        return true;
    char szFinal[MAX_PATH + 8] = {};
    const DWORD nLength = pfnFinalPath(hFile, szFinal, sizeof szFinal, 0 /* FILE_NAME_NORMALIZED | VOLUME_NAME_DOS */);
    if (nLength == 0 || nLength >= sizeof szFinal)
        return false;
    const CString strExpected = CString("\\\\?\\") + GetFullFilePath(strPath);
    return strExpected.CompareNoCase(szFinal) == 0;
}

bool GetOpenFileInfo(HANDLE hFile, DRIVE_FILE_INFO& info, DWORD& nLinks)
{
    BY_HANDLE_FILE_INFORMATION handleInfo = {};
    if (!GetFileInformationByHandle(hFile, &handleInfo))
        return false;
    info.nBytes = (static_cast<ULONGLONG>(handleInfo.nFileSizeHigh) << 32) | handleInfo.nFileSizeLow;
    info.lastWrite = handleInfo.ftLastWriteTime;
    info.dwAttributes = handleInfo.dwFileAttributes;
    nLinks = handleInfo.nNumberOfLinks;
    return true;
}

}  // namespace

bool GetOpenFileInfo(HANDLE hFile, DRIVE_FILE_INFO& info)
{
    DWORD nLinks = 0;
    return GetOpenFileInfo(hFile, info, nLinks);
}

DRIVE_ENTRY LookAtDriveEntry(const CString& strPath, DRIVE_FILE_INFO* pInfo)
{
    if (!FitsMaxPath(strPath))
        return ENTRY_OTHER;
    WIN32_FIND_DATAA found = {};
    const HANDLE hFind = FindFirstFileA(strPath, &found);
    if (hFind == INVALID_HANDLE_VALUE) {
        const DWORD dwError = GetLastError();
        return dwError == ERROR_FILE_NOT_FOUND || dwError == ERROR_PATH_NOT_FOUND ? ENTRY_NONE : ENTRY_OTHER;
    }
    FindClose(hFind);
    // Attributes only: neither data nor sharing is asked for, so a pipe
    // doesn't block and a file held open elsewhere is still looked at.
    CFileOps& ops = CFileOps::Real();
    const CFileHandle entry(ops, ops.Open(strPath, FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                          FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS));
    DRIVE_FILE_INFO info = {};
    DWORD nLinks = 0;
    if (!entry.IsOpen() || !IsDiskFile(entry.Get()) || !GetOpenFileInfo(entry.Get(), info, nLinks))
        return ENTRY_OTHER;
    const DWORD dwNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if ((info.dwAttributes & dwNotPlain) || nLinks != 1 || !IsAtOwnPath(entry.Get(), strPath))
        return ENTRY_OTHER;
    if (pInfo) {
        *pInfo = info;
        pInfo->strName = found.cFileName;
    }
    return ENTRY_PLAIN_FILE;
}

bool IsNameInTheWay(const char* pszDriveRoot, const CString& strName)
{
    const CString strFinal = CString(pszDriveRoot) + strName;
    return FitsMaxPath(strFinal) && LookAtDriveEntry(strFinal) == ENTRY_OTHER;
}
