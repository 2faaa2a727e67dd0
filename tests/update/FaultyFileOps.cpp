#include "FaultyFileOps.h"

#include "StagedCopy.h"

namespace {

std::string BaseName(const char* pszPath)
{
    const std::string path(pszPath);
    const size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CFaultyFileOps::CFaultyFileOps(FAULT fault, const std::string& name) : m_fault(fault), m_name(name) {}

bool CFaultyFileOps::Fail(DWORD dwError)
{
    m_bStruck = true;
    SetLastError(dwError);
    return false;
}

HANDLE CFaultyFileOps::Open(const char* pszPath, DWORD dwAccess, DWORD dwShare, DWORD dwDisposition, DWORD dwFlags)
{
    const HANDLE hFile = CFileOps::Open(pszPath, dwAccess, dwShare, dwDisposition, dwFlags);
    const std::string name = BaseName(pszPath);
    if (dwDisposition == CREATE_NEW)
        m_created.push_back(name);
    if (!IsStagingName(name.c_str())) {
        m_sources.push_back(name);
        m_bOnTarget = name == m_name;
        if (m_bOnTarget) {
            m_hSource = hFile;
            m_nSourceReads = 0;
        }
    } else if (m_bOnTarget) {
        (dwAccess & GENERIC_WRITE ? m_hWrite : m_hReadBack) = hFile;
    }
    return hFile;
}

BOOL CFaultyFileOps::Read(HANDLE hFile, void* pBuffer, DWORD nBytes, DWORD* pnRead)
{
    if (m_fault == kSourceEnds && hFile == m_hSource && m_nSourceReads++ > 0)
        return Fail(ERROR_READ_FAULT);
    const BOOL bRead = CFileOps::Read(hFile, pBuffer, nBytes, pnRead);
    if (m_fault == kReadBackBad && hFile == m_hReadBack && bRead && *pnRead > 0) {
        static_cast<char*>(pBuffer)[*pnRead / 2] ^= 0x20;
        m_bStruck = true;
    }
    if (m_fault == kReadBackLast && hFile == m_hReadBack && bRead && *pnRead > 0 && !m_bStruck) {
        static_cast<char*>(pBuffer)[*pnRead - 1] ^= 0x20;
        m_bStruck = true;
    }
    return bRead;
}

BOOL CFaultyFileOps::Write(HANDLE hFile, const void* pBuffer, DWORD nBytes, DWORD* pnWritten)
{
    if (m_fault == kWriteFails && hFile == m_hWrite)
        return Fail(ERROR_WRITE_FAULT);
    if (m_fault == kDriveGone && hFile == m_hWrite)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    return CFileOps::Write(hFile, pBuffer, nBytes, pnWritten);
}

BOOL CFaultyFileOps::Flush(HANDLE hFile)
{
    if (m_fault == kFlushFails && hFile == m_hWrite)
        return Fail(ERROR_IO_DEVICE);
    return CFileOps::Flush(hFile);
}

BOOL CFaultyFileOps::Close(HANDLE hFile)
{
    for (HANDLE* phTracked : {&m_hSource, &m_hWrite, &m_hReadBack}) {
        if (*phTracked == hFile)
            *phTracked = INVALID_HANDLE_VALUE;
    }
    return CFileOps::Close(hFile);
}

BOOL CFaultyFileOps::Move(const char* pszFrom, const char* pszTo, DWORD dwFlags)
{
    if ((m_fault == kMoveFails && !m_bStruck && BaseName(pszTo) == m_name) || (m_fault == kCutOff && m_bStruck))
        return Fail(ERROR_SHARING_VIOLATION);
    if (m_fault == kCutOff && BaseName(pszTo) == m_name)
        return Fail(ERROR_NOT_READY);
    return CFileOps::Move(pszFrom, pszTo, dwFlags);
}
