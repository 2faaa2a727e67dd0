#include "ModuleCheck.h"

#include "AfxModuleState.h"
#include "ExitCodes.h"
#include "ProgramModules.h"
#include "TextFit.h"
#include "resource.h"

#include <cctype>
#include <cstring>

namespace {

// What the updater loses without each resource it asks the module for.
struct MODULE_RESOURCE
{
    UINT nID;
    const char* pszLoss;
};

const MODULE_RESOURCE kDialogs[] = {
    {IDD_ABOUT, "the About item opens no window"},
    {IDD_UPDATE_DIALOG, "the updater ends at once without a window"},
};

// A string the module lacks is an empty text where the updater shows it.
const MODULE_RESOURCE kStrings[] = {
    {IDS_ABOUT_ITEM, "no About item in the system menu, and an empty text while updating"},
    {IDS_UPDATE_DONE, "the Updated message is empty"},
    {IDS_COPY_FAILED, "the Copy failed message is empty"},
    {IDS_DEVICE_NOT_FOUND, "the Not found message is empty"},
    {IDS_RETRY_BUTTON, "the button that scans again has no label"},
    {IDS_SEARCHING, "the message of a new scan is empty"},
    {IDS_CLOSE_BUTTON, "the Close button has no label"},
    {IDS_VERSION_REFUSED, "the Version refused message is empty"},
    {IDS_NO_ROOM, "the No room message is empty"},
    {IDS_CAPTION, "the window has no caption"},
    {IDS_DEFAULT_DEVICE_NAME, "the device has an empty name until a model matches"},
};

// The Eject button's messages and the texts the updater gives them.
const struct
{
    UINT nID;
    int nArguments;
    const char* pszArguments;
    bool bOptional;  // a module made before the message shows the Updated one again
} kEjectMessages[] = {
    {IDS_EJECTED, 1, "the device name", false},
    {IDS_EJECT_VETOED, 2, "the device name and what holds the device", false},
    {IDS_EJECT_FAILED, 1, "the device name", true},
};

bool IsFile(const CString& strPath)
{
    const DWORD nAttributes = GetFileAttributesA(strPath);
    return nAttributes != INVALID_FILE_ATTRIBUTES && !(nAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The module as the current resource source and PelkinUpdate.exe as the
// executable for as long as they are checked, as the updater has them:
// what the module lacks, the framework takes from the executable.
class CResourceSource
{
public:
    CResourceSource(HINSTANCE hModule, HINSTANCE hProgram) : m_earlier(*AfxGetModuleState())
    {
        AfxGetModuleState()->m_hCurrentResourceHandle = hModule;
        AfxGetModuleState()->m_hCurrentInstanceHandle = hProgram ? hProgram : hModule;
    }
    ~CResourceSource() { *AfxGetModuleState() = m_earlier; }
    CResourceSource(const CResourceSource&) = delete;
    CResourceSource& operator=(const CResourceSource&) = delete;

private:
    AFX_MODULE_STATE m_earlier;
};

// A module without the Eject button's label (one made before there was a
// button) keeps the layout it had; one with it needs the button's messages.
void CheckEjectTexts(CCheckReport& report)
{
    CString strText;
    if (!strText.LoadString(IDS_EJECT_BUTTON)) {
        strText.Format("no string %u: no Eject button after an update", IDS_EJECT_BUTTON);
        report.AddWarning("PelkinUpdate.prm", strText);
        return;
    }
    for (const auto& message : kEjectMessages) {
        CString strMessage;
        if (!strMessage.LoadString(message.nID) && message.bOptional)
            continue;
        const int nTaken = CString::CountTextArguments(strMessage);
        if (nTaken == message.nArguments)
            continue;
        strText.Format("string %u takes %d texts (%%s), but the updater gives %d: %s", message.nID, nTaken,
                       message.nArguments, message.pszArguments);
        report.AddError("PelkinUpdate.prm", strText);
    }
}

// Whether text names nCode: its digits with no other digit beside them.
bool NamesNumber(const CString& strText, int nCode)
{
    CString strCode;
    strCode.Format("%d", nCode);
    const char* psz = strText;
    for (const char* pszAt = std::strstr(psz, strCode); pszAt; pszAt = std::strstr(pszAt + 1, strCode)) {
        const char chAfter = pszAt[strCode.GetLength()];
        if ((pszAt == psz || !std::isdigit(static_cast<BYTE>(pszAt[-1]))) && !std::isdigit(static_cast<BYTE>(chAfter)))
            return true;
    }
    return false;
}

// The exit codes are no translated text: the usage must name every code
// of the program's table. A module without a usage shows the built-in
// one, which names them all.
void CheckUsageExitCodes(CCheckReport& report)
{
    CString strUsage;
    if (!strUsage.LoadString(IDS_USAGE))
        return;
    CString strLacking;
    for (const EXIT_CODE_MEANING& code : kExitCodes) {
        if (NamesNumber(strUsage, code.nCode))
            continue;
        CString strCode;
        strCode.Format("%s%d", strLacking.IsEmpty() ? "" : ", ", code.nCode);
        strLacking += strCode;
    }
    if (strLacking.IsEmpty())
        return;
    CString strText;
    strText.Format("string %u, the usage, names no exit code %s: its readers don't learn what they mean", IDS_USAGE,
                   static_cast<const char*>(strLacking));
    report.AddWarning("PelkinUpdate.prm", strText);
}

void CheckResources(HINSTANCE hModule, HINSTANCE hProgram, CCheckReport& report)
{
    CResourceSource source(hModule, hProgram);
    CString strText;
    for (const MODULE_RESOURCE& dialog : kDialogs) {
        const char* pszName = MAKEINTRESOURCEA(dialog.nID);
        if (FindResourceA(AfxFindResourceHandle(pszName, RT_DIALOG), pszName, RT_DIALOG))
            continue;
        strText.Format("no dialog %u: %s", dialog.nID, dialog.pszLoss);
        report.AddError("PelkinUpdate.prm", strText);
    }
    for (const MODULE_RESOURCE& text : kStrings) {
        CString strLoaded;
        if (strLoaded.LoadString(text.nID))
            continue;
        strText.Format("no string %u: %s", text.nID, text.pszLoss);
        report.AddError("PelkinUpdate.prm", strText);
    }
    CheckEjectTexts(report);
    CheckUsageExitCodes(report);
    for (int nDpi : kFitDpis)
        CheckTextsFit(nDpi, "PelkinUpdate.prm", report);
}

}  // namespace

void CheckProgramFiles(const char* pszFolder, CCheckReport& report)
{
    const CString strProgram = CString(pszFolder) + "PelkinUpdate.exe";
    if (!IsFile(strProgram))
        report.AddError("PelkinUpdate.exe", "missing: there is no updater for users to start");
    const CString strModule = CString(pszFolder) + kDefaultModuleFile;
    if (!IsFile(strModule)) {
        report.AddError("PelkinUpdate.prm", "missing: the updater ends at once without a window");
        return;
    }
    CResourceModule module;
    const AFX_MODULE_LOAD load = LoadProgramModule(strModule, module);
    CString strText;
    switch (load.fault) {
    case AFX_MODULE_HELD:
        break;
    case AFX_MODULE_NOT_LOADED:
        strText.Format("not a resource module (error %lu): the updater ends at once without a window", load.dwError);
        report.AddError("PelkinUpdate.prm", strText);
        return;
    case AFX_MODULE_NOT_PLAIN:
        report.AddError("PelkinUpdate.prm",
                        load.strReason + "; the updater treats it as missing and ends at once without a window");
        return;
    case AFX_MODULE_CORRUPT:
        report.AddError("PelkinUpdate.prm",
                        "its resource tables are corrupt (" + load.strReason +
                            "): the updater treats it as missing and ends at once without a window");
        return;
    }
    const CResourceModule program(IsFile(strProgram) ? static_cast<LPCSTR>(strProgram) : nullptr);
    CheckResources(module.Get(), program.Get(), report);
}
