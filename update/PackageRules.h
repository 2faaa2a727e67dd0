// The updater's rules about Update.cfg's values and the package's names, as
// free functions of their arguments alone (nothing on a disk is looked
// at): the engine decides with them, and the package checker calls the
// very same ones to predict what the engine will do. The judgement of a
// package folder, which walks it, is in PackageJudge.h.
#pragma once

#include "AfxString.h"

#include <set>
#include <string>

// The value of a hexadecimal digit of either case, or -1 for any other
// character.
int HexDigitValue(char ch);

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

// The name read in the ANSI code page; empty when it can't be read.
std::wstring WideName(const char* pszName);
