#include "StationRecord.h"

#include "EventText.h"
#include "FileOps.h"
#include "UpdateLog.h"

namespace {

const char kHeader[] = "time,drive,vendor id,product id,serial,port,release before,release after,section,outcome,"
                       "seconds,reason";

CString MakeWhy(const CString& strPath, const char* pszWhat, const CString& strDetail)
{
    CString strWhy;
    strWhy.Format("%s %s: %s", static_cast<const char*>(strPath), pszWhat, static_cast<const char*>(strDetail));
    return strWhy;
}

// A field as RFC 4180 has it: enclosed in double quotes, each of them
// doubled, when it holds a separator, a quote or a line break.
CString QuoteField(const char* pszField)
{
    bool bQuote = false;
    for (const char* p = pszField; *p && !bQuote; ++p)
        bQuote = *p == ',' || *p == '"' || *p == '\r' || *p == '\n';
    if (!bQuote)
        return pszField;
    CString strField("\"");
    for (const char* p = pszField; *p; ++p) {
        if (*p == '"')
            strField += '"';
        strField += *p;
    }
    strField += '"';
    return strField;
}

// A text from a device or a file: printable ASCII, as the log stores it, so
// that no control byte reaches the record.
CString UntrustedField(const char* pszText)
{
    return QuoteField(CUpdateLog::MakeLogText(pszText));
}

// Writes the whole text in one call and flushes it to the disk: a line the
// record holds survives a crash of the program or of the host right after.
BOOL WriteWhole(HANDLE hFile, const CString& strPath, const CString& strText, CString& strWhy)
{
    const DWORD nBytes = static_cast<DWORD>(strText.GetLength());
    DWORD nWritten = 0;
    if (!WriteFile(hFile, static_cast<const char*>(strText), nBytes, &nWritten, nullptr)) {
        strWhy = MakeWhy(strPath, "cannot be written", GetErrorText(GetLastError()));
        return FALSE;
    }
    if (nWritten != nBytes) {
        CString strShort;
        strShort.Format("%lu of %lu bytes written", static_cast<unsigned long>(nWritten),
                        static_cast<unsigned long>(nBytes));
        strWhy = MakeWhy(strPath, "cannot be written", strShort);
        return FALSE;
    }
    if (!FlushFileBuffers(hFile)) {
        strWhy = MakeWhy(strPath, "cannot be written", GetErrorText(GetLastError()));
        return FALSE;
    }
    return TRUE;
}

// What the record must start with: the header in an empty file, a line end
// after a last line that a crash cut off, else nothing. The append handle
// may not read, so a reading one of its own looks at the last byte.
BOOL GetLead(const CString& strPath, CString& strLead, CString& strWhy)
{
    CFileOps& ops = CFileOps::Real();
    CFileHandle file(
        ops, ops.Open(strPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size)) {
        strWhy = MakeWhy(strPath, "cannot be read", GetErrorText(GetLastError()));
        return FALSE;
    }
    strLead.Empty();
    if (size.QuadPart == 0) {
        strLead = CString(kHeader) + "\r\n";
        return TRUE;
    }
    LARGE_INTEGER last = {};
    last.QuadPart = size.QuadPart - 1;
    char chLast = 0;
    DWORD nRead = 0;
    if (!SetFilePointerEx(file.Get(), last, nullptr, FILE_BEGIN) || !ops.Read(file.Get(), &chLast, 1, &nRead) ||
        nRead != 1) {
        strWhy = MakeWhy(strPath, "cannot be read", GetErrorText(GetLastError()));
        return FALSE;
    }
    if (chLast != '\n')
        strLead = "\r\n";
    return TRUE;
}

}  // namespace

BOOL CStationRecord::Open(const char* pszPath, CString& strWhy)
{
    Close();
    if (!pszPath || !*pszPath) {
        strWhy = "No record file is named";
        return FALSE;
    }
    char szFull[MAX_PATH] = {};
    const DWORD nLength = GetFullPathNameA(pszPath, MAX_PATH, szFull, nullptr);
    m_strPath = nLength > 0 && nLength < MAX_PATH ? szFull : pszPath;
    // Append-only access: a line written can't land on an earlier one.
    // Others may read the record meanwhile, but not write to it.
    m_hFile =
        CreateFileA(m_strPath, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!IsOpen()) {
        strWhy = MakeWhy(m_strPath, "cannot be opened", GetErrorText(GetLastError()));
        return FALSE;
    }
    // A pipe or a device would take the lines and keep none of them.
    if (GetFileType(m_hFile) != FILE_TYPE_DISK) {
        Close();
        strWhy = MakeWhy(m_strPath, "cannot be opened", "it is no file on a disk");
        return FALSE;
    }
    CString strLead;
    if (!GetLead(m_strPath, strLead, strWhy) ||
        (!strLead.IsEmpty() && !WriteWhole(m_hFile, m_strPath, strLead, strWhy))) {
        Close();
        return FALSE;
    }
    return TRUE;
}

BOOL CStationRecord::Append(const STATION_ROW& row, CString& strWhy)
{
    if (!IsOpen()) {
        strWhy = "The record is not open";
        return FALSE;
    }
    return WriteWhole(m_hFile, m_strPath, FormatLine(row) + "\r\n", strWhy);
}

void CStationRecord::Close()
{
    if (IsOpen())
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

CString CStationRecord::FormatLine(const STATION_ROW& row)
{
    const SYSTEMTIME& time = row.timeEnded;
    const USB_DEVICE_IDENTITY& identity = row.target.identity;
    CString strDrive = row.target.strDriveRoot;
    if (!strDrive.IsEmpty() && strDrive.GetAt(strDrive.GetLength() - 1) == '\\')
        strDrive = strDrive.Left(strDrive.GetLength() - 1);
    CString strLine;
    strLine.Format("%04u-%02u-%02u %02u:%02u:%02u,%s,%04X,%04X,", time.wYear, time.wMonth, time.wDay, time.wHour,
                   time.wMinute, time.wSecond, static_cast<const char*>(UntrustedField(strDrive)), identity.idVendor,
                   identity.idProduct);
    strLine += UntrustedField(GetStationSerial(identity)) + ",";
    strLine += UntrustedField(row.target.strPort) + ",";
    strLine += UntrustedField(row.strReleaseBefore) + ",";
    strLine += UntrustedField(row.strReleaseAfter) + ",";
    strLine += UntrustedField(row.target.strSection) + ",";
    CString strEnd;
    strEnd.Format("%s,%lu,", GetStationOutcomeName(row), static_cast<unsigned long>(row.dwSeconds));
    strLine += strEnd;
    strLine += UntrustedField(row.strReason);
    return strLine;
}
