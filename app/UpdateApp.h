// CUpdateApp: the application. It loads the resource module and runs the
// update dialog as the program's only window.
#pragma once

#include "Afx.h"

class CUpdateApp : public CWinApp
{
public:
    CUpdateApp();

    // Runs the update dialog; FALSE always, so that the process ends when
    // the dialog closes.
    BOOL InitInstance() override;

    // The resource module, or null when it could not be loaded. Never
    // unloaded: process exit releases it.
    HINSTANCE m_hResModule;

private:
    // PelkinUpdate.prm from the executable's folder, loaded as data.
    static HINSTANCE LoadResourceModule();

    DECLARE_MESSAGE_MAP()
};
