#include "AfxString.h"

#include "AfxModuleState.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mbstring.h>

CString::CString(const char* psz) : m_str(psz ? psz : "") {}

CString& CString::operator=(const char* psz)
{
    m_str = psz ? psz : "";
    return *this;
}

CString& CString::operator=(char ch)
{
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const char* psz)
{
    if (psz)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(char ch)
{
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const char* b)
{
    CString s(a);
    s += b;
    return s;
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    return CString(m_str.substr(0, static_cast<size_t>(nCount)).c_str());
}

int CString::ReverseFind(char ch) const
{
    int nFound = -1;
    const int nLength = GetLength();
    for (int i = 0; i < nLength; ++i) {
        const BYTE b = static_cast<BYTE>(m_str[i]);
        if (IsDBCSLeadByte(b) && i + 1 < nLength) {
            ++i;  // skip the trail byte: it is part of this character
            continue;
        }
        if (m_str[i] == ch)
            nFound = i;
    }
    return nFound;
}

int CString::Compare(const char* psz) const
{
    return std::strcmp(m_str.c_str(), psz ? psz : "");
}

int CString::CompareNoCase(const char* psz) const
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(m_str.c_str()),
                    reinterpret_cast<const unsigned char*>(psz ? psz : ""));
}

void CString::FormatV(const char* pszFormat, va_list args)
{
    va_list probe;
    va_copy(probe, args);
    const int nLength = std::vsnprintf(nullptr, 0, pszFormat, probe);
    va_end(probe);
    if (nLength < 0) {
        m_str.clear();
        return;
    }
    std::string text(static_cast<size_t>(nLength) + 1, '\0');
    std::vsnprintf(&text[0], text.size(), pszFormat, args);
    text.resize(static_cast<size_t>(nLength));
    m_str.swap(text);
}

void CString::Format(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat ? pszFormat : "", args);
    va_end(args);
}

void CString::FormatText(const char* pszFormat, const char* psz1, const char* psz2, const char* psz3)
{
    const char* const args[3] = {psz1, psz2, psz3};
    const int nArgs = psz3 ? 3 : psz2 ? 2 : psz1 ? 1 : 0;
    int nUsed = 0;
    std::string text;
    const char* p = pszFormat ? pszFormat : "";
    while (*p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) {
            text.append(p, 2);  // a double-byte character is never part of a conversion
            p += 2;
        } else if (p[0] == '%' && p[1] == '%') {
            text += '%';
            p += 2;
        } else if (p[0] == '%' && p[1] == 's' && nUsed < nArgs) {
            const char* pszArg = args[nUsed++];
            text += pszArg ? pszArg : "";
            p += 2;
        } else {
            text += *p++;
        }
    }
    m_str.swap(text);
}

int CString::CountTextArguments(const char* pszFormat)
{
    int nCount = 0;
    const char* p = pszFormat ? pszFormat : "";
    while (*p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) {
            p += 2;
        } else if (p[0] == '%' && (p[1] == '%' || p[1] == 's')) {
            nCount += p[1] == 's' ? 1 : 0;
            p += 2;
        } else {
            ++p;
        }
    }
    return nCount;
}

void CString::FormatText(UINT nFormatID, const char* psz1, const char* psz2, const char* psz3)
{
    CString strFormat;
    strFormat.LoadString(nFormatID);
    FormatText(strFormat, psz1, psz2, psz3);
}

BOOL CString::LoadString(UINT nID)
{
    m_str.clear();
    HINSTANCE hInst = AfxFindStringResourceHandle(nID);
    if (!hInst)
        return FALSE;
    // LoadStringA copies at most nSize - 1 characters; grow until it fits.
    for (int nSize = 256; nSize <= 65536; nSize *= 2) {
        std::string buffer(static_cast<size_t>(nSize), '\0');
        const int nCopied = ::LoadStringA(hInst, nID, &buffer[0], nSize);
        if (nCopied <= 0)
            return FALSE;
        if (nCopied < nSize - 1) {
            buffer.resize(static_cast<size_t>(nCopied));
            m_str.swap(buffer);
            return TRUE;
        }
    }
    return FALSE;
}

char* CString::GetBuffer(int nMinLength)
{
    if (nMinLength > GetLength())
        m_str.resize(static_cast<size_t>(nMinLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(std::strlen(m_str.c_str()));
    m_str.resize(static_cast<size_t>(nNewLength));
}

bool operator==(const CString& a, const char* b)
{
    return a.Compare(b) == 0;
}

bool operator!=(const CString& a, const char* b)
{
    return a.Compare(b) != 0;
}
