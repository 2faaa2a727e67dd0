#include "UpdateApp.h"

#include "UpdateDlg.h"

#include <shlwapi.h>

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

// The one application object.
CUpdateApp theApp;

BEGIN_MESSAGE_MAP(CUpdateApp, CWinApp)
    ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CUpdateApp::CUpdateApp() : m_hResModule(nullptr)
{
}

BOOL CUpdateApp::InitInstance()
{
    AfxEnableControlContainer();

    m_hResModule = LoadResourceModule();
    if (m_hResModule)
        AfxGetModuleState()->m_hCurrentResourceHandle = m_hResModule;

    Enable3dControls();

    // Without the module the dialog has no template: DoModal creates no
    // window and the program ends quietly.
    CUpdateDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

// The module holds nothing but resources, and it is only ever read: it is
// mapped as data, never run. Hosts that don't know the image-resource
// flag (before Windows Vista) refuse the pair; they get a plain data file.
HINSTANCE CUpdateApp::LoadResourceModule()
{
    char szPath[MAX_PATH] = {};
    const DWORD nLength = GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH)
        return nullptr;
    if (!PathRemoveFileSpecA(szPath) || !PathAppendA(szPath, "PelkinUpdate.prm"))
        return nullptr;
    HINSTANCE hModule = LoadLibraryExA(szPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!hModule && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExA(szPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return hModule;
}
