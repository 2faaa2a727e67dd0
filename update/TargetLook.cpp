// The update engine's look at a target (/list): what an update would end
// in, found without writing anything. The version gate and the space check
// only read, and the package is listed, not copied.
#include "UpdateEngine.h"

#include "PackageSpace.h"
#include "StagedCopy.h"

SCAN_OUTCOME CUpdateEngine::LookAtTarget()
{
    if (!m_bRunOpen)
        return m_outcome;
    // What RecoverDrive would do first, and the room it would leave.
    JOURNAL_LOOK look = {};
    LookAtJournal(m_strDriveRoot, ListPackageNamesOnly(), look);
    ReportJournal(look, true);
    SCAN_OUTCOME outcome = SCAN_UPDATED;
    if (!IsVersionAccepted(m_identity))
        outcome = SCAN_VERSION_REFUSED;
    // Judged by name first, as CheckRoom does: the space check opens every
    // package file, and a file named like a device must never be opened.
    else if (!IsPackageAccepted())
        outcome = SCAN_COPY_FAILED;
    // Hashed whole here: a look only reads, and the copy would hash as it stages.
    else if (!IsPackageListed(true))
        outcome = SCAN_PACKAGE_DAMAGED;
    else if (!MeasureRoom(m_strDriveRoot, look.freed.empty() ? nullptr : &look.freed))
        outcome = SCAN_NO_ROOM;
    else if (!ReportPackageLook(look.recovery))
        outcome = SCAN_COPY_FAILED;
    m_outcome = outcome;
    m_bRunOpen = false;
    Report("%s: an update would end in: %s", static_cast<const char*>(m_strDriveRoot), GetScanOutcomeName(outcome));
    return outcome;
}

// A package without files is what the copy would fail on, and a copy that
// would refuse to start.
int CUpdateEngine::ReportPackageLook(JOURNAL_RECOVERY recovery)
{
    // The list the space check made.
    if (!m_bPackageListed || m_strListedSection != m_strSection)
        ListPackage(m_package);
    const PACKAGE_FILE_LIST& files = m_package;
    const int nFiles = static_cast<int>(files.size());
    if (nFiles == 0) {
        Report("%s: no package: no file in folder %s of the program folder (missing, empty, or not a folder)",
               static_cast<const char*>(m_strDriveRoot), static_cast<const char*>(m_strSection));
        return 0;
    }
    if (!CanCopyStart(recovery))
        return 0;
    if (!IsReporting())
        return 1;
    const ULONGLONG nUnit = GetAllocationUnit(m_strDriveRoot);
    ULARGE_INTEGER freeBytes = {};
    if (!GetDiskFreeSpaceExA(m_strDriveRoot, &freeBytes, nullptr, nullptr))
        freeBytes.QuadPart = 0;
    const ULONGLONG nUnits = MeasurePackageOnDrive(files, m_strDriveRoot) / nUnit;
    Report("%s would be updated: package [%s], %llu bytes in %d files, takes %llu of the drive's %llu free "
           "allocation units of %llu bytes",
           static_cast<const char*>(m_strDriveRoot), static_cast<const char*>(m_strSection), SumPackageBytes(files),
           nFiles, nUnits, freeBytes.QuadPart / nUnit, nUnit);
    return 1;
}

// The staged copy's refusals before it writes anything: a journal that a
// recovery leaves on the drive (said with the journal), or a package file's
// name held by something the commit never replaces.
int CUpdateEngine::CanCopyStart(JOURNAL_RECOVERY recovery)
{
    int bStarts = recovery == JOURNAL_FAILED || recovery == JOURNAL_BLOCKED ? 0 : 1;
    for (const PACKAGE_FILE& file : m_package) {
        if (IsNameInTheWay(m_strDriveRoot, file.strName)) {
            Report("%s: %s there is a folder, a link or a pipe, which the copy never replaces: an update would copy "
                   "no file",
                   static_cast<const char*>(m_strDriveRoot), static_cast<const char*>(file.strName));
            bStarts = 0;
        }
    }
    return bStarts;
}
