// CString: the framework's narrow string, text in the host's ANSI code page.
// Searches for a separator and case-blind comparisons treat the text as
// multibyte, so the trail byte of a double-byte character is never taken
// for a character of its own.
#pragma once

#include <windows.h>
#include <string>

class CString
{
public:
    CString() = default;
    CString(const char* psz);
    CString(const CString&) = default;
    CString& operator=(const CString&) = default;
    CString& operator=(const char* psz);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    operator const char*() const { return m_str.c_str(); }
    char GetAt(int nIndex) const { return m_str[nIndex]; }

    CString& operator+=(const char* psz);
    CString& operator+=(char ch);
    friend CString operator+(const CString& a, const char* b);

    // First nCount bytes (all of them when nCount is past the end).
    CString Left(int nCount) const;
    // Byte index of the last occurrence of ch, -1 if none. Only whole
    // characters are compared: a trail byte never matches.
    int ReverseFind(char ch) const;
    // Whole-text comparison, 0 when equal; the NoCase form ignores case
    // multibyte-aware, as the runtime's _mbsicmp does.
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    // printf-style formatting, for the program's own formats ("0x%04X").
    void Format(const char* pszFormat, ...);
    // Formatting of a text that comes from the resource module, which anyone
    // may replace, so it never reaches the C formatter: each %s takes the
    // next argument (psz1, psz2, then psz3; as many as are given, up to the
    // last one that is not null), %% becomes %, and every other
    // conversion, and every %s beyond the arguments, is shown as it stands.
    void FormatText(const char* pszFormat, const char* psz1, const char* psz2 = nullptr, const char* psz3 = nullptr);
    void FormatText(UINT nFormatID, const char* psz1, const char* psz2 = nullptr, const char* psz3 = nullptr);
    // How many text arguments FormatText would put into pszFormat: its %s,
    // not counting those of %%.
    static int CountTextArguments(const char* pszFormat);
    // Loads a string-table entry from the current resource source; a
    // missing entry leaves the string empty and returns FALSE.
    BOOL LoadString(UINT nID);

    // Direct access for platform calls that fill a buffer: GetBuffer makes
    // room for nMinLength characters and a terminator; ReleaseBuffer sets
    // the length (to the zero-terminated text when nNewLength is -1).
    char* GetBuffer(int nMinLength);
    void ReleaseBuffer(int nNewLength = -1);

private:
    void FormatV(const char* pszFormat, va_list args);
    std::string m_str;
};

bool operator==(const CString& a, const char* b);
bool operator!=(const CString& a, const char* b);
