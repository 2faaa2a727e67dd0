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

    // The real calls; the object has no state, so any thread may use it.
    static CFileOps& Real();
};
