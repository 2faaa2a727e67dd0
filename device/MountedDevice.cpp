#include "MountedDevice.h"

#include "HostApi.h"
#include "HostResource.h"

namespace {

const char kDosDevices[] = "\\DosDevices\\";
const DWORD kNameChars = 15;  // "\DosDevices\E:" and its terminator

// The first value of the key named like pszName (ignoring case), read into
// a zero-filled block of the process heap.
int ReadMountValue(HKEY hKey, const char* pszName, WCHAR** ppPath)
{
    const DEVICE_HOST_API& host = GetDeviceHostApi();
    for (DWORD dwIndex = 0;; ++dwIndex) {
        // One spare character beyond what the host is offered: a name that
        // fills the offered buffer still ends in a zero.
        char szName[kNameChars + 1] = {};
        DWORD cchName = kNameChars;
        DWORD cbData = 0;
        LONG lResult = host.pfnRegEnumValueA(hKey, dwIndex, szName, &cchName, nullptr, nullptr, nullptr, &cbData);
        // A name too long for the buffer is not the drive's: pass over it.
        // Any other error ends the walk, or a key that keeps failing would
        // be asked for ever.
        if (lResult == ERROR_MORE_DATA)
            continue;
        if (lResult != ERROR_SUCCESS)
            return 0;
        if (!szName[0] || lstrcmpiA(szName, pszName) != 0)
            continue;

        // The data as UTF-16 text: rounded up to whole units, plus a zero unit.
        if (cbData > 0x7FFFFFF0)
            return 0;
        DWORD cbText = (cbData + 1) & ~1UL;
        HANDLE hHeap = host.pfnGetProcessHeap();
        CHostHeapBlock block(host.pfnHeapAlloc(hHeap, HEAP_ZERO_MEMORY, cbText + sizeof(WCHAR)),
                             HEAP_BLOCK_TRAITS(hHeap));
        if (!block.IsOpen())
            return 0;
        // Offer only the text area, so the zero unit after it stays even if
        // the value has grown since it was listed.
        DWORD cbRead = cbText;
        if (host.pfnRegQueryValueExA(hKey, pszName, nullptr, nullptr, static_cast<BYTE*>(block.Get()), &cbRead) !=
            ERROR_SUCCESS)
            return 0;
        *ppPath = static_cast<WCHAR*>(block.Detach());
        return 1;
    }
}

}  // namespace

int LookupMountedDevice(const char* pszDrive, WCHAR** ppPath)
{
    if (!pszDrive || !pszDrive[0] || (pszDrive[1] && pszDrive[2]) || !ppPath)
        return 0;

    char szName[kNameChars] = {};
    lstrcpyA(szName, kDosDevices);
    if (!lstrcatA(szName, pszDrive))
        return 0;
    szName[sizeof(kDosDevices)] = ':';  // after the letter, whatever stood there

    const DEVICE_HOST_API& host = GetDeviceHostApi();
    HKEY hKey = nullptr;
    if (host.pfnRegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\MountedDevices", 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return 0;
    const CHostRegistryKey key(hKey);
    return ReadMountValue(key.Get(), szName, ppPath);
}
