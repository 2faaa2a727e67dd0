// What stands under a name in the drive's root, looked at before the copy
// removes, moves or replaces it. Whatever the program changes on the drive
// must be a plain file of the drive itself. Under Wine a Unix symbolic link
// on the stick looks like a plain file with one link, even when it is
// opened without following reparse points, while DeleteFile and MoveFileEx
// then act on its target, wherever that lies; only the handle's final path
// (GetFinalPathNameByHandle) tells the two apart. A dangling link is not
// listed at all, but a look-up of its exact name answers "no more files"
// rather than "not found": something stands there.
#pragma once

#include "AfxString.h"

enum DRIVE_ENTRY
{
    ENTRY_NONE,        // nothing of that name
    ENTRY_PLAIN_FILE,  // a plain file of the drive, under exactly that path
    ENTRY_OTHER,       // a folder, a link, a pipe, a file with a second link, or what can't be looked into
};

// A plain file's size, time of last write and attributes, as the drive
// keeps them.
struct DRIVE_FILE_INFO
{
    ULONGLONG nBytes;
    FILETIME lastWrite;
    DWORD dwAttributes;
    CString strName;  // as the drive's listing spells it (LookAtDriveEntry only)
};

// What strPath (a full path that fits MAX_PATH) names; pInfo, when given,
// is filled for a plain file. Only reads.
DRIVE_ENTRY LookAtDriveEntry(const CString& strPath, DRIVE_FILE_INFO* pInfo = nullptr);

// True when a package file's name on the drive holds something the commit
// may not replace: a folder, a link, a pipe.
bool IsNameInTheWay(const char* pszDriveRoot, const CString& strName);

// The size and time of last write of an open plain file.
bool GetOpenFileInfo(HANDLE hFile, DRIVE_FILE_INFO& info);
