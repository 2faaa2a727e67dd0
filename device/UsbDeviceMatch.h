// MatchUsbDeviceCallback: walked by the instance-id lookup. At the first
// element whose instance id is the context's szTarget (the whole id,
// ignoring case) it finds the USB device (for an "&MI_" interface, the
// composite device above it) and its hub, and asks the hub's ports for the
// device's identity; then it stops the walk, whether or not an identity was
// found.
#pragma once

#include <windows.h>
#include <setupapi.h>

int MatchUsbDeviceCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);
