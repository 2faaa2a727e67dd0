#include "ProgramModules.h"

#include "resource.h"

const char kDefaultModuleFile[] = "PelkinUpdate.prm";
const char kLanguageModulePattern[] = "PelkinUpdate.*.prm";

namespace {

const char kPrefix[] = "PelkinUpdate.";
const char kSuffix[] = ".prm";
const int kPrefixLength = sizeof kPrefix - 1;
const int kSuffixLength = sizeof kSuffix - 1;
const int kMaxLocaleName = 84;  // LOCALE_NAME_MAX_LENGTH, without its terminator

}  // namespace

BOOL IsLanguageModuleName(const char* pszName)
{
    const CString strName(pszName);
    if (strName.IsEmpty() || strName.GetLength() > kMaxLocaleName)
        return FALSE;
    for (int i = 0; i < strName.GetLength(); ++i) {
        const char ch = strName.GetAt(i);
        const bool bLetter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
        if (!bLetter && !(ch >= '0' && ch <= '9') && ch != '-' && ch != '_')
            return FALSE;
    }
    return TRUE;
}

CString GetLanguageModuleFile(const char* pszName)
{
    return CString(kPrefix) + pszName + kSuffix;
}

BOOL GetLanguageModuleName(const char* pszFile, CString& strName)
{
    const CString strFile(pszFile);
    const int nName = strFile.GetLength() - kPrefixLength - kSuffixLength;
    if (nName <= 0 || lstrcmpiA(strFile.Left(kPrefixLength), kPrefix) != 0 ||
        lstrcmpiA(static_cast<const char*>(strFile) + kPrefixLength + nName, kSuffix) != 0)
        return FALSE;
    strName = CString(static_cast<const char*>(strFile) + kPrefixLength).Left(nName);
    return TRUE;
}

const AFX_DIALOG_RULES& GetModuleDialogRules()
{
    static const AFX_DIALOG_RULES dialogs = {
        {IDD_ABOUT, {}},
        {IDD_UPDATE_DIALOG, {IDC_MESSAGE, IDOK}},
        {IDD_STATION, {}},
    };
    return dialogs;
}

AFX_MODULE_LOAD LoadProgramModule(const char* pszPath, CResourceModule& module)
{
    return module.Load(pszPath, GetModuleDialogRules());
}
