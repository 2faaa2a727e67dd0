#include "ProgramModules.h"

#include "resource.h"

const char kDefaultModuleFile[] = "PelkinUpdate.prm";
const char kLanguageModulePattern[] = "PelkinUpdate.*.prm";

namespace {

const char kPrefix[] = "PelkinUpdate.";
const char kSuffix[] = ".prm";
const int kPrefixLength = sizeof kPrefix - 1;
const int kSuffixLength = sizeof kSuffix - 1;

}  // namespace

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
    };
    return dialogs;
}

AFX_MODULE_LOAD LoadProgramModule(const char* pszPath, CResourceModule& module)
{
    return module.Load(pszPath, GetModuleDialogRules());
}
