// The platform calls that device identification makes, and the drive list
// that the scan walks, gathered in one record so that the program can run
// against the real host or against a simulated one. Device code and the
// scan's drive walk reach these calls only through GetDeviceHostApi();
// every other Win32 call they make is a direct one.
// Which host answers is decided at link time: device_host_win32 hands out
// the real functions, hostsim a simulated host.
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>

struct DEVICE_HOST_API
{
    // The formatter glues a calling convention to the return type and breaks
    // the parameter list away from the name; these read as the declarations they mirror.
    // clang-format off
    // Device tree (SetupAPI, configuration manager).
    HDEVINFO (WINAPI* pfnSetupDiGetClassDevsExA)(const GUID* ClassGuid, PCSTR Enumerator, HWND hwndParent,
                                                 DWORD Flags, HDEVINFO DeviceInfoSet, PCSTR MachineName,
                                                 PVOID Reserved);
    BOOL (WINAPI* pfnSetupDiEnumDeviceInfo)(HDEVINFO DeviceInfoSet, DWORD MemberIndex,
                                            PSP_DEVINFO_DATA DeviceInfoData);
    BOOL (WINAPI* pfnSetupDiDestroyDeviceInfoList)(HDEVINFO DeviceInfoSet);
    BOOL (WINAPI* pfnSetupDiGetDeviceInstanceIdA)(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData,
                                                  PSTR DeviceInstanceId, DWORD DeviceInstanceIdSize,
                                                  PDWORD RequiredSize);
    HKEY (WINAPI* pfnSetupDiOpenDevRegKey)(HDEVINFO DeviceInfoSet, PSP_DEVINFO_DATA DeviceInfoData, DWORD Scope,
                                           DWORD HwProfile, DWORD KeyType, REGSAM samDesired);
    CONFIGRET (WINAPI* pfnCM_Get_Parent)(PDEVINST pdnDevInst, DEVINST dnDevInst, ULONG ulFlags);

    // Registry.
    LONG (WINAPI* pfnRegOpenKeyExA)(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                    PHKEY phkResult);
    LONG (WINAPI* pfnRegEnumValueA)(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                                    LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
    LONG (WINAPI* pfnRegQueryValueExA)(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                       LPBYTE lpData, LPDWORD lpcbData);
    LONG (WINAPI* pfnRegCloseKey)(HKEY hKey);

    // Hub driver's device-control interface.
    HANDLE (WINAPI* pfnCreateFileA)(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                    LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                                    DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
    BOOL (WINAPI* pfnDeviceIoControl)(HANDLE hDevice, DWORD dwIoControlCode, LPVOID lpInBuffer, DWORD nInBufferSize,
                                      LPVOID lpOutBuffer, DWORD nOutBufferSize, LPDWORD lpBytesReturned,
                                      LPOVERLAPPED lpOverlapped);
    BOOL (WINAPI* pfnCloseHandle)(HANDLE hObject);

    // Process heap, version, last error.
    HANDLE (WINAPI* pfnGetProcessHeap)(void);
    LPVOID (WINAPI* pfnHeapAlloc)(HANDLE hHeap, DWORD dwFlags, SIZE_T dwBytes);
    BOOL (WINAPI* pfnHeapFree)(HANDLE hHeap, DWORD dwFlags, LPVOID lpMem);
    BOOL (WINAPI* pfnGetVersionExA)(LPOSVERSIONINFOA lpVersionInformation);
    DWORD (WINAPI* pfnGetLastError)(void);

    // Drive list.
    DWORD (WINAPI* pfnGetLogicalDriveStringsA)(DWORD nBufferLength, LPSTR lpBuffer);
    UINT (WINAPI* pfnGetDriveTypeA)(LPCSTR lpRootPathName);

    // A device node's registry property (its driver key).
    CONFIGRET (WINAPI* pfnCM_Get_DevNode_Registry_PropertyA)(DEVINST dnDevInst, ULONG ulProperty,
                                                             PULONG pulRegDataType, PVOID Buffer, PULONG pulLength,
                                                             ULONG ulFlags);

    // Asks the drivers of a device node to let it go (safe removal). Never
    // imported: Wine exports it from setupapi.dll alone, as a stub that
    // ends the process when called; the real host resolves it at run time.
    CONFIGRET (WINAPI* pfnCM_Request_Device_EjectA)(DEVINST dnDevInst, PPNP_VETO_TYPE pVetoType, LPSTR pszVetoName,
                                                    ULONG ulNameLength, ULONG ulFlags);
    // clang-format on
};

// The host that device identification talks to (one per program).
const DEVICE_HOST_API& GetDeviceHostApi();
