// GetDeviceHostApi for builds that run against the simulated host: every
// entry counts the call, fails it when asked to, and otherwise lets CSimHost
// answer, holding the host's mutex throughout (the host's timeline thread
// changes it while the program runs).
#include "HostApi.h"
#include "SimHost.h"

namespace {

CSimHost& Host()
{
    return CSimHost::Get();
}

HDEVINFO WINAPI SimGetClassDevsExA(const GUID*, PCSTR, HWND, DWORD Flags, HDEVINFO DeviceInfoSet, PCSTR, PVOID)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetClassDevs))
        return INVALID_HANDLE_VALUE;
    return Host().GetClassDevs(Flags, DeviceInfoSet);
}

BOOL WINAPI SimEnumDeviceInfo(HDEVINFO DeviceInfoSet, DWORD MemberIndex, PSP_DEVINFO_DATA DeviceInfoData)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kEnumDeviceInfo))
        return FALSE;
    return Host().EnumDeviceInfo(DeviceInfoSet, MemberIndex, DeviceInfoData);
}

BOOL WINAPI SimDestroyDeviceInfoList(HDEVINFO DeviceInfoSet)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kDestroyList))
        return FALSE;
    return Host().DestroyList(DeviceInfoSet);
}

BOOL WINAPI SimGetDeviceInstanceIdA(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, PSTR DeviceInstanceId,
                                    DWORD DeviceInstanceIdSize, PDWORD RequiredSize)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetInstanceId))
        return FALSE;
    return Host().GetInstanceId(DeviceInfoSet, DeviceInfoData, DeviceInstanceId, DeviceInstanceIdSize, RequiredSize);
}

HKEY WINAPI SimOpenDevRegKey(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD, DWORD, DWORD KeyType,
                             REGSAM)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kOpenDevRegKey))
        return static_cast<HKEY>(INVALID_HANDLE_VALUE);
    return Host().OpenDevRegKey(DeviceInfoSet, DeviceInfoData, KeyType);
}

CONFIGRET WINAPI SimGetParent(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetParent))
        return CR_FAILURE;
    return Host().GetParent(pdnDevInst, dnDevInst);
}

CONFIGRET WINAPI SimGetDevNodeRegistryPropertyA(DEVINST dnDevInst, ULONG ulProperty, PULONG pulRegDataType,
                                                PVOID Buffer, PULONG pulLength, ULONG)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetDevNodeProperty))
        return CR_FAILURE;
    return Host().GetDevNodeProperty(dnDevInst, ulProperty, pulRegDataType, Buffer, pulLength);
}

LONG WINAPI SimRegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kRegOpenKey))
        return ERROR_ACCESS_DENIED;
    return Host().RegOpenKey(hKey, lpSubKey, phkResult);
}

LONG WINAPI SimRegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD,
                             LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kRegEnumValue))
        return Host().LastError();
    return Host().RegEnumValue(hKey, dwIndex, lpValueName, lpcchValueName, lpType, lpData, lpcbData);
}

LONG WINAPI SimRegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kRegQueryValue))
        return Host().LastError();
    return Host().RegQueryValue(hKey, lpValueName, lpType, lpData, lpcbData);
}

LONG WINAPI SimRegCloseKey(HKEY hKey)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kRegCloseKey))
        return Host().LastError();
    return Host().RegCloseKey(hKey);
}

HANDLE WINAPI SimCreateFileA(LPCSTR lpFileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kCreateFile))
        return INVALID_HANDLE_VALUE;
    return Host().CreateFile(lpFileName);
}

BOOL WINAPI SimDeviceIoControl(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                               LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned, LPOVERLAPPED)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kDeviceIoControl))
        return FALSE;
    return Host().DeviceIoControl(hDevice, dwIoControlCode, lpInBuffer, nInBufferSize, lpOutBuffer, nOutBufferSize,
                                  lpBytesReturned);
}

BOOL WINAPI SimCloseHandle(HANDLE hObject)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kCloseHandle))
        return FALSE;
    return Host().CloseHandle(hObject);
}

HANDLE WINAPI SimGetProcessHeap()
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetProcessHeap))
        return NULL;
    return Host().ProcessHeap();
}

LPVOID WINAPI SimHeapAlloc(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kHeapAlloc) || hHeap != Host().ProcessHeap())
        return NULL;
    return Host().HeapAlloc(dwFlags, dwBytes);
}

BOOL WINAPI SimHeapFree(HANDLE hHeap, DWORD, LPVOID lpMem)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kHeapFree) || hHeap != Host().ProcessHeap())
        return FALSE;
    return Host().HeapFree(lpMem);
}

BOOL WINAPI SimGetVersionExA(LPOSVERSIONINFOA lpVersionInformation)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetVersionEx))
        return FALSE;
    return Host().GetVersionEx(lpVersionInformation);
}

DWORD WINAPI SimGetLastError()
{
    const CSimLock lock(Host().Mutex());
    Host().Enter(CSimHost::kGetLastError);
    return Host().LastError();
}

// The drives are the real ones; their list can be made to fail, and it
// loses the drives of an ejected device (or one that left or is yet to
// come). The drives of the timeline's devices are removable ones.
DWORD WINAPI SimGetLogicalDriveStringsA(DWORD nBufferLength, LPSTR lpBuffer)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetLogicalDriveStrings))
        return 0;
    return Host().GetLogicalDriveStrings(nBufferLength, lpBuffer);
}

UINT WINAPI SimGetDriveTypeA(LPCSTR lpRootPathName)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kGetDriveType))
        return DRIVE_UNKNOWN;
    return Host().GetDriveType(lpRootPathName);
}

CONFIGRET WINAPI SimRequestDeviceEjectA(DEVINST dnDevInst, PPNP_VETO_TYPE pVetoType, LPSTR pszVetoName,
                                        ULONG ulNameLength, ULONG)
{
    const CSimLock lock(Host().Mutex());
    if (Host().Enter(CSimHost::kRequestEject))
        return CR_FAILURE;
    return Host().RequestEject(dnDevInst, pVetoType, pszVetoName, ulNameLength);
}

}  // namespace

const DEVICE_HOST_API& GetDeviceHostApi()
{
    static const DEVICE_HOST_API api = {
        SimGetClassDevsExA,
        SimEnumDeviceInfo,
        SimDestroyDeviceInfoList,
        SimGetDeviceInstanceIdA,
        SimOpenDevRegKey,
        SimGetParent,
        SimRegOpenKeyExA,
        SimRegEnumValueA,
        SimRegQueryValueExA,
        SimRegCloseKey,
        SimCreateFileA,
        SimDeviceIoControl,
        SimCloseHandle,
        SimGetProcessHeap,
        SimHeapAlloc,
        SimHeapFree,
        SimGetVersionExA,
        SimGetLastError,
        SimGetLogicalDriveStringsA,
        SimGetDriveTypeA,
        SimGetDevNodeRegistryPropertyA,
        SimRequestDeviceEjectA,
    };
    return api;
}
