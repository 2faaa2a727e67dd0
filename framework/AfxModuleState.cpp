#include "AfxModuleState.h"

#include "AfxResourceData.h"

#ifndef LOAD_LIBRARY_AS_IMAGE_RESOURCE
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#endif

AFX_MODULE_STATE* AfxGetModuleState()
{
    static AFX_MODULE_STATE state = {GetModuleHandleA(nullptr), GetModuleHandleA(nullptr), nullptr};
    return &state;
}

HINSTANCE AfxGetInstanceHandle()
{
    return AfxGetModuleState()->m_hCurrentInstanceHandle;
}

HINSTANCE AfxGetResourceHandle()
{
    return AfxGetModuleState()->m_hCurrentResourceHandle;
}

namespace {

// The resource source, else the executable; the source when neither holds it.
HINSTANCE FindInSourceOrProgram(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hResource = AfxGetResourceHandle();
    if (FindResourceA(hResource, lpszName, lpszType))
        return hResource;
    HINSTANCE hInstance = AfxGetInstanceHandle();
    if (hInstance != hResource && FindResourceA(hInstance, lpszName, lpszType))
        return hInstance;
    return hResource;
}

}  // namespace

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hLanguage = AfxGetModuleState()->m_hLanguageResourceHandle;
    if (hLanguage && FindResourceA(hLanguage, lpszName, lpszType))
        return hLanguage;
    return FindInSourceOrProgram(lpszName, lpszType);
}

// An entry the language module lacks is looked up as before it had one.
HINSTANCE AfxFindStringResourceHandle(UINT nID)
{
    HINSTANCE hLanguage = AfxGetModuleState()->m_hLanguageResourceHandle;
    if (hLanguage && AfxHoldsString(hLanguage, nID))
        return hLanguage;
    return FindInSourceOrProgram(AfxStringBlockName(nID), RT_STRING);
}

BOOL AfxHoldsString(HINSTANCE hModule, UINT nID)
{
    HRSRC hBlock = FindResourceA(hModule, AfxStringBlockName(nID), RT_STRING);
    HGLOBAL hData = hBlock ? LoadResource(hModule, hBlock) : nullptr;
    const BYTE* pData = hData ? static_cast<const BYTE*>(LockResource(hData)) : nullptr;
    if (!pData)
        return FALSE;
    WORD anLengths[AFX_STRINGS_PER_BLOCK];
    const UINT nEntry = nID % AFX_STRINGS_PER_BLOCK;
    return nEntry < AfxReadStringBlock(pData, SizeofResource(hModule, hBlock), anLengths) && anLengths[nEntry] != 0;
}

HINSTANCE AfxLoadResourceModule(LPCSTR lpszPath)
{
    HINSTANCE hModule = LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!hModule && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return hModule;
}
