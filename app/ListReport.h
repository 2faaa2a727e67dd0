// CListReport: the report of /list. It hears the engine's events like a log
// does, passes each on to the /log file when there is one (as a relay, so
// the look leaves the log's file out of the package as an update does),
// and keeps them for the end, when they go to the console the program was
// started from (its redirected standard output, or its parent's console),
// or, with neither a console nor a log, into a message box. Texts are
// stored as the log stores them: printable ASCII.
#pragma once

#include "UpdateObserver.h"

#include "AfxString.h"

class CListReport : public CObserverRelay
{
public:
    // pLog: where the events also go; null: nowhere.
    explicit CListReport(CUpdateObserver* pLog);
    ~CListReport() override;
    CListReport(const CListReport&) = delete;
    CListReport& operator=(const CListReport&) = delete;

    void OnEvent(const char* pszText) override;

    // Writes the report to the console; FALSE when there is none.
    BOOL WriteToConsole();
    // The report's lines, each ended by CR LF.
    const CString& GetText() const { return m_strText; }

private:
    // The redirected standard output, or the parent's console opened as
    // CONOUT$ (held by m_hConsole).
    HANDLE OpenConsoleOutput();

    CString m_strText;
    HANDLE m_hConsole;
};
