#include "StationDevice.h"

#include <cstring>

CString GetStationKey(const STATION_TARGET& target)
{
    // Without a serial number the key is the port alone, after the same
    // separator.
    return GetStationSerial(target.identity) + "|" + target.strPort;
}

CString GetStationSerial(const USB_DEVICE_IDENTITY& identity)
{
    char szSerial[sizeof identity.szSerialNumber + 1] = {};
    std::memcpy(szSerial, identity.szSerialNumber, sizeof identity.szSerialNumber);
    return szSerial;
}

const char* GetStationOutcomeName(const STATION_ROW& row)
{
    return row.state == STATION_REMOVED ? "Removed" : GetScanOutcomeName(row.outcome);
}
