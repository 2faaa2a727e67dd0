// CWinApp: the application object and the framework's entry routine.
//
// The program defines exactly one global object of a class derived from
// CWinApp. The entry point (WinMain, in the framework_entry object library)
// calls AfxWinMain, which records the start-up values in that object and
// calls its InitInstance. The framework has no message pump of its own: a
// program runs its windows modally inside InitInstance, and the process ends
// when InitInstance returns.
#pragma once

#include "AfxCmdTarget.h"
#include "AfxWnd.h"

// The framework's Help command.
#define ID_HELP 0xE146

class CWinApp : public CCmdTarget
{
public:
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance();
    // Ends the application; the result is the process's exit code.
    virtual int ExitInstance();

    // Three-dimensional control styling: what the platform draws anyway.
    BOOL Enable3dControls();

    // The Help command: the program ships no help file, so there is
    // nothing to open.
    void OnHelp();

    const char* m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

    DECLARE_MESSAGE_MAP()
};

// The application object, or null when the program defines none.
CWinApp* AfxGetApp();

// The entry routine: registers the start-up values, runs InitInstance and
// returns the exit code.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// Lets dialogs hold embedded controls; plain dialogs need nothing for it.
void AfxEnableControlContainer();
