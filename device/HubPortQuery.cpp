#include "HubPortQuery.h"

#include "DevicePath.h"
#include "DeviceSearchContext.h"
#include "DriverKey.h"
#include "HostApi.h"
#include "HostResource.h"
#include "IdentityReport.h"
#include "UsbStringText.h"

#include <winioctl.h>
#include <usbioctl.h>

#include <cstddef>
#include <cstring>

namespace {

const DWORD kHubPathBytes = 260;
// Connection information with room for 30 pipes, one buffer per hub scan.
const DWORD kConnectionBytes = sizeof(USB_NODE_CONNECTION_INFORMATION_EX) + 30 * sizeof(USB_PIPE_INFO);
const DWORD kRequestHeaderBytes = offsetof(USB_DESCRIPTOR_REQUEST, Data);
const DWORD kRequestBytes = kRequestHeaderBytes + USB_STRING_DATA_BYTES;
const USHORT kLangUsEnglish = 0x0409;

static_assert(sizeof(USB_NODE_INFORMATION) == 76, "32-bit layout of the hub's node information");
static_assert(kConnectionBytes == 365, "32-bit layout of the connection information");
static_assert(kRequestBytes == 267, "32-bit layout of the string request");

// What one hub scan works with; the strings are cleared for each port.
struct PORT_SCAN
{
    HANDLE hHub;
    USB_NODE_CONNECTION_INFORMATION_EX* pConnection;
    DEVICE_SEARCH_CONTEXT* pSearch;
    BYTE abRequest[kRequestBytes];
    char szDeviceKey[DRIVER_KEY_CHARS];  // the driver key of the device looked up
    char szPortKey[DRIVER_KEY_CHARS];
    char szSerialNumber[USB_IDENTITY_TEXT_CHARS];
    char szManufacturer[USB_IDENTITY_TEXT_CHARS];
    char szProduct[USB_IDENTITY_TEXT_CHARS];
};

// The hub's "SymbolicName" from its device key, as far as the length the
// registry reports; refused unless it ends inside the buffer.
int ReadHubPath(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, char (&szPath)[kHubPathBytes])
{
    const DEVICE_HOST_API& host = GetDeviceHostApi();
    CHostRegistryKey key(
        host.pfnSetupDiOpenDevRegKey(hDevInfo, pDevInfoData, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE));
    if (!key.IsOpen()) {
        ReportIdentityStep(IDENTITY_HUB_FAILED, "its device key cannot be opened");
        return 0;
    }
    ZeroMemory(szPath, sizeof(szPath));
    DWORD cbPath = sizeof(szPath);
    LONG lResult =
        host.pfnRegQueryValueExA(key.Get(), "SymbolicName", nullptr, nullptr, reinterpret_cast<BYTE*>(szPath), &cbPath);
    key.Close();
    const size_t cchPath =
        lResult == ERROR_SUCCESS && cbPath <= sizeof(szPath) ? strnlen(szPath, cbPath) : sizeof(szPath);
    if (cchPath >= sizeof(szPath)) {
        ReportIdentityStep(IDENTITY_HUB_FAILED, "its SymbolicName cannot be read");
        return 0;
    }
    szPath[cchPath] = '\0';
    return 1;
}

int QueryPortCount(HANDLE hHub, UCHAR* pnPorts)
{
    USB_NODE_INFORMATION info = {};
    DWORD cbReturned = 0;
    if (!GetDeviceHostApi().pfnDeviceIoControl(hHub, IOCTL_USB_GET_NODE_INFORMATION, &info, sizeof(info), &info,
                                               sizeof(info), &cbReturned, nullptr))
        return 0;
    const DWORD cbNeeded = offsetof(USB_NODE_INFORMATION, u.HubInformation.HubDescriptor.bNumberOfPorts) + 1;
    *pnPorts = cbReturned >= cbNeeded ? info.u.HubInformation.HubDescriptor.bNumberOfPorts : 0;
    return 1;
}

// Asks a port for string nIndex in US English and converts it into pszText.
// -1: the request failed; 0: the text did not convert; 1: done.
int RequestString(PORT_SCAN& scan, ULONG nPort, UCHAR nIndex, char* pszText)
{
    ZeroMemory(scan.abRequest, sizeof(scan.abRequest));
    USB_DESCRIPTOR_REQUEST* pRequest = reinterpret_cast<USB_DESCRIPTOR_REQUEST*>(scan.abRequest);
    pRequest->ConnectionIndex = nPort;
    pRequest->SetupPacket.wValue = static_cast<USHORT>((USB_STRING_DESCRIPTOR_TYPE << 8) | nIndex);
    pRequest->SetupPacket.wIndex = kLangUsEnglish;
    pRequest->SetupPacket.wLength = USB_STRING_DATA_BYTES;
    DWORD cbReturned = 0;
    if (!GetDeviceHostApi().pfnDeviceIoControl(scan.hHub, IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, scan.abRequest,
                                               kRequestBytes, scan.abRequest, kRequestBytes, &cbReturned, nullptr))
        return -1;
    DWORD cbDescriptor = cbReturned > kRequestHeaderBytes ? cbReturned - kRequestHeaderBytes : 0;
    return UsbStringToText(scan.abRequest + kRequestHeaderBytes, cbDescriptor, pszText, USB_IDENTITY_TEXT_CHARS);
}

void FillIdentity(PORT_SCAN& scan, ULONG nPort)
{
    const USB_NODE_CONNECTION_INFORMATION_EX& info = *scan.pConnection;
    const USB_DEVICE_DESCRIPTOR& desc = info.DeviceDescriptor;
    USB_DEVICE_IDENTITY* pIdentity = scan.pSearch->pIdentity;
    pIdentity->Speed = info.Speed;
    pIdentity->idVendor = desc.idVendor;
    pIdentity->idProduct = desc.idProduct;
    pIdentity->bcdDevice = desc.bcdDevice;
    if (desc.iManufacturer && RequestString(scan, nPort, desc.iManufacturer, scan.szManufacturer) >= 0)
        lstrcpynA(pIdentity->szManufacturer, scan.szManufacturer, USB_IDENTITY_TEXT_CHARS);
    if (desc.iProduct && RequestString(scan, nPort, desc.iProduct, scan.szProduct) >= 0)
        lstrcpynA(pIdentity->szProduct, scan.szProduct, USB_IDENTITY_TEXT_CHARS);
    lstrcpynA(pIdentity->szSerialNumber, scan.szSerialNumber, USB_IDENTITY_TEXT_CHARS);
    char szPort[12];
    wsprintfA(szPort, "%lu", nPort);
    ReportIdentityStep(IDENTITY_HUB_PORT, szPort);
}

enum PORT_RESULT
{
    kNextPort,
    kEndScan
};

PORT_RESULT ScanPort(PORT_SCAN& scan, ULONG nPort)
{
    ZeroMemory(scan.pConnection, kConnectionBytes);
    ZeroMemory(scan.szSerialNumber, sizeof(scan.szSerialNumber));
    ZeroMemory(scan.szManufacturer, sizeof(scan.szManufacturer));
    ZeroMemory(scan.szProduct, sizeof(scan.szProduct));
    USB_NODE_CONNECTION_INFORMATION_EX& info = *scan.pConnection;
    info.ConnectionIndex = nPort;
    DWORD cbReturned = 0;
    if (!GetDeviceHostApi().pfnDeviceIoControl(scan.hHub, IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, &info,
                                               kConnectionBytes, &info, kConnectionBytes, &cbReturned, nullptr))
        return kNextPort;
    if (cbReturned < offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList) || info.ConnectionStatus != DeviceConnected)
        return kNextPort;
    // The port is the device's when the hub names the device's own driver
    // instance for it. Serial numbers cannot tell: one may begin another,
    // a device may have none, and the instance id may name the port.
    if (!RequestPortDriverKey(scan.hHub, nPort, scan.szPortKey) || lstrcmpiA(scan.szPortKey, scan.szDeviceKey) != 0)
        return kNextPort;

    const USB_DEVICE_DESCRIPTOR& desc = info.DeviceDescriptor;
    if (desc.iSerialNumber) {
        int nText = RequestString(scan, nPort, desc.iSerialNumber, scan.szSerialNumber);
        if (nText < 0)
            return kNextPort;
        if (nText == 0) {
            ReportIdentityStep(IDENTITY_HUB_FAILED, "a port's serial number does not convert, which ends the scan");
            return kEndScan;
        }
    }
    FillIdentity(scan, nPort);
    return kEndScan;
}

// The connection information's buffer, zeroed, from the process heap.
CHostHeapBlock AllocConnectionBuffer()
{
    const DEVICE_HOST_API& host = GetDeviceHostApi();
    HANDLE hHeap = host.pfnGetProcessHeap();
    return CHostHeapBlock(hHeap ? host.pfnHeapAlloc(hHeap, HEAP_ZERO_MEMORY, kConnectionBytes) : nullptr,
                          HEAP_BLOCK_TRAITS(hHeap));
}

void ScanHub(DEVICE_SEARCH_CONTEXT* pSearch, const char* pszDeviceKey, HANDLE hHub, UCHAR nPorts)
{
    const CHostHeapBlock connection = AllocConnectionBuffer();
    if (!connection.IsOpen()) {
        ReportIdentityStep(IDENTITY_HUB_FAILED, "no memory for the connection information");
        return;
    }
    PORT_SCAN scan = {};
    scan.hHub = hHub;
    scan.pConnection = static_cast<USB_NODE_CONNECTION_INFORMATION_EX*>(connection.Get());
    scan.pSearch = pSearch;
    lstrcpynA(scan.szDeviceKey, pszDeviceKey, DRIVER_KEY_CHARS);
    for (ULONG nPort = 1; nPort <= nPorts; ++nPort) {
        if (ScanPort(scan, nPort) == kEndScan)
            break;
    }
}

}  // namespace

int QueryHubPortsCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID*, void* pContext)
{
    DEVICE_SEARCH_CONTEXT* pSearch = static_cast<DEVICE_SEARCH_CONTEXT*>(pContext);
    if (!pSearch)
        return 0;
    if (pDevInfoData->DevInst != pSearch->dnHub)
        return 1;
    if (!pSearch->pIdentity)
        return 0;
    // dnTarget is the USB device found (the composite device for an
    // interface); without its driver key no port can be told to be its.
    char szDeviceKey[DRIVER_KEY_CHARS];
    if (!ReadDeviceDriverKey(pSearch->dnTarget, szDeviceKey)) {
        ReportIdentityStep(IDENTITY_NO_HUB_PORT, "the USB device's driver key cannot be read");
        return 0;
    }

    char szPath[kHubPathBytes];
    if (!ReadHubPath(hDevInfo, pDevInfoData, szPath))
        return 0;
    MakeOpenableDevicePath(szPath, sizeof(szPath));
    ReportIdentityStep(IDENTITY_HUB, szPath);
    const CHostFileHandle hub(GetDeviceHostApi().pfnCreateFileA(
        szPath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!hub.IsOpen()) {
        ReportIdentityStep(IDENTITY_HUB_FAILED, "it cannot be opened");
        return 0;
    }
    UCHAR nPorts = 0;
    if (!QueryPortCount(hub.Get(), &nPorts)) {
        ReportIdentityStep(IDENTITY_HUB_FAILED, "its node information cannot be had");
        return 0;
    }
    ScanHub(pSearch, szDeviceKey, hub.Get(), nPorts);
    // The record's fields are written only at the matched port.
    const USB_DEVICE_IDENTITY* pIdentity = pSearch->pIdentity;
    if (!pIdentity->idVendor && !pIdentity->idProduct && !pIdentity->bcdDevice)
        ReportIdentityStep(IDENTITY_NO_HUB_PORT, pSearch->szInstanceId);
    return 0;
}
