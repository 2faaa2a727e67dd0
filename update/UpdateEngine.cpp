// The run of an update: the walk over the host's drives to the target, and
// the steps after it. Matching and the version gate are in ConfigMatch.cpp,
// the space check and the copy in PackageTransfer.cpp.
#include "UpdateEngine.h"

#include "AfxModuleFolder.h"
#include "DriveIdentity.h"
#include "EventText.h"
#include "FileOps.h"
#include "HostApi.h"
#include "IdentityTrace.h"
#include "PackageJudge.h"
#include "PackageRules.h"
#include "UpdateCfg.h"
#include "UpdateObserver.h"

#include <cstring>

CUpdateEngine::CUpdateEngine()
    : m_bProgramFolder(AfxGetModuleFolder(m_strProgramFolder) != 0), m_pObserver(nullptr), m_pFileOps(nullptr),
      m_outcome(SCAN_NOT_FOUND), m_bRunOpen(false), m_szDrives(), m_nDrivesLength(0), m_nNextEntry(0), m_nTargets(0),
      m_identity()
{}

CUpdateEngine::CUpdateEngine(const char* pszProgramFolder)
    : m_strProgramFolder(pszProgramFolder), m_bProgramFolder(true), m_pObserver(nullptr), m_pFileOps(nullptr),
      m_outcome(SCAN_NOT_FOUND), m_bRunOpen(false), m_szDrives(), m_nDrivesLength(0), m_nNextEntry(0), m_nTargets(0),
      m_identity()
{}

CUpdateEngine::CUpdateEngine(const char* pszProgramFolder, const char* pszSection) : CUpdateEngine()
{
    if (pszProgramFolder) {
        m_strProgramFolder = pszProgramFolder;
        m_bProgramFolder = true;
    }
    m_strSection = pszSection;
}

int CUpdateEngine::FindTargetDrive()
{
    m_strDriveRoot.Empty();
    m_strUsbDevice.Empty();
    m_strHubPort.Empty();
    m_bRunOpen = false;
    ZeroMemory(&m_identity, sizeof m_identity);
    m_identity.cbSize = sizeof m_identity;
    ZeroMemory(m_szDrives, sizeof m_szDrives);
    m_nDrivesLength = 0;
    m_nNextEntry = 0;
    m_nTargets = 0;

    // The drive list, like everything identification asks the host, comes
    // through the host seam, so that a simulated host can refuse it.
    const DWORD nLength = GetDeviceHostApi().pfnGetLogicalDriveStringsA(MAX_PATH, m_szDrives);
    // A list that doesn't fit the buffer is not in it: as unreadable.
    if (nLength == 0 || nLength >= MAX_PATH) {
        ZeroMemory(m_szDrives, sizeof m_szDrives);
        Report("The host's drive list cannot be read%s", nLength ? ": it does not fit 260 characters" : "");
        return EndRun(SCAN_NO_DRIVE_LIST);
    }
    m_nDrivesLength = nLength;
    ReportDriveList(m_szDrives, m_szDrives + nLength);
    m_bSumsRead = false;
    m_bDamaged = false;
    // A damaged Update.cfg decides nothing: not even which drive is the target.
    if (!IsCfgAsListed()) {
        m_nNextEntry = m_nDrivesLength;
        return EndRun(SCAN_PACKAGE_DAMAGED);
    }
    return WalkToTarget();
}

int CUpdateEngine::FindNextTargetDrive()
{
    m_strDriveRoot.Empty();
    m_bRunOpen = false;
    m_bDamaged = false;
    return m_nNextEntry < m_nDrivesLength ? WalkToTarget() : 0;
}

int CUpdateEngine::WalkToTarget()
{
    while (m_nNextEntry < m_nDrivesLength && m_szDrives[m_nNextEntry]) {
        const char* pszEntry = m_szDrives + m_nNextEntry;
        m_nNextEntry += static_cast<DWORD>(std::strlen(pszEntry)) + 1;
        OutputDebugStringA(pszEntry);
        if (IsTargetDrive(pszEntry)) {
            m_strDriveRoot = pszEntry;
            m_bRunOpen = true;
            ++m_nTargets;
            return 1;
        }
    }
    m_nNextEntry = m_nDrivesLength;
    if (m_nTargets > 0) {
        Report("No further removable drive holds a device that Update.cfg names");
        m_outcome = SCAN_NOT_FOUND;
        return 0;
    }
    Report("No removable drive holds a device that Update.cfg names");
    OutputDebugStringA("Device not Found\n");
    return EndRun(SCAN_NOT_FOUND);
}

int CUpdateEngine::IsTargetDrive(const char* pszEntry)
{
    const UINT nType = GetDeviceHostApi().pfnGetDriveTypeA(pszEntry);
    if (nType != DRIVE_REMOVABLE) {
        Report("%s passed over: not removable (%s)", pszEntry, GetDriveTypeName(nType));
        return 0;
    }
    OutputDebugStringA("Removable Drive\n");
    Report("%s is removable: looking for the USB device behind it", pszEntry);
    const char szLetter[2] = {pszEntry[0], '\0'};
    CIdentityTrace trace(IsReporting() ? m_pObserver : nullptr, pszEntry);
    if (!GetDeviceIdentityByDrive(szLetter, &m_identity)) {
        trace.ReportFailure();
        // The record keeps the ids of a device whose release reads 0000.
        if (m_identity.idVendor || m_identity.idProduct)
            Report("%s passed over: its USB device (vendor 0x%04X, product 0x%04X) reports release 0000", pszEntry,
                   m_identity.idVendor, m_identity.idProduct);
        else
            Report("%s passed over: no USB device identified", pszEntry);
        return 0;
    }
    ReportIdentity(pszEntry);
    m_strUsbDevice = trace.GetUsbDevice();
    m_strHubPort = trace.GetHubPort();
    if (!FindConfigSection(m_identity)) {
        Report("%s passed over: no section of Update.cfg names vendor 0x%04X, product 0x%04X", pszEntry,
               m_identity.idVendor, m_identity.idProduct);
        return 0;
    }
    Report("%s is the target: section [%s] names the device, \"%s\"", pszEntry, static_cast<const char*>(m_strSection),
           static_cast<const char*>(m_strDeviceName));
    return 1;
}

int CUpdateEngine::TakeTarget(const char* pszDriveRoot, const USB_DEVICE_IDENTITY& identity, const char* pszUsbDevice)
{
    m_strDriveRoot.Empty();
    m_bRunOpen = false;
    m_identity = identity;
    m_strUsbDevice = pszUsbDevice;
    m_bSumsRead = false;
    m_bDamaged = false;
    if (!IsCfgAsListed())
        return EndRun(SCAN_PACKAGE_DAMAGED);
    if (!FindConfigSection(identity)) {
        Report("%s: no section of Update.cfg names vendor 0x%04X, product 0x%04X any longer", pszDriveRoot,
               identity.idVendor, identity.idProduct);
        return EndRun(SCAN_NOT_FOUND);
    }
    m_strDriveRoot = pszDriveRoot;
    m_bRunOpen = true;
    Report("%s is the target: section [%s] names the device, \"%s\"", pszDriveRoot,
           static_cast<const char*>(m_strSection), static_cast<const char*>(m_strDeviceName));
    return 1;
}

bool CUpdateEngine::IsDriveListed(const char* pszDriveRoot) const
{
    for (DWORD nEntry = 0; nEntry < m_nDrivesLength && m_szDrives[nEntry];
         nEntry += static_cast<DWORD>(std::strlen(m_szDrives + nEntry)) + 1)
        if (lstrcmpiA(m_szDrives + nEntry, pszDriveRoot) == 0)
            return true;
    return false;
}

int CUpdateEngine::RecoverDrive()
{
    if (!m_bRunOpen)
        return 0;
    JOURNAL_LOOK look = {};
    RecoverCutOffCommit(m_strDriveRoot, ListPackageNamesOnly(), m_pFileOps ? *m_pFileOps : CFileOps::Real(), &look);
    ReportJournal(look, false);
    return 1;
}

int CUpdateEngine::CheckVersion()
{
    if (!m_bRunOpen)
        return 0;
    return IsVersionAccepted(m_identity) ? 1 : EndRun(SCAN_VERSION_REFUSED);
}

int CUpdateEngine::CheckRoom()
{
    if (!m_bRunOpen)
        return 0;
    if (!IsPackageAccepted())
        return EndRun(SCAN_COPY_FAILED);
    if (!IsPackageListed(false))
        return EndRun(SCAN_PACKAGE_DAMAGED);
    return HasRoomForPackage(m_strDriveRoot) ? 1 : EndRun(SCAN_NO_ROOM);
}

int CUpdateEngine::IsPackageAccepted() const
{
    CString strProgramFolder;
    if (!GetProgramFolder(strProgramFolder))
        return 1;  // no package to judge: the copy fails on its own
    std::vector<PACKAGE_REFUSAL> refusals;
    if (JudgePackage(strProgramFolder, m_strSection, &refusals) == 0)
        return 1;
    const CString strPackage = strProgramFolder + static_cast<const char*>(m_strSection);
    for (const PACKAGE_REFUSAL& refusal : refusals) {
        const CString strWhere = refusal.strName.IsEmpty() ? strPackage : strPackage + "\\" + refusal.strName;
        Report("Copy: package refused before anything is written: %s: %s", static_cast<const char*>(strWhere),
               static_cast<const char*>(refusal.strReason));
    }
    return 0;
}

int CUpdateEngine::CopyPackage()
{
    if (!m_bRunOpen)
        return 0;
    if (CopyPackageToDrive(m_strDriveRoot))
        return EndRun(SCAN_UPDATED);
    return EndRun(m_bDamaged ? SCAN_PACKAGE_DAMAGED : SCAN_COPY_FAILED);
}

SCAN_OUTCOME CUpdateEngine::Run()
{
    return FindTargetDrive() ? RunSteps() : m_outcome;
}

SCAN_OUTCOME CUpdateEngine::RunSteps()
{
    if (RecoverDrive() && CheckVersion() && CheckRoom())
        CopyPackage();
    return m_outcome;
}

CString CUpdateEngine::GetReleaseText() const
{
    CString strRelease;
    strRelease.Format("%04X", m_identity.bcdDevice);
    return strRelease;
}

int CUpdateEngine::EndRun(SCAN_OUTCOME outcome)
{
    m_outcome = outcome;
    m_bRunOpen = false;
    Report("Outcome: %s", GetScanOutcomeName(outcome));
    return outcome == SCAN_UPDATED ? 1 : 0;
}

bool CUpdateEngine::IsReporting() const
{
    return m_pObserver != nullptr && m_pObserver->WantsEvents();
}

void CUpdateEngine::Report(const char* pszFormat, ...) const
{
    if (!IsReporting())
        return;
    va_list args;
    va_start(args, pszFormat);
    ReportEventV(m_pObserver, pszFormat, args);
    va_end(args);
}

void CUpdateEngine::ReportDriveList(const char* pszDrives, const char* pszEnd) const
{
    if (!IsReporting())
        return;
    CString strList;
    for (const char* pszEntry = pszDrives; pszEntry < pszEnd && *pszEntry; pszEntry += std::strlen(pszEntry) + 1) {
        strList += " ";
        strList += pszEntry;
    }
    Report("Scan with %sUpdate.cfg; drives:%s", static_cast<const char*>(m_strProgramFolder),
           static_cast<const char*>(strList));
}

void CUpdateEngine::ReportIdentity(const char* pszEntry) const
{
    // The record's texts are bounded by their buffers, terminated or not.
    Report("%s: USB device vendor 0x%04X, product 0x%04X, release %04X; manufacturer \"%.259s\", "
           "product \"%.259s\", serial number \"%.259s\"",
           pszEntry, m_identity.idVendor, m_identity.idProduct, m_identity.bcdDevice, m_identity.szManufacturer,
           m_identity.szProduct, m_identity.szSerialNumber);
}

CUpdateCfg CUpdateEngine::OpenCfg() const
{
    return m_bProgramFolder ? CUpdateCfg(m_strProgramFolder) : CUpdateCfg();
}

PACKAGE_FILE_LIST CUpdateEngine::ListPackageNamesOnly() const
{
    CString strProgramFolder;
    PACKAGE_FILE_LIST names;
    if (GetProgramFolder(strProgramFolder))
        ListPackageNames(strProgramFolder, m_strSection, names);
    return names;
}

const SUMS_LIST& CUpdateEngine::GetSums()
{
    if (m_bSumsRead)
        return m_sums;
    m_bSumsRead = true;
    CString strProgramFolder;
    m_sums = SUMS_LIST();
    if (GetProgramFolder(strProgramFolder))
        ReadSums(strProgramFolder, m_sums);
    if (!m_sums.bPresent)
        Report("no %s: the package is not checked", kSumsName);
    return m_sums;
}

int CUpdateEngine::IsCfgAsListed()
{
    const SUMS_LIST& sums = GetSums();
    CString strProgramFolder;
    if (!sums.bPresent || !GetProgramFolder(strProgramFolder))
        return 1;
    SUMS_FAULT fault;
    if (GetUntrustedFault(sums, fault) || !CheckCfgSum(strProgramFolder, sums, fault)) {
        ReportDamage(fault);
        return 0;
    }
    return 1;
}

int CUpdateEngine::ArePackageFilesListed(PACKAGE_FILE_LIST& files, bool bHash)
{
    const SUMS_LIST& sums = GetSums();
    if (!sums.bPresent)
        return 1;
    std::vector<SUMS_FAULT> faults;
    SUMS_FAULT fault;
    if (GetUntrustedFault(sums, fault))
        faults.push_back(fault);
    else if (ApplySectionSums(sums, m_strSection, files, &faults) == 0 && bHash)
        HashListedFiles(files, m_strSection, &faults);
    for (const SUMS_FAULT& each : faults)
        ReportDamage(each);
    return faults.empty() ? 1 : 0;
}

// The files the copy would take: the run's own log, when it was put in the
// firmware folder, is none of them. Called once the names were judged, so
// that measuring them opens no device.
int CUpdateEngine::IsPackageListed(bool bHash)
{
    PACKAGE_FILE_LIST files;
    ListPackage(files);
    return ArePackageFilesListed(files, bHash);
}

void CUpdateEngine::ReportDamage(const SUMS_FAULT& fault)
{
    Report("Package damaged: %s", static_cast<const char*>(FormatSumsFault(fault)));
    if (!m_bDamaged)
        m_damage = fault;
    m_bDamaged = true;
}

int CUpdateEngine::GetProgramFolder(CString& strFolder) const
{
    if (!m_bProgramFolder)
        return 0;
    strFolder = m_strProgramFolder;
    return 1;
}

const char* GetScanOutcomeName(SCAN_OUTCOME outcome)
{
    switch (outcome) {
    case SCAN_UPDATED:
        return "Updated";
    case SCAN_NOT_FOUND:
        return "Not found";
    case SCAN_VERSION_REFUSED:
        return "Version refused";
    case SCAN_NO_ROOM:
        return "No room";
    case SCAN_COPY_FAILED:
        return "Copy failed";
    case SCAN_NO_DRIVE_LIST:
        return "Drive list unavailable";
    case SCAN_PACKAGE_DAMAGED:
        return "Package damaged";
    }
    return "Unknown";
}
