#include "UiTestSupport.h"

#include "TestFiles.h"
#include "resource.h"

namespace {

HINSTANCE g_hModule = nullptr;

}  // namespace

HINSTANCE UseResourceModule()
{
    if (!g_hModule) {
        const std::string strPath = ExeFolder() + "PelkinUpdate.prm";
        g_hModule = LoadLibraryExA(strPath.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | 0x20 /* LOAD_LIBRARY_AS_IMAGE_RESOURCE */);
    }
    AfxGetModuleState()->m_hCurrentResourceHandle = g_hModule;
    return g_hModule;
}

void UseOwnResources()
{
    AfxGetModuleState()->m_hCurrentResourceHandle = GetModuleHandleA(nullptr);
}

std::string Text(UINT nID)
{
    CString strText;
    strText.LoadString(nID);
    return static_cast<const char*>(strText);
}

std::string Formatted(UINT nID, const char* pszFirst, const char* pszSecond)
{
    CString strText;
    strText.FormatText(nID, pszFirst, pszSecond);
    return static_cast<const char*>(strText);
}

namespace {

INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

}  // namespace

RECT TemplateItemRect(int nID)
{
    RECT rect = {};
    HWND hDlg =
        CreateDialogParamA(UseResourceModule(), MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), nullptr, QuietDialogProc, 0);
    if (!hDlg)
        return rect;
    GetWindowRect(GetDlgItem(hDlg, nID), &rect);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rect), 2);
    DestroyWindow(hDlg);
    return rect;
}

std::string TemplateItemText(int nID)
{
    char szText[260] = {};
    HWND hDlg =
        CreateDialogParamA(UseResourceModule(), MAKEINTRESOURCEA(IDD_UPDATE_DIALOG), nullptr, QuietDialogProc, 0);
    if (!hDlg)
        return std::string();
    GetDlgItemTextA(hDlg, nID, szText, sizeof szText);
    DestroyWindow(hDlg);
    return szText;
}
