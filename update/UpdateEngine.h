// CUpdateEngine: one update, from the drive list to one outcome, without any
// window. It holds what crosses the steps (the matched section, which also
// names the firmware folder, the device's display name, the target drive
// and the identity of the device behind it) and performs the steps in order:
//
//     FindTargetDrive   the first removable drive whose USB device matches
//                       a section of Update.cfg (FindNextTargetDrive: the
//                       next one, for a run over every device); with
//                       SHA256SUMS beside Update.cfg, the list is read and
//                       Update.cfg checked against it before any section
//                       is read (see PackageSums.h)
//     RecoverDrive      a commit that an earlier run left cut off on the
//                       target is undone (or finished) and the staged
//                       files it left removed, before anything else: the
//                       steps after it may end the run, and the drive must
//                       not stay half updated (see CommitJournal.h)
//     CheckVersion      the device's release against the section's Version
//     CheckRoom         the package's names judged (a refused package
//                       ends the run with Copy failed, before any file of
//                       it is opened), its files against SHA256SUMS by
//                       name (Package damaged), then the drive's free
//                       space against the package
//     CopyPackage       the package's files into the drive's root, each
//                       hashed as staging reads it: one that differs from
//                       SHA256SUMS ends the run with Package damaged, and
//                       the drive holds what it held
//
// After Updated, EjectDevice asks the host to eject the device (see
// EjectRequest.h).
//
// Each step returns 1 to go on and 0 when the run ended there, with the
// outcome in GetOutcome(); CopyPackage's 1 is the outcome Updated;
// RecoverDrive never ends the run (a journal it can't carry out stays, and
// the copy then refuses to start). Once the run has ended, the later steps
// do nothing and return 0. Run() does all five. The dialog calls the steps one by one and shows a layout
// between them; the unattended run calls Run(). Every step reads
// Update.cfg, the device tree and the package folder anew, except that
// CopyPackage copies the package as CheckRoom listed and measured it.
//
// A run over every device (/all) takes the first target, runs the steps,
// then asks FindNextTargetDrive for the next one and runs them again, until
// the walk reaches the end of the drive list. A look (/list) takes each
// target the same way and asks LookAtTarget instead of the steps: what an
// update would end in, without writing anything.
//
// Threads: the engine keeps no thread of its own and no thread-bound state,
// so CheckRoom and CopyPackage may run on a worker thread once
// FindTargetDrive and CheckVersion have run on another; nothing else may use
// the engine while a step runs, and the observer hears the step on the
// thread that runs it. FindTargetDrive installs the process's one
// identification sink while it runs: run it for one engine at a time.
// EjectDevice, like CheckRoom, may run on a worker thread.
#pragma once

#include "AfxString.h"
#include "PackageSpace.h"
#include "StagedCopy.h"
#include "UsbDeviceIdentity.h"

class CFileOps;
class CUpdateCfg;
class CUpdateObserver;
struct EJECT_OUTCOME;

enum SCAN_OUTCOME
{
    SCAN_UPDATED,
    SCAN_NOT_FOUND,
    SCAN_VERSION_REFUSED,
    SCAN_NO_ROOM,
    SCAN_COPY_FAILED,
    SCAN_NO_DRIVE_LIST,    // the host's drive list could not be read
    SCAN_PACKAGE_DAMAGED,  // the package differs from its SHA256SUMS, or the list is untrusted
};
const int kScanOutcomes = SCAN_PACKAGE_DAMAGED + 1;

class CUpdateEngine
{
public:
    // Update.cfg and the firmware folders beside the executable.
    CUpdateEngine();
    // ... or in pszProgramFolder (ending in '\').
    explicit CUpdateEngine(const char* pszProgramFolder);
    // Matched to pszSection from the start, with no device behind it: the
    // package operations of that section's folder, in pszProgramFolder or,
    // when it is null, beside the executable.
    CUpdateEngine(const char* pszProgramFolder, const char* pszSection);
    CUpdateEngine(const CUpdateEngine&) = delete;
    CUpdateEngine& operator=(const CUpdateEngine&) = delete;

    // Who hears of the run's events; null (the default): nobody.
    void SetObserver(CUpdateObserver* pObserver) { m_pObserver = pObserver; }
    // The file calls of the copy (see CFileOps); null (the default): the
    // real ones.
    void SetFileOps(CFileOps* pFileOps) { m_pFileOps = pFileOps; }

    // The steps of one run, in order (see above).
    int FindTargetDrive();
    // Walks on from the last target to the next one, with the same checks
    // and events; 0 at the end of the drive list, with the outcome Not
    // found (traced and said as such only when the walk found no target).
    int FindNextTargetDrive();
    int RecoverDrive();
    int CheckVersion();
    int CheckRoom();
    int CopyPackage();
    // All of them; the outcome.
    SCAN_OUTCOME Run();
    // Those after FindTargetDrive, for the target it found; the outcome.
    SCAN_OUTCOME RunSteps();
    // In place of the steps after FindTargetDrive: what RecoverDrive would
    // do, the version gate, the package's names, the space check after
    // that recovery, and whether the copy could start (a journal that
    // stays, a folder or link under a package file's name, a package
    // without files), all without writing anything; says and returns the
    // outcome an update would end in and ends the run there.
    SCAN_OUTCOME LookAtTarget();
    // In place of FindTargetDrive, for the station's workers: the target
    // that another engine's walk found at pszDriveRoot, with the identity
    // and USB device it found there. Update.cfg is read anew (and checked
    // against SHA256SUMS) and a section must still name the device; the
    // run then goes on as after FindTargetDrive. Identifies nothing, so
    // that workers may run it beside a walk.
    int TakeTarget(const char* pszDriveRoot, const USB_DEVICE_IDENTITY& identity, const char* pszUsbDevice);

    SCAN_OUTCOME GetOutcome() const { return m_outcome; }
    // After Package damaged: the first file at fault, relative to the
    // program folder ("ModelA/FW.BIN", "SHA256SUMS").
    const CString& GetDamagedFile() const { return m_damage.strName; }
    // The target of the run once FindTargetDrive returned 1.
    const CString& GetDriveRoot() const { return m_strDriveRoot; }
    const USB_DEVICE_IDENTITY& GetIdentity() const { return m_identity; }
    // The instance id of the USB device behind the target (the composite
    // device for an interface of one), as identification found it.
    const CString& GetUsbDevice() const { return m_strUsbDevice; }
    // The hub and port of that USB device ("USB\ROOT_HUB20\4&1A2B&0 port 2"),
    // as identification found them; empty when it didn't get that far.
    const CString& GetHubPort() const { return m_strHubPort; }
    // Whether the walk's drive list holds pszDriveRoot; false before a
    // walk, and after a drive list that could not be read.
    bool IsDriveListed(const char* pszDriveRoot) const;
    // The matched section's Version as Update.cfg has it (empty: none).
    CString ReadSectionVersion() const;
    // The device's release as the Version-refused message shows it: four
    // upper-case hexadecimal digits.
    CString GetReleaseText() const;
    // The matched section, empty until a match; the device's display name,
    // which its owner may set before the first match (the dialog shows a
    // default name until then). Both keep the last match's values.
    const CString& GetSection() const { return m_strSection; }
    const CString& GetDeviceName() const { return m_strDeviceName; }
    void SetDeviceName(const char* pszDeviceName) { m_strDeviceName = pszDeviceName; }

    // Matching and version gate. FindConfigSection sets the section and the
    // device name from the first section, in file order, whose
    // DeviceID and VendorID equal the device's ids; IsVersionAccepted
    // checks the device's release against that section's Version.
    int FindConfigSection(USB_DEVICE_IDENTITY identity);
    int IsVersionAccepted(USB_DEVICE_IDENTITY identity);

    // The firmware package: the files directly inside the folder named
    // after the matched section in the program folder.
    DWORD GetPackageSize();
    int HasRoomForPackage(const char* pszDriveRoot);
    int CopyPackageToDrive(const char* pszDriveRoot);

    // Asks the host to eject the target's USB device, again after a pause
    // while a retried veto holds it; 1 when it was ejected. The outcome
    // says what the host answered last.
    int EjectDevice(EJECT_OUTCOME& outcome);

private:
    // Sends one event to the observer, printf-style with text and number
    // arguments; nothing is formatted without an observer that wants events.
    void Report(const char* pszFormat, ...) const;
    bool IsReporting() const;
    // The package judged by its names before anything is opened or written
    // (JudgePackage); 0, each refusal logged, when the copy must not start.
    int IsPackageAccepted() const;
    // SHA256SUMS of the program folder, read once per walk (and on first
    // use by an engine made for one section).
    const SUMS_LIST& GetSums();
    // The list trusted and Update.cfg as it lists; 0, said, when not.
    int IsCfgAsListed();
    // The package's files by name against the list (see ApplySectionSums),
    // the listed digests handed to them; with bHash, hashed too (a look
    // only reads, and may). 0, said, when the package is damaged.
    // IsPackageListed: the same for the files the copy would take.
    int ArePackageFilesListed(PACKAGE_FILE_LIST& files, bool bHash);
    int IsPackageListed(bool bHash);
    void ReportDamage(const SUMS_FAULT& fault);
    // Ends the run with an outcome, and says so.
    int EndRun(SCAN_OUTCOME outcome);
    // Update.cfg of the program folder.
    CUpdateCfg OpenCfg() const;
    // Where the package folders live: m_strProgramFolder, or 0 when the
    // executable's own path could not be had.
    int GetProgramFolder(CString& strFolder) const;
    // Whether the removable drive at pszEntry holds the target: identified,
    // and its ids named by a section.
    int IsTargetDrive(const char* pszEntry);
    // The walk from m_nNextEntry on, to the next target or the list's end.
    int WalkToTarget();
    // Says what copying the package to the target would take.
    int ReportPackageLook(JOURNAL_RECOVERY recovery);
    // Whether the copy could start on the target after the journal look:
    // 0, said, when it would refuse.
    int CanCopyStart(JOURNAL_RECOVERY recovery);
    // The space check; pFreedFirst: the files a recovery of the drive
    // would remove first (null: the leftovers the copy removes).
    int MeasureRoom(const char* pszDriveRoot, const PACKAGE_FILE_LIST* pFreedFirst);
    void ReportDriveList(const char* pszDrives, const char* pszEnd) const;
    void ReportIdentity(const char* pszEntry) const;
    // The package's names (ListPackageNames), none of its files opened.
    PACKAGE_FILE_LIST ListPackageNamesOnly() const;
    // The package's files (see ListPackageFiles), without the run's log.
    int ListPackage(PACKAGE_FILE_LIST& files) const;
    void ReportJournal(const JOURNAL_LOOK& look, bool bWould) const;
    void ReleaseLogBeforeCommit(const PACKAGE_FILE_LIST& files, const char* pszDriveRoot) const;
    void ReportCopiedFiles(const CStagedCopy& copy, const PACKAGE_FILE_LIST& files, const char* pszDriveRoot) const;

    CString m_strSection;
    CString m_strDeviceName;
    CString m_strProgramFolder;  // ending in '\'
    bool m_bProgramFolder;       // false: the executable's path could not be had
    CUpdateObserver* m_pObserver;
    CFileOps* m_pFileOps;
    SCAN_OUTCOME m_outcome;
    CString m_strDriveRoot;
    bool m_bRunOpen;            // a target was found and no step ended the run
    char m_szDrives[MAX_PATH];  // the walk's drive list, as the host gave it
    DWORD m_nDrivesLength;      // its length, without the final terminator
    DWORD m_nNextEntry;         // where the walk goes on in it
    int m_nTargets;             // targets the walk found so far
    USB_DEVICE_IDENTITY m_identity;
    // The package as the space check listed it, for the copy that follows.
    PACKAGE_FILE_LIST m_package;
    CString m_strListedSection;
    bool m_bPackageListed = false;
    CString m_strUsbDevice;
    CString m_strHubPort;
    SUMS_LIST m_sums;
    bool m_bSumsRead = false;
    bool m_bDamaged = false;
    SUMS_FAULT m_damage;  // the first fault found, when m_bDamaged
};

// "Updated", "Not found", ...: the outcome's name for logs.
const char* GetScanOutcomeName(SCAN_OUTCOME outcome);
