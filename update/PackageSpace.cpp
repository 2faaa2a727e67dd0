#include "PackageSpace.h"

#include "PackageFolder.h"

namespace {

struct PACKAGE_LIST_CONTEXT
{
    CString strLeaveOut;  // full path, empty for none
    PACKAGE_FILE_LIST* pFiles;
    bool bMeasure;
};

int AddListedFile(const CString& strPath, const CString& strName, void* pContext)
{
    PACKAGE_LIST_CONTEXT& list = *static_cast<PACKAGE_LIST_CONTEXT*>(pContext);
    if (!list.strLeaveOut.IsEmpty() && GetFullFilePath(strPath).CompareNoCase(list.strLeaveOut) == 0)
        return 1;
    list.pFiles->push_back(PACKAGE_FILE{strPath, strName, list.bMeasure ? GetPackageFileBytes(strPath) : 0});
    return 1;
}

ULONGLONG AddWithoutWrap(ULONGLONG nTotal, ULONGLONG nMore)
{
    return nMore > ~0ULL - nTotal ? ~0ULL : nTotal + nMore;
}

ULONGLONG RoundToUnits(ULONGLONG nBytes, ULONGLONG nUnit)
{
    const ULONGLONG nUnits = nBytes / nUnit + (nBytes % nUnit ? 1 : 0);
    return nUnits > ~0ULL / nUnit ? ~0ULL : nUnits * nUnit;
}

}  // namespace

CString GetFullFilePath(const CString& strPath)
{
    char szFull[MAX_PATH] = {};
    const DWORD nLength = FitsMaxPath(strPath) ? GetFullPathNameA(strPath, MAX_PATH, szFull, nullptr) : 0;
    return nLength > 0 && nLength < MAX_PATH ? CString(szFull) : strPath;
}

int ListPackageFiles(const char* pszProgramFolder, const char* pszSection, const char* pszLeaveOut,
                     PACKAGE_FILE_LIST& files)
{
    files.clear();
    PACKAGE_LIST_CONTEXT list = {pszLeaveOut && *pszLeaveOut ? GetFullFilePath(pszLeaveOut) : CString(), &files, true};
    WalkPackageFiles(pszProgramFolder, pszSection, AddListedFile, &list);
    return static_cast<int>(files.size());
}

int ListPackageNames(const char* pszProgramFolder, const char* pszSection, PACKAGE_FILE_LIST& files)
{
    files.clear();
    PACKAGE_LIST_CONTEXT list = {CString(), &files, false};
    WalkPackageFiles(pszProgramFolder, pszSection, AddListedFile, &list);
    return static_cast<int>(files.size());
}

ULONGLONG SumPackageBytes(const PACKAGE_FILE_LIST& files)
{
    ULONGLONG nTotal = 0;
    for (const PACKAGE_FILE& file : files)
        nTotal = AddWithoutWrap(nTotal, file.nBytes);
    return nTotal;
}

ULONGLONG GetAllocationUnit(const char* pszDriveRoot)
{
    // GetDiskFreeSpaceA wants the volume's root; the drive root handed in
    // may be a folder on it.
    char szVolume[MAX_PATH] = {};
    if (!GetVolumePathNameA(pszDriveRoot, szVolume, MAX_PATH))
        return 1;
    DWORD nSectorsPerCluster = 0;
    DWORD nBytesPerSector = 0;
    DWORD nFreeClusters = 0;
    DWORD nClusters = 0;
    if (!GetDiskFreeSpaceA(szVolume, &nSectorsPerCluster, &nBytesPerSector, &nFreeClusters, &nClusters))
        return 1;
    const ULONGLONG nUnit = static_cast<ULONGLONG>(nSectorsPerCluster) * nBytesPerSector;
    return nUnit ? nUnit : 1;
}

ULONGLONG MeasurePackageOnDrive(const PACKAGE_FILE_LIST& files, const char* pszDriveRoot)
{
    if (files.empty())
        return 0;
    const ULONGLONG nUnit = GetAllocationUnit(pszDriveRoot);
    ULONGLONG nTotal = 0;
    for (const PACKAGE_FILE& file : files)
        nTotal = AddWithoutWrap(nTotal, RoundToUnits(file.nBytes, nUnit));
    return nTotal;
}

int PackageFitsOnDrive(const PACKAGE_FILE_LIST& files, const char* pszDriveRoot, ULONGLONG nFreeBytes,
                       const PACKAGE_FILE_LIST& freed, ULONGLONG* pnOnDrive)
{
    const ULONGLONG nFree = AddWithoutWrap(nFreeBytes, MeasurePackageOnDrive(freed, pszDriveRoot));
    const ULONGLONG nOnDrive = MeasurePackageOnDrive(files, pszDriveRoot);
    if (pnOnDrive)
        *pnOnDrive = nOnDrive;
    return nFree >= nOnDrive ? 1 : 0;
}
