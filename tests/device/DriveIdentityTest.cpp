// GetDeviceIdentityByDrive and GetDeviceIdentityByInstanceId over simulated
// device trees: mount table -> volume -> USB device -> hub port.
#include "DriveIdentity.h"
#include "InstanceIdentity.h"

#include "SimHostTest.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const USHORT kVendor = 0x1234;
const USHORT kProduct = 0x1002;

// The record with guard bytes after it, so that nothing beyond the record's
// own size is written, whatever cbSize says.
struct GUARDED_IDENTITY
{
    USB_DEVICE_IDENTITY id;
    BYTE abGuard[64];
};

USB_DEVICE_IDENTITY EmptyIdentity()
{
    USB_DEVICE_IDENTITY id;
    memset(&id, 0, sizeof(id));
    id.cbSize = sizeof(id);
    return id;
}

class DriveIdentityTest : public CSimHostTest
{
protected:
    GUARDED_IDENTITY m_rec;
    USB_DEVICE_IDENTITY& m_id = m_rec.id;
    int m_nHub = 0;

    void SetUp() override
    {
        CSimHostTest::SetUp();
        memset(&m_rec, 0xA5, sizeof(m_rec));  // left over from an earlier drive
        m_id.cbSize = sizeof(USB_DEVICE_IDENTITY);
        m_nHub = host.AddHub(4);
    }

    void ExpectEmpty() const
    {
        USB_DEVICE_IDENTITY empty = EmptyIdentity();
        EXPECT_EQ(0, memcmp(&empty, &m_id, sizeof(empty)));
    }
    // A stick of the one model with its own release, so that the record
    // tells which stick it came from.
    SIM_STICK Plug(int nHub, int nPort, const char* pszSerial, char chDrive, USHORT bcdDevice, bool bComposite = false,
                   bool bIdByPort = false)
    {
        SIM_STICK stick = bComposite
                              ? host.AddCompositeStick(nHub, nPort, kVendor, kProduct, pszSerial, chDrive, bIdByPort)
                              : host.AddStick(nHub, nPort, kVendor, kProduct, pszSerial, chDrive, bIdByPort);
        host.Port(nHub, nPort).Descriptor.bcdDevice = bcdDevice;
        return stick;
    }
    // The release of the stick that the drive lookup finds; 0: none.
    USHORT ReleaseBehind(const char* pszDrive)
    {
        m_id.cbSize = sizeof(m_id);
        return GetDeviceIdentityByDrive(pszDrive, &m_id) ? m_id.bcdDevice : 0;
    }
    void ExpectGuardIntact() const
    {
        for (BYTE b : m_rec.abGuard)
            ASSERT_EQ(0xA5, b);
    }
};

TEST_F(DriveIdentityTest, StickOnPortThreeOfAHub)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "AA0012345", 'E');
    host.Port(m_nHub, 3).Descriptor.bcdDevice = 0x0105;
    ASSERT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_EQ(sizeof(USB_DEVICE_IDENTITY), m_id.cbSize);
    EXPECT_EQ(UsbHighSpeed, m_id.Speed);
    EXPECT_EQ(kVendor, m_id.idVendor);
    EXPECT_EQ(kProduct, m_id.idProduct);
    EXPECT_EQ(0x0105, m_id.bcdDevice);
    EXPECT_STREQ("Example Corp", m_id.szManufacturer);
    EXPECT_STREQ("Flash Disk", m_id.szProduct);
    EXPECT_STREQ("AA0012345", m_id.szSerialNumber);
    EXPECT_EQ(0, host.LastCreateFilePath().compare(0, 4, "\\\\?\\"));
    ExpectGuardIntact();
    EXPECT_EQ(1u, host.Port(m_nHub, 3).nConnectionRequests);
    EXPECT_EQ(0u, host.Port(m_nHub, 4).nConnectionRequests);
    EXPECT_EQ(0, m_id.szManufacturer[259] | m_id.szProduct[259] | m_id.szSerialNumber[259]);
}

TEST_F(DriveIdentityTest, LetterWithColonAndLowerCaseWork)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    EXPECT_EQ(1, GetDeviceIdentityByDrive("e:", &m_id));
    EXPECT_STREQ("S1", m_id.szSerialNumber);
}

TEST_F(DriveIdentityTest, SizeOneLessLeavesTheRecordUntouched)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    m_id.cbSize = sizeof(USB_DEVICE_IDENTITY) - 1;
    GUARDED_IDENTITY before = m_rec;
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_EQ(0, memcmp(&before, &m_rec, sizeof(m_rec)));
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("USB\\VID_1234&PID_1002\\S1", &m_id));
    EXPECT_EQ(0, memcmp(&before, &m_rec, sizeof(m_rec)));
    EXPECT_EQ(0u, host.Calls("RegOpenKeyExA") + host.Calls("SetupDiGetClassDevsExA"));
}

TEST_F(DriveIdentityTest, LargerSizeIsAcceptedAndReset)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    m_id.cbSize = sizeof(m_rec);
    EXPECT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_EQ(sizeof(USB_DEVICE_IDENTITY), m_id.cbSize);
    ExpectGuardIntact();
    m_id.cbSize = 0xFFFFFFFF;
    EXPECT_EQ(1, GetDeviceIdentityByInstanceId("USB\\VID_1234&PID_1002\\S1", &m_id));
    EXPECT_EQ(sizeof(USB_DEVICE_IDENTITY), m_id.cbSize);
    ExpectGuardIntact();
}

TEST_F(DriveIdentityTest, BadArgumentsAreRefused)
{
    EXPECT_EQ(0, GetDeviceIdentityByDrive(nullptr, &m_id));
    EXPECT_EQ(0, GetDeviceIdentityByDrive("", &m_id));
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", nullptr));
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId(nullptr, &m_id));
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("", &m_id));
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("USB\\X", nullptr));
    EXPECT_EQ(0xA5, m_rec.id.Speed);
}

TEST_F(DriveIdentityTest, LetterMissingFromTheMountTableLeavesOnlyTheSize)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    EXPECT_EQ(0, GetDeviceIdentityByDrive("F", &m_id));
    ExpectEmpty();
    ExpectGuardIntact();
}

TEST_F(DriveIdentityTest, DeviceOnNoHubLeavesOnlyTheSize)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    host.Port(m_nHub, 1).ConnectionStatus = NoDeviceConnected;
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &m_id));
    ExpectEmpty();
}

TEST_F(DriveIdentityTest, ReleaseZeroFailsButKeepsTheIds)
{
    host.AddStick(m_nHub, 2, kVendor, kProduct, "S1", 'E');
    host.Port(m_nHub, 2).Descriptor.bcdDevice = 0x0000;
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_EQ(kVendor, m_id.idVendor);
    EXPECT_EQ(kProduct, m_id.idProduct);
    EXPECT_EQ(0, m_id.bcdDevice);
    EXPECT_STREQ("S1", m_id.szSerialNumber);
}

TEST_F(DriveIdentityTest, BelowVersionSixTheVolumeClimbsTwoLevels)
{
    host.SetHostMajorVersion(5);
    SIM_STICK stick = host.AddStick(m_nHub, 4, kVendor, kProduct, "XP0001", 'E');
    EXPECT_NE(std::string::npos, stick.strMountPath.find("STORAGE#RemovableMedia#"));
    ASSERT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_STREQ("XP0001", m_id.szSerialNumber);
}

TEST_F(DriveIdentityTest, FromVersionSixTheDiskClimbsOneLevel)
{
    host.SetHostMajorVersion(10);
    SIM_STICK stick = host.AddStick(m_nHub, 4, kVendor, kProduct, "W10001", 'E');
    EXPECT_NE(std::string::npos, stick.strMountPath.find("USBSTOR#Disk&"));
    ASSERT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_STREQ("W10001", m_id.szSerialNumber);
}

TEST_F(DriveIdentityTest, ClimbedNodeMissingFromTheListStartsNoSearch)
{
    SIM_STICK stick = host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    host.HideFromList(stick.dnUsb);
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &m_id));
    ExpectEmpty();
    EXPECT_EQ(1u, host.Calls("SetupDiGetClassDevsExA"));
}

TEST_F(DriveIdentityTest, OnlyTheFirstDeviceInTheMountPathIsFollowed)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1", 'E');
    // A device whose id also occurs in the path, first in the list, under
    // the host controller: it leads to no hub port.
    DEVINST dnDecoy = host.AddNode("USBSTOR\\DISK&VEN_EXAMPLE", host.ControllerNode());
    host.MoveToFront(dnDecoy);
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &m_id));
    ExpectEmpty();
    EXPECT_EQ(0u, host.Port(m_nHub, 1).nConnectionRequests);
}

TEST_F(DriveIdentityTest, MountPathLongerThanTheBufferFails)
{
    host.AddMountPath('E', "\\??\\" + std::string(256, 'A'));
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_EQ(0u, host.Calls("SetupDiGetClassDevsExA"));
    ExpectEmpty();
}

TEST_F(DriveIdentityTest, CompositeInterfaceGivesTheCompositeDevice)
{
    SIM_STICK stick = host.AddCompositeStick(m_nHub, 2, kVendor, kProduct, "COMP01", 'E');
    ASSERT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
    EXPECT_STREQ("COMP01", m_id.szSerialNumber);
    ASSERT_EQ(1, GetDeviceIdentityByInstanceId(host.InstanceId(stick.dnInterface).c_str(), &m_id));
    EXPECT_STREQ("COMP01", m_id.szSerialNumber);
    EXPECT_NE(std::string::npos, host.InstanceId(stick.dnInterface).find("&MI_00"));
}

// ---- Siblings of one model: each drive gives its own stick -------------------

// A serial that begins the other's, on two hubs, in either list order: the
// instance id is looked up whole, so neither stick lends the other its
// identity.
TEST_F(DriveIdentityTest, SerialThatStartsALongerOneIsStillItsOwnDevice)
{
    int nOtherHub = host.AddHub(4);
    SIM_STICK longer = Plug(nOtherHub, 1, "SN0100", 'F', 0x0300);
    SIM_STICK shorter = Plug(m_nHub, 1, "SN01", 'E', 0x0105);
    EXPECT_EQ(1, GetDeviceIdentityByInstanceId("USB\\VID_1234&PID_1002\\SN01", &m_id));
    EXPECT_STREQ("SN01", m_id.szSerialNumber);
    for (DEVINST dnFirst : {longer.dnUsb, shorter.dnUsb}) {
        host.MoveToFront(dnFirst);
        EXPECT_EQ(0x0105, ReleaseBehind("E"));
        EXPECT_STREQ("SN01", m_id.szSerialNumber);
        EXPECT_EQ(0x0300, ReleaseBehind("F"));
        EXPECT_STREQ("SN0100", m_id.szSerialNumber);
    }
}

// The same on one hub, the shorter serial on the lower port, where the
// hub's ports are asked first.
TEST_F(DriveIdentityTest, PrefixSerialsOnOneHubInEitherOrder)
{
    SIM_STICK older = Plug(m_nHub, 1, "PKB1", 'F', 0x0105);
    SIM_STICK newer = Plug(m_nHub, 2, "PKB12", 'E', 0x0300);
    for (DEVINST dnFirst : {older.dnUsb, newer.dnUsb}) {
        host.MoveToFront(dnFirst);
        EXPECT_EQ(0x0300, ReleaseBehind("E"));
        EXPECT_STREQ("PKB12", m_id.szSerialNumber);
        EXPECT_EQ(0x0105, ReleaseBehind("F"));
        EXPECT_STREQ("PKB1", m_id.szSerialNumber);
    }
}

// Without serial numbers the host names both by their ports; the hub's
// port for each is the one whose device has its driver key.
TEST_F(DriveIdentityTest, TwoSticksWithoutSerialEachHasItsOwnPort)
{
    Plug(m_nHub, 2, nullptr, 'E', 0x0200);
    Plug(m_nHub, 4, nullptr, 'F', 0x0400);
    EXPECT_EQ(0x0200, ReleaseBehind("E"));
    EXPECT_STREQ("", m_id.szSerialNumber);
    EXPECT_EQ(0u, host.Port(m_nHub, 4).nConnectionRequests);  // the scan ends at E:'s port
    EXPECT_EQ(0x0400, ReleaseBehind("F"));
    EXPECT_EQ(2u, host.Port(m_nHub, 2).nDriverKeyRequests);  // E:'s, then passed on F:'s way
}

TEST_F(DriveIdentityTest, SerialLessSiblingOnAnotherHub)
{
    int nOtherHub = host.AddHub(4);
    Plug(nOtherHub, 1, nullptr, 'F', 0x0105);
    Plug(m_nHub, 3, nullptr, 'E', 0x0300);
    Plug(m_nHub, 1, "PKB7", 0, 0x0107);
    EXPECT_EQ(0x0300, ReleaseBehind("E"));
    EXPECT_EQ(0x0105, ReleaseBehind("F"));
}

// A device with a serial number whose instance id names its port: the
// second stick of a model that carries the first one's serial, say. The
// port is found all the same, and the identity keeps the serial.
TEST_F(DriveIdentityTest, PortBasedIdDespiteASerial)
{
    Plug(m_nHub, 1, "DUP0001", 'F', 0x0105);
    SIM_STICK twin = Plug(m_nHub, 2, "DUP0001", 'E', 0x0300, false, true);
    EXPECT_EQ(std::string::npos, twin.strUsbId.find("DUP0001"));
    EXPECT_EQ(0x0300, ReleaseBehind("E"));
    EXPECT_STREQ("DUP0001", m_id.szSerialNumber);
    EXPECT_EQ(0x0105, ReleaseBehind("F"));
    EXPECT_STREQ("DUP0001", m_id.szSerialNumber);
}

TEST_F(DriveIdentityTest, CompositeSiblingsOfOneModel)
{
    Plug(m_nHub, 1, "CMP1", 'F', 0x0105, true);
    Plug(m_nHub, 2, "CMP12", 'E', 0x0300, true);
    Plug(m_nHub, 3, nullptr, 'G', 0x0203, true);
    Plug(m_nHub, 4, nullptr, 'H', 0x0204, true);
    EXPECT_EQ(0x0300, ReleaseBehind("E"));
    EXPECT_EQ(0x0105, ReleaseBehind("F"));
    EXPECT_EQ(0x0203, ReleaseBehind("G"));
    EXPECT_EQ(0x0204, ReleaseBehind("H"));
}

TEST_F(DriveIdentityTest, InstanceIdIsLookedUpWholeIgnoringCase)
{
    Plug(m_nHub, 1, "AB12", 'E', 0x0105);
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("USB\\VID_1234&PID_1002\\AB1", &m_id));
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("USB\\VID_1234&PID_1002\\", &m_id));
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("VID_1234&PID_1002\\AB12", &m_id));
    ExpectEmpty();
    EXPECT_EQ(0u, host.Calls("CreateFileA"));
    EXPECT_EQ(1, GetDeviceIdentityByInstanceId("usb\\vid_1234&pid_1002\\ab12", &m_id));
    EXPECT_EQ(0x0105, m_id.bcdDevice);
}

TEST_F(DriveIdentityTest, InstanceIdLongerThanTheBufferIsRefused)
{
    std::string strLong = "USB\\VID_1234&PID_1002\\" + std::string(260 - 22, 'S');
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId(strLong.c_str(), &m_id));
    EXPECT_EQ(0xA5, m_rec.id.Speed);  // refused before the record is touched
    EXPECT_EQ(0u, host.Calls("SetupDiGetClassDevsExA"));
    strLong.pop_back();  // 259 characters fit
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId(strLong.c_str(), &m_id));
    ExpectEmpty();
    EXPECT_EQ(1u, host.Calls("SetupDiGetClassDevsExA"));
}

// Each platform request of a drive lookup, failed in turn: whatever fails,
// everything is released and the record is either the identity or empty.
TEST_F(DriveIdentityTest, EveryRequestFailingInTurnReleasesEverything)
{
    auto build = [this]() {
        host.Reset();
        m_nHub = host.AddHub(4);
        host.AddStick(m_nHub, 3, kVendor, kProduct, "AA01", 'E');
    };
    build();
    ASSERT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
    const USB_DEVICE_IDENTITY good = m_id;
    const char* const* apszCalls = g_apszLookupCalls;
    const int nCalls = sizeof(g_apszLookupCalls) / sizeof(g_apszLookupCalls[0]);
    unsigned anCalls[nCalls];
    for (int i = 0; i < nCalls; ++i)
        anCalls[i] = host.Calls(apszCalls[i]);
    for (int i = 0; i < nCalls; ++i) {
        ASSERT_GT(anCalls[i], 0u) << apszCalls[i];
        for (unsigned n = 1; n <= anCalls[i]; ++n) {
            build();
            host.FailCall(apszCalls[i], n);
            int nResult = GetDeviceIdentityByDrive("E", &m_id);
            EXPECT_EQ(0, host.Leaks()) << apszCalls[i] << " #" << n << ": " << host.LeakReport();
            if (nResult) {
                EXPECT_EQ(good.bcdDevice, m_id.bcdDevice) << apszCalls[i] << " #" << n;
                EXPECT_STREQ(good.szSerialNumber, m_id.szSerialNumber);
            } else {
                USB_DEVICE_IDENTITY empty = EmptyIdentity();
                EXPECT_EQ(0, memcmp(&empty, &m_id, sizeof(empty))) << apszCalls[i] << " #" << n;
            }
        }
    }
}

// Device-element requests and time of one drive lookup with the stick last
// in lists of growing length.
TEST_F(DriveIdentityTest, DriveLookupGrowsLinearlyWithTheDeviceList)
{
    unsigned anRequests[3] = {};
    const int anDevices[3] = {100, 1000, 10000};
    for (int i = 0; i < 3; ++i) {
        host.Reset();
        int nHub = host.AddHub(4);
        SIM_STICK stick = host.AddStick(nHub, 3, kVendor, kProduct, "PERF01", 'E');
        host.AddFillerDevices(anDevices[i] - 9);  // the tree already holds 9 nodes
        host.MoveToEnd(stick.dnVolume);
        host.MoveToEnd(stick.dnDisk);
        host.MoveToEnd(stick.dnUsb);
        host.MoveToEnd(host.HubNode(nHub));
        auto start = std::chrono::steady_clock::now();
        const int nRuns = anDevices[i] >= 10000 ? 5 : 20;
        for (int run = 0; run < nRuns; ++run)
            ASSERT_EQ(1, GetDeviceIdentityByDrive("E", &m_id));
        double dMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / nRuns;
        anRequests[i] = host.Calls("SetupDiEnumDeviceInfo") / nRuns;
        printf("%6d devices: %6u element requests, %8.3f ms per drive lookup\n", anDevices[i], anRequests[i], dMs);
        EXPECT_LE(anRequests[i], 4u * anDevices[i] + 8);
    }
    EXPECT_LT(anRequests[2], 11u * anRequests[1]);
    EXPECT_LT(anRequests[1], 11u * anRequests[0]);
}

}  // namespace
