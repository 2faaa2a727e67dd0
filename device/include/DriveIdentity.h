// From a drive letter to the identity of the USB device behind it. Follows
// the size convention of USB_DEVICE_IDENTITY and returns non-zero exactly
// when the record holds an identified device.
//
// One lookup, for drive E, is four walks over two lists of the present
// devices; each walk stops at the element it looks for, and the inner walks
// run inside the outer walks' callbacks:
//
// 1. Mount table. GetDeviceIdentityByDrive accepts the record
//    (AcceptIdentityRecord). LookupMountedDevice opens
//    HKLM\SYSTEM\MountedDevices, finds the value named "\DosDevices\E:" with
//    RegEnumValueA and reads it into a block of the process heap: the device
//    path, in UTF-16, of the drive's storage device (from host major
//    version 6 on its disk, "\??\USBSTOR#...", below its volume,
//    "\??\STORAGE#..."). Converted to the ANSI code page (259 characters at
//    most) and made "\\?\..." by MakeOpenableDevicePath, it is the search's
//    szTarget.
// 2. Instance id search, first list (OpenPresentDevices: every present
//    device). Walk 1, MatchVolumeCallback: the first element whose instance
//    id, with '#' for each '\', occurs in szTarget is the storage device.
// 3. Climbing the device tree. FindUsbDeviceNode: CM_Get_Parent once from
//    version 6 on (disk, USB device), twice below (volume, disk, USB
//    device). Walk 2 over the same list, FetchInstanceIdCallback, reads the
//    instance id of the node reached; MatchVolumeCallback hands it to
//    GetDeviceIdentityByInstanceId (InstanceIdentity.h), which accepts the
//    record again and opens the second list while the first stays open.
//    Walk 3, MatchUsbDeviceCallback: the element whose whole instance id is
//    that id (ignoring case) is the USB device; for an "&MI_" interface,
//    FindCompositeDevice climbs once more and reads the composite device's
//    id (a nested FetchInstanceIdCallback walk). The device's parent
//    (CM_Get_Parent) is its hub.
// 4. Hub port query. Walk 4, QueryHubPortsCallback, at the hub's element:
//    ReadDeviceDriverKey reads the USB device's driver key (CM_DRP_DRIVER);
//    ReadHubPath reads the hub's "SymbolicName" from its device key, made
//    "\\?\..." the same way, and CreateFileA opens the hub. QueryPortCount
//    (IOCTL_USB_GET_NODE_INFORMATION) gives its ports; ScanPort asks each in
//    turn for its connection information and, when a device is connected,
//    for its driver key (RequestPortDriverKey). The port whose key is the
//    device's is the device's; no other port is read further.
// 5. Descriptors and strings. At that port the serial-number string comes
//    first (IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, US English,
//    bounded by UsbStringToText): a failed request passes on to the next
//    port, a text that does not convert ends the scan with nothing written.
//    Then FillIdentity writes the port's speed and idVendor, idProduct and
//    bcdDevice from the connection's device descriptor, and the
//    manufacturer, product and serial-number texts.
//
// Every step passed and the failure that ends the way are reported to the
// identity report (IdentityReport.h). Every registry key, the hub handle,
// the connection buffer and each list are given back before the function
// that took them returns; the mount table's block, which LookupMountedDevice
// hands up, when the drive lookup returns.
#pragma once

#include "UsbDeviceIdentity.h"

// pszDrive: the drive letter alone ("E") or with its colon ("E:").
int GetDeviceIdentityByDrive(const char* pszDrive, USB_DEVICE_IDENTITY* pIdentity);
