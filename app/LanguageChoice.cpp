#include "LanguageChoice.h"

#include "ProgramModules.h"

#include <vector>

#ifndef MUI_LANGUAGE_NAME
#define MUI_LANGUAGE_NAME 0x8
#endif

namespace {

// Walks the order, asking each name once.
class CLanguageWalk
{
public:
    explicit CLanguageWalk(const LANGUAGE_MODULE_TEST& pfnTake) : m_pfnTake(pfnTake) {}

    // The name itself, then (when bNeutral) its neutral language.
    bool Try(const CString& strAsked, LANGUAGE_SOURCE source, bool bNeutral, LANGUAGE_CHOICE& choice)
    {
        if (Take(strAsked) || (bNeutral && Take(GetNeutralLanguage(strAsked)))) {
            choice.source = source;
            choice.strName = m_strTaken;
            choice.strAsked = strAsked;
            return true;
        }
        return false;
    }

private:
    bool Take(const CString& strName)
    {
        if (!IsLanguageModuleName(strName))
            return false;
        for (int i = 0; i < m_arrAsked.GetSize(); ++i) {
            if (m_arrAsked[i].CompareNoCase(strName) == 0)
                return false;
        }
        m_arrAsked.Add(strName);
        if (!m_pfnTake(strName))
            return false;
        m_strTaken = strName;
        return true;
    }

    const LANGUAGE_MODULE_TEST& m_pfnTake;
    CStringArray m_arrAsked;
    CString m_strTaken;
};

typedef BOOL(WINAPI* PREFERRED_UI_LANGUAGES_PROC)(DWORD, PULONG, WCHAR*, PULONG);

// A UTF-16 locale name (ASCII by definition) as narrow text.
CString NarrowName(const WCHAR* pszName)
{
    CString strName;
    for (; *pszName; ++pszName)
        strName += static_cast<char>(*pszName < 0x80 ? *pszName : '?');
    return strName;
}

// GetUserPreferredUILanguages came with Windows Vista: resolved at run time.
void ReadUserUiLanguages(CStringArray& arrNames)
{
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    // Through void*: a function pointer of another type, as the host documents it.
    const void* pProc =
        hKernel ? reinterpret_cast<const void*>(GetProcAddress(hKernel, "GetUserPreferredUILanguages")) : nullptr;
    const PREFERRED_UI_LANGUAGES_PROC pfnGet = reinterpret_cast<PREFERRED_UI_LANGUAGES_PROC>(pProc);
    ULONG nCount = 0;
    ULONG nChars = 0;
    if (!pfnGet || !pfnGet(MUI_LANGUAGE_NAME, &nCount, nullptr, &nChars) || nChars == 0)
        return;
    std::vector<WCHAR> names(nChars + 1, L'\0');
    if (!pfnGet(MUI_LANGUAGE_NAME, &nCount, names.data(), &nChars))
        return;
    for (const WCHAR* pszName = names.data(); *pszName; pszName += lstrlenW(pszName) + 1)
        arrNames.Add(NarrowName(pszName));
}

// The system's default UI language by its ISO names (de-DE), which every
// host since Windows 2000 can give.
CString ReadSystemUiLanguage()
{
    const LCID nLocale = MAKELCID(GetSystemDefaultUILanguage(), SORT_DEFAULT);
    char szLanguage[16] = {};
    char szCountry[16] = {};
    if (!GetLocaleInfoA(nLocale, LOCALE_SISO639LANGNAME, szLanguage, sizeof szLanguage))
        return CString();
    CString strName(szLanguage);
    if (GetLocaleInfoA(nLocale, LOCALE_SISO3166CTRYNAME, szCountry, sizeof szCountry) && szCountry[0])
        strName += CString("-") + szCountry;
    return strName;
}

}  // namespace

LANGUAGE_CHOICE ChooseLanguage(const LANGUAGE_REQUEST& request, const LANGUAGE_MODULE_TEST& pfnTake)
{
    LANGUAGE_CHOICE choice = {LANGUAGE_NONE, CString(), CString()};
    CLanguageWalk walk(pfnTake);
    // /lang names the module: no neutral language is made up from it.
    if (walk.Try(request.strSwitch, LANGUAGE_FROM_SWITCH, false, choice))
        return choice;
    for (int i = 0; i < request.arrUserUi.GetSize(); ++i) {
        if (walk.Try(request.arrUserUi[i], LANGUAGE_FROM_USER_UI, true, choice))
            return choice;
    }
    walk.Try(request.strSystemUi, LANGUAGE_FROM_SYSTEM_UI, true, choice);
    return choice;
}

CString GetNeutralLanguage(const CString& strName)
{
    const int nDash = strName.ReverseFind('-');
    return nDash > 0 ? strName.Left(nDash) : CString();
}

void ReadUiLanguages(LANGUAGE_REQUEST& request)
{
    request.arrUserUi.RemoveAll();
    ReadUserUiLanguages(request.arrUserUi);
    request.strSystemUi = ReadSystemUiLanguage();
}

const char* DescribeLanguageSource(LANGUAGE_SOURCE source)
{
    switch (source) {
    case LANGUAGE_FROM_SWITCH:
        return "/lang";
    case LANGUAGE_FROM_USER_UI:
        return "the user's UI language";
    case LANGUAGE_FROM_SYSTEM_UI:
        return "the system's UI language";
    case LANGUAGE_NONE:
        break;
    }
    return "the default";
}
