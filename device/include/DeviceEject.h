// Safe removal of a USB device: the host is asked to eject the device that
// identification found behind a drive (for a composite device, the
// composite device itself), by its instance id, never its hub, a sibling
// or the disk alone. On success the device and its drives are gone; a
// program or driver that holds the device may veto.
#pragma once

#include <windows.h>
#include <cfgmgr32.h>

// What holds the device when the host vetoes; the name's buffer, in
// characters with the terminator.
#define EJECT_VETO_NAME_CHARS 260

// pszInstanceId: the USB device's whole instance id (ignoring case), as
// identification reported it. CR_SUCCESS when the device was ejected;
// CR_REMOVE_VETOED (or another failure of the host) with *pVetoType and
// szVetoName saying who refused; CR_NO_SUCH_DEVNODE when no present device
// has the id; CR_FAILURE when the present devices can't be walked.
// *pVetoType starts as PNP_VetoTypeUnknown and the name empty.
CONFIGRET RequestDeviceEject(const char* pszInstanceId, PNP_VETO_TYPE* pVetoType,
                             char (&szVetoName)[EJECT_VETO_NAME_CHARS]);
