// Firmware package transfer of CUpdateDlg: measure the package, check the
// drive's free space, copy the package's files flat into the drive's root
// as one unit (CStagedCopy).
#include "UpdateDlg.h"

#include "ModuleFolder.h"
#include "PackageFolder.h"
#include "PackageSpace.h"
#include "StagedCopy.h"

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

int AddFileBytes(const CString& strPath, const CString&, void* pContext)
{
    ULONGLONG& nTotal = *static_cast<ULONGLONG*>(pContext);
    const ULONGLONG nBytes = GetFileBytes(strPath);
    nTotal = nTotal + nBytes < nTotal ? ~0ULL : nTotal + nBytes;
    return 1;
}

// The whole package in 64 bits, so that 4 GiB and more are counted as such.
ULONGLONG MeasurePackage(const char* pszSection)
{
    ULONGLONG nTotal = 0;
    CString strProgramFolder;
    if (GetModuleFolder(strProgramFolder))
        WalkPackageFiles(strProgramFolder, pszSection, AddFileBytes, &nTotal);
    return nTotal;
}

bool IsUsableRoot(const char* pszDriveRoot)
{
    return pszDriveRoot != nullptr && strnlen(pszDriveRoot, MAX_PATH) < MAX_PATH;
}

}  // namespace

DWORD CUpdateDlg::GetPackageSize()
{
    const ULONGLONG nTotal = MeasurePackage(m_strSection);
    return nTotal > 0xFFFFFFFFULL ? 0xFFFFFFFFUL : static_cast<DWORD>(nTotal);
}

int CUpdateDlg::HasRoomForPackage(const char* pszDriveRoot)
{
    if (!IsUsableRoot(pszDriveRoot))
        return 0;
    ULARGE_INTEGER freeBytes = {};
    if (!GetDiskFreeSpaceExA(pszDriveRoot, &freeBytes, nullptr, nullptr)) {
        GetLastError();  // the reason is not reported: no free space is known
        freeBytes.QuadPart = 0;
    }
    // In allocation units: see PackageSpace.h for why the staged copy then fits.
    CString strProgramFolder;
    if (!GetModuleFolder(strProgramFolder))
        return 1;  // no package can be found: it takes no room (the copy then fails)
    return PackageFitsOnDrive(strProgramFolder, m_strSection, pszDriveRoot, freeBytes.QuadPart);
}

int CUpdateDlg::CopyPackageToDrive(const char* pszDriveRoot)
{
    if (!IsUsableRoot(pszDriveRoot))
        return 0;
    CString strProgramFolder;
    if (!GetModuleFolder(strProgramFolder))
        return 0;  // no package can be found
    CStagedCopy copy(pszDriveRoot);
    return copy.AddPackage(strProgramFolder, m_strSection) > 0 ? copy.Run() : 0;
}
