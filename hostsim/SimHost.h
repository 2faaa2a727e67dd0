// CSimHost: a simulated Windows host for device identification. It stands
// in for the platform calls of DEVICE_HOST_API (device sets over a tree of
// device nodes, the mount table, hubs' device keys, hub handles answering
// the hub driver's requests, process heap, version, last error), counts
// what it hands out and what comes back, and can fail any call on demand.
// The drive list is the real one (the drives themselves are real), failable
// like every other call.
//
// A scenario in a few lines:
//     CSimHost& host = CSimHost::Get();
//     host.Reset();                                   // empty tree, version 6
//     int nHub = host.AddHub(4);                      // external hub, 4 ports
//     SIM_STICK stick = host.AddStick(nHub, 3, 0x1234, 0x1002, "SN0001", 'E');
//     host.Port(nHub, 3).Descriptor.bcdDevice = 0x0105;
//     host.FailCall("DeviceIoControl", 2);            // only its 2nd call fails
//     host.SetEjectVeto(PNP_VetoOutstandingOpen, "", 2); // refuse 2 ejects
//     ... run a lookup ...
//     EXPECT_EQ(0, host.Leaks());                     // everything released
//     host.Calls("SetupDiEnumDeviceInfo");            // requests made
//
// Nothing here depends on a test framework; a scenario can as well be built
// from a text file by a demo build of the program.
//
// A timeline makes devices come and go while the program runs:
//     host.SetTimeline(stick.dnUsb, 2500, 9000);      // in at 2.5 s, out at 9 s
//     host.StartTimeline();                           // times count from here
// The timeline runs on a thread of the host's own; from then on the host is
// used from two threads, and every entry of the seam holds Mutex().
#pragma once

#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <winioctl.h>
#include <usbioctl.h>

#include "AfxWorkerThread.h"
#include "AfxEvent.h"
#include "SimSync.h"

#include <map>
#include <string>
#include <vector>

// One port of a simulated hub and what it answers.
struct SIM_PORT
{
    ULONG ConnectionStatus = NoDeviceConnected;
    UCHAR Speed = 0;
    USB_DEVICE_DESCRIPTOR Descriptor = {};
    // String descriptors by index, as raw bytes (bLength, bDescriptorType,
    // UTF-16 text), so that malformed ones can be built.
    std::map<UCHAR, std::string> mapStrings;
    bool bStallStrings = false;  // every string request fails
    // Bytes that the connection request reports (and copies); -1: all.
    int nConnectionBytes = -1;
    bool bZeroConnection = false;  // answers with an all-zero record
    // Bytes of a string answer reported after the request header; -1: all.
    int nStringBytes = -1;
    // The device node plugged into the port: the hub reports its driver key
    // as the port's. 0: none (the request fails).
    DEVINST dnDevice = 0;
    // Bytes of a driver-key answer reported; -1: all that the request has
    // room for.
    int nDriverKeyBytes = -1;
    // Requests this port received (connection information, strings, driver
    // key).
    unsigned nConnectionRequests = 0;
    unsigned nStringRequests = 0;
    unsigned nDriverKeyRequests = 0;
};

// The nodes that AddStick creates (device node numbers).
struct SIM_STICK
{
    DEVINST dnUsb = 0;         // the USB device (composite device for composites)
    DEVINST dnInterface = 0;   // the &MI_ interface of a composite, else 0
    DEVINST dnDisk = 0;        // USBSTOR disk
    DEVINST dnVolume = 0;      // storage volume
    std::string strUsbId;      // instance id of the USB device
    std::string strMountPath;  // the mount-table path of its drive
};

class CSimHost
{
public:
    static CSimHost& Get();
    ~CSimHost();

    // Back to an empty host: a PCI host controller with its root hub (hub
    // number 0, 2 ports), host major version 6, an empty mount table, no
    // failures, every counter zero, no timeline (StopTimeline first).
    void Reset();

    // Device tree. Nodes appear in device sets in the order they were added
    // (see MoveToFront/MoveToEnd/HideFromList).
    DEVINST AddNode(const std::string& strInstanceId, DEVINST dnParent);
    DEVINST RootHubNode() const;
    DEVINST ControllerNode() const;
    // Adds n plain devices under the host controller (list padding).
    void AddFillerDevices(int n);
    void MoveToFront(DEVINST dn);
    void MoveToEnd(DEVINST dn);
    // The node stays in the tree (CM_Get_Parent finds it) but no device set
    // lists it.
    void HideFromList(DEVINST dn);
    const std::string& InstanceId(DEVINST dn) const;
    void SetInstanceId(DEVINST dn, const std::string& strInstanceId);
    // The node's driver key (CM_DRP_DRIVER) as the bytes the host stores,
    // normally "{class GUID}\NNNN" and a zero; AddNode gives every node but
    // the tree's root one of its own. Empty: the node has none.
    const std::string& DriverKey(DEVINST dn) const;
    void SetDriverKey(DEVINST dn, const std::string& strRawBytes);
    // Nodes that device sets list.
    size_t ListedNodes() const { return m_vListOrder.size(); }

    // Hubs: AddHub attaches an external hub to the root hub and returns its
    // hub number. Every hub has a device key whose "SymbolicName" opens it.
    int AddHub(int nPorts);
    DEVINST HubNode(int nHub) const;
    void SetPortCount(int nHub, int nPorts);  // 0..255
    void SetSymbolicName(int nHub, const std::string& strRawBytes);
    void RemoveSymbolicName(int nHub);
    // Node information answers all zero / with only nBytes (-1: all).
    void SetNodeInfoBytes(int nHub, int nBytes, bool bZero = false);
    SIM_PORT& Port(int nHub, int nPort);

    // A USB stick on a hub port: USB device -> USBSTOR disk -> volume, port
    // table (descriptor, strings 1..3, the device's node) and, for a drive
    // letter, mount-table entries. pszSerial null: no serial-number string,
    // and the instance id is one the host made up from the port. bIdByPort:
    // the device has its serial number, but the host names it by its port
    // all the same, as Windows does with a serial it will not use (one that
    // another device of the model already carries, say). The mount path
    // names the volume below host version 6 and the disk from 6 on: set the
    // version first.
    SIM_STICK AddStick(int nHub, int nPort, USHORT idVendor, USHORT idProduct, const char* pszSerial, char chDrive = 0,
                       bool bIdByPort = false);
    // The same with a composite device: its storage is behind interface &MI_00.
    SIM_STICK AddCompositeStick(int nHub, int nPort, USHORT idVendor, USHORT idProduct, const char* pszSerial,
                                char chDrive = 0, bool bIdByPort = false);

    // Mount table ("SYSTEM\MountedDevices"), values in order added.
    void AddMountValue(const std::string& strName, const std::string& strRawBytes);
    void AddMountPath(char chDrive, const std::string& strPath);  // UTF-16 path, no terminator
    void SetMountTableMissing(bool bMissing);

    void SetHostMajorVersion(DWORD dwMajor);

    // Eject (CM_Request_Device_EjectA). By default every request succeeds:
    // the node and everything below it leave the device tree, their hub
    // port is empty, and the drives their storage backs leave the mount
    // table and the drive list (GetDriveTypeA: no such root); the host
    // says so on the debug output. SetEjectVeto makes the first nTimes
    // requests (0: every one) refuse with the veto type and name.
    void SetEjectVeto(PNP_VETO_TYPE vetoType, const std::string& strVetoName, unsigned nTimes = 0);
    // The nodes asked to eject, in order, vetoed or not.
    const std::vector<DEVINST>& EjectRequests() const { return m_vEjectRequests; }
    // Whether a drive letter has gone with an ejected device (or one that
    // left, or has not yet arrived).
    bool IsDriveGone(char chDrive) const;

    // Timeline. SetTimeline: the device (a node AddStick made) arrives
    // dwArriveMs after the start of the timeline and leaves dwLeaveMs after
    // it (0: never). One that arrives later is gone at once, as an ejected
    // one is, without a trace. While present, its drives are removable
    // ones (GetDriveTypeA), whatever the real drive is.
    void SetTimeline(DEVINST dnDevice, DWORD dwArriveMs, DWORD dwLeaveMs);
    // Starts the timeline's thread, if there is a timeline; its times count
    // from here. Each arrival and departure moves the drive's link in the
    // Wine prefix, changes the host, says so on the debug output and
    // broadcasts WM_DEVICECHANGE to the process's top-level windows.
    void StartTimeline();
    // Ends the thread and puts back the drive links it took away.
    void StopTimeline();
    // The mutex of the host's state.
    CSimMutex& Mutex() const { return m_mutex; }

    // Failures: FailCall(name) fails every call of that name; with nNth the
    // nNth call (counted from Reset, 1-based) only. dwError is what
    // GetLastError reports afterwards where the call sets it.
    void FailCall(const std::string& strCall, unsigned nNth = 0, DWORD dwError = ERROR_GEN_FAILURE);

    // Counters.
    unsigned Calls(const std::string& strCall) const;
    int OpenDeviceSets() const { return static_cast<int>(m_mapSets.size()); }
    int OpenKeys() const { return static_cast<int>(m_mapKeys.size()); }
    int OpenHubHandles() const { return static_cast<int>(m_mapHubHandles.size()); }
    int OpenHeapBlocks() const { return static_cast<int>(m_mapHeapBlocks.size()); }
    int Leaks() const { return OpenDeviceSets() + OpenKeys() + OpenHubHandles() + OpenHeapBlocks(); }
    std::string LeakReport() const;
    // Size of a block the simulated heap handed out (0 if it did not).
    SIZE_T HeapBlockSize(const void* pBlock) const;
    // Arguments of the last SetupDiGetClassDevsExA and CreateFileA calls.
    DWORD LastClassDevsFlags() const { return m_dwLastFlags; }
    const std::string& LastCreateFilePath() const { return m_strLastCreateFile; }

    // Helpers for raw data. Narrow texts (instance ids, serial numbers,
    // paths) are in the host's ANSI code page, as the program reads them;
    // Widen gives the UTF-16 text the platform holds for them.
    static std::wstring Widen(const std::string& str);
    static std::string Utf16(const std::wstring& str);
    static std::string StringDescriptor(const std::wstring& str);

    // The simulated calls (DEVICE_HOST_API entries).
    enum CALL
    {
        kGetClassDevs,
        kEnumDeviceInfo,
        kDestroyList,
        kGetInstanceId,
        kOpenDevRegKey,
        kGetParent,
        kRegOpenKey,
        kRegEnumValue,
        kRegQueryValue,
        kRegCloseKey,
        kCreateFile,
        kDeviceIoControl,
        kCloseHandle,
        kGetProcessHeap,
        kHeapAlloc,
        kHeapFree,
        kGetVersionEx,
        kGetLastError,
        kGetLogicalDriveStrings,
        kGetDriveType,
        kGetDevNodeProperty,
        kRequestEject,
        kCallCount
    };
    static const char* CallName(int nCall);

    HDEVINFO GetClassDevs(DWORD dwFlags, HDEVINFO hAddTo);
    BOOL EnumDeviceInfo(HDEVINFO hDevInfo, DWORD dwIndex, PSP_DEVINFO_DATA pData);
    BOOL DestroyList(HDEVINFO hDevInfo);
    BOOL GetInstanceId(HDEVINFO hDevInfo, PSP_DEVINFO_DATA pData, PSTR pszId, DWORD cchId, PDWORD pcchRequired);
    HKEY OpenDevRegKey(HDEVINFO hDevInfo, PSP_DEVINFO_DATA pData, DWORD dwKeyType);
    CONFIGRET GetParent(PDEVINST pdn, DEVINST dn);
    CONFIGRET GetDevNodeProperty(DEVINST dn, ULONG ulProperty, PULONG pulType, PVOID pBuffer, PULONG pcbBuffer);
    LONG RegOpenKey(HKEY hKey, LPCSTR pszSubKey, PHKEY phk);
    LONG RegEnumValue(HKEY hKey, DWORD dwIndex, LPSTR pszName, LPDWORD pcchName, LPDWORD pType, LPBYTE pData,
                      LPDWORD pcbData);
    LONG RegQueryValue(HKEY hKey, LPCSTR pszName, LPDWORD pType, LPBYTE pData, LPDWORD pcbData);
    LONG RegCloseKey(HKEY hKey);
    HANDLE CreateFile(LPCSTR pszPath);
    BOOL DeviceIoControl(HANDLE h, DWORD dwCode, LPVOID pIn, DWORD cbIn, LPVOID pOut, DWORD cbOut, LPDWORD pcbReturned);
    BOOL CloseHandle(HANDLE h);
    LPVOID HeapAlloc(DWORD dwFlags, SIZE_T cb);
    BOOL HeapFree(LPVOID p);
    BOOL GetVersionEx(LPOSVERSIONINFOA pInfo);
    CONFIGRET RequestEject(DEVINST dn, PPNP_VETO_TYPE pVetoType, LPSTR pszVetoName, ULONG cchVetoName);
    // The drive list without the drives that went with an ejected device.
    DWORD GetLogicalDriveStrings(DWORD cchBuffer, LPSTR pszBuffer) const;
    // The real drive type, but for gone drives and those of the timeline.
    UINT GetDriveType(LPCSTR pszRoot) const;
    DWORD LastError() const { return m_dwLastError; }
    // Counts the call; true when it is to fail (last error set).
    bool Enter(int nCall);
    HANDLE ProcessHeap() const;

private:
    CSimHost();

    struct NODE
    {
        std::string strId;
        DEVINST dnParent;
        bool bListed;
        std::string strDriverKey;
    };
    struct HUB
    {
        DEVINST dn;
        int nPorts;
        bool bHasName;
        std::string strName;
        int nNodeInfoBytes;
        bool bZeroNodeInfo;
        std::vector<SIM_PORT> vPorts;  // index 0 is port 1
    };
    struct MOUNT_VALUE
    {
        std::string strName;
        std::string strBytes;
    };
    struct FAILURE
    {
        bool bAlways;
        unsigned nNth;
        DWORD dwError;
    };
    struct KEY
    {
        int nHub;  // -1: the mount table
    };
    // A port as it was before its device went.
    struct PORT_STATE
    {
        int nHub;
        int nPort;
        ULONG ConnectionStatus;
        DEVINST dnDevice;
    };
    // What a device took with it when it went, for Plug to give back.
    struct UNPLUGGED
    {
        std::vector<DEVINST> vListed;  // nodes the device sets listed
        std::vector<PORT_STATE> vPorts;
        std::vector<MOUNT_VALUE> vMount;
        std::string strDrives;
    };
    struct TIMELINE_DEVICE
    {
        DEVINST dn;
        DWORD dwArriveMs;
        DWORD dwLeaveMs;  // 0: never
    };
    // Devices that arrive (or leave) at one instant.
    struct TIMELINE_EVENT
    {
        DWORD dwAtMs;
        bool bArrive;
        std::vector<DEVINST> vDevices;
    };

    const NODE* FindNode(DEVINST dn) const;
    int HubOfNode(DEVINST dn) const;
    std::vector<DEVINST>* FindSet(HDEVINFO h);
    int HubOfHandle(HANDLE h) const;
    SIM_STICK AddStorage(SIM_STICK stick, DEVINST dnStorageParent, const char* pszSerial, char chDrive);
    BOOL AnswerConnection(const HUB& hub, LPVOID pBuffer, DWORD cb, LPDWORD pcbReturned);
    BOOL AnswerString(const HUB& hub, LPVOID pBuffer, DWORD cb, LPDWORD pcbReturned);
    BOOL AnswerDriverKey(const HUB& hub, LPVOID pBuffer, DWORD cb, LPDWORD pcbReturned);
    std::string NextDriverKey(const std::string& strInstanceId);
    bool IsBelow(DEVINST dn, DEVINST dnTop) const;
    bool IsListed(DEVINST dn) const;
    void Eject(DEVINST dnTop);
    // The device and everything below it go (or come back); both return
    // the letters of the drives that went (came).
    std::string Unplug(DEVINST dnTop);
    std::string Plug(DEVINST dnTop);
    std::string DrivesOf(DEVINST dnTop) const;
    static void TraceDrives(const std::string& strWhat, const std::string& strDrives, const char* pszState);

    static UINT TimelineProc(LPVOID pHost);
    std::vector<TIMELINE_EVENT> TimelineEvents() const;
    void RunTimeline(std::vector<TIMELINE_EVENT> vEvents);
    bool WaitForTime(DWORD dwAtMs) const;
    void PassEvent(const TIMELINE_EVENT& event, bool* pbFirstArrival);
    void PullDriveLink(char chDrive);
    void PutDriveLinkBack(char chDrive);

    std::vector<NODE> m_vNodes;  // node n is m_vNodes[n - 1]
    std::vector<DEVINST> m_vListOrder;
    std::vector<HUB> m_vHubs;
    std::vector<MOUNT_VALUE> m_vMount;
    bool m_bMountMissing;
    DWORD m_dwMajor;
    DWORD m_dwLastError;
    DWORD m_dwLastFlags;
    std::string m_strLastCreateFile;
    unsigned m_anCalls[kCallCount];
    std::vector<FAILURE> m_avFailures[kCallCount];

    std::map<HDEVINFO, std::vector<DEVINST>> m_mapSets;
    std::map<HKEY, KEY> m_mapKeys;
    std::map<HANDLE, int> m_mapHubHandles;
    std::map<const void*, SIZE_T> m_mapHeapBlocks;
    UINT_PTR m_nNextHandle;
    int m_nSticks;
    std::map<std::string, unsigned> m_mapClassInstances;  // driver keys given, by class
    std::map<char, DEVINST> m_mapDriveDevices;            // drive letter: the USB device behind it
    std::string m_strGoneDrives;                          // letters of the drives ejected
    std::vector<DEVINST> m_vEjectRequests;
    bool m_bEjectVeto;
    PNP_VETO_TYPE m_ejectVetoType;
    std::string m_strEjectVetoName;
    unsigned m_nEjectVetoTimes;
    std::map<DEVINST, UNPLUGGED> m_mapUnplugged;  // by the top node that went

    mutable CSimMutex m_mutex;
    std::vector<TIMELINE_DEVICE> m_vTimeline;
    std::string m_strTimelineDrives;  // drives of the timeline's devices
    std::string m_strPulledDrives;    // drive links moved aside (timeline thread, then StopTimeline)
    DWORD m_dwTimelineStart;          // tick count at StartTimeline
    CEvent m_stopTimeline{TRUE};
    CWorkerThread m_timelineThread;
};
