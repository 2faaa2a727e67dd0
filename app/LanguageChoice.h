// Which language module speaks to the user. Beside the default module
// PelkinUpdate.prm, the program's folder may hold PelkinUpdate.NAME.prm,
// NAME a locale name as Windows writes it (de-DE, de, fr, pt-BR). The first
// module found in this order is taken:
//
//   1. the name given with /lang;
//   2. each of the user's preferred UI languages, in order: the name
//      itself, then its neutral language (de for de-AT);
//   3. the system's default UI language, itself then neutral.
//
// Only UI languages count: never the region or format settings, so that
// an English Windows in Switzerland stays English.
#pragma once

#include "AfxString.h"
#include "AfxStringArray.h"

#include <functional>

enum LANGUAGE_SOURCE
{
    LANGUAGE_FROM_SWITCH,     // /lang
    LANGUAGE_FROM_USER_UI,    // the user's preferred UI languages
    LANGUAGE_FROM_SYSTEM_UI,  // the system's default UI language
    LANGUAGE_NONE             // no language module: the default alone
};

// What the choice starts from.
struct LANGUAGE_REQUEST
{
    CString strSwitch;       // the /lang name; empty when not given
    CStringArray arrUserUi;  // the user's preferred UI languages, first first
    CString strSystemUi;     // the system's default UI language; may be empty
};

struct LANGUAGE_CHOICE
{
    LANGUAGE_SOURCE source;
    CString strName;   // the module's NAME; empty with LANGUAGE_NONE
    CString strAsked;  // the UI language that led to it (de-AT for de)
};

// Asked once per name, in order, whether the module of that name is there
// and can be used; true takes it.
typedef std::function<bool(const CString& strName)> LANGUAGE_MODULE_TEST;

// The first name of the request's order that pfnTake takes. Names that
// could not be a module's NAME (IsLanguageModuleName) are never asked
// for; neither is a name asked for twice (names are not case-sensitive).
LANGUAGE_CHOICE ChooseLanguage(const LANGUAGE_REQUEST& request, const LANGUAGE_MODULE_TEST& pfnTake);

// The neutral language of a locale name: the name without its last
// '-' part (de for de-AT, zh-Hant for zh-Hant-TW); empty when it has none.
CString GetNeutralLanguage(const CString& strName);

// The host's UI languages (GetUserPreferredUILanguages by name, then
// GetSystemDefaultUILanguage) into request; the switch is left alone.
void ReadUiLanguages(LANGUAGE_REQUEST& request);

// How the log says where a choice came from.
const char* DescribeLanguageSource(LANGUAGE_SOURCE source);
