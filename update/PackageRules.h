// The updater's rules about Update.cfg's values and the package's names, as
// free functions: the engine decides with them, and the package checker
// calls the very same ones to predict what the engine will do.
#pragma once

#include "AfxString.h"

#include <set>
#include <string>
#include <vector>

// True when a DeviceID or VendorID value names the id: the value, whole and
// ignoring case, equals the id printed "0x%04X".
bool IsIdTextMatch(const char* pszValue, WORD nId);

// The version gate: true when a device of release nRelease may be updated
// by a section whose Version is pszVersion. The release printed "%04X" is
// compared with Version as text, ignoring case; a release that sorts after
// it is refused. Without Version (empty), every release is accepted.
bool IsReleaseAccepted(const char* pszVersion, WORD nRelease);

// True for a name Windows takes for a device wherever it stands in a path:
// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, in any case, alone or
// with an extension (COM1.BIN opens the serial port, not a file).
bool IsDeviceName(const char* pszName);

// True for a name whose last character is a dot or a blank, which Windows
// drops when it opens the name (no double-byte character ends in either).
bool EndsInDotOrBlank(const char* pszName);

// Temporary names the copy can stage files under (~PKU0000.TMP to
// ~PKUFFFE.TMP; ~PKUFFFF.TMP is the commit's journal): a package of more
// files than this can never be staged.
const int kStagingNameCount = 0xFFFF;
// True when the copy has a temporary name for each of nFiles files.
bool HasStagingNames(int nFiles);

// The upper-case forms of the names judged so far in one package.
typedef std::set<std::wstring> PACKAGE_NAME_SET;

// Why the copy refuses a package file of this name, or null when it takes
// it. A refused name is never opened: named like a device, ending in a dot
// or a blank (Windows drops those, so another file would be opened), a name
// that the ANSI code page can't hold (the listing shows '?' for each
// character it lacks, and no file of that name exists), or equal but for
// case to a name judged before it (the drive would keep only one of them).
// The name is added to seen.
const char* JudgePackageFileName(const char* pszName, PACKAGE_NAME_SET& seen);

// A package file the copy refuses, and why; an empty name is about the
// package as a whole.
struct PACKAGE_REFUSAL
{
    CString strName;
    CString strReason;
};

// Judges the package of pszSection in pszProgramFolder (ending in '\')
// before anything is opened or written: every file name
// (JudgePackageFileName), then the count of files (HasStagingNames). Returns how many refusals it found (0: the copy may go ahead) and
// appends each to *pRefusals when it is given, in listing order.
int JudgePackage(const char* pszProgramFolder, const char* pszSection, std::vector<PACKAGE_REFUSAL>* pRefusals);
