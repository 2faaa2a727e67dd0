// The real host: every entry is the platform's own function, but for the
// eject, which is looked up when first asked for.
#include "HostApi.h"

namespace {

typedef CONFIGRET(WINAPI* EJECT_PROC)(DEVINST, PPNP_VETO_TYPE, LPSTR, ULONG, ULONG);

// Wine's setupapi.dll exports the eject as a stub that ends the process
// when called: a program that runs on Wine has no eject to offer.
bool IsWine()
{
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    return hNtdll && GetProcAddress(hNtdll, "wine_get_version");
}

// From setupapi.dll, which the program loads anyway and which exports the
// function on every Windows that has it.
EJECT_PROC FindEject()
{
    HMODULE hSetupApi = GetModuleHandleA("setupapi.dll");
    if (!hSetupApi || IsWine())
        return nullptr;
    return reinterpret_cast<EJECT_PROC>(reinterpret_cast<void*>(GetProcAddress(hSetupApi, "CM_Request_Device_EjectA")));
}

CONFIGRET WINAPI RequestDeviceEjectA(DEVINST dnDevInst, PPNP_VETO_TYPE pVetoType, LPSTR pszVetoName, ULONG ulNameLength,
                                     ULONG ulFlags)
{
    static const EJECT_PROC pfnEject = FindEject();
    if (!pfnEject)
        return CR_CALL_NOT_IMPLEMENTED;
    return pfnEject(dnDevInst, pVetoType, pszVetoName, ulNameLength, ulFlags);
}

}  // namespace

const DEVICE_HOST_API& GetDeviceHostApi()
{
    static const DEVICE_HOST_API api = {
        ::SetupDiGetClassDevsExA,
        ::SetupDiEnumDeviceInfo,
        ::SetupDiDestroyDeviceInfoList,
        ::SetupDiGetDeviceInstanceIdA,
        ::SetupDiOpenDevRegKey,
        ::CM_Get_Parent,
        ::RegOpenKeyExA,
        ::RegEnumValueA,
        ::RegQueryValueExA,
        ::RegCloseKey,
        ::CreateFileA,
        ::DeviceIoControl,
        ::CloseHandle,
        ::GetProcessHeap,
        ::HeapAlloc,
        ::HeapFree,
        ::GetVersionExA,
        ::GetLastError,
        ::GetLogicalDriveStringsA,
        ::GetDriveTypeA,
        ::CM_Get_DevNode_Registry_PropertyA,
        RequestDeviceEjectA,
    };
    return api;
}
