// Firmware package transfer of the update engine: list and measure the
// package once, check the drive's free space, copy the listed files flat
// into the drive's root as one unit (CStagedCopy).
#include "UpdateEngine.h"

#include "EventText.h"
#include "FileOps.h"
#include "PackageFolder.h"
#include "StagedCopy.h"
#include "StagingNames.h"
#include "UpdateObserver.h"

#include <cstring>

namespace {

bool IsUsableRoot(const char* pszDriveRoot)
{
    return pszDriveRoot != nullptr && strnlen(pszDriveRoot, MAX_PATH) < MAX_PATH;
}

void ForwardProgress(ULONGLONG nDone, ULONGLONG nTotal, void* pContext)
{
    static_cast<CUpdateObserver*>(pContext)->OnCopyProgress(nDone, nTotal);
}

// What a recovery does with the journal it found; bWould: as /list says it.
const char* GetJournalText(JOURNAL_RECOVERY recovery, bool bWould)
{
    switch (recovery) {
    case JOURNAL_UNDONE:
        return bWould ? "an update would undo the commit first" : "the commit is undone, its old files are back";
    case JOURNAL_FINISHED:
        return bWould ? "an update would finish the commit first"
                      : "the commit was through, its set-aside old files are removed";
    case JOURNAL_DISCARDED:
        return bWould ? "it lists no commit that moved a file, and an update would remove it first"
                      : "it lists no commit that moved a file (it was cut off while it was written, or the updater "
                        "never wrote it), and is removed; no other file is touched";
    default:
        return bWould ? "it can't be carried out, so an update would copy no file"
                      : "it can't be carried out now, and stays; no file is copied";
    }
}

}  // namespace

DWORD CUpdateEngine::GetPackageSize()
{
    PACKAGE_FILE_LIST files;
    ListPackage(files);
    // Summed in 64 bits, so that 4 GiB and more are counted as such.
    const ULONGLONG nTotal = SumPackageBytes(files);
    return nTotal > 0xFFFFFFFFULL ? 0xFFFFFFFFUL : static_cast<DWORD>(nTotal);
}

int CUpdateEngine::HasRoomForPackage(const char* pszDriveRoot)
{
    return MeasureRoom(pszDriveRoot, nullptr);
}

int CUpdateEngine::MeasureRoom(const char* pszDriveRoot, const PACKAGE_FILE_LIST* pFreedFirst)
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
    if (!GetProgramFolder(strProgramFolder)) {
        Report("Space: the program's own folder is unknown, so the package takes no room");
        return 1;  // the copy then fails
    }
    // The list the copy then takes, so that it copies what was measured.
    ListPackage(m_package);
    m_strListedSection = m_strSection;
    m_bPackageListed = true;
    // In allocation units: see PackageSpace.h for why the staged copy then fits.
    ULONGLONG nOnDrive = 0;
    PACKAGE_FILE_LIST leftovers;
    if (!pFreedFirst)
        ListLeftoverTemps(m_pFileOps ? *m_pFileOps : CFileOps::Real(), pszDriveRoot, m_package, leftovers, nullptr);
    const int bRoom = PackageFitsOnDrive(m_package, pszDriveRoot, freeBytes.QuadPart,
                                         pFreedFirst ? *pFreedFirst : leftovers, &nOnDrive);
    if (IsReporting()) {
        const CString strFree =
            dwError == ERROR_SUCCESS ? CString("") : " (cannot be read, " + GetErrorText(dwError) + ")";
        Report("Space: %llu bytes free on %s%s; package [%s] holds %llu bytes in %d files, %llu bytes in whole "
               "allocation units of the drive: %s",
               freeBytes.QuadPart, pszDriveRoot, static_cast<const char*>(strFree),
               static_cast<const char*>(m_strSection), SumPackageBytes(m_package), static_cast<int>(m_package.size()),
               nOnDrive, bRoom ? "room" : "no room");
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
    PACKAGE_FILE_LIST files;
    if (m_bPackageListed && m_strListedSection == m_strSection)
        files.swap(m_package);
    else
        ListPackage(files);
    m_bPackageListed = false;
    if (files.empty()) {
        Report("Copy: no package file in %s%s (missing, empty, or not a folder)",
               static_cast<const char*>(strProgramFolder), static_cast<const char*>(m_strSection));
        return 0;
    }
    // The digests the staging compares with; the folder may have changed
    // since the space check looked.
    if (!ArePackageFilesListed(files, false))
        return 0;
    CStagedCopy copy(pszDriveRoot, m_pFileOps);
    copy.AddPackage(files);
    if (m_pObserver)
        copy.SetProgress(ForwardProgress, m_pObserver);
    int bCopied = copy.Stage();
    if (bCopied) {
        ReleaseLogBeforeCommit(files, pszDriveRoot);
        bCopied = copy.Commit();
    }
    ReportCopiedFiles(copy, files, pszDriveRoot);
    CString strWhat;
    const int nDamaged = copy.FindDamagedFile(strWhat);
    if (nDamaged >= 0) {
        const PACKAGE_FILE& file = files[static_cast<size_t>(nDamaged)];
        ReportDamage(SUMS_FAULT{m_strSection + "/" + file.strName, file.nSumLine, strWhat});
    }
    return bCopied;
}

int CUpdateEngine::ListPackage(PACKAGE_FILE_LIST& files) const
{
    CString strProgramFolder;
    if (!GetProgramFolder(strProgramFolder)) {
        files.clear();
        return 0;
    }
    // The run's own log may have been put in the firmware folder: it is no
    // firmware, and it is held open.
    const char* pszLog = m_pObserver ? m_pObserver->GetFilePath() : nullptr;
    return ListPackageFiles(strProgramFolder, m_strSection, pszLog, files);
}

void CUpdateEngine::ReportJournal(const JOURNAL_LOOK& look, bool bWould) const
{
    if (look.recovery == JOURNAL_NONE || !IsReporting())
        return;
    CString strLine;
    if (look.recovery == JOURNAL_BLOCKED) {
        strLine.Format("%s%s%s stands where the commit keeps its journal, and the updater did not write it (a folder, "
                       "a link, a pipe, or a file of that name in another case): %s; remove or rename it, then "
                       "update again",
                       bWould ? "" : "Copy: ", static_cast<const char*>(m_strDriveRoot),
                       static_cast<const char*>(GetStagingName(kJournalNumber)),
                       bWould ? "an update would copy no file" : "no file is copied");
    } else {
        strLine.Format("%s%s holds the journal of a copy that was cut off: %s",
                       bWould ? "" : "Copy: ", static_cast<const char*>(m_strDriveRoot),
                       GetJournalText(look.recovery, bWould));
    }
    CString strMore;
    if (look.nLeftAlone > 0) {
        strMore.Format("; %d of its names %s left alone, as they hold what the commit did not put there or are no "
                       "plain files of the drive",
                       look.nLeftAlone, bWould ? "would be" : "are");
        strLine += strMore;
    }
    if (look.nLeftoversRemoved > 0) {
        strMore.Format("; %d files that copy staged are removed", look.nLeftoversRemoved);
        strLine += strMore;
    }
    Report("%s", static_cast<const char*>(strLine));
}

// The log written on the drive under a package file's name would stand in
// the commit's way: it ends before the commit, saying why.
void CUpdateEngine::ReleaseLogBeforeCommit(const PACKAGE_FILE_LIST& files, const char* pszDriveRoot) const
{
    const char* pszLog = m_pObserver ? m_pObserver->GetFilePath() : nullptr;
    if (!pszLog)
        return;
    for (const PACKAGE_FILE& file : files) {
        if (GetFullFilePath(pszDriveRoot + file.strName).CompareNoCase(pszLog) == 0) {
            CString strWhy;
            strWhy.Format("Copy: the log ends here: the package's %s is moved over it on the drive",
                          static_cast<const char*>(file.strName));
            m_pObserver->ReleaseFile(strWhy);
            return;
        }
    }
}

// The package is replaced whole or not at all: when one file failed, the
// others were not copied either, or were taken back.
void CUpdateEngine::ReportCopiedFiles(const CStagedCopy& copy, const PACKAGE_FILE_LIST& files,
                                      const char* pszDriveRoot) const
{
    if (!IsReporting())
        return;
    if (!copy.GetRunNote().IsEmpty())
        Report("Copy: %s", static_cast<const char*>(copy.GetRunNote()));
    for (int i = 0; i < copy.GetFileCount(); ++i) {
        const PACKAGE_FILE& file = files[static_cast<size_t>(i)];
        Report("Copy: %s, %llu bytes, to %s%s: %s", static_cast<const char*>(file.strPath), file.nBytes, pszDriveRoot,
               static_cast<const char*>(file.strName), static_cast<const char*>(copy.GetFileResult(i)));
    }
}
