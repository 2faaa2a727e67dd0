// CUpdateLog: the plain-text log of a run, appended to a file the user
// names. One line per event, local time first. Whatever the events hold
// (device strings, file names) is stored as printable ASCII: other bytes
// are written as \xNN, and a line is cut at a fixed length. A log that
// cannot be opened drops its lines; it never stops the update.
#pragma once

#include "UpdateObserver.h"

#include "AfxString.h"

class CUpdateLog : public CUpdateObserver
{
public:
    CUpdateLog();
    ~CUpdateLog() override;
    CUpdateLog(const CUpdateLog&) = delete;
    CUpdateLog& operator=(const CUpdateLog&) = delete;

    // Opens pszPath for appending, creating it when missing; others may
    // read and append meanwhile. FALSE when it can't be opened.
    BOOL Open(const char* pszPath);
    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

    // Writes "YYYY-MM-DD hh:mm:ss text" and a line end, in one write.
    void OnEvent(const char* pszText) override;
    const char* GetFilePath() const override { return IsOpen() ? static_cast<const char*>(m_strPath) : nullptr; }
    void ReleaseFile(const char* pszWhy) override;

    // The text as the log stores it: printable ASCII, other bytes as \xNN,
    // at most kMaxTextChars characters (the cut marked with "...").
    static CString MakeLogText(const char* pszText);
    static const int kMaxTextChars = 2000;

private:
    HANDLE m_hFile;
    CString m_strPath;  // full path of the open file
};
