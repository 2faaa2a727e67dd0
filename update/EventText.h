// Texts of the events that the update engine sends to its observer.
#pragma once

#include "AfxString.h"

#include <cstdarg>

class CUpdateObserver;

// Formats an event printf-style (text and number arguments only; texts from
// devices and files go in as arguments, never as the format) and hands it
// to pObserver. Without an observer nothing is formatted. Texts longer than
// an event line holds are cut.
void ReportEvent(CUpdateObserver* pObserver, const char* pszFormat, ...);
void ReportEventV(CUpdateObserver* pObserver, const char* pszFormat, va_list args);

// "error 5: Access is denied." (the system's own wording, when it has one).
CString GetErrorText(DWORD dwError);

// "fixed", "network", ...: what GetDriveTypeA answered, for a drive passed over.
const char* GetDriveTypeName(UINT nType);
