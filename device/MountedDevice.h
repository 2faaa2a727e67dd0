// LookupMountedDevice: the device path that the host's mount table
// ("SYSTEM\MountedDevices") records for a drive letter.
#pragma once

#include <windows.h>

// pszDrive: the drive letter alone ("E") or with its colon ("E:"); the
// letter's case does not matter. On success *ppPath receives a block from
// the process heap (free it with HeapFree on GetProcessHeap()) holding the
// value's data followed by two or three zero bytes, so that it always ends
// in a whole zero UTF-16 unit. Returns 1 on success; on failure *ppPath is
// not written.
int LookupMountedDevice(const char* pszDrive, WCHAR** ppPath);
