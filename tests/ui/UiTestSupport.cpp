#include "UiTestSupport.h"

#include "TestFiles.h"

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
    strText.Format(nID, pszFirst, pszSecond);
    return static_cast<const char*>(strText);
}

std::string CfgPath()
{
    return ExeFolder() + "Update.cfg";
}

void WriteCfg(const std::string& text)
{
    WriteFileBytes(CfgPath(), text);
}
