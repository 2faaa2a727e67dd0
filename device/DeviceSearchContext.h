// DEVICE_SEARCH_CONTEXT: what the enumeration callbacks of one lookup share.
// Each lookup clears its own context before use; the lookup, not the
// context, owns the list and the identity record.
#pragma once

#include "UsbDeviceIdentity.h"

#include <windows.h>
#include <cfgmgr32.h>

class CDevInfoList;

#define DEVICE_SEARCH_TEXT_CHARS 260

struct DEVICE_SEARCH_CONTEXT
{
    // Drive lookup: the volume's device path ("\\?\..."); instance-id
    // lookup: the instance id looked up.
    CHAR szTarget[DEVICE_SEARCH_TEXT_CHARS];
    CDevInfoList* pList;  // the list that the callbacks walk again
    // Node whose instance id is to be fetched; in the instance-id lookup
    // then the USB device found, whose driver key the hub's ports are
    // matched against.
    DEVINST dnTarget;
    CHAR szInstanceId[DEVICE_SEARCH_TEXT_CHARS];  // the USB device found
    DEVINST dnHub;                                // the hub that device is attached to
    USB_DEVICE_IDENTITY* pIdentity;
};
