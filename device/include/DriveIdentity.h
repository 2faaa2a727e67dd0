// From a drive letter to the identity of the USB device behind it. Follows
// the size convention of USB_DEVICE_IDENTITY and returns non-zero exactly
// when the record holds an identified device.
#pragma once

#include "UsbDeviceIdentity.h"

// pszDrive: the drive letter alone ("E") or with its colon ("E:").
int GetDeviceIdentityByDrive(const char* pszDrive, USB_DEVICE_IDENTITY* pIdentity);
