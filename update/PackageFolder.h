// The firmware package of a model: the files directly inside the folder
// that bears the model's section name beside the executable. "." and "..",
// folders and whatever folders hold are not part of it.
#pragma once

#include "AfxString.h"

// True when the path, with its terminator, fits in MAX_PATH bytes. Paths
// that don't fit are refused: a cut path would name another file.
bool FitsMaxPath(const CString& strPath);

// True when the name can name a folder directly inside the program folder:
// not empty, not "." or "..", without '\', '/', ':', '<', '>', '"', '|',
// '?', '*' or control characters, not ending in '.' or ' ', and not a
// device name (IsDeviceName: AUX opens the device). Section names
// of Update.cfg become folder names, and Update.cfg is input like any
// other: a section whose name fails this has no package, so nothing outside
// the program folder is ever read for one. Double-byte characters are whole
// characters: their trail byte may be 0x5C without being a '\'.
bool IsPlainFolderName(const char* pszName);

// The search pattern that lists the entries of a package folder: the
// folder and "\*.*", into strPattern. 0 when it doesn't fit MAX_PATH: the
// walk then finds no file.
int BuildPackagePattern(const char* pszPackageFolder, CString& strPattern);

// True for an open handle of a plain disk file. Anything else that a name
// in the package folder may lead to (a serial port, a pipe, a console) can
// block a read for ever: it is closed unread.
bool IsDiskFile(HANDLE hFile);

// Bytes of one package file, as the space check and the package checker
// count it: 0 when its path doesn't fit, when it can't be opened for
// reading, is no plain disk file or its size can't be read.
ULONGLONG GetPackageFileBytes(const CString& strPath);

// Called for every package file with its full path (which may not fit in
// MAX_PATH) and its name; returns non-zero to go on with the walk.
typedef int (*PACKAGE_FILE_PROC)(const CString& strPath, const CString& strName, void* pContext);

// pszProgramFolder: the folder that holds Update.cfg and the firmware
// folders, ending in '\' (the executable's folder, see AfxGetModuleFolder).

// 1 with the package folder (the program folder directly followed by the
// section name) in strFolder when something of that name exists; 0 when
// the section name is no plain folder name, the folder's path doesn't fit
// or nothing of that name exists.
int LocatePackageFolder(const char* pszProgramFolder, const char* pszSection, CString& strFolder);

// Hands every package file to pfnProc, in listing order. Returns how many
// files it handed over: 0 for a missing or empty package, for one whose
// path or search pattern doesn't fit, and for a name that is a file.
int WalkPackageFiles(const char* pszProgramFolder, const char* pszSection, PACKAGE_FILE_PROC pfnProc, void* pContext);
