#include "FileOps.h"

HANDLE CFileOps::Open(const char* pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags)
{
    return CreateFileA(pszPath, dwAccess, dwShare, nullptr, dwDisposition, dwFlags, nullptr);
}

BOOL CFileOps::Read(HANDLE hFile, void* pBuffer, DWORD nBytes, DWORD* pnRead)
{
    return ReadFile(hFile, pBuffer, nBytes, pnRead, nullptr);
}

BOOL CFileOps::Write(HANDLE hFile, const void* pBuffer, DWORD nBytes, DWORD* pnWritten)
{
    return WriteFile(hFile, pBuffer, nBytes, pnWritten, nullptr);
}

BOOL CFileOps::Flush(HANDLE hFile)
{
    return FlushFileBuffers(hFile);
}

BOOL CFileOps::Close(HANDLE hFile)
{
    return CloseHandle(hFile);
}

BOOL CFileOps::Move(const char* pszFrom, const char* pszTo, DWORD dwFlags)
{
    return MoveFileExA(pszFrom, pszTo, dwFlags);
}

BOOL CFileOps::Remove(const char* pszPath)
{
    return DeleteFileA(pszPath);
}

CFileOps& CFileOps::Real()
{
    static CFileOps ops;
    return ops;
}

DWORD CFileOps::GetAttributes(const char* pszPath)
{
    return GetFileAttributesA(pszPath);
}

BOOL CFileOps::SetAttributes(const char* pszPath, DWORD dwAttributes)
{
    return SetFileAttributesA(pszPath, dwAttributes);
}

BOOL RemoveOwnFile(CFileOps& ops, const char* pszPath)
{
    ops.SetAttributes(pszPath, FILE_ATTRIBUTE_NORMAL);
    return ops.Remove(pszPath);
}
