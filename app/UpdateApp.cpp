#include "UpdateApp.h"

#include "CommandLine.h"
#include "EventText.h"
#include "ProgramVersion.h"
#include "ResourceTables.h"
#include "UpdateDlg.h"
#include "UpdateEngine.h"
#include "UpdateLog.h"
#include "resource.h"

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

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

}  // namespace

// The one application object.
CUpdateApp theApp;

BEGIN_MESSAGE_MAP(CUpdateApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUpdateApp::CUpdateApp() : m_hResModule(nullptr), m_nExitCode(0) {}

BOOL CUpdateApp::InitInstance()
{
    AfxEnableControlContainer();

    COMMAND_LINE args;
    ParseCommandLine(m_lpCmdLine, args);
    if (args.bUsage) {
        // A quiet run shows nothing, not even what it was asked wrongly.
        if (!args.bQuiet)
            ShowUsage();
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
    RunDialog(pLog);
    return FALSE;
}

int CUpdateApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return m_nExitCode;
}

void CUpdateApp::RunDialog(CUpdateObserver* pObserver)
{
    UseResourceModule(pObserver);
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
void CUpdateApp::ShowUsage()
{
    UseResourceModule(nullptr);
    CString strUsage;
    if (!strUsage.LoadString(IDS_USAGE))
        strUsage = GetBuiltInUsage();
    MessageBoxA(nullptr, strUsage, "PelkinUpdate", MB_OK | MB_ICONINFORMATION);
}

// A module whose tables fail the check is as good as missing: reading its
// resources could end the program.
void CUpdateApp::UseResourceModule(CUpdateObserver* pObserver)
{
    m_hResModule = LoadResourceModule();
    CString strReason;
    if (m_hResModule && !CheckResourceTables(m_hResModule, strReason)) {
        ReportEvent(pObserver, "PelkinUpdate.prm is not used, as if it were missing: %s",
                    static_cast<const char*>(strReason));
        FreeLibrary(m_hResModule);
        m_hResModule = nullptr;
    }
    if (m_hResModule)
        AfxGetModuleState()->m_hCurrentResourceHandle = m_hResModule;
}

// The module holds nothing but resources, and it is only ever read: it is
// mapped as data, never run. Hosts that don't know the image-resource
// flag (before Windows Vista) refuse the pair; they get a plain data file.
HINSTANCE CUpdateApp::LoadResourceModule()
{
    CString strPath;
    if (!AfxGetModuleFolder(strPath) || strPath.IsEmpty())
        return nullptr;
    strPath += "PelkinUpdate.prm";
    if (strPath.GetLength() >= MAX_PATH)
        return nullptr;
    HINSTANCE hModule = LoadLibraryExA(strPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!hModule && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExA(strPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return hModule;
}
