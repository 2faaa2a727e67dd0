#include "AfxModuleState.h"

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
    return FindInSourceOrProgram(MAKEINTRESOURCEA((nID >> 4) + 1), RT_STRING);
}

// A block holds sixteen entries, each a count of UTF-16 characters followed
// by that many characters.
BOOL AfxHoldsString(HINSTANCE hModule, UINT nID)
{
    HRSRC hBlock = FindResourceA(hModule, MAKEINTRESOURCEA((nID >> 4) + 1), RT_STRING);
    HGLOBAL hData = hBlock ? LoadResource(hModule, hBlock) : nullptr;
    const WORD* pEntry = hData ? static_cast<const WORD*>(LockResource(hData)) : nullptr;
    if (!pEntry)
        return FALSE;
    const WORD* pEnd = pEntry + SizeofResource(hModule, hBlock) / sizeof(WORD);
    for (UINT i = 0; i < (nID & 15) && pEntry < pEnd; ++i)
        pEntry += 1 + *pEntry;
    return pEntry < pEnd && *pEntry != 0 && *pEntry < pEnd - pEntry;
}

HINSTANCE AfxLoadResourceModule(LPCSTR lpszPath)
{
    HINSTANCE hModule = LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!hModule && GetLastError() == ERROR_INVALID_PARAMETER)
        hModule = LoadLibraryExA(lpszPath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return hModule;
}
