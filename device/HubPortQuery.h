// QueryHubPortsCallback: walked by the USB device lookup. At the element
// that is the context's hub (dnHub) it opens the hub and asks its ports, in
// ascending order, for the one whose device has the driver key of the USB
// device found (dnTarget); that port's descriptors fill pIdentity. At the
// hub it always stops the walk; elsewhere it goes on.
#pragma once

#include <windows.h>
#include <setupapi.h>

int QueryHubPortsCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);
