// From a drive letter (or a device instance id) to the identity of the USB
// device behind it. Both follow the size convention of USB_DEVICE_IDENTITY
// and return non-zero exactly when the record holds an identified device.
#pragma once

#include "UsbDeviceIdentity.h"

// pszDrive: the drive letter alone ("E") or with its colon ("E:").
int GetDeviceIdentityByDrive(const char* pszDrive, USB_DEVICE_IDENTITY* pIdentity);

// pszInstanceId: a device instance id of at most 259 characters; the device
// whose whole id it is (ignoring case) is looked up.
int GetDeviceIdentityByInstanceId(const char* pszInstanceId, USB_DEVICE_IDENTITY* pIdentity);
