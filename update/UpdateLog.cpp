#include "UpdateLog.h"

#include <cstdio>
#include <cstring>

CUpdateLog::CUpdateLog() : m_hFile(INVALID_HANDLE_VALUE) {}

CUpdateLog::~CUpdateLog()
{
    if (IsOpen())
        CloseHandle(m_hFile);
}

BOOL CUpdateLog::Open(const char* pszPath)
{
    if (IsOpen() || !pszPath || !*pszPath)
        return FALSE;
    // Append-only access: every write lands at the end, also when another
    // run appends to the same file meanwhile.
    m_hFile = CreateFileA(pszPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    char szFull[MAX_PATH] = {};
    const DWORD nLength = GetFullPathNameA(pszPath, MAX_PATH, szFull, nullptr);
    m_strPath = nLength > 0 && nLength < MAX_PATH ? szFull : pszPath;
    return IsOpen();
}

void CUpdateLog::ReleaseFile(const char* pszWhy)
{
    if (!IsOpen())
        return;
    OnEvent(pszWhy);
    CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

void CUpdateLog::OnEvent(const char* pszText)
{
    if (!IsOpen())
        return;
    SYSTEMTIME time = {};
    GetLocalTime(&time);
    char szTime[32];
    std::snprintf(szTime, sizeof szTime, "%04u-%02u-%02u %02u:%02u:%02u ", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond);
    CString strLine(szTime);
    strLine += MakeLogText(pszText);
    strLine += "\r\n";
    DWORD nWritten = 0;
    WriteFile(m_hFile, static_cast<const char*>(strLine), static_cast<DWORD>(strLine.GetLength()), &nWritten, nullptr);
}

CString CUpdateLog::MakeLogText(const char* pszText)
{
    CString strText;
    if (!pszText)
        return strText;
    int nChars = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(pszText); *p; ++p) {
        char szChar[5] = {static_cast<char>(*p), '\0'};
        if (*p < 0x20 || *p > 0x7E)
            std::snprintf(szChar, sizeof szChar, "\\x%02X", *p);
        const int nLength = static_cast<int>(std::strlen(szChar));
        if (nChars + nLength > kMaxTextChars) {
            strText += "...";
            break;
        }
        strText += szChar;
        nChars += nLength;
    }
    return strText;
}
