// CUpdateApp: the application. It reads the command line, loads the
// resource module and runs the update dialog as the program's only window;
// with /quiet it runs the update engine alone, without any window, and
// ends with the outcome as its exit code (with /all for every matching
// device in turn). /list walks the drives as a run would and reports what
// it finds and what an update would do, writing nothing.
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
    // a quiet run (/all: of the first device not updated; 6 when /eject
    // could not eject) or after /list (of the first matching device), 64
    // after the usage.
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
