// From a device instance id to the identity of the USB device it names; the
// drive lookup ends here once it has found the USB device behind a drive.
// Follows the size convention of USB_DEVICE_IDENTITY and returns non-zero
// exactly when the record holds an identified device.
#pragma once

#include "UsbDeviceIdentity.h"

// pszInstanceId: a device instance id of at most 259 characters; the device
// whose whole id it is (ignoring case) is looked up.
int GetDeviceIdentityByInstanceId(const char* pszInstanceId, USB_DEVICE_IDENTITY* pIdentity);
