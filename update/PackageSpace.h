// The room a firmware package takes on a drive. A file system hands out
// space in allocation units (clusters), so a file takes its size rounded
// up to whole units: 2,000 files of 10 bytes take 2,000 clusters, not
// 20,000 bytes. The space check compares this, not the package's bytes,
// with the drive's free space.
//
// Why the staged copy (every file written under a temporary name first,
// then moved over its final name) fits whenever the check passes: the
// check counts the whole package against the free space and credits
// nothing for the files of the same names that the copy replaces. Staging
// writes exactly the package's files, unit for unit, beside the old ones,
// so it needs no more than was counted; the commit only renames within the
// root, which moves no data, and each rename frees the replaced file's
// units. Directory entries are not counted: they live in the directory's
// own clusters, and a temporary 8.3 name takes a single entry.
#pragma once

#include <windows.h>

// Bytes per allocation unit of the volume that holds pszDriveRoot
// (GetDiskFreeSpaceA); 1 when it can't be had, so that sizes count as
// plain bytes.
ULONGLONG GetAllocationUnit(const char* pszDriveRoot);

// The package's files, each rounded up to whole allocation units of the
// drive, summed without wrapping (a sum past 64 bits stays at the maximum).
// A file whose size can't be read counts 0, as in the package size.
ULONGLONG MeasurePackageOnDrive(const char* pszProgramFolder, const char* pszSection, const char* pszDriveRoot);

// The room, in whole allocation units, that temporary files of an earlier
// copy that was cut off take in the drive root (CStagedCopy::IsStagingName).
// The copy removes them before it stages, so the space check counts their
// room as free: otherwise a copy cut off on a nearly full stick would leave
// it with No room for good. (A package file that bears such a name is not
// removed, only replaced; no real package has one.)
ULONGLONG MeasureStaleTemps(const char* pszDriveRoot);

// 1 when nFreeBytes (the drive's free space available to the user) and the
// room of stale temporary files hold the package in allocation units; the
// package's size in those units in *pnOnDrive when it is given.
int PackageFitsOnDrive(const char* pszProgramFolder, const char* pszSection, const char* pszDriveRoot,
                       ULONGLONG nFreeBytes, ULONGLONG* pnOnDrive = nullptr);
