#include "AfxFileFind.h"

#include <cstring>

CFileFind::CFileFind() : m_hFind(INVALID_HANDLE_VALUE), m_bHasNext(FALSE), m_fdFound(), m_fdNext() {}

CFileFind::~CFileFind()
{
    Close();
}

BOOL CFileFind::FindFile(const char* pszName)
{
    Close();
    if (pszName == nullptr)
        pszName = "*.*";
    if (std::strlen(pszName) >= MAX_PATH)
        return FALSE;
    const CString strPattern = pszName;
    m_strRoot = strPattern.Left(strPattern.ReverseFind('\\') + 1);
    m_hFind = ::FindFirstFileA(strPattern, &m_fdNext);
    m_bHasNext = m_hFind != INVALID_HANDLE_VALUE;
    return m_bHasNext;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_bHasNext)
        return FALSE;
    m_fdFound = m_fdNext;
    m_bHasNext = ::FindNextFileA(m_hFind, &m_fdNext);
    return m_bHasNext;
}

void CFileFind::Close()
{
    if (m_hFind != INVALID_HANDLE_VALUE)
        ::FindClose(m_hFind);
    m_hFind = INVALID_HANDLE_VALUE;
    m_bHasNext = FALSE;
    m_strRoot.Empty();
    m_fdFound = WIN32_FIND_DATAA();
    m_fdNext = WIN32_FIND_DATAA();
}

BOOL CFileFind::IsDots() const
{
    const char* pszName = m_fdFound.cFileName;
    return std::strcmp(pszName, ".") == 0 || std::strcmp(pszName, "..") == 0;
}

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    return (m_fdFound.dwFileAttributes & dwMask) != 0;
}

CString CFileFind::GetFileName() const
{
    return CString(m_fdFound.cFileName);
}

CString CFileFind::GetFilePath() const
{
    return m_strRoot + m_fdFound.cFileName;
}
