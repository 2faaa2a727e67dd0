#include "SimHost.h"

#include "DevicePath.h"

#include <algorithm>
#include <cstddef>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

const char* const g_apszCallNames[CSimHost::kCallCount] = {
    "SetupDiGetClassDevsExA",
    "SetupDiEnumDeviceInfo",
    "SetupDiDestroyDeviceInfoList",
    "SetupDiGetDeviceInstanceIdA",
    "SetupDiOpenDevRegKey",
    "CM_Get_Parent",
    "RegOpenKeyExA",
    "RegEnumValueA",
    "RegQueryValueExA",
    "RegCloseKey",
    "CreateFileA",
    "DeviceIoControl",
    "CloseHandle",
    "GetProcessHeap",
    "HeapAlloc",
    "HeapFree",
    "GetVersionExA",
    "GetLastError",
    "GetLogicalDriveStringsA",
    "GetDriveTypeA",
    "CM_Get_DevNode_Registry_PropertyA",
    "CM_Request_Device_EjectA",
};

const char kUsbHubGuid[] = "#{f18a0e88-c30c-11d0-8815-00a0c906bed8}";
const char kDiskGuid[] = "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
const char kVolumeGuid[] = "#{53f5630d-b6bf-11d0-94f2-00a0c91efb8b}";

// Setup classes, by the enumerator that starts an instance id: what a
// node's driver key begins with.
const struct
{
    const char* pszEnumerator;
    const char* pszClassGuid;
} g_aClasses[] = {
    {"USB\\", "{36fc9e60-c465-11cf-8056-444553540000}"},      // USB
    {"USBSTOR\\", "{4d36e967-e325-11ce-bfc1-08002be10318}"},  // DiskDrive
    {"STORAGE\\", "{71a27cdd-812a-11d0-bec7-08002be2092f}"},  // Volume
};
const char kSystemClassGuid[] = "{4d36e97d-e325-11ce-bfc1-08002be10318}";

std::string Format(const char* pszFormat, ...)
{
    char sz[1024];
    va_list args;
    va_start(args, pszFormat);
    vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    return sz;
}

bool SameText(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

}  // namespace

CSimHost& CSimHost::Get()
{
    static CSimHost host;
    return host;
}

CSimHost::CSimHost()
{
    Reset();
}

// The program ends: the drives that the timeline pulled are put back in
// the prefix (only a run cut off leaves them aside, for the next to find).
CSimHost::~CSimHost()
{
    StopTimeline();
}

const char* CSimHost::CallName(int nCall)
{
    return g_apszCallNames[nCall];
}

void CSimHost::Reset()
{
    StopTimeline();
    const CSimLock lock(m_mutex);
    m_vTimeline.clear();
    m_strTimelineDrives.clear();
    m_dwTimelineStart = 0;
    m_mapUnplugged.clear();
    for (auto& block : m_mapHeapBlocks)
        ::HeapFree(::GetProcessHeap(), 0, const_cast<void*>(block.first));
    m_mapHeapBlocks.clear();
    m_mapSets.clear();
    m_mapKeys.clear();
    m_mapHubHandles.clear();
    m_vNodes.clear();
    m_vListOrder.clear();
    m_vHubs.clear();
    m_vMount.clear();
    m_bMountMissing = false;
    m_dwMajor = 6;
    m_dwLastError = 0;
    m_dwLastFlags = 0;
    m_strLastCreateFile.clear();
    for (int i = 0; i < kCallCount; ++i) {
        m_anCalls[i] = 0;
        m_avFailures[i].clear();
    }
    m_nNextHandle = 0x5100;
    m_nSticks = 0;
    m_mapClassInstances.clear();
    m_mapDriveDevices.clear();
    m_strGoneDrives.clear();
    m_vEjectRequests.clear();
    m_bEjectVeto = false;
    m_ejectVetoType = PNP_VetoTypeUnknown;
    m_strEjectVetoName.clear();
    m_nEjectVetoTimes = 0;

    DEVINST dnRoot = AddNode("HTREE\\ROOT\\0", 0);
    DEVINST dnController = AddNode("PCI\\VEN_8086&DEV_293C&SUBSYS_20F017AA&REV_03\\3&21436425&0&EF", dnRoot);
    DEVINST dnRootHub = AddNode("USB\\ROOT_HUB20\\4&1A2B3C4D&0", dnController);
    HUB hub = {dnRootHub,
               2,
               true,
               "\\??\\USB#ROOT_HUB20#4&1a2b3c4d&0" + std::string(kUsbHubGuid) + std::string(1, '\0'),
               -1,
               false,
               std::vector<SIM_PORT>(2)};
    m_vHubs.push_back(hub);
}

// ---- Scenario building ----------------------------------------------------

DEVINST CSimHost::AddNode(const std::string& strInstanceId, DEVINST dnParent)
{
    // The tree's root has no driver; every other node has a key of its own.
    m_vNodes.push_back(NODE{strInstanceId, dnParent, true, dnParent ? NextDriverKey(strInstanceId) : std::string()});
    DEVINST dn = static_cast<DEVINST>(m_vNodes.size());
    m_vListOrder.push_back(dn);
    return dn;
}

DEVINST CSimHost::ControllerNode() const
{
    return 2;
}

DEVINST CSimHost::RootHubNode() const
{
    return m_vHubs[0].dn;
}

void CSimHost::AddFillerDevices(int n)
{
    for (int i = 0; i < n; ++i)
        AddNode(Format("PCI\\VEN_10EC&DEV_8168&SUBSYS_%08X&REV_06\\4&%X&0&00E4", 0x1000 + i, 0x2F0000 + i),
                ControllerNode());
}

void CSimHost::MoveToFront(DEVINST dn)
{
    HideFromList(dn);
    m_vListOrder.insert(m_vListOrder.begin(), dn);
}

void CSimHost::MoveToEnd(DEVINST dn)
{
    HideFromList(dn);
    m_vListOrder.push_back(dn);
}

void CSimHost::HideFromList(DEVINST dn)
{
    m_vListOrder.erase(std::remove(m_vListOrder.begin(), m_vListOrder.end(), dn), m_vListOrder.end());
}

const std::string& CSimHost::InstanceId(DEVINST dn) const
{
    return m_vNodes.at(dn - 1).strId;
}

void CSimHost::SetInstanceId(DEVINST dn, const std::string& strInstanceId)
{
    m_vNodes.at(dn - 1).strId = strInstanceId;
}

const std::string& CSimHost::DriverKey(DEVINST dn) const
{
    return m_vNodes.at(dn - 1).strDriverKey;
}

void CSimHost::SetDriverKey(DEVINST dn, const std::string& strRawBytes)
{
    m_vNodes.at(dn - 1).strDriverKey = strRawBytes;
}

// "{class GUID}\NNNN": instances are numbered within their class, so that
// keys of different classes share their numbers, as on a real host.
std::string CSimHost::NextDriverKey(const std::string& strInstanceId)
{
    std::string strClass = kSystemClassGuid;
    for (const auto& cls : g_aClasses)
        if (strInstanceId.compare(0, strlen(cls.pszEnumerator), cls.pszEnumerator) == 0)
            strClass = cls.pszClassGuid;
    unsigned nInstance = m_mapClassInstances[strClass]++;
    return Format("%s\\%04u", strClass.c_str(), nInstance) + std::string(1, '\0');
}

int CSimHost::AddHub(int nPorts)
{
    int nHub = static_cast<int>(m_vHubs.size());
    std::string strSuffix = Format("5&2C8E9A1&0&%d", nHub);
    DEVINST dn = AddNode("USB\\VID_05E3&PID_0608\\" + strSuffix, RootHubNode());
    std::string strName = "\\??\\USB#VID_05E3&PID_0608#" + strSuffix + kUsbHubGuid + std::string(1, '\0');
    m_vHubs.push_back(HUB{dn, nPorts, true, strName, -1, false, std::vector<SIM_PORT>(nPorts)});
    return nHub;
}

DEVINST CSimHost::HubNode(int nHub) const
{
    return m_vHubs.at(nHub).dn;
}

void CSimHost::SetPortCount(int nHub, int nPorts)
{
    m_vHubs.at(nHub).nPorts = nPorts;
    m_vHubs.at(nHub).vPorts.resize(nPorts);
}

void CSimHost::SetSymbolicName(int nHub, const std::string& strRawBytes)
{
    m_vHubs.at(nHub).bHasName = true;
    m_vHubs.at(nHub).strName = strRawBytes;
}

void CSimHost::RemoveSymbolicName(int nHub)
{
    m_vHubs.at(nHub).bHasName = false;
}

void CSimHost::SetNodeInfoBytes(int nHub, int nBytes, bool bZero)
{
    m_vHubs.at(nHub).nNodeInfoBytes = nBytes;
    m_vHubs.at(nHub).bZeroNodeInfo = bZero;
}

SIM_PORT& CSimHost::Port(int nHub, int nPort)
{
    return m_vHubs.at(nHub).vPorts.at(nPort - 1);
}

SIM_STICK CSimHost::AddStick(int nHub, int nPort, USHORT idVendor, USHORT idProduct, const char* pszSerial,
                             char chDrive, bool bIdByPort)
{
    SIM_STICK stick;
    const bool bSerialInId = pszSerial && !bIdByPort;
    std::string strTail = bSerialInId ? pszSerial : Format("6&%X&0&%d", 0x3A11F0 + nHub, nPort);
    stick.strUsbId = Format("USB\\VID_%04X&PID_%04X\\", idVendor, idProduct) + strTail;
    stick.dnUsb = AddNode(stick.strUsbId, HubNode(nHub));

    SIM_PORT& port = Port(nHub, nPort);
    port.ConnectionStatus = DeviceConnected;
    port.Speed = UsbHighSpeed;
    USB_DEVICE_DESCRIPTOR& desc = port.Descriptor;
    desc = USB_DEVICE_DESCRIPTOR();
    desc.bLength = sizeof(USB_DEVICE_DESCRIPTOR);
    desc.bDescriptorType = USB_DEVICE_DESCRIPTOR_TYPE;
    desc.bcdUSB = 0x0200;
    desc.bMaxPacketSize0 = 64;
    desc.idVendor = idVendor;
    desc.idProduct = idProduct;
    desc.bcdDevice = 0x0100;
    desc.iManufacturer = 1;
    desc.iProduct = 2;
    desc.iSerialNumber = pszSerial ? 3 : 0;
    desc.bNumConfigurations = 1;
    port.mapStrings.clear();
    port.mapStrings[0] = std::string("\x04\x03\x09\x04", 4);
    port.mapStrings[1] = StringDescriptor(L"Example Corp");
    port.mapStrings[2] = StringDescriptor(L"Flash Disk");
    if (pszSerial)
        port.mapStrings[3] = StringDescriptor(Widen(pszSerial));
    port.dnDevice = stick.dnUsb;
    // The disk's id carries the serial number only where the device's does.
    return AddStorage(stick, stick.dnUsb, bSerialInId ? pszSerial : nullptr, chDrive);
}

SIM_STICK CSimHost::AddCompositeStick(int nHub, int nPort, USHORT idVendor, USHORT idProduct, const char* pszSerial,
                                      char chDrive, bool bIdByPort)
{
    SIM_STICK stick = AddStick(nHub, nPort, idVendor, idProduct, pszSerial, chDrive, bIdByPort);
    // The storage sits below an interface of the composite device.
    std::string strInterface =
        Format("USB\\VID_%04X&PID_%04X&MI_00\\7&%X&0&0000", idVendor, idProduct, 0x1C0DE00 + m_nSticks);
    stick.dnInterface = AddNode(strInterface, stick.dnUsb);
    m_vNodes[stick.dnDisk - 1].dnParent = stick.dnInterface;
    return stick;
}

SIM_STICK CSimHost::AddStorage(SIM_STICK stick, DEVINST dnStorageParent, const char* pszSerial, char chDrive)
{
    int nStick = ++m_nSticks;
    std::string strDiskTail = pszSerial ? std::string(pszSerial) : Format("7&%X&0", 0x2B0000 + nStick);
    std::string strDisk = "USBSTOR\\DISK&VEN_EXAMPLE&PROD_FLASH_DISK&REV_1.00\\" + strDiskTail + "&0";
    stick.dnDisk = AddNode(strDisk, dnStorageParent);
    std::string strMedia = Format("7&%X&0&RM", 0x1B3B5C00 + nStick);
    stick.dnVolume = AddNode("STORAGE\\REMOVABLEMEDIA\\" + strMedia, stick.dnDisk);
    if (m_dwMajor >= 6)
        stick.strMountPath =
            "\\??\\USBSTOR#Disk&Ven_Example&Prod_Flash_Disk&Rev_1.00#" + strDiskTail + "&0" + kDiskGuid;
    else
        stick.strMountPath = "\\??\\STORAGE#RemovableMedia#" + strMedia + kVolumeGuid;
    if (chDrive) {
        AddMountPath(chDrive, stick.strMountPath);
        m_mapDriveDevices[static_cast<char>(chDrive & ~0x20)] = stick.dnUsb;
    }
    return stick;
}

void CSimHost::AddMountValue(const std::string& strName, const std::string& strRawBytes)
{
    m_vMount.push_back(MOUNT_VALUE{strName, strRawBytes});
}

void CSimHost::AddMountPath(char chDrive, const std::string& strPath)
{
    std::string strBytes = Utf16(Widen(strPath));
    AddMountValue(Format("\\??\\Volume{8e1a2d3c-%04x-11f0-9a2b-806e6f6e6963}", 0x4000 + m_vMount.size()), strBytes);
    AddMountValue(Format("\\DosDevices\\%c:", chDrive), strBytes);
}

void CSimHost::SetMountTableMissing(bool bMissing)
{
    m_bMountMissing = bMissing;
}

void CSimHost::SetHostMajorVersion(DWORD dwMajor)
{
    m_dwMajor = dwMajor;
}

void CSimHost::SetEjectVeto(PNP_VETO_TYPE vetoType, const std::string& strVetoName, unsigned nTimes)
{
    m_bEjectVeto = true;
    m_ejectVetoType = vetoType;
    m_strEjectVetoName = strVetoName;
    m_nEjectVetoTimes = nTimes;
}

bool CSimHost::IsDriveGone(char chDrive) const
{
    return m_strGoneDrives.find(static_cast<char>(chDrive & ~0x20)) != std::string::npos;
}

void CSimHost::SetTimeline(DEVINST dnDevice, DWORD dwArriveMs, DWORD dwLeaveMs)
{
    const CSimLock lock(m_mutex);
    m_vTimeline.push_back(TIMELINE_DEVICE{dnDevice, dwArriveMs, dwLeaveMs});
    m_strTimelineDrives += DrivesOf(dnDevice);
    if (dwArriveMs > 0)
        Unplug(dnDevice);
}

void CSimHost::FailCall(const std::string& strCall, unsigned nNth, DWORD dwError)
{
    for (int i = 0; i < kCallCount; ++i) {
        if (strCall == g_apszCallNames[i]) {
            m_avFailures[i].push_back(FAILURE{nNth == 0, nNth, dwError});
            return;
        }
    }
    fprintf(stderr, "CSimHost::FailCall: no call named %s\n", strCall.c_str());
}

unsigned CSimHost::Calls(const std::string& strCall) const
{
    for (int i = 0; i < kCallCount; ++i)
        if (strCall == g_apszCallNames[i])
            return m_anCalls[i];
    return 0;
}

std::string CSimHost::LeakReport() const
{
    return Format("device sets %d, registry keys %d, hub handles %d, heap blocks %d", OpenDeviceSets(), OpenKeys(),
                  OpenHubHandles(), OpenHeapBlocks());
}

SIZE_T CSimHost::HeapBlockSize(const void* pBlock) const
{
    auto it = m_mapHeapBlocks.find(pBlock);
    return it == m_mapHeapBlocks.end() ? 0 : it->second;
}

std::wstring CSimHost::Widen(const std::string& str)
{
    // Not char by char: a byte above 0x7F is a letter of the code page, not
    // a negative number to be widened.
    if (str.empty())
        return std::wstring();
    int nChars = MultiByteToWideChar(CP_ACP, 0, str.data(), static_cast<int>(str.size()), nullptr, 0);
    std::wstring wide(nChars > 0 ? nChars : 0, L'\0');
    if (nChars > 0)
        MultiByteToWideChar(CP_ACP, 0, str.data(), static_cast<int>(str.size()), &wide[0], nChars);
    return wide;
}

std::string CSimHost::Utf16(const std::wstring& str)
{
    std::string strBytes;
    for (wchar_t ch : str) {
        strBytes += static_cast<char>(ch & 0xFF);
        strBytes += static_cast<char>((ch >> 8) & 0xFF);
    }
    return strBytes;
}

std::string CSimHost::StringDescriptor(const std::wstring& str)
{
    std::string strText = Utf16(str);
    size_t cb = std::min<size_t>(2 + strText.size(), 255);
    std::string strDesc;
    strDesc += static_cast<char>(cb);
    strDesc += static_cast<char>(USB_STRING_DESCRIPTOR_TYPE);
    strDesc += strText.substr(0, cb - 2);
    return strDesc;
}

// ---- Failure injection and lookups -----------------------------------------

bool CSimHost::Enter(int nCall)
{
    unsigned nCount = ++m_anCalls[nCall];
    for (const FAILURE& failure : m_avFailures[nCall]) {
        if (failure.bAlways || failure.nNth == nCount) {
            m_dwLastError = failure.dwError;
            return true;
        }
    }
    return false;
}

HANDLE CSimHost::ProcessHeap() const
{
    return ::GetProcessHeap();
}

const CSimHost::NODE* CSimHost::FindNode(DEVINST dn) const
{
    if (dn == 0 || dn > m_vNodes.size())
        return nullptr;
    return &m_vNodes[dn - 1];
}

int CSimHost::HubOfNode(DEVINST dn) const
{
    for (size_t i = 0; i < m_vHubs.size(); ++i)
        if (m_vHubs[i].dn == dn)
            return static_cast<int>(i);
    return -1;
}

std::vector<DEVINST>* CSimHost::FindSet(HDEVINFO h)
{
    auto it = m_mapSets.find(h);
    return it == m_mapSets.end() ? nullptr : &it->second;
}

int CSimHost::HubOfHandle(HANDLE h) const
{
    auto it = m_mapHubHandles.find(h);
    return it == m_mapHubHandles.end() ? -1 : it->second;
}

// ---- Device tree -----------------------------------------------------------

HDEVINFO CSimHost::GetClassDevs(DWORD dwFlags, HDEVINFO hAddTo)
{
    m_dwLastFlags = dwFlags;
    if (hAddTo) {
        if (!FindSet(hAddTo)) {
            m_dwLastError = ERROR_INVALID_HANDLE;
            return INVALID_HANDLE_VALUE;
        }
        return hAddTo;
    }
    HDEVINFO h = reinterpret_cast<HDEVINFO>(m_nNextHandle += 4);
    m_mapSets[h] = m_vListOrder;
    return h;
}

BOOL CSimHost::EnumDeviceInfo(HDEVINFO hDevInfo, DWORD dwIndex, PSP_DEVINFO_DATA pData)
{
    std::vector<DEVINST>* pSet = FindSet(hDevInfo);
    if (!pSet)
        m_dwLastError = ERROR_INVALID_HANDLE;
    else if (!pData || pData->cbSize != sizeof(SP_DEVINFO_DATA))
        m_dwLastError = ERROR_INVALID_USER_BUFFER;
    else if (dwIndex >= pSet->size())
        m_dwLastError = ERROR_NO_MORE_ITEMS;
    else {
        pData->ClassGuid = GUID();
        pData->DevInst = (*pSet)[dwIndex];
        pData->Reserved = 0;
        return TRUE;
    }
    return FALSE;
}

BOOL CSimHost::DestroyList(HDEVINFO hDevInfo)
{
    if (!m_mapSets.erase(hDevInfo)) {
        m_dwLastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

BOOL CSimHost::GetInstanceId(HDEVINFO hDevInfo, PSP_DEVINFO_DATA pData, PSTR pszId, DWORD cchId, PDWORD pcchRequired)
{
    const NODE* pNode = pData ? FindNode(pData->DevInst) : nullptr;
    if (!FindSet(hDevInfo) || !pNode || pData->cbSize != sizeof(SP_DEVINFO_DATA)) {
        m_dwLastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    DWORD cchNeeded = static_cast<DWORD>(pNode->strId.size() + 1);
    if (pcchRequired)
        *pcchRequired = cchNeeded;
    if (!pszId || cchId < cchNeeded) {
        m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    memcpy(pszId, pNode->strId.c_str(), cchNeeded);
    return TRUE;
}

HKEY CSimHost::OpenDevRegKey(HDEVINFO hDevInfo, PSP_DEVINFO_DATA pData, DWORD dwKeyType)
{
    if (!FindSet(hDevInfo) || !pData || !FindNode(pData->DevInst) || dwKeyType != DIREG_DEV) {
        m_dwLastError = ERROR_INVALID_PARAMETER;
        return static_cast<HKEY>(INVALID_HANDLE_VALUE);
    }
    HKEY hKey = reinterpret_cast<HKEY>(m_nNextHandle += 4);
    int nHub = HubOfNode(pData->DevInst);
    m_mapKeys[hKey] = KEY{nHub < 0 ? -2 : nHub};
    return hKey;
}

CONFIGRET CSimHost::GetParent(PDEVINST pdn, DEVINST dn)
{
    const NODE* pNode = FindNode(dn);
    if (!pdn)
        return CR_INVALID_POINTER;
    if (!pNode)
        return CR_INVALID_DEVNODE;
    if (!pNode->dnParent)
        return CR_NO_SUCH_DEVNODE;
    *pdn = pNode->dnParent;
    return CR_SUCCESS;
}

CONFIGRET CSimHost::GetDevNodeProperty(DEVINST dn, ULONG ulProperty, PULONG pulType, PVOID pBuffer, PULONG pcbBuffer)
{
    const NODE* pNode = FindNode(dn);
    if (!pcbBuffer)
        return CR_INVALID_POINTER;
    if (!pNode)
        return CR_INVALID_DEVNODE;
    if (ulProperty != CM_DRP_DRIVER || pNode->strDriverKey.empty())
        return CR_NO_SUCH_VALUE;
    const ULONG cb = static_cast<ULONG>(pNode->strDriverKey.size());
    if (pulType)
        *pulType = REG_SZ;
    if (!pBuffer || *pcbBuffer < cb) {
        *pcbBuffer = cb;
        return CR_BUFFER_SMALL;
    }
    memcpy(pBuffer, pNode->strDriverKey.data(), cb);
    *pcbBuffer = cb;
    return CR_SUCCESS;
}

// ---- Registry --------------------------------------------------------------

LONG CSimHost::RegOpenKey(HKEY hKey, LPCSTR pszSubKey, PHKEY phk)
{
    if (!phk)
        return ERROR_INVALID_PARAMETER;
    if (hKey != HKEY_LOCAL_MACHINE || !pszSubKey || !SameText(pszSubKey, "SYSTEM\\MountedDevices") || m_bMountMissing)
        return ERROR_FILE_NOT_FOUND;
    *phk = reinterpret_cast<HKEY>(m_nNextHandle += 4);
    m_mapKeys[*phk] = KEY{-1};
    return ERROR_SUCCESS;
}

LONG CSimHost::RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR pszName, LPDWORD pcchName, LPDWORD pType, LPBYTE pData,
                            LPDWORD pcbData)
{
    auto it = m_mapKeys.find(hKey);
    if (it == m_mapKeys.end())
        return ERROR_INVALID_HANDLE;
    if (it->second.nHub != -1 || dwIndex >= m_vMount.size())
        return ERROR_NO_MORE_ITEMS;
    if (!pszName || !pcchName)
        return ERROR_INVALID_PARAMETER;
    const MOUNT_VALUE& value = m_vMount[dwIndex];
    if (pType)
        *pType = REG_BINARY;
    if (pcbData && !pData)
        *pcbData = static_cast<DWORD>(value.strBytes.size());
    if (value.strName.size() >= *pcchName) {
        // The name does not fit: the caller's buffer is filled to its end,
        // without a terminator.
        memcpy(pszName, value.strName.c_str(), *pcchName);
        return ERROR_MORE_DATA;
    }
    memcpy(pszName, value.strName.c_str(), value.strName.size() + 1);
    *pcchName = static_cast<DWORD>(value.strName.size());
    if (pData && pcbData) {
        if (*pcbData < value.strBytes.size())
            return ERROR_MORE_DATA;
        memcpy(pData, value.strBytes.data(), value.strBytes.size());
        *pcbData = static_cast<DWORD>(value.strBytes.size());
    }
    return ERROR_SUCCESS;
}

LONG CSimHost::RegQueryValue(HKEY hKey, LPCSTR pszName, LPDWORD pType, LPBYTE pData, LPDWORD pcbData)
{
    auto it = m_mapKeys.find(hKey);
    if (it == m_mapKeys.end())
        return ERROR_INVALID_HANDLE;
    const std::string* pBytes = nullptr;
    DWORD dwType = REG_BINARY;
    if (it->second.nHub == -1) {
        for (const MOUNT_VALUE& value : m_vMount)
            if (pszName && SameText(value.strName, pszName)) {
                pBytes = &value.strBytes;
                break;
            }
    } else if (it->second.nHub >= 0 && m_vHubs[it->second.nHub].bHasName && pszName &&
               SameText(pszName, "SymbolicName")) {
        pBytes = &m_vHubs[it->second.nHub].strName;
        dwType = REG_SZ;
    }
    if (!pBytes)
        return ERROR_FILE_NOT_FOUND;
    if (pData && !pcbData)
        return ERROR_INVALID_PARAMETER;
    if (pType)
        *pType = dwType;
    DWORD cb = static_cast<DWORD>(pBytes->size());
    if (!pcbData)
        return ERROR_SUCCESS;
    if (pData && *pcbData < cb) {
        *pcbData = cb;
        return ERROR_MORE_DATA;
    }
    if (pData)
        memcpy(pData, pBytes->data(), cb);
    *pcbData = cb;
    return ERROR_SUCCESS;
}

LONG CSimHost::RegCloseKey(HKEY hKey)
{
    return m_mapKeys.erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

// ---- Hubs ------------------------------------------------------------------

HANDLE CSimHost::CreateFile(LPCSTR pszPath)
{
    m_strLastCreateFile = pszPath ? pszPath : "";
    for (size_t i = 0; i < m_vHubs.size(); ++i) {
        const HUB& hub = m_vHubs[i];
        std::string strPath(hub.strName.c_str());  // up to its first zero byte
        MakeOpenableDevicePath(&strPath[0], strPath.size());
        if (hub.bHasName && SameText(strPath, m_strLastCreateFile)) {
            HANDLE h = reinterpret_cast<HANDLE>(m_nNextHandle += 4);
            m_mapHubHandles[h] = static_cast<int>(i);
            return h;
        }
    }
    m_dwLastError = ERROR_FILE_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
}

BOOL CSimHost::DeviceIoControl(HANDLE h, DWORD dwCode, LPVOID pIn, DWORD cbIn, LPVOID pOut, DWORD cbOut,
                               LPDWORD pcbReturned)
{
    int nHub = HubOfHandle(h);
    if (nHub < 0) {
        m_dwLastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (!pIn || pIn != pOut || cbIn != cbOut || !pcbReturned) {
        m_dwLastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    const HUB& hub = m_vHubs[nHub];
    if (dwCode == IOCTL_USB_GET_NODE_INFORMATION) {
        if (cbOut < sizeof(USB_NODE_INFORMATION)) {
            m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
            return FALSE;
        }
        USB_NODE_INFORMATION info = {};
        if (!hub.bZeroNodeInfo) {
            info.NodeType = UsbHub;
            info.u.HubInformation.HubDescriptor.bDescriptorLength = 9;
            info.u.HubInformation.HubDescriptor.bDescriptorType = 0x29;
            info.u.HubInformation.HubDescriptor.bNumberOfPorts = static_cast<UCHAR>(hub.nPorts);
        }
        DWORD cb = hub.nNodeInfoBytes < 0 ? sizeof(info) : std::min<DWORD>(hub.nNodeInfoBytes, sizeof(info));
        memcpy(pOut, &info, cb);
        *pcbReturned = cb;
        return TRUE;
    }
    if (dwCode == IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX)
        return AnswerConnection(hub, pOut, cbOut, pcbReturned);
    if (dwCode == IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION)
        return AnswerString(hub, pOut, cbOut, pcbReturned);
    if (dwCode == IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME)
        return AnswerDriverKey(hub, pOut, cbOut, pcbReturned);
    m_dwLastError = ERROR_INVALID_FUNCTION;
    return FALSE;
}

BOOL CSimHost::AnswerConnection(const HUB& hub, LPVOID pBuffer, DWORD cb, LPDWORD pcbReturned)
{
    auto* pInfo = static_cast<USB_NODE_CONNECTION_INFORMATION_EX*>(pBuffer);
    ULONG nPort = pInfo->ConnectionIndex;
    if (cb < sizeof(USB_NODE_CONNECTION_INFORMATION_EX) || nPort == 0 || nPort > hub.vPorts.size()) {
        m_dwLastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    SIM_PORT& port = const_cast<SIM_PORT&>(hub.vPorts[nPort - 1]);
    ++port.nConnectionRequests;
    USB_NODE_CONNECTION_INFORMATION_EX info = {};
    if (!port.bZeroConnection) {
        info.ConnectionIndex = nPort;
        info.ConnectionStatus = static_cast<USB_CONNECTION_STATUS>(port.ConnectionStatus);
        if (port.ConnectionStatus == DeviceConnected) {
            info.DeviceDescriptor = port.Descriptor;
            info.Speed = port.Speed;
            info.DeviceAddress = static_cast<USHORT>(nPort + 1);
            info.CurrentConfigurationValue = 1;
        }
    }
    DWORD cbAnswer = sizeof(info);
    if (port.nConnectionBytes >= 0)
        cbAnswer = std::min<DWORD>(port.nConnectionBytes, cbAnswer);
    memcpy(pBuffer, &info, cbAnswer);
    *pcbReturned = cbAnswer;
    return TRUE;
}

BOOL CSimHost::AnswerString(const HUB& hub, LPVOID pBuffer, DWORD cb, LPDWORD pcbReturned)
{
    auto* pRequest = static_cast<USB_DESCRIPTOR_REQUEST*>(pBuffer);
    const DWORD cbHeader = sizeof(USB_DESCRIPTOR_REQUEST);
    ULONG nPort = pRequest->ConnectionIndex;
    if (cb < cbHeader || nPort == 0 || nPort > hub.vPorts.size()) {
        m_dwLastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    SIM_PORT& port = const_cast<SIM_PORT&>(hub.vPorts[nPort - 1]);
    ++port.nStringRequests;
    UCHAR nIndex = static_cast<UCHAR>(pRequest->SetupPacket.wValue & 0xFF);
    auto it = port.mapStrings.find(nIndex);
    if (port.ConnectionStatus != DeviceConnected || (pRequest->SetupPacket.wValue >> 8) != USB_STRING_DESCRIPTOR_TYPE ||
        port.bStallStrings || it == port.mapStrings.end()) {
        m_dwLastError = ERROR_GEN_FAILURE;  // the device stalled the request
        return FALSE;
    }
    size_t cbData = std::min<size_t>(it->second.size(), pRequest->SetupPacket.wLength);
    cbData = std::min<size_t>(cbData, cb - cbHeader);
    if (port.nStringBytes >= 0)
        cbData = std::min<size_t>(cbData, port.nStringBytes);
    memcpy(static_cast<BYTE*>(pBuffer) + cbHeader, it->second.data(), cbData);
    *pcbReturned = static_cast<DWORD>(cbHeader + cbData);
    return TRUE;
}

// As the hub driver answers: ActualLength is the size the whole record
// needs (header, name and its zero unit); a buffer too small for it gets
// the header alone, with an empty name.
BOOL CSimHost::AnswerDriverKey(const HUB& hub, LPVOID pBuffer, DWORD cb, LPDWORD pcbReturned)
{
    auto* pName = static_cast<USB_NODE_CONNECTION_DRIVERKEY_NAME*>(pBuffer);
    const DWORD cbHeader = offsetof(USB_NODE_CONNECTION_DRIVERKEY_NAME, DriverKeyName);
    ULONG nPort = pName->ConnectionIndex;
    if (cb < sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME) || nPort == 0 || nPort > hub.vPorts.size()) {
        m_dwLastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    SIM_PORT& port = const_cast<SIM_PORT&>(hub.vPorts[nPort - 1]);
    ++port.nDriverKeyRequests;
    const NODE* pNode = FindNode(port.dnDevice);
    if (port.ConnectionStatus != DeviceConnected || !pNode || pNode->strDriverKey.empty()) {
        m_dwLastError = ERROR_INVALID_PARAMETER;  // no device, or one without a driver
        return FALSE;
    }
    const std::string strKey = Utf16(Widen(pNode->strDriverKey.c_str())) + std::string(2, '\0');
    const DWORD cbActual = cbHeader + static_cast<DWORD>(strKey.size());
    pName->ActualLength = cbActual;
    if (cb < cbActual) {
        pName->DriverKeyName[0] = 0;
        *pcbReturned = sizeof(USB_NODE_CONNECTION_DRIVERKEY_NAME);
        return TRUE;
    }
    DWORD cbAnswer = cbActual;
    if (port.nDriverKeyBytes >= 0)
        cbAnswer = std::min<DWORD>(cbAnswer, std::max<DWORD>(port.nDriverKeyBytes, cbHeader));
    memcpy(static_cast<BYTE*>(pBuffer) + cbHeader, strKey.data(), cbAnswer - cbHeader);
    *pcbReturned = cbAnswer;
    return TRUE;
}

BOOL CSimHost::CloseHandle(HANDLE h)
{
    if (!m_mapHubHandles.erase(h)) {
        m_dwLastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    return TRUE;
}

// ---- Heap and version --------------------------------------------------------

LPVOID CSimHost::HeapAlloc(DWORD dwFlags, SIZE_T cb)
{
    void* p = ::HeapAlloc(::GetProcessHeap(), dwFlags & HEAP_ZERO_MEMORY, cb);
    if (!p)
        return nullptr;
    if (!(dwFlags & HEAP_ZERO_MEMORY))
        memset(p, 0xCD, cb);  // no caller may count on zeros it did not ask for
    m_mapHeapBlocks[p] = cb;
    return p;
}

BOOL CSimHost::HeapFree(LPVOID p)
{
    if (!m_mapHeapBlocks.erase(p))
        return FALSE;
    return ::HeapFree(::GetProcessHeap(), 0, p);
}

BOOL CSimHost::GetVersionEx(LPOSVERSIONINFOA pInfo)
{
    if (!pInfo || (pInfo->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) &&
                   pInfo->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA))) {
        m_dwLastError = ERROR_INSUFFICIENT_BUFFER;
        return FALSE;
    }
    pInfo->dwMajorVersion = m_dwMajor;
    pInfo->dwMinorVersion = 1;
    pInfo->dwBuildNumber = m_dwMajor >= 6 ? 7601 : 2600;
    pInfo->dwPlatformId = VER_PLATFORM_WIN32_NT;
    return TRUE;
}

// ---- Eject -------------------------------------------------------------------

CONFIGRET CSimHost::RequestEject(DEVINST dn, PPNP_VETO_TYPE pVetoType, LPSTR pszVetoName, ULONG cchVetoName)
{
    if (!FindNode(dn) || std::find(m_vListOrder.begin(), m_vListOrder.end(), dn) == m_vListOrder.end())
        return CR_NO_SUCH_DEVNODE;
    m_vEjectRequests.push_back(dn);
    if (m_bEjectVeto && (m_nEjectVetoTimes == 0 || m_vEjectRequests.size() <= m_nEjectVetoTimes)) {
        if (pVetoType)
            *pVetoType = m_ejectVetoType;
        if (pszVetoName && cchVetoName > 0)
            lstrcpynA(pszVetoName, m_strEjectVetoName.c_str(), static_cast<int>(cchVetoName));
        return CR_REMOVE_VETOED;
    }
    Eject(dn);
    return CR_SUCCESS;
}

bool CSimHost::IsBelow(DEVINST dn, DEVINST dnTop) const
{
    for (const NODE* pNode = FindNode(dn); pNode; pNode = FindNode(dn = pNode->dnParent)) {
        if (dn == dnTop)
            return true;
    }
    return false;
}

bool CSimHost::IsListed(DEVINST dn) const
{
    return std::find(m_vListOrder.begin(), m_vListOrder.end(), dn) != m_vListOrder.end();
}

void CSimHost::Eject(DEVINST dnTop)
{
    TraceDrives(InstanceId(dnTop) + " ejected", Unplug(dnTop), "is gone");
}

// "hostsim: <what>; drive E: is gone": one line on the debug output.
void CSimHost::TraceDrives(const std::string& strWhat, const std::string& strDrives, const char* pszState)
{
    std::string strTrace = "hostsim: " + strWhat;
    for (char chDrive : strDrives)
        strTrace += Format("; drive %c: %s", chDrive, pszState);
    OutputDebugStringA((strTrace + "\n").c_str());
}

std::string CSimHost::DrivesOf(DEVINST dnTop) const
{
    std::string strDrives;
    for (const auto& drive : m_mapDriveDevices)
        if (IsBelow(drive.second, dnTop))
            strDrives += drive.first;
    return strDrives;
}

// The device leaves: its nodes, its port, its drives. What it takes is
// kept for Plug, should it come again.
std::string CSimHost::Unplug(DEVINST dnTop)
{
    UNPLUGGED& gone = m_mapUnplugged[dnTop];
    for (DEVINST dn = 1; dn <= m_vNodes.size(); ++dn)
        if (IsBelow(dn, dnTop) && IsListed(dn)) {
            gone.vListed.push_back(dn);
            HideFromList(dn);
        }
    for (size_t nHub = 0; nHub < m_vHubs.size(); ++nHub)
        for (size_t i = 0; i < m_vHubs[nHub].vPorts.size(); ++i) {
            SIM_PORT& port = m_vHubs[nHub].vPorts[i];
            if (!port.dnDevice || !IsBelow(port.dnDevice, dnTop))
                continue;
            gone.vPorts.push_back(
                PORT_STATE{static_cast<int>(nHub), static_cast<int>(i + 1), port.ConnectionStatus, port.dnDevice});
            port.ConnectionStatus = NoDeviceConnected;
            port.dnDevice = 0;
        }
    std::string strDrives;
    for (char chDrive : DrivesOf(dnTop)) {
        if (IsDriveGone(chDrive))
            continue;
        const std::string strName = Format("\\DosDevices\\%c:", chDrive);
        std::string strBytes;
        for (const MOUNT_VALUE& value : m_vMount)
            if (SameText(value.strName, strName))
                strBytes = value.strBytes;
        // Both of the drive's values: its letter and its volume name.
        auto itKept = std::stable_partition(m_vMount.begin(), m_vMount.end(), [&](const MOUNT_VALUE& value) {
            return strBytes.empty() || value.strBytes != strBytes;
        });
        gone.vMount.insert(gone.vMount.end(), itKept, m_vMount.end());
        m_vMount.erase(itKept, m_vMount.end());
        m_strGoneDrives += chDrive;
        strDrives += chDrive;
    }
    gone.strDrives += strDrives;
    return strDrives;
}

// The device comes back as it went; it is listed last, as a device that
// has just arrived is.
std::string CSimHost::Plug(DEVINST dnTop)
{
    auto it = m_mapUnplugged.find(dnTop);
    if (it == m_mapUnplugged.end())
        return std::string();
    const UNPLUGGED gone = it->second;
    m_mapUnplugged.erase(it);
    for (DEVINST dn : gone.vListed)
        MoveToEnd(dn);
    for (const PORT_STATE& state : gone.vPorts) {
        SIM_PORT& port = Port(state.nHub, state.nPort);
        port.ConnectionStatus = state.ConnectionStatus;
        port.dnDevice = state.dnDevice;
    }
    m_vMount.insert(m_vMount.end(), gone.vMount.begin(), gone.vMount.end());
    for (char chDrive : gone.strDrives)
        m_strGoneDrives.erase(std::remove(m_strGoneDrives.begin(), m_strGoneDrives.end(), chDrive),
                              m_strGoneDrives.end());
    return gone.strDrives;
}

DWORD CSimHost::GetLogicalDriveStrings(DWORD cchBuffer, LPSTR pszBuffer) const
{
    char szAll[MAX_PATH * 2] = {};
    const DWORD nAll = ::GetLogicalDriveStringsA(sizeof(szAll) - 1, szAll);
    if (nAll == 0 || nAll >= sizeof(szAll) - 1)
        return nAll;
    std::string strList;
    for (const char* pszEntry = szAll; *pszEntry; pszEntry += strlen(pszEntry) + 1)
        if (!IsDriveGone(pszEntry[0]))
            strList += std::string(pszEntry) + '\0';
    const DWORD nList = static_cast<DWORD>(strList.size());
    if (!pszBuffer || cchBuffer <= nList)
        return nList + 1;
    memcpy(pszBuffer, strList.data(), nList);
    pszBuffer[nList] = '\0';
    return nList;
}

UINT CSimHost::GetDriveType(LPCSTR pszRoot) const
{
    if (pszRoot && IsDriveGone(pszRoot[0]))
        return DRIVE_NO_ROOT_DIR;
    if (pszRoot && *pszRoot && m_strTimelineDrives.find(static_cast<char>(pszRoot[0] & ~0x20)) != std::string::npos)
        return DRIVE_REMOVABLE;
    return ::GetDriveTypeA(pszRoot);
}
