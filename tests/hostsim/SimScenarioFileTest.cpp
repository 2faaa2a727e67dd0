// The demo's scenario file: real hostsim.ini files beside this test, read
// with the platform's profile functions, and the simulated host they give
// as the program's device lookups see it.
#include "DriveIdentity.h"
#include "HostApi.h"
#include "SimHostTest.h"
#include "SimScenarioFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <functional>

namespace {

const char kUpdatedScenario[] = "[Host]\n"
                                "MajorVersion=6\n"
                                "\n"
                                "[Device1]\n"
                                "Drive=e\n"
                                "VendorID=0x1234\n"
                                "ProductID=0x1002\n"
                                "Release=0x0105\n"
                                "Serial=PKB000123\n"
                                "Manufacturer=Pelkin\n"
                                "Product=Model B\n"
                                "Speed=1\n"
                                "Hub=0\n"
                                "Port=2\n";

class SimScenarioFileTest : public CSimHostTest
{
protected:
    std::string strPath = ExeFolder() + "scenario.ini";
    CSimScenarioFile scenario;

    void TearDown() override
    {
        RemovePath(strPath);
        CSimHostTest::TearDown();
    }

    bool ReadText(const std::string& strText)
    {
        WriteFileBytes(strPath, strText);
        return scenario.Read(strPath);
    }

    USB_DEVICE_IDENTITY IdentityOf(const char* pszDrive, int* pbFound)
    {
        USB_DEVICE_IDENTITY identity = {};
        identity.cbSize = sizeof(identity);
        *pbFound = GetDeviceIdentityByDrive(pszDrive, &identity);
        return identity;
    }
};

TEST_F(SimScenarioFileTest, DeviceReachesTheLookupsAsWritten)
{
    ASSERT_TRUE(ReadText(kUpdatedScenario)) << scenario.Error();
    ASSERT_EQ(scenario.Devices().size(), 1u);
    EXPECT_EQ(scenario.Devices()[0].chDrive, 'E');
    scenario.ApplyTo(host);

    int bFound = 0;
    const USB_DEVICE_IDENTITY identity = IdentityOf("E", &bFound);
    ASSERT_TRUE(bFound);
    EXPECT_EQ(identity.idVendor, 0x1234);
    EXPECT_EQ(identity.idProduct, 0x1002);
    EXPECT_EQ(identity.bcdDevice, 0x0105);
    EXPECT_EQ(identity.Speed, 1);
    EXPECT_STREQ(identity.szManufacturer, "Pelkin");
    EXPECT_STREQ(identity.szProduct, "Model B");
    EXPECT_STREQ(identity.szSerialNumber, "PKB000123");
    EXPECT_EQ(host.Leaks(), 0) << host.LeakReport();
    IdentityOf("F", &bFound);
    EXPECT_FALSE(bFound);
}

TEST_F(SimScenarioFileTest, CompositeDeviceOnAnExternalHubOfAnOlderHost)
{
    ASSERT_TRUE(ReadText("[Host]\nMajorVersion=5\nHubs=2\nHubPorts=7\n"
                         "[Device1]\nDrive=F\nVendorID=4660\nProductID=0x1001\nRelease=0x0100\n"
                         "Hub=2\nPort=7\nComposite=1\n"
                         "[Device2]\nVendorID=0x0BDA\nProductID=0x0129\nRelease=0x3960\nPort=1\n"))
        << scenario.Error();
    EXPECT_EQ(scenario.MajorVersion(), 5u);
    ASSERT_EQ(scenario.Devices().size(), 2u);
    EXPECT_EQ(scenario.Devices()[1].chDrive, 0);
    scenario.ApplyTo(host);

    int bFound = 0;
    const USB_DEVICE_IDENTITY identity = IdentityOf("F", &bFound);
    ASSERT_TRUE(bFound);
    EXPECT_EQ(identity.idVendor, 0x1234);
    EXPECT_EQ(identity.bcdDevice, 0x0100);
    EXPECT_EQ(identity.Speed, 2);  // high speed unless told
    // No strings given: the device has none.
    EXPECT_STREQ(identity.szManufacturer, "");
    EXPECT_STREQ(identity.szProduct, "");
    EXPECT_STREQ(identity.szSerialNumber, "");
}

// A serial number with a letter beyond ASCII, as a vendor types it into the
// file in the host's ANSI code page: it reaches the device's string
// descriptor, its instance id and the mount table as the same letter.
TEST_F(SimScenarioFileTest, SerialWithALetterBeyondAsciiIsFound)
{
    char szAccent[8] = {};
    BOOL bDefaulted = FALSE;
    const int nBytes =
        WideCharToMultiByte(CP_ACP, 0, L"\u00E9", 1, szAccent, sizeof(szAccent) - 1, nullptr, &bDefaulted);
    if (nBytes <= 0 || bDefaulted)
        GTEST_SKIP() << "the ANSI code page has no e acute";
    const std::string strSerial = std::string("PK") + szAccent + "0042";
    std::string strText = kUpdatedScenario;
    strText.replace(strText.find("PKB000123"), 9, strSerial);
    ASSERT_TRUE(ReadText(strText)) << scenario.Error();
    scenario.ApplyTo(host);

    int bFound = 0;
    const USB_DEVICE_IDENTITY identity = IdentityOf("E", &bFound);
    ASSERT_TRUE(bFound);
    EXPECT_EQ(identity.bcdDevice, 0x0105);
    EXPECT_EQ(strSerial, identity.szSerialNumber);
    EXPECT_EQ(host.Leaks(), 0) << host.LeakReport();
}

TEST_F(SimScenarioFileTest, SwitchedOffPlatformCallsFail)
{
    ASSERT_TRUE(
        ReadText(std::string(kUpdatedScenario) + "[Fail]\ndeviceiocontrol=all\nCM_Get_Parent=0\nRegOpenKeyExA=3\n"))
        << scenario.Error();
    ASSERT_EQ(scenario.Failures().size(), 2u);
    EXPECT_EQ(scenario.Failures()[0].strCall, "DeviceIoControl");
    EXPECT_EQ(scenario.Failures()[0].nNth, 0u);
    EXPECT_EQ(scenario.Failures()[1].strCall, "RegOpenKeyExA");
    EXPECT_EQ(scenario.Failures()[1].nNth, 3u);
    scenario.ApplyTo(host);
    int bFound = 0;
    IdentityOf("E", &bFound);
    EXPECT_FALSE(bFound);
    EXPECT_GT(host.Calls("DeviceIoControl"), 0u);
}

TEST_F(SimScenarioFileTest, MissingFileGivesAnEmptyHost)
{
    RemovePath(strPath);
    EXPECT_FALSE(scenario.Read(strPath));
    EXPECT_NE(scenario.Error().find("no scenario file"), std::string::npos);
    EXPECT_TRUE(scenario.Devices().empty());
    scenario.ApplyTo(host);
    int bFound = 0;
    IdentityOf("E", &bFound);
    EXPECT_FALSE(bFound);
}

TEST_F(SimScenarioFileTest, EmptyFileIsAnEmptyHost)
{
    EXPECT_TRUE(ReadText(""));
    EXPECT_TRUE(scenario.Devices().empty());
    EXPECT_EQ(scenario.MajorVersion(), 6u);
}

struct BAD_SCENARIO
{
    const char* pszText;
    const char* pszBlamed;  // what the error names
};

const BAD_SCENARIO g_aBadScenarios[] = {
    {"[Device1]\nVendorID=0x12G4\nProductID=1\nRelease=1\nPort=1\n", "VendorID"},
    {"[Device1]\nVendorID=0x10000\nProductID=1\nRelease=1\nPort=1\n", "VendorID"},
    {"[Device1]\nVendorID=-1\nProductID=1\nRelease=1\nPort=1\n", "VendorID"},
    {"[Device1]\nVendorID=\nProductID=1\nRelease=1\nPort=1\n", "VendorID"},
    {"[Device1]\nVendorID=0x\nProductID=1\nRelease=1\nPort=1\n", "VendorID"},
    {"[Device1]\nVendorID=99999999999999999999\nProductID=1\nRelease=1\nPort=1\n", "VendorID"},
    {"[Device1]\nVendorID=1\nRelease=1\nPort=1\n", "ProductID"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1.05\nPort=1\n", "Release"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nSpeed=4\n", "Speed"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=3\n", "Port"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=0\n", "Port"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\n", "Port"},
    {"[Host]\nHubs=1\n[Device1]\nVendorID=1\nProductID=1\nRelease=1\nHub=2\nPort=1\n", "Hub"},
    {"[Host]\nHubs=9\n", "Hubs"},
    {"[Host]\nHubPorts=256\n", "HubPorts"},
    {"[Host]\nMajorVersion=11\n", "MajorVersion"},
    {"[Host]\nMajorVersion=six\n", "MajorVersion"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nComposite=yes\n", "Composite"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nDrive=EF\n", "Drive"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nDrive=1\n", "Drive"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nSerial=A\\B\n", "Serial"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\n"
     "[Device2]\nVendorID=2\nProductID=2\nRelease=2\nPort=1\n",
     "Port"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nDrive=E\n"
     "[Device2]\nVendorID=2\nProductID=2\nRelease=2\nPort=2\nDrive=e\n",
     "Drive"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nSerial=ab\n"
     "[Device2]\nVendorID=1\nProductID=1\nRelease=2\nPort=2\nSerial=AB\n",
     "instance id USB\\VID_0001&PID_0001\\AB is Device1's"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\n"
     "[Device3]\nVendorID=2\nProductID=2\nRelease=2\nPort=2\n",
     "Device3"},
    {"[Device2]\nVendorID=2\nProductID=2\nRelease=2\nPort=2\n", "Device2"},
    {"[Fail]\nDeviceIoCtl=all\n", "DeviceIoCtl"},
    {"[Fail]\nDeviceIoControl=sometimes\n", "DeviceIoControl"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nArrive=2.5\nLeave=2.5\n", "Leave"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nArrive=-1\n", "Arrive"},
    {"[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nLeave=soon\n", "Leave"},
};

TEST_F(SimScenarioFileTest, BadValueRefusesTheWholeFile)
{
    for (const BAD_SCENARIO& bad : g_aBadScenarios) {
        // A good device ahead of the bad value must not survive it.
        EXPECT_FALSE(ReadText(bad.pszText)) << bad.pszText;
        EXPECT_NE(scenario.Error().find(bad.pszBlamed), std::string::npos) << scenario.Error();
        EXPECT_TRUE(scenario.Devices().empty()) << bad.pszText;
        EXPECT_TRUE(scenario.Failures().empty()) << bad.pszText;
    }
}

TEST_F(SimScenarioFileTest, StringsUpToWhatADescriptorHolds)
{
    const std::string strDevice = "[Device1]\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nProduct=";
    EXPECT_TRUE(ReadText(strDevice + std::string(126, 'p') + "\n")) << scenario.Error();
    EXPECT_FALSE(ReadText(strDevice + std::string(127, 'p') + "\n"));
    EXPECT_NE(scenario.Error().find("Product"), std::string::npos);
    EXPECT_FALSE(ReadText(strDevice + std::string(400, 'p') + "\n"));
}

TEST_F(SimScenarioFileTest, TooManyDevicesAreRefused)
{
    std::string strText = "[Host]\nHubs=1\nHubPorts=20\n";
    for (int n = 1; n <= 17; ++n)
        strText += "[Device" + std::to_string(n) +
                   "]\nVendorID=1\nProductID=1\nRelease=1\nHub=1\nPort=" + std::to_string(n) + "\n";
    EXPECT_FALSE(ReadText(strText));
    EXPECT_NE(scenario.Error().find("Device17"), std::string::npos) << scenario.Error();
}

TEST_F(SimScenarioFileTest, DemoStartReadsTheFileBesideTheProgram)
{
    const std::string strBeside = ExeFolder() + "hostsim.ini";
    WriteFileBytes(strBeside, kUpdatedScenario);
    EXPECT_TRUE(LoadSimScenarioBesideExe());
    int bFound = 0;
    IdentityOf("E", &bFound);
    EXPECT_TRUE(bFound);

    WriteFileBytes(strBeside, "[Device1]\nVendorID=1\n");
    EXPECT_FALSE(LoadSimScenarioBesideExe());
    IdentityOf("E", &bFound);
    EXPECT_FALSE(bFound);

    RemovePath(strBeside);
    EXPECT_FALSE(LoadSimScenarioBesideExe());
    IdentityOf("E", &bFound);
    EXPECT_FALSE(bFound);
}

// What the host broadcast to the test's window: arrivals and removals of F:.
int g_anDriveChanges[2];

LRESULT CALLBACK CountDriveChanges(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    const bool bVolume = nMsg == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE);
    if (bVolume && reinterpret_cast<const DEV_BROADCAST_VOLUME*>(lParam)->dbcv_unitmask == 1u << ('F' - 'A'))
        ++g_anDriveChanges[wParam == DBT_DEVICEARRIVAL ? 0 : 1];
    return DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

// Takes in the thread's messages until bDone says so, at most 5 s.
bool PumpUntil(const std::function<bool()>& bDone)
{
    for (int nTry = 0; nTry < 500 && !bDone(); ++nTry) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        Sleep(10);
    }
    return bDone();
}

// F: as the program's drive walk sees it: listed and removable, or neither.
bool IsDriveF(bool bThere)
{
    char szDrives[512] = {};
    GetDeviceHostApi().pfnGetLogicalDriveStringsA(sizeof(szDrives) - 1, szDrives);
    bool bListed = false;
    for (const char* pszRoot = szDrives; *pszRoot; pszRoot += strlen(pszRoot) + 1)
        bListed = bListed || *pszRoot == 'F';
    const UINT nType = GetDeviceHostApi().pfnGetDriveTypeA("F:\\");
    return bListed == bThere && nType == (bThere ? DRIVE_REMOVABLE : DRIVE_NO_ROOT_DIR);
}

TEST_F(SimScenarioFileTest, DeviceArrivesAndLeavesWhileTheProgramRuns)
{
    ASSERT_TRUE(ReadText("[Device1]\nDrive=F\nVendorID=1\nProductID=1\nRelease=1\nPort=1\nArrive=0.3\nLeave=0.9\n"))
        << scenario.Error();
    EXPECT_EQ(scenario.Devices()[0].dwArriveMs, 300u);
    EXPECT_EQ(scenario.Devices()[0].dwLeaveMs, 900u);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = CountDriveChanges;
    windowClass.lpszClassName = "SimTimelineTest";
    RegisterClassA(&windowClass);
    const HWND hWnd = CreateWindowA("SimTimelineTest", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    g_anDriveChanges[0] = g_anDriveChanges[1] = 0;

    scenario.ApplyTo(host);
    EXPECT_TRUE(IsDriveF(false));
    EXPECT_TRUE(PumpUntil([] { return IsDriveF(true); }));
    EXPECT_TRUE(PumpUntil([] { return IsDriveF(false) && g_anDriveChanges[1] > 0; }));
    host.Reset();
    DestroyWindow(hWnd);
    EXPECT_EQ(g_anDriveChanges[0], 2);
    EXPECT_EQ(g_anDriveChanges[1], 1);
    // The drive's link is back for the tests after this one.
    EXPECT_NE(GetFileAttributesA("F:\\"), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
