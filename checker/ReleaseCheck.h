// The whole check of a release folder, as PelkinCheck.exe runs it: the
// program files, Update.cfg, then every model's firmware package.
#pragma once

#include "CheckReport.h"
#include "PackageCheck.h"

struct CHECK_OPTIONS
{
    ULONGLONG nDriveBytes = kTypicalDriveBytes;  // the smallest drive a package should fit on
};

// Checks pszFolder (as given on the command line: relative or full, with
// or without a trailing separator) into report. strFolder receives the
// full folder the check looked at. Returns the report's exit code.
int CheckReleaseFolder(const char* pszFolder, const CHECK_OPTIONS& options, CCheckReport& report, CString& strFolder);
