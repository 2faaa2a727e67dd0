// The start of every identity lookup: the size convention of
// USB_DEVICE_IDENTITY, and the list of present devices that it walks.
#pragma once

#include "DevInfoList.h"
#include "UsbDeviceIdentity.h"

// 0 for a null record or one whose cbSize is below the record's own size
// (the record is left untouched); otherwise clears the record, sets its
// cbSize to the record's own size and returns 1.
int AcceptIdentityRecord(USB_DEVICE_IDENTITY* pIdentity);

// Opens pList over every device present on the local machine.
int OpenPresentDevices(CDevInfoList* pList);
