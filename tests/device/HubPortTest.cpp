// The hub port query (through GetDeviceIdentityByInstanceId) against
// simulated hubs, and the bounding of string descriptors. This test runs
// with the UTF-8 ANSI code page (see CMakeLists.txt), where a descriptor's
// text can be longer in narrow characters than the buffers it goes into.
#include "InstanceIdentity.h"
#include "UsbStringText.h"

#include "SimHostTest.h"

#include <cstring>
#include <string>

namespace {

const USHORT kVendor = 0x1234;
const USHORT kProduct = 0x1002;
const char kStickId[] = "USB\\VID_1234&PID_1002\\S3";

std::string Raw(const char* psz, size_t cb)
{
    return std::string(psz, cb);
}

class HubPortTest : public CSimHostTest
{
protected:
    USB_DEVICE_IDENTITY m_id = {};
    int m_nHub = 0;

    void SetUp() override
    {
        CSimHostTest::SetUp();
        m_id.cbSize = sizeof(m_id);
        m_nHub = host.AddHub(4);
    }
    SIM_PORT& Port(int nPort) { return host.Port(m_nHub, nPort); }
    int Lookup(const char* pszId = kStickId) { return GetDeviceIdentityByInstanceId(pszId, &m_id); }
    bool IsEmpty() const
    {
        USB_DEVICE_IDENTITY empty = {};
        empty.cbSize = sizeof(empty);
        return memcmp(&empty, &m_id, sizeof(empty)) == 0;
    }
};

// ---- String descriptors on their own ----------------------------------------

std::string Text(const std::string& strDescriptor, DWORD cbReturned, int* pnResult = nullptr)
{
    BYTE ab[USB_STRING_DATA_BYTES] = {};
    memcpy(ab, strDescriptor.data(), std::min<size_t>(strDescriptor.size(), sizeof(ab)));
    char sz[260];
    memset(sz, 'x', sizeof(sz));
    int nResult = UsbStringToText(ab, cbReturned, sz, sizeof(sz));
    if (pnResult)
        *pnResult = nResult;
    return sz;
}

TEST(UsbStringTextTest, TextIsBoundedByLengthDataAndZeroUnit)
{
    const std::string strAbc = CSimHost::StringDescriptor(L"ABC");  // bLength 8
    EXPECT_EQ("ABC", Text(strAbc, 8));
    EXPECT_EQ("AB", Text(strAbc, 7));  // the answer stops inside 'C'
    EXPECT_EQ("", Text(strAbc, 0));    // nothing returned
    EXPECT_EQ("", Text(Raw("\x00\x03"
                           "A\0B\0",
                           6),
                       6));  // bLength 0
    EXPECT_EQ("", Text(Raw("\x01\x03"
                           "A\0B\0",
                           6),
                       6));  // bLength 1
    EXPECT_EQ("AB", Text(Raw("\x07\x03"
                             "A\0B\0C\0",
                             8),
                         8));  // odd: the half unit is dropped
    EXPECT_EQ("AB", Text(Raw("\xFF\x03"
                             "A\0B\0",
                             6),
                         6));  // longer than returned
    EXPECT_EQ("A", Text(Raw("\x08\x03"
                            "A\0\0\0C\0",
                            8),
                        8));  // ends at a zero unit
}

TEST(UsbStringTextTest, FullDataAreaWithoutZeroUnitGivesAtMost126Units)
{
    std::string strFull = "\xFF\x03";
    while (strFull.size() < USB_STRING_DATA_BYTES)
        strFull += std::string("A\0", 2);
    EXPECT_EQ(std::string(126, 'A'), Text(strFull, USB_STRING_DATA_BYTES));
    EXPECT_EQ(std::string(126, 'A'), Text(strFull, 400));  // even with a count beyond the area
}

TEST(UsbStringTextTest, TextThatDoesNotFitFailsAndIsEmpty)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs the UTF-8 ANSI code page";
    int nResult = 1;
    // 100 units of three UTF-8 bytes each do not fit 259 characters.
    EXPECT_EQ("", Text(CSimHost::StringDescriptor(std::wstring(100, L'\x0905')), 202, &nResult));
    EXPECT_EQ(0, nResult);
    EXPECT_EQ(259u, Text(CSimHost::StringDescriptor(std::wstring(86, L'\x0905') + L"A"), 176, &nResult).size());
    EXPECT_EQ(1, nResult);
}

// ---- The port scan -------------------------------------------------------------

TEST_F(HubPortTest, HubWithoutPortsScansNothing)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    host.SetPortCount(m_nHub, 0);
    EXPECT_EQ(0, Lookup());
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(1u, host.Calls("DeviceIoControl"));
}

TEST_F(HubPortTest, HubWith255PortsAsksEachOnce)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    host.SetPortCount(m_nHub, 255);
    Port(3).dnDevice = 0;  // the hub names no driver for it: no port matches
    EXPECT_EQ(0, Lookup());
    for (int nPort = 1; nPort <= 255; ++nPort)
        ASSERT_EQ(1u, Port(nPort).nConnectionRequests) << nPort;
    EXPECT_EQ(1u + 255u + 1u, host.Calls("DeviceIoControl"));  // and the driver key of the one stick
}

TEST_F(HubPortTest, StickOnTheLastOfTheLastPorts)
{
    host.SetPortCount(m_nHub, 255);
    host.AddStick(m_nHub, 255, kVendor, kProduct, "S3");
    EXPECT_EQ(1, Lookup());
    EXPECT_STREQ("S3", m_id.szSerialNumber);
}

TEST_F(HubPortTest, PortWhoseConnectionRequestFailsIsSkipped)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S3");
    SIM_STICK stick = host.AddStick(m_nHub, 2, kVendor, kProduct, nullptr);
    host.Port(m_nHub, 2).Descriptor.bcdDevice = 0x0222;
    host.FailCall("DeviceIoControl", 2);  // after the node information: port 1
    EXPECT_EQ(1, Lookup(stick.strUsbId.c_str()));
    EXPECT_EQ(0x0222, m_id.bcdDevice);
}

TEST_F(HubPortTest, PortWhoseSerialRequestFailsIsSkipped)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    Port(3).mapStrings.erase(3);
    host.AddStick(m_nHub, 4, 0x0999, 0x0001, "S4");
    EXPECT_EQ(0, Lookup());
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(1u, Port(4).nConnectionRequests);
}

TEST_F(HubPortTest, StalledDeviceIsSkippedOrKnownWithoutStrings)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    Port(3).bStallStrings = true;
    EXPECT_EQ(0, Lookup());
    EXPECT_TRUE(IsEmpty());

    host.Reset();
    m_nHub = host.AddHub(4);
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, nullptr);
    Port(3).bStallStrings = true;
    EXPECT_EQ(1, Lookup(stick.strUsbId.c_str()));
    EXPECT_STREQ("", m_id.szManufacturer);
    EXPECT_STREQ("", m_id.szProduct);
    EXPECT_STREQ("", m_id.szSerialNumber);
    EXPECT_EQ(2u, Port(3).nStringRequests);
}

TEST_F(HubPortTest, FailingManufacturerAndProductLeaveTheIdentityValid)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    Port(3).mapStrings.erase(1);
    Port(3).mapStrings.erase(2);
    EXPECT_EQ(1, Lookup());
    EXPECT_STREQ("", m_id.szManufacturer);
    EXPECT_STREQ("", m_id.szProduct);
    EXPECT_STREQ("S3", m_id.szSerialNumber);
    EXPECT_EQ(0x0100, m_id.bcdDevice);
}

TEST_F(HubPortTest, NoStringIndexesNoStrings)
{
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, nullptr);
    Port(3).Descriptor.iManufacturer = 0;
    Port(3).Descriptor.iProduct = 0;
    EXPECT_EQ(1, Lookup(stick.strUsbId.c_str()));
    EXPECT_EQ(0u, Port(3).nStringRequests);
}

TEST_F(HubPortTest, ShortIdsAreWrittenWithFourDigitsAndMatchLowerCase)
{
    SIM_STICK stick = host.AddStick(m_nHub, 2, 0x0781, 0x0012, "ab12");
    host.SetInstanceId(stick.dnUsb, "usb\\vid_0781&pid_0012\\ab12");
    EXPECT_EQ(1, Lookup("usb\\vid_0781&pid_0012\\ab12"));
    EXPECT_EQ(0x0781, m_id.idVendor);
    EXPECT_EQ(0x0012, m_id.idProduct);
}

TEST_F(HubPortTest, HostileSerialDescriptorsAreBounded)
{
    // bLength far beyond the three units the device returned.
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    Port(3).mapStrings[3] = Raw("\xFF\x03"
                                "S\0"
                                "3\0",
                                6);
    EXPECT_EQ(1, Lookup());
    EXPECT_STREQ("S3", m_id.szSerialNumber);

    // A full data area without a zero unit: 126 units.
    std::string strSerial(126, 'Q');
    host.Reset();
    m_nHub = host.AddHub(4);
    host.AddStick(m_nHub, 1, kVendor, kProduct, strSerial.c_str());
    std::string strRaw = CSimHost::StringDescriptor(std::wstring(127, L'Q'));
    ASSERT_EQ(size_t(255), strRaw.size());
    Port(1).mapStrings[3] = strRaw;
    EXPECT_EQ(1, Lookup(("USB\\VID_1234&PID_1002\\" + strSerial).c_str()));
    EXPECT_EQ(strSerial, m_id.szSerialNumber);
}

TEST_F(HubPortTest, ShortStringAnswerIsReadOnlyAsFarAsItGoes)
{
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    Port(3).nStringBytes = 4;  // bLength, type and one unit
    EXPECT_EQ(1, Lookup());
    EXPECT_STREQ("S", m_id.szSerialNumber);
    EXPECT_STREQ("E", m_id.szManufacturer);
}

TEST_F(HubPortTest, ZeroedOrShortConnectionAnswersAreSkipped)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S3");
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    Port(1).bZeroConnection = true;
    Port(3).nConnectionBytes = 20;  // the descriptor cut short, no status
    EXPECT_EQ(0, Lookup());
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(0u, Port(1).nStringRequests + Port(3).nStringRequests);
}

TEST_F(HubPortTest, ZeroedOrShortNodeInformationGivesNoPorts)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S3");
    host.SetNodeInfoBytes(m_nHub, -1, true);
    EXPECT_EQ(0, Lookup());
    host.SetNodeInfoBytes(m_nHub, 6, false);  // stops before bNumberOfPorts
    EXPECT_EQ(0, Lookup());
    EXPECT_EQ(0u, Port(1).nConnectionRequests);
    host.SetNodeInfoBytes(m_nHub, 7, false);
    EXPECT_EQ(1, Lookup());
}

TEST_F(HubPortTest, SymbolicNameFillingItsBufferIsRefused)
{
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S3");
    std::string strName = "\\??\\" + std::string(256, 'H');  // 260 bytes, no terminator
    host.SetSymbolicName(m_nHub, strName);
    EXPECT_EQ(0, Lookup());
    EXPECT_EQ(0u, host.Calls("CreateFileA"));

    strName.pop_back();
    host.SetSymbolicName(m_nHub, strName + std::string(1, '\0'));  // 259 and the terminator
    EXPECT_EQ(1, Lookup());
    EXPECT_EQ("\\\\?\\" + std::string(255, 'H'), host.LastCreateFilePath());
}

TEST_F(HubPortTest, HubThatCannotBeReachedScansNoPort)
{
    for (const char* pszCall :
         {"SetupDiOpenDevRegKey", "RegQueryValueExA", "CreateFileA", "DeviceIoControl", "HeapAlloc"}) {
        host.Reset();
        m_nHub = host.AddHub(4);
        host.AddStick(m_nHub, 1, kVendor, kProduct, "S3");
        host.FailCall(pszCall);
        EXPECT_EQ(0, Lookup()) << pszCall;
        EXPECT_TRUE(IsEmpty()) << pszCall;
        EXPECT_EQ(0, host.Leaks()) << pszCall << ": " << host.LeakReport();
    }
    host.Reset();
    m_nHub = host.AddHub(4);
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S3");
    host.RemoveSymbolicName(m_nHub);
    EXPECT_EQ(0, Lookup());
    EXPECT_EQ(0u, host.Calls("CreateFileA"));
}

// ---- Driver keys: the device tree's and the hub's -------------------------------

// Keys that begin one another, on the ports before the device's: only the
// device's own is taken.
TEST_F(HubPortTest, PortIsTheOneWhoseDriverKeyIsTheDevicesWholeKey)
{
    SIM_STICK longer = host.AddStick(m_nHub, 1, kVendor, kProduct, "S1");
    SIM_STICK shorter = host.AddStick(m_nHub, 2, kVendor, kProduct, "S2");
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    const std::string strKey = host.DriverKey(stick.dnUsb).c_str();
    host.SetDriverKey(longer.dnUsb, strKey + "0" + std::string(1, '\0'));
    host.SetDriverKey(shorter.dnUsb, strKey.substr(0, strKey.size() - 1) + std::string(1, '\0'));
    Port(3).Descriptor.bcdDevice = 0x0303;
    EXPECT_EQ(1, Lookup());
    EXPECT_EQ(0x0303, m_id.bcdDevice);
    EXPECT_EQ(1u, Port(1).nDriverKeyRequests);
    EXPECT_EQ(1u, Port(2).nDriverKeyRequests);
    // Serial numbers are read at the matched port only.
    EXPECT_EQ(0u, Port(1).nStringRequests + Port(2).nStringRequests);
}

TEST_F(HubPortTest, DeviceWithoutADriverKeyOpensNoHub)
{
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    const std::string strKey = host.DriverKey(stick.dnUsb);
    host.SetDriverKey(stick.dnUsb, "");
    EXPECT_EQ(0, Lookup());
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(0u, host.Calls("CreateFileA"));
    host.SetDriverKey(stick.dnUsb, strKey);
    host.FailCall("CM_Get_DevNode_Registry_PropertyA");
    EXPECT_EQ(0, Lookup());
    EXPECT_EQ(0u, host.Calls("CreateFileA"));
}

// The device tree's key is read as far as its reported length, and must
// end inside the 260-byte buffer.
TEST_F(HubPortTest, DeviceDriverKeyIsBoundedByItsLength)
{
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    host.SetDriverKey(stick.dnUsb, "{36fc9e60-c465-11cf}");  // no terminator
    EXPECT_EQ(1, Lookup());
    host.SetDriverKey(stick.dnUsb, std::string(259, 'K') + std::string(1, '\0'));
    EXPECT_EQ(1, Lookup());
    host.SetDriverKey(stick.dnUsb, std::string(260, 'K'));  // fills the buffer, no terminator
    EXPECT_EQ(0, Lookup());
    host.SetDriverKey(stick.dnUsb, std::string(260, 'K') + std::string(1, '\0'));  // does not fit
    EXPECT_EQ(0, Lookup());
    EXPECT_EQ(2u, host.Calls("CreateFileA"));
}

// The hub's answer is read as far as the bytes it returned: a name cut off
// before its zero unit names nothing.
TEST_F(HubPortTest, PortDriverKeyIsBoundedByTheBytesReturned)
{
    SIM_STICK stick = host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    const std::string strKey = host.DriverKey(stick.dnUsb).c_str();
    // Header and the key's units, but not its zero unit.
    Port(3).nDriverKeyBytes = static_cast<int>(8 + 2 * strKey.size());
    EXPECT_EQ(0, Lookup());
    Port(3).nDriverKeyBytes = 9;  // half a unit
    EXPECT_EQ(0, Lookup());
    Port(3).nDriverKeyBytes = static_cast<int>(8 + 2 * strKey.size() + 2);
    EXPECT_EQ(1, Lookup());
    EXPECT_EQ(3u, Port(3).nDriverKeyRequests);
}

TEST_F(HubPortTest, SerialThatCannotBeConvertedEndsTheScan)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs the UTF-8 ANSI code page";
    SIM_STICK stick = host.AddStick(m_nHub, 1, kVendor, kProduct, "S1");
    Port(1).mapStrings[3] = CSimHost::StringDescriptor(std::wstring(100, L'\x0905'));
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    EXPECT_EQ(0, Lookup(stick.strUsbId.c_str()));
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(0u, Port(3).nConnectionRequests);
}

TEST_F(HubPortTest, PortWhoseIdWouldNotFitIsSkipped)
{
    if (GetACP() != CP_UTF8)
        GTEST_SKIP() << "needs the UTF-8 ANSI code page";
    // 80 units of three bytes: 240 characters convert, the id would need 262.
    host.AddStick(m_nHub, 1, kVendor, kProduct, "S1");
    Port(1).mapStrings[3] = CSimHost::StringDescriptor(std::wstring(80, L'\x0905'));
    host.AddStick(m_nHub, 3, kVendor, kProduct, "S3");
    EXPECT_EQ(1, Lookup());
    EXPECT_STREQ("S3", m_id.szSerialNumber);
}

}  // namespace
