// Which language module the program takes, and what it takes from the
// default module when the language module lacks it.
#include "AfxModuleState.h"
#include "AfxString.h"
#include "LanguageChoice.h"
#include "TestFiles.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct CHOICE_CASE
{
    const char* pszSwitch;
    std::vector<const char*> userUi;
    const char* pszSystemUi;
    std::vector<std::string> modules;  // beside the program
    LANGUAGE_SOURCE source;
    const char* pszName;
};

TEST(LanguageChoiceTest, FirstModuleInOrder)
{
    const CHOICE_CASE cases[] = {
        {"", {"ja-JP", "de-AT"}, "en-US", {"de", "de-AT"}, LANGUAGE_FROM_USER_UI, "de-AT"},  // exact
        {"", {"fr-CA", "de-AT"}, "en-US", {"fr", "de-AT"}, LANGUAGE_FROM_USER_UI, "fr"},     // neutral first
        {"", {"ja-JP"}, "fr-FR", {"fr"}, LANGUAGE_FROM_SYSTEM_UI, "fr"},
        // An English UI in Switzerland: the region's German is no UI language.
        {"", {"en-US"}, "en-US", {"de", "de-CH"}, LANGUAGE_NONE, ""},
        {"fr", {"de-DE"}, "de-DE", {"de", "fr"}, LANGUAGE_FROM_SWITCH, "fr"},
        {"xx", {"de-DE"}, "de-DE", {"de", "fr"}, LANGUAGE_FROM_USER_UI, "de"},
        {"..\\fr", {}, "", {"..\\fr"}, LANGUAGE_NONE, ""},  // not a file name of the folder
    };
    for (const CHOICE_CASE& one : cases) {
        LANGUAGE_REQUEST request;
        request.strSwitch = one.pszSwitch;
        for (const char* pszName : one.userUi)
            request.arrUserUi.Add(pszName);
        request.strSystemUi = one.pszSystemUi;
        const LANGUAGE_CHOICE choice = ChooseLanguage(request, [&](const CString& strName) {
            return std::find(one.modules.begin(), one.modules.end(), static_cast<const char*>(strName)) !=
                   one.modules.end();
        });
        EXPECT_EQ(one.source, choice.source) << one.pszSwitch << " " << one.pszSystemUi;
        EXPECT_STREQ(one.pszName, choice.strName) << one.pszSwitch << " " << one.pszSystemUi;
    }
}

// Nothing found: each name asked once, in order.
TEST(LanguageChoiceTest, NothingFoundAsksEachNameOnce)
{
    LANGUAGE_REQUEST request;
    request.strSwitch = "de";
    request.arrUserUi.Add("de-DE");
    request.arrUserUi.Add("DE-de");
    request.strSystemUi = "pt-BR";
    std::string strAsked;
    const LANGUAGE_CHOICE choice = ChooseLanguage(request, [&](const CString& strName) {
        strAsked += std::string(strName) + " ";
        return false;
    });
    EXPECT_EQ(LANGUAGE_NONE, choice.source);
    EXPECT_EQ("de de-DE pt-BR pt ", strAsked);
}

// PartialModule.prm lacks the update dialog and string 108, whose block it
// holds: both come from the default module, the rest from it.
TEST(LanguageChoiceTest, WhatTheLanguageModuleLacksComesFromTheDefault)
{
    HINSTANCE hDefault = AfxLoadResourceModule((ExeFolder() + "PelkinUpdate.prm").c_str());
    HINSTANCE hPartial = AfxLoadResourceModule((ExeFolder() + "PartialModule.prm").c_str());
    ASSERT_TRUE(hDefault && hPartial);
    AFX_MODULE_STATE* pState = AfxGetModuleState();
    const AFX_MODULE_STATE earlier = *pState;
    pState->m_hCurrentResourceHandle = hDefault;
    pState->m_hLanguageResourceHandle = hPartial;
    CString strText;
    EXPECT_TRUE(strText.LoadString(IDS_NO_ROOM));
    EXPECT_STREQ("No room on your %s.", strText);
    EXPECT_TRUE(strText.LoadString(IDS_VERSION_REFUSED));
    EXPECT_EQ(0u, std::string(strText).find("Your %s already has firmware version %s"));
    EXPECT_EQ(hDefault, AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), RT_DIALOG));
    EXPECT_EQ(hPartial, AfxFindResourceHandle(MAKEINTRESOURCEA(IDD_ABOUT), RT_DIALOG));
    *pState = earlier;
    FreeLibrary(hPartial);
    FreeLibrary(hDefault);
}

}  // namespace
