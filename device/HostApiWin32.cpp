// The real host: every entry is the platform's own function.
#include "HostApi.h"

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
    };
    return api;
}
