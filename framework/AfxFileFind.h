// CFileFind: the framework's directory search. FindFile starts a listing;
// each FindNextFile makes the next entry current and answers whether
// another entry follows it, so a walk reads
//     BOOL bMore = finder.FindFile(pattern);
//     while (bMore) { bMore = finder.FindNextFile(); ...current entry... }
#pragma once

#include "AfxString.h"

#include <windows.h>

class CFileFind
{
public:
    CFileFind();
    ~CFileFind();
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search (closing any earlier one); TRUE when the listing has
    // at least one entry. No pattern means "*.*"; a pattern that doesn't
    // fit in MAX_PATH finds nothing.
    BOOL FindFile(const char* pszName = nullptr);
    // Makes the next entry current; TRUE when another entry follows it.
    // Without a pending entry nothing changes and the answer is FALSE.
    BOOL FindNextFile();
    void Close();

    // The current entry; empty answers before the first FindNextFile.
    BOOL IsDots() const;
    BOOL MatchesMask(DWORD dwMask) const;
    // Name and extension.
    CString GetFileName() const;
    // The pattern's folder part (up to its last '\') followed by the name.
    // It may be longer than MAX_PATH; callers check before using it.
    CString GetFilePath() const;

private:
    HANDLE m_hFind;
    BOOL m_bHasNext;
    CString m_strRoot;
    WIN32_FIND_DATAA m_fdFound;
    WIN32_FIND_DATAA m_fdNext;
};
