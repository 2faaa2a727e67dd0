// USB_DEVICE_IDENTITY: the identity of the USB device behind a removable
// drive, as its hub port reports it.
//
// Size convention, kept by every lookup that fills the record and by every
// caller:
//   1. The caller sets cbSize to sizeof(USB_DEVICE_IDENTITY) before the call.
//   2. A lookup refuses a record whose cbSize is smaller (unsigned compare):
//      it returns 0 and leaves the record untouched. A larger cbSize is
//      accepted.
//   3. An accepted record is cleared to zero (sizeof bytes, not cbSize
//      bytes) and cbSize is reset to sizeof before any device is looked at.
// A lookup succeeds exactly when bcdDevice is non-zero at its end. The
// identity fields are written together, only for the matched port; a device
// whose release is 0x0000 leaves its ids and strings in the record while the
// lookup reports failure.
#pragma once

#include <windows.h>

#define USB_IDENTITY_TEXT_CHARS 260

struct USB_DEVICE_IDENTITY
{
    DWORD cbSize;
    UCHAR Speed;  // the port's speed, as the hub driver reports it
    USHORT idVendor;
    USHORT idProduct;
    USHORT bcdDevice;  // release number, BCD; non-zero when identified
    CHAR szManufacturer[USB_IDENTITY_TEXT_CHARS];
    CHAR szProduct[USB_IDENTITY_TEXT_CHARS];
    CHAR szSerialNumber[USB_IDENTITY_TEXT_CHARS];
};

static_assert(sizeof(USB_DEVICE_IDENTITY) == 792, "32-bit layout of the identity record");
