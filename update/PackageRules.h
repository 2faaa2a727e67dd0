// The updater's rules about Update.cfg's values and the package's names, as
// free functions: the engine decides with them, and the package checker
// calls the very same ones to predict what the engine will do.
#pragma once

#include "AfxString.h"

#include <set>
#include <string>
#include <vector>

// A package file the copy refuses, and why; an empty name is about the
// package as a whole.
struct PACKAGE_REFUSAL
{
    CString strName;
    CString strReason;
};

// True when a DeviceID or VendorID value names the id: the value, whole and
// ignoring case, equals the id printed "0x%04X".
bool IsIdTextMatch(const char* pszValue, WORD nId);

// The version gate: true when a device of release nRelease may be updated
// by a section whose Version is pszVersion. The release printed "%04X" is
// compared with Version as text, ignoring case; a release that sorts after
// it is refused. Without Version (empty), every release is accepted.
bool IsReleaseAccepted(const char* pszVersion, WORD nRelease);

// True for a name Windows takes for a device wherever it stands in a path:
// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1 to COM9 and LPT1 to LPT9 (the
// superscript digits of Latin-1 count as digits: COM and U+00B9 is COM1),
// in any case, alone or with an extension, and with blanks before the
// extension or the end, which Windows drops ("COM1 .BIN" opens the serial
// port, not a file). COM0 and COM10 are names like any other. The narrow
// form reads the name in the ANSI code page.
bool IsDeviceName(const wchar_t* pszName);
bool IsDeviceName(const char* pszName);

// True for a name whose last character is a dot or a blank, which Windows
// drops when it opens the name. The narrow form reads the name in the ANSI
// code page.
bool EndsInDotOrBlank(const wchar_t* pszName);
bool EndsInDotOrBlank(const char* pszName);

// The copy's temporary names, ~PKU0000.TMP to ~PKUFFFF.TMP. A file that
// replaces one on the drive takes two of them (its staged copy, and its
// old file set aside during the commit), and the commit's journal one.
// The package is judged before any drive is looked at, so every file
// counts two: a package of more than 32,767 files is refused on every
// drive, not staged whole on one that holds its old files and then failed.
const int kStagingNameCount = 0x10000;
// True when the copy has the temporary names for a package of nFiles files.
bool HasStagingNames(int nFiles);
// Counts the refusal of a package of nFiles files as JudgePackage does: 1,
// with why appended to *pRefusals when it is given, when the copy lacks
// the temporary names for them (HasStagingNames); else 0.
int JudgeFileCount(int nFiles, std::vector<PACKAGE_REFUSAL>* pRefusals);

// The upper-case forms of the names judged so far in one package.
typedef std::set<std::wstring> PACKAGE_NAME_SET;

// Why the copy refuses a package file of this name, its name as the wide
// listing gives it, or null when it takes it. A refused name is never
// opened: named like a device, ending in a dot or a blank (Windows drops
// those, so another file would be opened), a name that the ANSI code page
// holds only in part or by a look-alike (the ANSI listing shows '?' for a
// character it lacks and 'a' for U+0101, and no file of that name exists),
// or equal but for case to a name judged before it (the drive would keep
// only one of them). The name is added to seen.
const char* JudgePackageFileName(const wchar_t* pszName, PACKAGE_NAME_SET& seen);
// ... a name read as ANSI text (a journal's), through the ANSI code page.
const char* JudgePackageFileName(const char* pszName, PACKAGE_NAME_SET& seen);

// Judges the package of pszSection in pszProgramFolder (ending in '\')
// before anything is opened or written: every file name, as the wide
// listing gives it (JudgePackageFileName), then the count of files
// (JudgeFileCount). The files are those WalkPackageFiles hands over.
// Returns how many refusals it found (0: the copy may go ahead) and
// appends each to *pRefusals when it is given, in listing order, a file
// by its name as the ANSI listing shows it.
int JudgePackage(const char* pszProgramFolder, const char* pszSection, std::vector<PACKAGE_REFUSAL>* pRefusals);
