// What the station knows of each device it has seen: what the scan found
// behind a drive, where the device's handling stands, and how it ended.
// The station (Station.h) keeps one STATION_ROW per device since its
// start, in the order they were first seen; the window lists them, the
// record and the quiet run's log say how each ended.
#pragma once

#include "AfxString.h"
#include "UpdateEngine.h"

// A device that a scan found behind a removable drive and that a section
// of Update.cfg names.
struct STATION_TARGET
{
    CString strDriveRoot;  // "G:\"
    USB_DEVICE_IDENTITY identity;
    CString strUsbDevice;   // the USB device's instance id
    CString strPort;        // its hub and port: "USB\ROOT_HUB20\4&1A2B&0 port 2"
    CString strSection;     // the section that names it
    CString strDeviceName;  // the section's DeviceName
};

enum STATION_STATE
{
    STATION_WAITING,   // seen; waits for a free worker
    STATION_CHECKING,  // recovery, version and room check
    STATION_UPDATING,  // the copy runs (nPercent)
    STATION_ENDED,     // handled: outcome and reason say how
    STATION_EJECTED,   // updated, then ejected
    STATION_REMOVED,   // its drive went before its handling ended
};

struct STATION_ROW
{
    STATION_TARGET target;
    CString strKey;  // serial number and port; without a serial, the port
    STATION_STATE state = STATION_WAITING;
    int nPercent = 0;      // while updating
    bool bPresent = true;  // its drive still holds it
    bool bEnded = false;   // its handling ended: outcome, reason, seconds hold
    SCAN_OUTCOME outcome = SCAN_NOT_FOUND;
    CString strReason;          // why it ended so, one line; empty after Updated
    CString strReleaseBefore;   // "0100": the release it reported
    CString strReleaseAfter;    // once ended: the section's Version after Updated, else as before
    DWORD dwStartTick = 0;      // when its handling began
    DWORD dwSeconds = 0;        // how long its handling took, once ended
    SYSTEMTIME timeEnded = {};  // local time it ended
};

// The key that tells one device from another across scans: its serial
// number and its port, or its port alone when it has no serial number.
CString GetStationKey(const STATION_TARGET& target);

// The identity's serial number, empty when it has none; bounded by its
// buffer, as a device string that fills it has no terminator.
CString GetStationSerial(const USB_DEVICE_IDENTITY& identity);

// "Updated", "Version refused", ..., "Removed": how a row ended, for the
// record and the log (English; the window shows its own texts).
const char* GetStationOutcomeName(const STATION_ROW& row);
