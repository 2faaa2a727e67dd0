#include "UpdateApp.h"

#include "CommandLine.h"
#include "EjectRequest.h"
#include "EventText.h"
#include "ExitCodes.h"
#include "LanguageChoice.h"
#include "ListReport.h"
#include "OutcomeCounts.h"
#include "ProgramModules.h"
#include "ProgramVersion.h"
#include "QuietStation.h"
#include "StationDlg.h"
#include "UpdateDlg.h"
#include "UpdateEngine.h"
#include "UpdateLog.h"
#include "resource.h"

namespace {

// What a walk over every target came to.
struct TARGET_TALLY
{
    int nTargets;
    int anOutcomes[kScanOutcomes];
    SCAN_OUTCOME first;         // the first target's outcome; without one, the walk's
    SCAN_OUTCOME firstFailure;  // the first outcome that is not Updated
    bool bFailure;
    bool bNotEjected;  // a device updated, but not ejected as /eject asked
};

// What is done with each target, its outcome.
typedef SCAN_OUTCOME (*TARGET_PROC)(CUpdateEngine& engine, const COMMAND_LINE& args, TARGET_TALLY& tally);

// With /eject, an updated device is ejected at once; 0 when it was asked
// to go and refused.
int EjectIfAsked(CUpdateEngine& engine, const COMMAND_LINE& args)
{
    EJECT_OUTCOME eject;
    return !args.bEject || engine.GetOutcome() != SCAN_UPDATED || engine.EjectDevice(eject) ? 1 : 0;
}

// The whole sequence for one device of /quiet /all; with /eject it is
// ejected before the walk goes on to the next.
SCAN_OUTCOME UpdateTarget(CUpdateEngine& engine, const COMMAND_LINE& args, TARGET_TALLY& tally)
{
    engine.RunSteps();
    if (!EjectIfAsked(engine, args))
        tally.bNotEjected = true;
    return engine.GetOutcome();
}

SCAN_OUTCOME LookAtTarget(CUpdateEngine& engine, const COMMAND_LINE&, TARGET_TALLY&)
{
    return engine.LookAtTarget();
}

// Every target in drive order, each handed to pfnProc; one device's
// failure does not stop the others.
TARGET_TALLY WalkEveryTarget(CUpdateEngine& engine, TARGET_PROC pfnProc, const COMMAND_LINE& args)
{
    TARGET_TALLY tally = {};
    for (int bTarget = engine.FindTargetDrive(); bTarget; bTarget = engine.FindNextTargetDrive()) {
        const SCAN_OUTCOME outcome = pfnProc(engine, args, tally);
        if (tally.nTargets++ == 0)
            tally.first = outcome;
        if (outcome != SCAN_UPDATED && !tally.bFailure) {
            tally.firstFailure = outcome;
            tally.bFailure = true;
        }
        ++tally.anOutcomes[outcome];
    }
    if (tally.nTargets == 0) {
        tally.first = tally.firstFailure = engine.GetOutcome();  // Not found, or no drive list
        tally.bFailure = true;
    }
    return tally;
}

// "Devices: 2 matched; Updated 1, Version refused 1"; a look puts pszLead
// ("an update would end in: ") before the counts.
void ReportTally(CUpdateObserver* pObserver, const TARGET_TALLY& tally, const char* pszLead = "")
{
    const CString strCounts = FormatOutcomeCounts(tally.anOutcomes, kScanOutcomes, pszLead);
    ReportEvent(pObserver, "Devices: %d matched%s", tally.nTargets, static_cast<const char*>(strCounts));
}

// /quiet /all: 0 when every matched device was updated (and, with /eject,
// ejected), else the code of the first one that was not (Not found's when
// none matched), or EXIT_NOT_EJECTED when each was updated but one could
// not be ejected.
int RunEveryDevice(CUpdateObserver* pLog, const COMMAND_LINE& args)
{
    CUpdateEngine engine;
    engine.SetObserver(pLog);
    const TARGET_TALLY tally = WalkEveryTarget(engine, UpdateTarget, args);
    ReportTally(pLog, tally);
    if (tally.bFailure)
        return GetOutcomeExitCode(tally.firstFailure);
    return tally.bNotEjected ? EXIT_NOT_EJECTED : EXIT_UPDATED;
}

// /list: the exit code that a quiet run would have given.
int RunList(CUpdateObserver* pLog, const COMMAND_LINE& args)
{
    CListReport report(pLog);
    ReportEvent(&report, "List: what each drive holds and what an update would do; nothing is written");
    CUpdateEngine engine;
    engine.SetObserver(&report);
    const TARGET_TALLY tally = WalkEveryTarget(engine, LookAtTarget, args);
    ReportTally(&report, tally, "an update would end in: ");
    const int nExitCode = GetOutcomeExitCode(tally.first);
    ReportEvent(&report, "Exit code %d", nExitCode);
    if (!report.WriteToConsole() && !pLog && !args.bQuiet)
        MessageBoxA(nullptr, report.GetText(), "PelkinUpdate", MB_OK | MB_ICONINFORMATION);
    return nExitCode;
}

STATION_OPTIONS GetStationOptions(const COMMAND_LINE& args, CUpdateObserver* pLog)
{
    STATION_OPTIONS options;
    options.nParallel = args.nParallel;
    options.bEject = args.bEject != FALSE;
    options.strRecordPath = args.strRecordPath;
    options.pLog = pLog;
    return options;
}

}  // namespace

// The one application object.
CUpdateApp theApp;

BEGIN_MESSAGE_MAP(CUpdateApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUpdateApp::CUpdateApp() : m_nExitCode(EXIT_UPDATED) {}

BOOL CUpdateApp::InitInstance()
{
    AfxEnableControlContainer();

    COMMAND_LINE args;
    ParseCommandLine(m_lpCmdLine, args);
    if (args.bUsage) {
        // A quiet run shows nothing, not even what it was asked wrongly.
        if (!args.bQuiet)
            ShowUsage(args.strLanguage);
        m_nExitCode = EXIT_USAGE;
        return FALSE;
    }

    // A log that can't be opened leaves the run without one.
    CUpdateLog log;
    CUpdateObserver* pLog = !args.strLogPath.IsEmpty() && log.Open(args.strLogPath) ? &log : nullptr;
    if (pLog)
        ReportEvent(pLog, "PelkinUpdate %s started; command line: %s", static_cast<const char*>(GetProgramVersion()),
                    m_lpCmdLine ? m_lpCmdLine : "");

    if (args.bList) {
        m_nExitCode = RunList(pLog, args);  // says its exit code itself
        return FALSE;
    }
    if (args.bStation) {
        const STATION_OPTIONS options = GetStationOptions(args, pLog);
        if (args.bQuiet) {
            m_nExitCode = RunQuietStation(options, args.nCount, pLog);
            ReportEvent(pLog, "Exit code %d", m_nExitCode);
        } else {
            RunStationDialog(args.strLanguage, options);
        }
        return FALSE;
    }
    if (args.bQuiet && args.bAll) {
        m_nExitCode = RunEveryDevice(pLog, args);
        ReportEvent(pLog, "Exit code %d", m_nExitCode);
        return FALSE;
    }
    if (args.bQuiet) {
        // Nothing to show: the resource module is not needed.
        CUpdateEngine engine;
        engine.SetObserver(pLog);
        m_nExitCode = GetOutcomeExitCode(engine.Run());
        if (!EjectIfAsked(engine, args))
            m_nExitCode = EXIT_NOT_EJECTED;
        ReportEvent(pLog, "Exit code %d", m_nExitCode);
        return FALSE;
    }
    RunDialog(args.strLanguage, pLog);
    return FALSE;
}

int CUpdateApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return m_nExitCode;
}

void CUpdateApp::RunDialog(const CString& strLanguage, CUpdateObserver* pObserver)
{
    UseResourceModule(strLanguage, pObserver);
    Enable3dControls();

    // Without the module the dialog has no template: DoModal creates no
    // window and the program ends quietly.
    CUpdateDlg dlg;
    dlg.SetObserver(pObserver);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
}

// The station window; a resource module without it (an older one) gets the
// usage, as for a switch it doesn't know.
void CUpdateApp::RunStationDialog(const CString& strLanguage, const STATION_OPTIONS& options)
{
    UseResourceModule(strLanguage, options.pLog);
    if (!HasStationDialog()) {
        ShowUsageText();
        m_nExitCode = EXIT_USAGE;
        return;
    }
    Enable3dControls();
    CStationDlg dlg(options);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
}

// The usage from the resource module, or in English when the module (or
// an older module) has none.
void CUpdateApp::ShowUsage(const CString& strLanguage)
{
    UseResourceModule(strLanguage, nullptr);
    ShowUsageText();
}

void CUpdateApp::ShowUsageText()
{
    CString strUsage;
    if (!strUsage.LoadString(IDS_USAGE))
        strUsage = GetBuiltInUsage();
    MessageBoxA(nullptr, strUsage, "PelkinUpdate", MB_OK | MB_ICONINFORMATION);
}

// A module whose tables fail the check is as good as missing: reading its
// resources could end the program. The default module is the contract:
// without it no language module is looked for, and the program ends
// without a window.
void CUpdateApp::UseResourceModule(const CString& strLanguage, CUpdateObserver* pObserver)
{
    const AFX_MODULE_LOAD load = LoadBesideProgram(kDefaultModuleFile, m_resModule);
    if (load.fault == AFX_MODULE_NOT_LOADED) {
        ReportEvent(pObserver, "Texts: PelkinUpdate.prm cannot be loaded (%s): no window can be shown",
                    static_cast<const char*>(GetErrorText(load.dwError)));
        return;
    }
    if (load.fault != AFX_MODULE_HELD) {
        ReportEvent(pObserver, "PelkinUpdate.prm is not used, as if it were missing: %s",
                    static_cast<const char*>(load.strReason));
        return;
    }
    AfxGetModuleState()->m_hCurrentResourceHandle = m_resModule.Get();
    UseLanguageModule(strLanguage, pObserver);
}

// The language module of its NAME into m_languageModule; true when it is
// held. Not there: looked past silently (as data, a missing file is "file
// not found"; as a module "module not found"). There but no plain file,
// unloadable, or with tables that fail their check: passed over
// (bPassedOver), and the log says so.
bool CUpdateApp::LoadLanguageModule(const CString& strName, CUpdateObserver* pLog, bool& bPassedOver)
{
    const CString strFile = GetLanguageModuleFile(strName);
    const AFX_MODULE_LOAD load = LoadBesideProgram(strFile, m_languageModule);
    CString strReason = load.strReason;
    if (load.fault == AFX_MODULE_NOT_LOADED && load.dwError != ERROR_FILE_NOT_FOUND &&
        load.dwError != ERROR_PATH_NOT_FOUND && load.dwError != ERROR_MOD_NOT_FOUND)
        strReason = CString("it cannot be loaded (") + static_cast<const char*>(GetErrorText(load.dwError)) + ")";
    bPassedOver = !strReason.IsEmpty();
    if (bPassedOver)
        ReportEvent(pLog, "Texts: %s passed over: %s", static_cast<const char*>(strFile),
                    static_cast<const char*>(strReason));
    return load.fault == AFX_MODULE_HELD;
}

void CUpdateApp::UseLanguageModule(const CString& strLanguage, CUpdateObserver* pLog)
{
    LANGUAGE_REQUEST request;
    request.strSwitch = strLanguage;
    ReadUiLanguages(request);
    bool bSwitchPassedOver = false;  // the /lang module is there, but not used
    const LANGUAGE_CHOICE choice = ChooseLanguage(request, [&](const CString& strName) {
        bool bPassedOver = false;
        const bool bHeld = LoadLanguageModule(strName, pLog, bPassedOver);
        bSwitchPassedOver = bSwitchPassedOver || (bPassedOver && strName.CompareNoCase(strLanguage) == 0);
        return bHeld;
    });
    if (!strLanguage.IsEmpty() && choice.source != LANGUAGE_FROM_SWITCH)
        ReportEvent(pLog,
                    bSwitchPassedOver ? "Texts: /lang %s: %s is passed over; the UI languages decide"
                                      : "Texts: /lang %s: no %s beside the program; the UI languages decide",
                    static_cast<const char*>(strLanguage),
                    static_cast<const char*>(GetLanguageModuleFile(strLanguage)));
    if (choice.source == LANGUAGE_NONE) {
        ReportEvent(pLog,
                    "Texts: PelkinUpdate.prm, the default: no language module for the user's UI language %s "
                    "or the system's UI language %s",
                    request.arrUserUi.GetSize() ? static_cast<const char*>(request.arrUserUi[0]) : "(none)",
                    request.strSystemUi.IsEmpty() ? "(none)" : static_cast<const char*>(request.strSystemUi));
        return;
    }
    AfxGetModuleState()->m_hLanguageResourceHandle = m_languageModule.Get();
    ReportEvent(pLog, "Texts: %s, for %s %s; what it lacks comes from PelkinUpdate.prm",
                static_cast<const char*>(GetLanguageModuleFile(choice.strName)), DescribeLanguageSource(choice.source),
                static_cast<const char*>(choice.strAsked));
}

AFX_MODULE_LOAD CUpdateApp::LoadBesideProgram(const char* pszFileName, CResourceModule& module)
{
    CString strPath;
    if (GetProgramFilePath(pszFileName, strPath))
        return LoadProgramModule(strPath, module);
    module.Close();
    return AFX_MODULE_LOAD{AFX_MODULE_NOT_LOADED, GetLastError(), CString()};
}

bool CUpdateApp::GetProgramFilePath(const char* pszFileName, CString& strPath)
{
    if (!AfxGetModuleFolder(strPath) || strPath.IsEmpty())
        return false;
    strPath += pszFileName;
    return strPath.GetLength() < MAX_PATH;
}
