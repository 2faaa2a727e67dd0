// Device identification against Wine's own registry and device tree, with
// no simulated host: Wine records drive C in the mount table as narrow
// text, and no USB device stands behind it.
#include "DriveIdentity.h"
#include "InstanceIdentity.h"
#include "HostApi.h"
#include "MountedDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(WineHostTest, MountTableHoldsDriveC)
{
    WCHAR* pPath = nullptr;
    ASSERT_EQ(1, LookupMountedDevice("C", &pPath));
    ASSERT_NE(nullptr, pPath);
    SIZE_T cbBlock = HeapSize(GetProcessHeap(), 0, pPath);
    ASSERT_GE(cbBlock, SIZE_T(2));
    // The block ends in a whole zero unit, whatever the value's length.
    const BYTE* pb = reinterpret_cast<const BYTE*>(pPath);
    size_t nUnits = wcsnlen(pPath, cbBlock / 2);
    EXPECT_LT(nUnits, cbBlock / 2);
    EXPECT_EQ(0, pb[cbBlock - 1] | pb[cbBlock - 2]);
    const DEVICE_HOST_API& host = GetDeviceHostApi();
    EXPECT_TRUE(host.pfnHeapFree(host.pfnGetProcessHeap(), 0, pPath));

    WCHAR* pLower = nullptr;
    ASSERT_EQ(1, LookupMountedDevice("c:", &pLower));
    EXPECT_EQ(cbBlock, HeapSize(GetProcessHeap(), 0, pLower));
    HeapFree(GetProcessHeap(), 0, pLower);
}

TEST(WineHostTest, DriveCHasNoUsbDeviceBehindIt)
{
    USB_DEVICE_IDENTITY id;
    memset(&id, 0x5A, sizeof(id));
    id.cbSize = sizeof(id);
    EXPECT_EQ(0, GetDeviceIdentityByDrive("C", &id));
    USB_DEVICE_IDENTITY empty = {};
    empty.cbSize = sizeof(empty);
    EXPECT_EQ(0, memcmp(&empty, &id, sizeof(id)));
    EXPECT_EQ(0, GetDeviceIdentityByDrive("E", &id));
    EXPECT_EQ(0, memcmp(&empty, &id, sizeof(id)));
}

TEST(WineHostTest, InstanceIdOfNoUsbDeviceGivesNothing)
{
    USB_DEVICE_IDENTITY id = {};
    id.cbSize = sizeof(id);
    EXPECT_EQ(0, GetDeviceIdentityByInstanceId("USB\\VID_1234&PID_1002\\NOSUCHDEVICE", &id));
    EXPECT_EQ(0, id.bcdDevice);
}

}  // namespace
