#include "PackageSpace.h"

#include "AfxFileFind.h"
#include "PackageFolder.h"
#include "StagedCopy.h"

namespace {

struct PACKAGE_SPACE_CONTEXT
{
    ULONGLONG nUnit;
    ULONGLONG nTotal;
};

ULONGLONG FileBytes(const CString& strPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!FitsMaxPath(strPath) || !GetFileAttributesExA(strPath, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void AddUnits(PACKAGE_SPACE_CONTEXT& space, ULONGLONG nBytes)
{
    const ULONGLONG nUnits = nBytes / space.nUnit + (nBytes % space.nUnit ? 1 : 0);
    const ULONGLONG nRounded = nUnits > ~0ULL / space.nUnit ? ~0ULL : nUnits * space.nUnit;
    space.nTotal = nRounded > ~0ULL - space.nTotal ? ~0ULL : space.nTotal + nRounded;
}

int AddFileUnits(const CString& strPath, const CString&, void* pContext)
{
    AddUnits(*static_cast<PACKAGE_SPACE_CONTEXT*>(pContext), FileBytes(strPath));
    return 1;
}

}  // namespace

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

ULONGLONG MeasurePackageOnDrive(const char* pszProgramFolder, const char* pszSection, const char* pszDriveRoot)
{
    PACKAGE_SPACE_CONTEXT space = {GetAllocationUnit(pszDriveRoot), 0};
    WalkPackageFiles(pszProgramFolder, pszSection, AddFileUnits, &space);
    return space.nTotal;
}

ULONGLONG MeasureStaleTemps(const char* pszDriveRoot)
{
    const CString strPattern = CString(pszDriveRoot) + CStagedCopy::GetStagingSearchPattern();
    if (!FitsMaxPath(strPattern))
        return 0;
    PACKAGE_SPACE_CONTEXT space = {GetAllocationUnit(pszDriveRoot), 0};
    CFileFind finder;
    BOOL bMore = finder.FindFile(strPattern);
    while (bMore) {
        bMore = finder.FindNextFile();
        if (!finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) && CStagedCopy::IsStagingName(finder.GetFileName()))
            AddUnits(space, FileBytes(finder.GetFilePath()));
    }
    finder.Close();
    return space.nTotal;
}

int PackageFitsOnDrive(const char* pszProgramFolder, const char* pszSection, const char* pszDriveRoot,
                       ULONGLONG nFreeBytes, ULONGLONG* pnOnDrive)
{
    const ULONGLONG nStale = MeasureStaleTemps(pszDriveRoot);
    const ULONGLONG nFree = nStale > ~0ULL - nFreeBytes ? ~0ULL : nFreeBytes + nStale;
    const ULONGLONG nOnDrive = MeasurePackageOnDrive(pszProgramFolder, pszSection, pszDriveRoot);
    if (pnOnDrive)
        *pnOnDrive = nOnDrive;
    return nFree >= nOnDrive ? 1 : 0;
}
