#include "AfxModuleState.h"

AFX_MODULE_STATE* AfxGetModuleState()
{
    static AFX_MODULE_STATE state = {GetModuleHandleA(nullptr), GetModuleHandleA(nullptr)};
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

HINSTANCE AfxFindResourceHandle(LPCSTR lpszName, LPCSTR lpszType)
{
    HINSTANCE hResource = AfxGetResourceHandle();
    if (FindResourceA(hResource, lpszName, lpszType))
        return hResource;
    HINSTANCE hInstance = AfxGetInstanceHandle();
    if (hInstance != hResource && FindResourceA(hInstance, lpszName, lpszType))
        return hInstance;
    return hResource;
}

HINSTANCE AfxFindStringResourceHandle(UINT nID)
{
    return AfxFindResourceHandle(MAKEINTRESOURCEA((nID >> 4) + 1), RT_STRING);
}
