#include "ListReport.h"

#include "UpdateLog.h"

CListReport::CListReport(CUpdateObserver* pLog) : CObserverRelay(pLog), m_hConsole(INVALID_HANDLE_VALUE) {}

CListReport::~CListReport()
{
    if (m_hConsole != INVALID_HANDLE_VALUE)
        CloseHandle(m_hConsole);
}

void CListReport::OnEvent(const char* pszText)
{
    CObserverRelay::OnEvent(pszText);
    m_strText += CUpdateLog::MakeLogText(pszText);
    m_strText += "\r\n";
}

BOOL CListReport::WriteToConsole()
{
    const HANDLE hOutput = OpenConsoleOutput();
    if (hOutput == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD nWritten = 0;
    return WriteFile(hOutput, static_cast<const char*>(m_strText), static_cast<DWORD>(m_strText.GetLength()), &nWritten,
                     nullptr);
}

// A program of the window subsystem gets no console of its own: its
// standard output is there only when its starter redirected it. Started
// from a console window, it writes to that window.
HANDLE CListReport::OpenConsoleOutput()
{
    const HANDLE hStdOut = GetStdHandle(STD_OUTPUT_HANDLE);
    if (hStdOut && hStdOut != INVALID_HANDLE_VALUE && GetFileType(hStdOut) != FILE_TYPE_UNKNOWN)
        return hStdOut;
    if (m_hConsole == INVALID_HANDLE_VALUE && AttachConsole(ATTACH_PARENT_PROCESS))
        m_hConsole = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    return m_hConsole;
}
