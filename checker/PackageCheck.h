// The checks of one model's firmware package, found and walked with the
// updater's own package walk (LocatePackageFolder, WalkPackageFiles): the
// files the walk hands over are the files the updater copies, flat, into
// the root of the device's drive.
#pragma once

#include "CheckReport.h"

// A drive the package should fit on when the vendor names none: devices of
// this kind carry small drives, and a package that outgrows this one
// leaves many users with No room.
const ULONGLONG kTypicalDriveBytes = 256ULL * 1024 * 1024;

// Checks the package of pszSection in pszFolder (ending in '\'); a package
// larger than nDriveBytes gets a warning.
void CheckPackage(const char* pszFolder, const char* pszSection, ULONGLONG nDriveBytes, CCheckReport& report);

// True when the drive root and the name fit the 259 characters of a path
// the updater copies to. Drive roots as the platform lists them are a
// letter, a colon and a backslash.
bool FitsDriveRoot(const char* pszName);

// True when the name can stand on a FAT drive (long names): at most 255
// characters, no control character, none of \ / : * ? " < > |, not ending
// in a dot or a blank, and not a device name (the updater's IsDeviceName).
// Otherwise pszReason says why.
bool IsFatFileName(const char* pszName, CString* pstrReason);
