#include "UpdateApp.h"

#include "CommandLine.h"
#include "EventText.h"
#include "LanguageChoice.h"
#include "ProgramVersion.h"
#include "UpdateDlg.h"
#include "UpdateEngine.h"
#include "UpdateLog.h"
#include "resource.h"

namespace {

// The exit code of a quiet run, by outcome.
int GetQuietExitCode(SCAN_OUTCOME outcome)
{
    switch (outcome) {
    case SCAN_UPDATED:
        return 0;
    case SCAN_NOT_FOUND:
        return 1;
    case SCAN_VERSION_REFUSED:
        return 2;
    case SCAN_NO_ROOM:
        return 3;
    case SCAN_COPY_FAILED:
        return 4;
    case SCAN_NO_DRIVE_LIST:
        return 5;
    }
    return 5;
}

// "PelkinUpdate.de.prm": the language module of a locale name.
CString GetLanguageModuleName(const CString& strName)
{
    return CString("PelkinUpdate.") + static_cast<const char*>(strName) + ".prm";
}

}  // namespace

// The one application object.
CUpdateApp theApp;

BEGIN_MESSAGE_MAP(CUpdateApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUpdateApp::CUpdateApp() : m_hResModule(nullptr), m_hLanguageModule(nullptr), m_nExitCode(0) {}

BOOL CUpdateApp::InitInstance()
{
    AfxEnableControlContainer();

    COMMAND_LINE args;
    ParseCommandLine(m_lpCmdLine, args);
    if (args.bUsage) {
        // A quiet run shows nothing, not even what it was asked wrongly.
        if (!args.bQuiet)
            ShowUsage(args.strLanguage);
        m_nExitCode = USAGE_EXIT_CODE;
        return FALSE;
    }

    // A log that can't be opened leaves the run without one.
    CUpdateLog log;
    CUpdateObserver* pLog = !args.strLogPath.IsEmpty() && log.Open(args.strLogPath) ? &log : nullptr;
    if (pLog)
        ReportEvent(pLog, "PelkinUpdate %s started; command line: %s", static_cast<const char*>(GetProgramVersion()),
                    m_lpCmdLine ? m_lpCmdLine : "");

    if (args.bQuiet) {
        // Nothing to show: the resource module is not needed.
        CUpdateEngine engine;
        engine.SetObserver(pLog);
        m_nExitCode = GetQuietExitCode(engine.Run());
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

// The usage from the resource module, or in English when the module (or
// an older module) has none.
void CUpdateApp::ShowUsage(const CString& strLanguage)
{
    UseResourceModule(strLanguage, nullptr);
    CString strUsage;
    if (!strUsage.LoadString(IDS_USAGE))
        strUsage = GetBuiltInUsage();
    MessageBoxA(nullptr, strUsage, "PelkinUpdate", MB_OK | MB_ICONINFORMATION);
}

// The default module is the contract: without it no language module is
// looked for, and the program ends without a window.
void CUpdateApp::UseResourceModule(const CString& strLanguage, CUpdateObserver* pLog)
{
    m_hResModule = LoadResourceModule("PelkinUpdate.prm");
    if (!m_hResModule) {
        ReportEvent(pLog, "Texts: PelkinUpdate.prm cannot be loaded (%s): no window can be shown",
                    static_cast<const char*>(GetErrorText(GetLastError())));
        return;
    }
    AfxGetModuleState()->m_hCurrentResourceHandle = m_hResModule;
    UseLanguageModule(strLanguage, pLog);
}

// A module that is not there is looked past silently (as data, a missing
// file is "file not found"; as a module "module not found"); one that is
// there but can't be loaded is passed over, and the log says so.
void CUpdateApp::UseLanguageModule(const CString& strLanguage, CUpdateObserver* pLog)
{
    LANGUAGE_REQUEST request;
    request.strSwitch = strLanguage;
    ReadUiLanguages(request);
    const LANGUAGE_CHOICE choice = ChooseLanguage(request, [&](const CString& strName) {
        const CString strFile = GetLanguageModuleName(strName);
        m_hLanguageModule = LoadResourceModule(strFile);
        const DWORD dwError = GetLastError();
        if (!m_hLanguageModule && dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND &&
            dwError != ERROR_MOD_NOT_FOUND)
            ReportEvent(pLog, "Texts: %s passed over: it cannot be loaded (%s)", static_cast<const char*>(strFile),
                        static_cast<const char*>(GetErrorText(dwError)));
        return m_hLanguageModule != nullptr;
    });
    if (!strLanguage.IsEmpty() && choice.source != LANGUAGE_FROM_SWITCH)
        ReportEvent(pLog, "Texts: /lang %s: no %s beside the program; the UI languages decide",
                    static_cast<const char*>(strLanguage),
                    static_cast<const char*>(GetLanguageModuleName(strLanguage)));
    if (choice.source == LANGUAGE_NONE) {
        ReportEvent(pLog,
                    "Texts: PelkinUpdate.prm, the default: no language module for the user's UI language %s "
                    "or the system's UI language %s",
                    request.arrUserUi.GetSize() ? static_cast<const char*>(request.arrUserUi[0]) : "(none)",
                    request.strSystemUi.IsEmpty() ? "(none)" : static_cast<const char*>(request.strSystemUi));
        return;
    }
    AfxGetModuleState()->m_hLanguageResourceHandle = m_hLanguageModule;
    ReportEvent(pLog, "Texts: %s, for %s %s; what it lacks comes from PelkinUpdate.prm",
                static_cast<const char*>(GetLanguageModuleName(choice.strName)), DescribeLanguageSource(choice.source),
                static_cast<const char*>(choice.strAsked));
}

// The module holds nothing but resources, and it is only ever read: it is
// mapped as data, never run.
HINSTANCE CUpdateApp::LoadResourceModule(const char* pszFileName)
{
    CString strPath;
    if (!AfxGetModuleFolder(strPath) || strPath.IsEmpty())
        return nullptr;
    strPath += pszFileName;
    if (strPath.GetLength() >= MAX_PATH)
        return nullptr;
    return AfxLoadResourceModule(strPath);
}
