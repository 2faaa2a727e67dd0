// CStationRecord: the station's record of the devices it handled, a CSV
// file (RFC 4180) that a production line keeps as its proof of work. One
// line per device handled, appended and flushed to the disk as it is
// written; lines already there are never touched. The fields:
//
//     time, drive, vendor id, product id, serial, port, release before,
//     release after, section, outcome, seconds, reason
//
// A new (empty) file gets a header line naming them first.
#pragma once

#include "AfxString.h"
#include "StationDevice.h"

#include <windows.h>

class CStationRecord
{
public:
    CStationRecord() = default;
    ~CStationRecord() { Close(); }
    CStationRecord(const CStationRecord&) = delete;
    CStationRecord& operator=(const CStationRecord&) = delete;

    // Opens pszPath for appending, creating it when missing; others may
    // read it meanwhile. FALSE, with why in English, when it can't be.
    BOOL Open(const char* pszPath, CString& strWhy);
    BOOL IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    // Appends the row's line and flushes it; FALSE, with why, when it
    // could not be written whole.
    BOOL Append(const STATION_ROW& row, CString& strWhy);
    void Close();

    // The row's line, without its line end.
    static CString FormatLine(const STATION_ROW& row);

private:
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    CString m_strPath;
};
