// One run of the updater from a laid-out folder, driven from outside: start
// it, wait for its dialog and for an outcome, and read what it shows.
#pragma once

#include "DebuggedProcess.h"
#include "UpdaterTexts.h"

#include <memory>
#include <string>

class CUpdaterRun
{
public:
    // strProgramPath: the program inside its laid-out folder; strLanguage:
    // the /lang it will be given, if any (its texts are read as it will
    // choose them, by this process's UI languages, which it inherits).
    explicit CUpdaterRun(const std::string& strProgramPath, const std::string& strLanguage = std::string());

    // strArgs: the command line after the program's name.
    bool Start(const std::string& strArgs = std::string());
    // Waits for the dialog, then for an outcome other than None; false when
    // none came (the process ended, or the time ran out).
    bool WaitForOutcome(DWORD nTimeoutMs);
    // Waits for nCount Not-found traces and the Not-found layout again.
    bool WaitForNotFound(int nCount, DWORD nTimeoutMs);

    CDebuggedProcess& Process() { return m_process; }
    const CUpdaterTexts& Texts() const { return *m_pTexts; }
    HWND Dialog() const { return m_hDlg; }
    UPDATE_OUTCOME Outcome() const { return m_outcome; }
    double OutcomeSeconds() const { return m_nOutcomeSeconds; }
    std::string Caption() const;
    std::string Message() const;
    std::string OkLabel() const;

private:
    std::string m_strProgramPath;
    CDebuggedProcess m_process;
    std::unique_ptr<CUpdaterTexts> m_pTexts;
    HWND m_hDlg;
    UPDATE_OUTCOME m_outcome;
    double m_nOutcomeSeconds;
};
