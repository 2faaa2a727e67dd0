#include "LanguageCheck.h"

#include "AfxFileFind.h"
#include "AfxResourceData.h"
#include "ProgramModules.h"
#include "TextFit.h"
#include "resource.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

// The NAME of the folder's language modules, sorted.
std::vector<std::string> ListLanguageNames(const char* pszFolder)
{
    std::vector<std::string> names;
    CFileFind finder;
    BOOL bMore = finder.FindFile(CString(pszFolder) + kLanguageModulePattern);
    while (bMore) {
        bMore = finder.FindNextFile();
        CString strName;
        // The pattern also meets 8.3 names: only the long name counts.
        if (!finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) && GetLanguageModuleName(finder.GetFileName(), strName))
            names.push_back(static_cast<const char*>(strName));
    }
    std::sort(names.begin(), names.end());
    return names;
}

typedef LCID(WINAPI* LOCALE_NAME_TO_LCID_PROC)(LPCWSTR, DWORD);

// LocaleNameToLCID came with Windows Vista: resolved at run time; true
// where the host can't tell.
bool IsKnownLocaleName(const std::string& strName)
{
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    const void* pProc = hKernel ? reinterpret_cast<const void*>(GetProcAddress(hKernel, "LocaleNameToLCID")) : nullptr;
    if (!pProc)
        return true;
    const std::wstring strWide(strName.begin(), strName.end());  // a file name of ASCII letters, or no locale
    return reinterpret_cast<LOCALE_NAME_TO_LCID_PROC>(pProc)(strWide.c_str(), 0) != 0;
}

BOOL CALLBACK AddResourceId(HMODULE, LPCSTR, LPSTR pszName, LONG_PTR lParam)
{
    if (IS_INTRESOURCE(pszName))
        reinterpret_cast<std::vector<UINT>*>(lParam)->push_back(
            static_cast<UINT>(reinterpret_cast<ULONG_PTR>(pszName)));
    return TRUE;
}

std::vector<UINT> ListResourceIds(HINSTANCE hModule, LPCSTR pszType)
{
    std::vector<UINT> ids;
    EnumResourceNamesA(hModule, pszType, AddResourceId, reinterpret_cast<LONG_PTR>(&ids));
    std::sort(ids.begin(), ids.end());
    return ids;
}

// The string-table entries a module holds, by identifier.
std::vector<UINT> ListStringIds(HINSTANCE hModule)
{
    std::vector<UINT> ids;
    for (UINT nBlock : ListResourceIds(hModule, RT_STRING)) {
        const UINT nFirst = AfxFirstStringOfBlock(nBlock);
        for (UINT nID = nFirst; nBlock > 0 && nID < nFirst + AFX_STRINGS_PER_BLOCK; ++nID) {
            if (AfxHoldsString(hModule, nID))
                ids.push_back(nID);
        }
    }
    return ids;
}

std::string LoadText(HINSTANCE hModule, UINT nID)
{
    std::vector<char> text(65536, '\0');
    const int nLength = LoadStringA(hModule, nID, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), nLength > 0 ? static_cast<size_t>(nLength) : 0);
}

void CompareStrings(HINSTANCE hDefault, HINSTANCE hModule, const char* pszPlace, CCheckReport& report)
{
    CString strText;
    for (UINT nID : ListStringIds(hDefault)) {
        if (!AfxHoldsString(hModule, nID)) {
            strText.Format("no string %u: the default's text is shown", nID);
            report.AddWarning(pszPlace, strText);
            continue;
        }
        const int nDefault = CString::CountTextArguments(LoadText(hDefault, nID).c_str());
        const int nOwn = CString::CountTextArguments(LoadText(hModule, nID).c_str());
        if (nOwn != nDefault) {
            strText.Format("string %u takes %d format arguments, the default's %d: the updater gives it %d", nID, nOwn,
                           nDefault, nDefault);
            report.AddError(pszPlace, strText);
        }
    }
}

bool IsAsciiLetter(char ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
}

// The switches a usage names, in lower case, each once: a '/' that stands
// first or after anything but an ASCII letter or digit, and the ASCII
// letters right after it ("/quiet" in "[/quiet [/all]]"; not "/?", the
// "/ or -" of a sentence, "and/or" or "1/2").
std::vector<std::string> ListUsageSwitches(const std::string& strUsage)
{
    std::vector<std::string> switches;
    for (size_t i = 0; i < strUsage.size(); ++i) {
        const char chBefore = i > 0 ? strUsage[i - 1] : ' ';
        if (strUsage[i] != '/' || IsAsciiLetter(chBefore) || (chBefore >= '0' && chBefore <= '9'))
            continue;
        std::string strSwitch = "/";
        for (size_t j = i + 1; j < strUsage.size() && IsAsciiLetter(strUsage[j]); ++j)
            strSwitch += static_cast<char>(strUsage[j] | 0x20);
        if (strSwitch.size() > 1 && std::find(switches.begin(), switches.end(), strSwitch) == switches.end())
            switches.push_back(strSwitch);
    }
    return switches;
}

// A translated usage that leaves out a switch of the default's keeps it
// from its readers. A module without a usage shows the default's, as
// CompareStrings says.
void CompareUsage(HINSTANCE hDefault, HINSTANCE hModule, const char* pszPlace, CCheckReport& report)
{
    if (!AfxHoldsString(hModule, IDS_USAGE))
        return;
    const std::vector<std::string> own = ListUsageSwitches(LoadText(hModule, IDS_USAGE));
    std::string strLacking;
    for (const std::string& strSwitch : ListUsageSwitches(LoadText(hDefault, IDS_USAGE))) {
        if (std::find(own.begin(), own.end(), strSwitch) == own.end())
            strLacking += (strLacking.empty() ? "" : ", ") + strSwitch;
    }
    if (strLacking.empty())
        return;
    CString strText;
    strText.Format("string %u, the usage, names no %s, as the default's does: its readers don't learn of them",
                   IDS_USAGE, strLacking.c_str());
    report.AddWarning(pszPlace, strText);
}

// The language module before the default, as the updater has them, for as
// long as the texts are measured.
class CLanguageSource
{
public:
    CLanguageSource(HINSTANCE hModule, HINSTANCE hDefault) : m_earlier(*AfxGetModuleState())
    {
        AfxGetModuleState()->m_hLanguageResourceHandle = hModule;
        AfxGetModuleState()->m_hCurrentResourceHandle = hDefault;
    }
    ~CLanguageSource() { *AfxGetModuleState() = m_earlier; }
    CLanguageSource(const CLanguageSource&) = delete;
    CLanguageSource& operator=(const CLanguageSource&) = delete;

private:
    AFX_MODULE_STATE m_earlier;
};

void CompareDialogs(HINSTANCE hDefault, HINSTANCE hModule, const char* pszPlace, CCheckReport& report)
{
    CString strText;
    for (UINT nID : ListResourceIds(hDefault, RT_DIALOG)) {
        if (FindResourceA(hModule, MAKEINTRESOURCEA(nID), RT_DIALOG))
            continue;
        strText.Format("no dialog %u: the default's is shown", nID);
        report.AddWarning(pszPlace, strText);
    }
}

// A module the updater passes over is never read any further: its
// resources could end the checker as they would end the updater.
void CheckLanguageModule(const char* pszFolder, const std::string& strName, HINSTANCE hDefault, CCheckReport& report)
{
    const CString strFile = GetLanguageModuleFile(strName.c_str());
    const char* pszPlace = strFile;
    if (!IsKnownLocaleName(strName))
        report.AddWarning(pszPlace, "not a locale name Windows knows: no user's UI language chooses it, only /lang");
    CResourceModule module;
    const AFX_MODULE_LOAD load = LoadProgramModule(CString(pszFolder) + pszPlace, module);
    CString strText;
    if (load.fault == AFX_MODULE_NOT_LOADED) {
        strText.Format("not a resource module (error %lu): the updater passes it over", load.dwError);
        report.AddError(pszPlace, strText);
        return;
    }
    if (load.fault != AFX_MODULE_HELD) {
        report.AddError(pszPlace, "the updater passes this module over: " + load.strReason);
        return;
    }
    if (!hDefault)
        return;  // nothing to compare with; the default's own finding says why
    CompareStrings(hDefault, module.Get(), pszPlace, report);
    CompareUsage(hDefault, module.Get(), pszPlace, report);
    CompareDialogs(hDefault, module.Get(), pszPlace, report);
    const CLanguageSource source(module.Get(), hDefault);
    for (int nDpi : kFitDpis)
        CheckTextsFit(nDpi, pszPlace, report);
}

}  // namespace

void CheckLanguageModules(const char* pszFolder, CCheckReport& report)
{
    const std::vector<std::string> names = ListLanguageNames(pszFolder);
    if (names.empty())
        return;
    CResourceModule defaultModule;
    LoadProgramModule(CString(pszFolder) + kDefaultModuleFile, defaultModule);
    for (const std::string& strName : names)
        CheckLanguageModule(pszFolder, strName, defaultModule.Get(), report);
}
