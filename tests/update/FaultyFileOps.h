// The staged copy's file calls with one fault on one package file: the
// real calls pass through, except the one that the fault names, on the
// file that bears the given name (its source, its temporary file, its move
// to the final name).
#pragma once

#include "FileOps.h"

#include <string>
#include <vector>

class CFaultyFileOps : public CFileOps
{
public:
    enum FAULT
    {
        kNoFault,
        kSourceEnds,    // the source can't be read past its first chunk
        kWriteFails,    // the write of the temporary file fails
        kFlushFails,    // the flush of the temporary file fails
        kReadBackBad,   // the temporary file reads back with one byte flipped
        kReadBackLast,  // ... its first chunk's last byte
        kMoveFails,     // the move over the final name fails, once
        kCutOff,        // ... and every move after it: the run stops there
        kDriveGone,     // the write of the temporary file finds the drive gone
    };

    CFaultyFileOps(FAULT fault, const std::string& name);

    HANDLE Open(const char* pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags) override;
    BOOL Read(HANDLE hFile, void* pBuffer, DWORD nBytes, DWORD* pnRead) override;
    BOOL Write(HANDLE hFile, const void* pBuffer, DWORD nBytes, DWORD* pnWritten) override;
    BOOL Flush(HANDLE hFile) override;
    BOOL Close(HANDLE hFile) override;
    BOOL Move(const char* pszFrom, const char* pszTo, DWORD dwFlags) override;

    // Names of the sources opened, in order: the files the copy attempted.
    const std::vector<std::string>& SourcesOpened() const { return m_sources; }
    // Names of the files created on the drive, in order.
    const std::vector<std::string>& Created() const { return m_created; }
    // Whether the fault was met at all.
    bool Struck() const { return m_bStruck; }

private:
    bool Fail(DWORD dwError);

    FAULT m_fault;
    std::string m_name;
    std::vector<std::string> m_sources;
    std::vector<std::string> m_created;
    bool m_bOnTarget = false;  // the source opened last is the target's
    bool m_bStruck = false;
    HANDLE m_hSource = INVALID_HANDLE_VALUE;
    HANDLE m_hWrite = INVALID_HANDLE_VALUE;
    HANDLE m_hReadBack = INVALID_HANDLE_VALUE;
    int m_nSourceReads = 0;
};
