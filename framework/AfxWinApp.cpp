#include "AfxWinApp.h"

#include "AfxModuleState.h"

namespace {

CWinApp* g_pApp = nullptr;

}  // namespace

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

BOOL CWinApp::Enable3dControls()
{
    return TRUE;
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    AfxGetModuleState()->m_hCurrentInstanceHandle = hInstance;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    pApp->InitInstance();
    return pApp->ExitInstance();
}

void AfxEnableControlContainer() {}
