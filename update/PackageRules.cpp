#include "PackageRules.h"

#include <cwchar>
#include <string>

namespace {

// Windows reads the base of a name up to its first dot (or colon), without
// the blanks at its end, for a device.
const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
// The digits after COM and LPT: 1 to 9 and Latin-1's superscript 1, 2, 3.
const wchar_t kDeviceDigits[] = L"123456789\u00B9\u00B2\u00B3";

}  // namespace

std::wstring WideName(const char* pszName)
{
    const int nWide = MultiByteToWideChar(CP_ACP, 0, pszName, -1, nullptr, 0);
    if (nWide <= 1)
        return std::wstring();
    std::wstring strWide(static_cast<size_t>(nWide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pszName, -1, &strWide[0], nWide);
    strWide.resize(static_cast<size_t>(nWide - 1));
    return strWide;
}

namespace {

// True when the ANSI code page holds every character of the name as
// itself, so that the narrow name opens this very file.
bool IsHeldByCodePage(const wchar_t* pszName)
{
    // UTF-8 (a code page Windows 10 offers as ANSI) holds every character,
    // and refuses the flag and the default.
    if (GetACP() == CP_UTF8)
        return true;
    BOOL bDefaulted = FALSE;
    const int nBytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, pszName, -1, nullptr, 0, nullptr, &bDefaulted);
    return nBytes > 0 && !bDefaulted;
}

}  // namespace

int HexDigitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

bool IsIdTextMatch(const char* pszValue, WORD nId)
{
    CString strId;
    strId.Format("0x%04X", nId);
    return strId.CompareNoCase(pszValue) == 0;
}

bool IsReleaseAccepted(const char* pszVersion, WORD nRelease)
{
    if (!pszVersion || !*pszVersion)
        return true;
    CString strRelease;
    strRelease.Format("%04X", nRelease);
    return strRelease.CompareNoCase(pszVersion) <= 0;
}

bool EndsInDotOrBlank(const wchar_t* pszName)
{
    const size_t nLength = std::wcslen(pszName);
    return nLength > 0 && (pszName[nLength - 1] == L'.' || pszName[nLength - 1] == L' ');
}

bool EndsInDotOrBlank(const char* pszName)
{
    return EndsInDotOrBlank(WideName(pszName).c_str());
}

bool IsDeviceName(const wchar_t* pszName)
{
    std::wstring strBase(pszName, std::wcscspn(pszName, L".:"));
    strBase.erase(strBase.find_last_not_of(L' ') + 1);
    CharUpperBuffW(&strBase[0], static_cast<DWORD>(strBase.size()));
    for (const wchar_t* pszDevice : kDevices) {
        if (strBase == pszDevice)
            return true;
    }
    const bool bNumbered = strBase.size() == 4 && std::wcschr(kDeviceDigits, strBase[3]);
    return bNumbered && (strBase.compare(0, 3, L"COM") == 0 || strBase.compare(0, 3, L"LPT") == 0);
}

bool IsDeviceName(const char* pszName)
{
    return IsDeviceName(WideName(pszName).c_str());
}

const char* JudgePackageFileName(const wchar_t* pszName, PACKAGE_NAME_SET& seen)
{
    if (IsDeviceName(pszName))
        return "named like a device (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1 to COM9, LPT1 to LPT9, also with "
               "blanks before the extension)";
    if (EndsInDotOrBlank(pszName))
        return "the name ends in a dot or a blank";
    if (!IsHeldByCodePage(pszName))
        return "the ANSI code page can't hold the name";
    std::wstring strUpper = pszName;
    CharUpperBuffW(&strUpper[0], static_cast<DWORD>(strUpper.size()));
    if (!seen.insert(strUpper).second)
        return "another file of the package bears the same name but for case";
    return nullptr;
}

const char* JudgePackageFileName(const char* pszName, PACKAGE_NAME_SET& seen)
{
    return JudgePackageFileName(WideName(pszName).c_str(), seen);
}
