// The file calls of the staged package copy, one virtual member each. The
// base class makes the real Win32 calls; a test derives from it to fail a
// write or a flush, or to change what a read returns, and hands its object
// to CStagedCopy. Only these calls go through it: the copy's other file
// calls (attributes, listing, seeking) are direct ones.
#pragma once

#include <windows.h>

class CFileOps
{
public:
    virtual ~CFileOps() = default;

    // CreateFileA without security attributes (the handle isn't inherited)
    // and without template.
    virtual HANDLE Open(const char* pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags);
    virtual BOOL Read(HANDLE hFile, void* pBuffer, DWORD nBytes, DWORD* pnRead);
    virtual BOOL Write(HANDLE hFile, const void* pBuffer, DWORD nBytes, DWORD* pnWritten);
    virtual BOOL Flush(HANDLE hFile);
    virtual BOOL Close(HANDLE hFile);
    // MoveFileExA.
    virtual BOOL Move(const char* pszFrom, const char* pszTo, DWORD dwFlags);
    // DeleteFileA.
    virtual BOOL Remove(const char* pszPath);
    // GetFileAttributesA, SetFileAttributesA.
    virtual DWORD GetAttributes(const char* pszPath);
    virtual BOOL SetAttributes(const char* pszPath, DWORD dwAttributes);

    // The real calls; the object has no state, so any thread may use it.
    static CFileOps& Real();
};

// Removes a file the copy wrote, read-only or not (a set-aside old file
// may be): its attributes are cleared first.
BOOL RemoveOwnFile(CFileOps& ops, const char* pszPath);

// A handle of the file calls, closed on every path; Close reports whether
// the platform accepted the close (a delayed write error shows there).
class CFileHandle
{
public:
    CFileHandle(CFileOps& ops, HANDLE hFile) : m_ops(ops), m_hFile(hFile) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hFile; }
    bool Close()
    {
        if (!IsOpen())
            return true;
        const BOOL bClosed = m_ops.Close(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
        return bClosed != FALSE;
    }

private:
    CFileOps& m_ops;
    HANDLE m_hFile;
};
