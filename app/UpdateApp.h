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
    // The language module asked before it (LanguageChoice.h), or null.
    HINSTANCE m_hLanguageModule;
    int m_nExitCode;

private:
    // A module of the executable's folder (pszFileName), loaded as data.
    static HINSTANCE LoadResourceModule(const char* pszFileName);
    // The path of pszFileName in the executable's folder; false when the
    // folder can't be had or the path doesn't fit MAX_PATH.
    static bool GetProgramFilePath(const char* pszFileName, CString& strPath);
    // The default module, unless it is missing or its tables fail their
    // check (then pObserver, if any, hears why); then (only with it) the
    // language module of the user's UI language or of strLanguage (/lang).
    // The log says which speaks and why.
    void UseResourceModule(const CString& strLanguage, CUpdateObserver* pObserver);
    void UseLanguageModule(const CString& strLanguage, CUpdateObserver* pLog);
    static HINSTANCE LoadLanguageModule(const CString& strName, CUpdateObserver* pLog, bool& bPassedOver);
    void RunDialog(const CString& strLanguage, CUpdateObserver* pObserver);
    void ShowUsage(const CString& strLanguage);

    DECLARE_MESSAGE_MAP()
};
