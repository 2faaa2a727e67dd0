// The driver key of a USB device: the name of its driver instance, which
// the device tree holds for the device's node and the hub driver reports
// for the device plugged into one of its ports. Both come from the same
// entry, so they agree exactly for the device at a port and differ for
// every other device, whatever the devices' serial numbers and instance
// ids are.
#pragma once

#include <windows.h>
#include <cfgmgr32.h>

#define DRIVER_KEY_CHARS 260

// The node's driver key (CM_DRP_DRIVER), bounded by the length the host
// reports. 1 when a non-empty key that fits the buffer was read.
int ReadDeviceDriverKey(DEVINST dnDevice, char (&szKey)[DRIVER_KEY_CHARS]);

// The driver key of the device on port nPort of an open hub, in narrow
// text, bounded by the bytes the hub returned. 1 when a non-empty key that
// fits the buffer came back.
int RequestPortDriverKey(HANDLE hHub, ULONG nPort, char (&szKey)[DRIVER_KEY_CHARS]);
