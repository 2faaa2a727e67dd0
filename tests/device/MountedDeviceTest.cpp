// LookupMountedDevice over the simulated host's mount table.
#include "MountedDevice.h"

#include "HostApi.h"
#include "SimHostTest.h"

#include <string>

namespace {

class MountedDeviceTest : public CSimHostTest
{
protected:
    WCHAR* m_pPath = nullptr;

    void TearDown() override
    {
        if (m_pPath) {
            const DEVICE_HOST_API& api = GetDeviceHostApi();
            api.pfnHeapFree(api.pfnGetProcessHeap(), 0, m_pPath);
        }
        CSimHostTest::TearDown();
    }

    std::string Block() const
    {
        return std::string(reinterpret_cast<const char*>(m_pPath), host.HeapBlockSize(m_pPath));
    }
    std::wstring Text() const { return m_pPath; }
};

TEST_F(MountedDeviceTest, LetterWithOrWithoutColonInEitherCaseFindsTheValue)
{
    host.AddMountPath('D', "\\??\\IDE#CdRomDrive#1");
    host.AddMountPath('E', "\\??\\STORAGE#RemovableMedia#7&1&0&RM");
    for (const char* pszDrive : {"E", "E:", "e", "e:"}) {
        ASSERT_EQ(1, LookupMountedDevice(pszDrive, &m_pPath)) << pszDrive;
        EXPECT_EQ(std::wstring(L"\\??\\STORAGE#RemovableMedia#7&1&0&RM"), Text());
        EXPECT_EQ(size_t(35 * 2 + 2), host.HeapBlockSize(m_pPath));
        GetDeviceHostApi().pfnHeapFree(GetDeviceHostApi().pfnGetProcessHeap(), 0, m_pPath);
        m_pPath = nullptr;
    }
    EXPECT_EQ(0, host.OpenKeys());
}

TEST_F(MountedDeviceTest, SecondCharacterOfTwoIsAlwaysReadAsTheColon)
{
    host.AddMountPath('E', "\\??\\X");
    ASSERT_EQ(1, LookupMountedDevice("E\\", &m_pPath));
    EXPECT_EQ(std::wstring(L"\\??\\X"), Text());
}

TEST_F(MountedDeviceTest, RefusesBadArgumentsBeforeOpeningTheRegistry)
{
    host.AddMountPath('E', "\\??\\X");
    WCHAR* pUntouched = reinterpret_cast<WCHAR*>(0x1234);
    EXPECT_EQ(0, LookupMountedDevice("E:\\", &pUntouched));
    EXPECT_EQ(0, LookupMountedDevice("", &pUntouched));
    EXPECT_EQ(0, LookupMountedDevice(nullptr, &pUntouched));
    EXPECT_EQ(0, LookupMountedDevice("E", nullptr));
    EXPECT_EQ(reinterpret_cast<WCHAR*>(0x1234), pUntouched);
    EXPECT_EQ(0u, host.Calls("RegOpenKeyExA"));
}

TEST_F(MountedDeviceTest, MissingLetterLeavesTheSlotUntouched)
{
    host.AddMountPath('E', "\\??\\X");
    WCHAR* pUntouched = reinterpret_cast<WCHAR*>(0x1234);
    EXPECT_EQ(0, LookupMountedDevice("F", &pUntouched));
    EXPECT_EQ(reinterpret_cast<WCHAR*>(0x1234), pUntouched);
    EXPECT_EQ(1u, host.Calls("RegCloseKey"));
}

TEST_F(MountedDeviceTest, EmptyDataIsAnEmptyString)
{
    host.AddMountValue("\\DosDevices\\E:", "");
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    EXPECT_EQ(std::string(2, '\0'), Block());
}

TEST_F(MountedDeviceTest, SeventyBytesGiveABlockOfSeventyTwo)
{
    std::string strData = CSimHost::Utf16(std::wstring(35, L'A'));
    host.AddMountValue("\\DosDevices\\E:", strData);
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    EXPECT_EQ(strData + std::string(2, '\0'), Block());
}

TEST_F(MountedDeviceTest, OddLengthStillEndsInAZeroUnitInsideTheBlock)
{
    // Wine records drive C as the narrow text "../drive_c" and its zero.
    host.AddMountValue("\\DosDevices\\C:", std::string("../drive_c", 11));
    host.AddMountValue("\\DosDevices\\E:", std::string("ABCDE", 5));
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    ASSERT_EQ(size_t(8), host.HeapBlockSize(m_pPath));
    EXPECT_EQ(std::string("ABCDE\0\0\0", 8), Block());
    EXPECT_EQ(3u, Text().size());  // 'BA', 'DC', 'E' and the zero unit
}

TEST_F(MountedDeviceTest, LongerNamesThatFillTheNameBufferArePassedOver)
{
    // The host lists volume names, longer than a drive's, before the drives;
    // one even begins like the drive's name.
    host.AddMountValue("\\??\\Volume{8e1a2d3c-4000-11f0-9a2b-806e6f6e6963}", CSimHost::Utf16(L"wrong"));
    host.AddMountValue("\\DosDevices\\E:\\extra", CSimHost::Utf16(L"wrong too"));
    host.AddMountValue("\\DosDevices\\E:", CSimHost::Utf16(L"right"));
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    EXPECT_EQ(std::wstring(L"right"), Text());
    EXPECT_EQ(1u, host.Calls("RegQueryValueExA"));
}

TEST_F(MountedDeviceTest, OnlyTheFirstMatchingValueIsRead)
{
    host.AddMountValue("\\dosdevices\\e:", CSimHost::Utf16(L"first"));
    host.AddMountValue("\\DosDevices\\E:", CSimHost::Utf16(L"second"));
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    EXPECT_EQ(std::wstring(L"first"), Text());
}

TEST_F(MountedDeviceTest, EveryEnumerationFailingEndsTheWalkAtOnce)
{
    host.AddMountPath('E', "\\??\\X");
    host.FailCall("RegEnumValueA");
    WCHAR* pUntouched = reinterpret_cast<WCHAR*>(0x1234);
    EXPECT_EQ(0, LookupMountedDevice("E", &pUntouched));
    EXPECT_EQ(reinterpret_cast<WCHAR*>(0x1234), pUntouched);
    EXPECT_EQ(1u, host.Calls("RegEnumValueA"));
    EXPECT_EQ(1u, host.Calls("RegCloseKey"));
}

// The host lists D:'s volume name and value, then E:'s; the Nth request
// fails. Before E: is reached the walk ends without a value; once E: has
// been read, no later request is made.
TEST_F(MountedDeviceTest, TheNthEnumerationFailingEndsTheWalkThere)
{
    for (unsigned nNth = 1; nNth <= 4; ++nNth) {
        host.Reset();
        host.AddMountPath('D', "\\??\\IDE#CdRomDrive#1");
        host.AddMountPath('E', "\\??\\X");
        host.FailCall("RegEnumValueA", nNth);
        WCHAR* pPath = nullptr;
        EXPECT_EQ(0, LookupMountedDevice("E", &pPath)) << nNth;
        EXPECT_EQ(nullptr, pPath) << nNth;
        EXPECT_EQ(nNth, host.Calls("RegEnumValueA"));
        EXPECT_EQ(0, host.Leaks()) << nNth << ": " << host.LeakReport();
    }
    host.Reset();
    host.AddMountPath('D', "\\??\\IDE#CdRomDrive#1");
    host.AddMountPath('E', "\\??\\X");
    host.FailCall("RegEnumValueA", 5);
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    EXPECT_EQ(std::wstring(L"\\??\\X"), Text());
    EXPECT_EQ(4u, host.Calls("RegEnumValueA"));
}

// ERROR_MORE_DATA is a name that did not fit; the walk goes on past it,
// even when the host reports it for the drive's own value.
TEST_F(MountedDeviceTest, NameTooLongIsPassedOverNotAnEnd)
{
    host.AddMountPath('E', "\\??\\X");
    host.FailCall("RegEnumValueA", 1, ERROR_MORE_DATA);
    ASSERT_EQ(1, LookupMountedDevice("E", &m_pPath));
    EXPECT_EQ(std::wstring(L"\\??\\X"), Text());

    host.Reset();
    host.AddMountPath('E', "\\??\\X");
    host.FailCall("RegEnumValueA", 2, ERROR_MORE_DATA);  // E:'s own value
    WCHAR* pUntouched = reinterpret_cast<WCHAR*>(0x1234);
    EXPECT_EQ(0, LookupMountedDevice("E", &pUntouched));
    EXPECT_EQ(reinterpret_cast<WCHAR*>(0x1234), pUntouched);
    EXPECT_EQ(3u, host.Calls("RegEnumValueA"));  // the third reports the end
}

TEST_F(MountedDeviceTest, PlatformFailuresGiveZeroAndReleaseEverything)
{
    host.AddMountPath('E', "\\??\\X");
    for (const char* pszCall : {"RegOpenKeyExA", "HeapAlloc", "RegQueryValueExA"}) {
        host.Reset();
        host.AddMountPath('E', "\\??\\X");
        host.FailCall(pszCall);
        WCHAR* pUntouched = reinterpret_cast<WCHAR*>(0x1234);
        EXPECT_EQ(0, LookupMountedDevice("E", &pUntouched)) << pszCall;
        EXPECT_EQ(reinterpret_cast<WCHAR*>(0x1234), pUntouched) << pszCall;
        EXPECT_EQ(0, host.Leaks()) << pszCall << ": " << host.LeakReport();
    }
    host.Reset();
    host.SetMountTableMissing(true);
    EXPECT_EQ(0, LookupMountedDevice("E", &m_pPath));
}

}  // namespace
