// CUpdateApp: the application. It reads the command line, loads the
// resource module and runs the update dialog as the program's only window;
// with /quiet it runs the update engine alone, without any window, and
// ends with the outcome as its exit code.
#pragma once

#include "Afx.h"

class CUpdateObserver;

class CUpdateApp : public CWinApp
{
public:
    CUpdateApp();

    // Does what the command line asks; FALSE always, so that the process
    // ends when the work is done.
    BOOL InitInstance() override;
    // The process's exit code: 0 after the dialog, the outcome's code after
    // a quiet run, 64 after the usage.
    int ExitInstance() override;

    // The resource module, or null when it could not be loaded. Never
    // unloaded: process exit releases it.
    HINSTANCE m_hResModule;
    int m_nExitCode;

private:
    // PelkinUpdate.prm from the executable's folder, loaded as data.
    static HINSTANCE LoadResourceModule();
    // Makes the module the resource source, unless it is missing or its
    // tables fail their check (then pObserver, if any, hears why).
    void UseResourceModule(CUpdateObserver* pObserver);
    void RunDialog(CUpdateObserver* pObserver);
    void ShowUsage();

    DECLARE_MESSAGE_MAP()
};
