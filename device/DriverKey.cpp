#include "DriverKey.h"

#include "HostApi.h"

#include <winioctl.h>
#include <usbioctl.h>

#include <cstddef>
#include <cstring>

namespace {

const DWORD kNameHeaderBytes = offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName);
// Room for a name of 259 UTF-16 units and its zero unit.
const DWORD kNameRequestBytes = kNameHeaderBytes + DRIVER_KEY_CHARS * sizeof(WCHAR);

}  // namespace

int ReadDeviceDriverKey(DEVINST dnDevice, char (&szKey)[DRIVER_KEY_CHARS])
{
    ZeroMemory(szKey, sizeof(szKey));
    ULONG ulType = 0;
    ULONG cbKey = sizeof(szKey);
    if (GetDeviceHostApi().pfnCM_Get_DevNode_Registry_PropertyA(dnDevice, CM_DRP_DRIVER, &ulType, szKey, &cbKey, 0) !=
        CR_SUCCESS)
        return 0;
    if (ulType != REG_SZ || cbKey > sizeof(szKey))
        return 0;
    // The text ends at its first zero within what the host reported, or
    // where the report ends; it must end inside the buffer.
    const size_t cchKey = strnlen(szKey, cbKey);
    if (cchKey >= sizeof(szKey))
        return 0;
    szKey[cchKey] = '\0';
    return cchKey > 0;
}

int RequestPortDriverKey(HANDLE hHub, ULONG nPort, char (&szKey)[DRIVER_KEY_CHARS])
{
    ZeroMemory(szKey, sizeof(szKey));
    union
    {
        USB_NODE_CONNECTION_DRIVERKEY_NAME name;
        BYTE ab[kNameRequestBytes];
    } request;
    ZeroMemory(&request, sizeof(request));
    request.name.ConnectionIndex = nPort;
    DWORD cbReturned = 0;
    if (!GetDeviceHostApi().pfnDeviceIoControl(hHub, IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &request,
                                               kNameRequestBytes, &request, kNameRequestBytes, &cbReturned, nullptr))
        return 0;
    // A name the hub could not fit into the request is no name; what it
    // did return ends at the bytes it reported.
    if (cbReturned <= kNameHeaderBytes || cbReturned > kNameRequestBytes ||
        request.name.ActualLength > kNameRequestBytes)
        return 0;
    WCHAR szUnits[DRIVER_KEY_CHARS];
    const DWORD nUnits = (cbReturned - kNameHeaderBytes) / sizeof(WCHAR);
    DWORD nLength = 0;
    for (; nLength < nUnits; ++nLength) {
        const BYTE* pb = request.ab + kNameHeaderBytes + nLength * sizeof(WCHAR);
        szUnits[nLength] = static_cast<WCHAR>(pb[0] | (pb[1] << 8));
        if (!szUnits[nLength])
            break;
    }
    if (nLength == 0 || nLength == nUnits)
        return 0;  // empty, or cut off before its zero unit
    const int nChars = WideCharToMultiByte(CP_ACP, 0, szUnits, static_cast<int>(nLength), szKey, DRIVER_KEY_CHARS - 1,
                                           nullptr, nullptr);
    if (nChars <= 0) {
        szKey[0] = '\0';
        return 0;
    }
    szKey[nChars] = '\0';
    return 1;
}
