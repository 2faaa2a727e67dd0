// The update engine's look at a target (/list): what an update would end
// in, found without writing anything. The version gate and the space check
// only read, and the package is listed, not copied.
#include "UpdateEngine.h"

#include "PackageFolder.h"
#include "PackageSpace.h"

namespace {

int AddLookedAtBytes(const CString& strPath, const CString&, void* pContext)
{
    ULONGLONG& nTotal = *static_cast<ULONGLONG*>(pContext);
    const ULONGLONG nBytes = GetPackageFileBytes(strPath);
    nTotal = nTotal + nBytes < nTotal ? ~0ULL : nTotal + nBytes;
    return 1;
}

}  // namespace

SCAN_OUTCOME CUpdateEngine::LookAtTarget()
{
    if (!m_bRunOpen)
        return m_outcome;
    SCAN_OUTCOME outcome = SCAN_UPDATED;
    if (!IsVersionAccepted(m_identity))
        outcome = SCAN_VERSION_REFUSED;
    else if (!HasRoomForPackage(m_strDriveRoot))
        outcome = SCAN_NO_ROOM;
    else if (!ReportPackageLook())
        outcome = SCAN_COPY_FAILED;
    m_outcome = outcome;
    m_bRunOpen = false;
    Report("%s: an update would end in: %s", static_cast<const char*>(m_strDriveRoot), GetScanOutcomeName(outcome));
    return outcome;
}

// A package without files is what the copy would fail on.
int CUpdateEngine::ReportPackageLook()
{
    CString strProgramFolder;
    ULONGLONG nBytes = 0;
    const int nFiles = GetProgramFolder(strProgramFolder)
                           ? WalkPackageFiles(strProgramFolder, m_strSection, AddLookedAtBytes, &nBytes)
                           : 0;
    if (nFiles == 0) {
        Report("%s: no package: no file in folder %s of the program folder (missing, empty, or not a folder)",
               static_cast<const char*>(m_strDriveRoot), static_cast<const char*>(m_strSection));
        return 0;
    }
    if (!IsReporting())
        return 1;
    const ULONGLONG nUnit = GetAllocationUnit(m_strDriveRoot);
    ULARGE_INTEGER freeBytes = {};
    if (!GetDiskFreeSpaceExA(m_strDriveRoot, &freeBytes, nullptr, nullptr))
        freeBytes.QuadPart = 0;
    const ULONGLONG nUnits = MeasurePackageOnDrive(strProgramFolder, m_strSection, m_strDriveRoot) / nUnit;
    Report("%s would be updated: package [%s], %llu bytes in %d files, takes %llu of the drive's %llu free "
           "allocation units of %llu bytes",
           static_cast<const char*>(m_strDriveRoot), static_cast<const char*>(m_strSection), nBytes, nFiles, nUnits,
           freeBytes.QuadPart / nUnit, nUnit);
    return 1;
}
