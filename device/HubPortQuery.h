// QueryHubPortsCallback: walked by the USB device lookup. At the element
// that is the context's hub (dnHub) it opens the hub and asks its ports, in
// ascending order, for the device whose "USB\VID_%04X&PID_%04X\<serial>" id
// occurs in szInstanceId; that port's descriptors fill pIdentity. At the hub
// it always stops the walk; elsewhere it goes on.
#pragma once

#include <windows.h>
#include <setupapi.h>

int QueryHubPortsCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);
