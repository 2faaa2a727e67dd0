#include "StationRecord.h"
BOOL CStationRecord::Open(const char*, CString&)
{
    return TRUE;
}
BOOL CStationRecord::Append(const STATION_ROW&, CString&)
{
    return TRUE;
}
void CStationRecord::Close() {}
