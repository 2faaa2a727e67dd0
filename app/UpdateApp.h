// CUpdateApp: the application. It reads the command line, loads the
// resource module and runs the update dialog as the program's only window;
// with /quiet it runs the update engine alone, without any window, and
// ends with the outcome as its exit code (with /all for every matching
// device in turn). /list walks the drives as a run would and reports what
// it finds and what an update would do, writing nothing. /station takes
// every matching device as it is plugged in, in the station window or,
// with /quiet, without one (see QuietStation.h).
#pragma once

#include "Afx.h"

#include "AfxResourceModule.h"

class CUpdateObserver;
struct STATION_OPTIONS;

class CUpdateApp : public CWinApp
{
public:
    CUpdateApp();

    // Does what the command line asks; FALSE always, so that the process
    // ends when the work is done.
    BOOL InitInstance() override;
    // The process's exit code (ExitCodes.h): 0 after the dialog, the
    // outcome's code after a quiet run (/all: of the first device not
    // updated; EXIT_NOT_EJECTED when /eject could not eject) or after /list
    // (of the first matching device), EXIT_USAGE after the usage.
    int ExitInstance() override;

private:
    // The path of pszFileName in the executable's folder; false when the
    // folder can't be had or the path doesn't fit MAX_PATH.
    static bool GetProgramFilePath(const char* pszFileName, CString& strPath);
    // A module of the executable's folder (pszFileName) into module, as
    // LoadProgramModule loads it; not loaded when its path can't be had.
    static AFX_MODULE_LOAD LoadBesideProgram(const char* pszFileName, CResourceModule& module);
    // The default module, unless it is missing or its tables fail their
    // check (then pObserver, if any, hears why); then (only with it) the
    // language module of the user's UI language or of strLanguage (/lang).
    // The log says which speaks and why.
    void UseResourceModule(const CString& strLanguage, CUpdateObserver* pObserver);
    void UseLanguageModule(const CString& strLanguage, CUpdateObserver* pLog);
    bool LoadLanguageModule(const CString& strName, CUpdateObserver* pLog, bool& bPassedOver);
    void RunDialog(const CString& strLanguage, CUpdateObserver* pObserver);
    void RunStationDialog(const CString& strLanguage, const STATION_OPTIONS& options);
    void ShowUsage(const CString& strLanguage);
    void ShowUsageText();

    // The resource module once loaded and found sound, and the language
    // module asked before it (LanguageChoice.h). Held until the
    // application object goes at process exit.
    CResourceModule m_resModule;
    CResourceModule m_languageModule;
    int m_nExitCode;

    DECLARE_MESSAGE_MAP()
};
