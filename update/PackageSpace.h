// The firmware package as the space check and the copy see it: its files,
// listed and measured once, and the room they take on a drive. A file
// system hands out space in allocation units (clusters), so a file takes
// its size rounded up to whole units: 2,000 files of 10 bytes take 2,000
// clusters, not 20,000 bytes. The space check compares this, not the
// package's bytes, with the drive's free space.
//
// Why the staged copy (every file written under a temporary name first,
// then moved over its final name) fits whenever the check passes: the
// check counts the whole package against the free space and credits
// nothing for the files of the same names that the copy replaces. Staging
// writes exactly the package's files, unit for unit, beside the old ones,
// so it needs no more than was counted; the commit only renames within the
// root (old files are set aside under temporary names, new ones moved in),
// which moves no data; the set-aside files are removed once the commit is
// through. The commit's journal (a line per file) is not counted: it
// lives in a unit of its own, and a package that takes the drive's last
// free units leaves none for it; the commit then goes on without one (it
// is still undone whole when one of its steps fails). Directory
// entries are not counted: they live in the directory's own clusters, and
// a temporary 8.3 name takes a single entry.
#pragma once

#include "AfxString.h"
#include "PackageSums.h"

#include <vector>

// One file of the package: its full path (which may not fit in MAX_PATH),
// the name it takes on the drive, and its bytes as GetPackageFileBytes
// measured them when the package was listed. A file that can't be opened
// for reading then (another program holds it against readers, say) counts
// 0 bytes, in the space check too; the copy still tries it, and fails on
// it: Copy failed, not No room. With SHA256SUMS, the digest its line
// lists and the line's number (ApplySectionSums); 0: not checked.
struct PACKAGE_FILE
{
    CString strPath;
    CString strName;
    ULONGLONG nBytes;
    SHA256_DIGEST sum = {};
    int nSumLine = 0;
};
typedef std::vector<PACKAGE_FILE> PACKAGE_FILE_LIST;

// The full path that names the same file as strPath does, for comparing
// two ways of writing one path; strPath itself when it can't be had.
CString GetFullFilePath(const CString& strPath);

// The package's files in listing order (WalkPackageFiles), each measured
// once; the number of files. pszLeaveOut: a full path that is left out of
// the list (the run's own log file, which is no firmware), or null.
int ListPackageFiles(const char* pszProgramFolder, const char* pszSection, const char* pszLeaveOut,
                     PACKAGE_FILE_LIST& files);

// The package's files in listing order with their paths and names only,
// none of them opened (bytes 0): for the names, before the package is
// judged.
int ListPackageNames(const char* pszProgramFolder, const char* pszSection, PACKAGE_FILE_LIST& files);

// The listed files' bytes, summed without wrapping (a sum past 64 bits
// stays at the maximum).
ULONGLONG SumPackageBytes(const PACKAGE_FILE_LIST& files);

// Bytes per allocation unit of the volume that holds pszDriveRoot
// (GetDiskFreeSpaceA); 1 when it can't be had, so that sizes count as
// plain bytes.
ULONGLONG GetAllocationUnit(const char* pszDriveRoot);

// The listed files, each rounded up to whole allocation units of the
// drive, summed without wrapping.
ULONGLONG MeasurePackageOnDrive(const PACKAGE_FILE_LIST& files, const char* pszDriveRoot);

// 1 when nFreeBytes (the drive's free space available to the user) and the
// room of the files in freed hold the listed package in allocation units;
// the package's size in those units in *pnOnDrive when it is given. freed:
// files on the drive that the copy removes before it writes (the leftover
// temporary files of an earlier copy that was cut off, which would
// otherwise leave a nearly full stick with No room for good; one held
// open by another program can't be removed, and is not among them).
int PackageFitsOnDrive(const PACKAGE_FILE_LIST& files, const char* pszDriveRoot, ULONGLONG nFreeBytes,
                       const PACKAGE_FILE_LIST& freed, ULONGLONG* pnOnDrive = nullptr);
