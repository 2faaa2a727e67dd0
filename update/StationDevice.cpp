#include "StationDevice.h"

CString GetStationKey(const STATION_TARGET& target)
{
    // The record's text is bounded by its buffer, terminated or not.
    char szSerial[USB_IDENTITY_TEXT_CHARS];
    lstrcpynA(szSerial, target.identity.szSerialNumber, sizeof szSerial);
    return CString(szSerial) + "|" + static_cast<const char*>(target.strPort);
}

const char* GetStationOutcomeName(const STATION_ROW& row)
{
    return row.state == STATION_REMOVED ? "Removed" : GetScanOutcomeName(row.outcome);
}
