// How far the identification of a drive got, for the log of a run. The
// lookups report each step they pass and the failure that ends their way
// to one sink, which a caller may install around its lookups. The lookups'
// results, debug traces and platform calls are the same with and without
// a sink; without one, reporting is one test of a null pointer.
//
// A walk that meets no element it is looking for reports nothing of its
// own: the last step reported then tells how far the way got. A failure
// may be followed by reports of what it left undone; the first one counts.
#pragma once

enum IDENTITY_STEP
{
    // Steps passed; the detail is what was found.
    IDENTITY_MOUNT_PATH,      // the drive's device path in the mount table
    IDENTITY_STORAGE_DEVICE,  // the present device whose id (with '#' for '\') occurs in it
    IDENTITY_USB_DEVICE,      // the USB device looked up (the composite device for an interface)
    IDENTITY_HUB,             // the hub it is attached to: the hub's device path
    IDENTITY_HUB_PORT,        // the hub's port that carries it: its number, in decimal

    // Where the way ended; the detail says what failed.
    IDENTITY_NO_MOUNT_VALUE,    // the mount table has no value for the drive, or can't be read
    IDENTITY_MOUNT_PATH_UNFIT,  // the mount path doesn't convert into 259 narrow characters
    IDENTITY_NO_DEVICE_LIST,    // the present devices can't be listed or walked
    IDENTITY_CLIMB_FAILED,      // climbing the device tree failed
    IDENTITY_HUB_FAILED,        // the hub can't be asked for its ports
    IDENTITY_NO_HUB_PORT,       // no port of the hub carries the device (detail: its instance id)
};

// pszDetail: zero-terminated, at most 259 characters, or null.
typedef void (*IDENTITY_REPORT_PROC)(IDENTITY_STEP nStep, const char* pszDetail, void* pContext);

// Installs the sink, or none (null). One for the process: identification
// runs on one thread at a time.
void SetIdentityReport(IDENTITY_REPORT_PROC pfnReport, void* pContext);

// For the lookups: hands a step to the sink, if one is installed.
void ReportIdentityStep(IDENTITY_STEP nStep, const char* pszDetail);
