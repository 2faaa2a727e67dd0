// MatchVolumeCallback: walked by the drive lookup. At the first element
// whose instance id (with '#' for '\') occurs in the context's szTarget (the
// volume's device path) it climbs to the USB device, fetches that device's
// instance id and looks its identity up; then it stops the walk, whether or
// not an identity was found.
#pragma once

#include <windows.h>
#include <setupapi.h>

int MatchVolumeCallback(HDEVINFO hDevInfo, SP_DEVINFO_DATA* pDevInfoData, GUID* pClassGuid, void* pContext);
