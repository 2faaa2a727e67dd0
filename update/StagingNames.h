// The names the staged copy writes in a drive's root besides the package's
// own: "~PKU", four upper-case hexadecimal digits and ".TMP"
// (~PKU0000.TMP). A plain 8.3 name, which on FAT takes a single directory
// entry, and one that a device looking for its firmware never takes for a
// firmware file; the rename to the final (possibly long) name then gives
// the file its final entry. ~PKUFFFF.TMP is the commit's journal; the
// others are staged files and old files set aside by the commit, so a
// package that replaces every old file needs two names per file, and the
// journal's.
//
// Plain files of exactly that pattern in the root, other than the
// journal, are what an earlier copy that was cut off left behind; the copy
// removes them before it stages. Nothing else is: not a look-alike (other
// case, other digits), not a folder, link or pipe of such a name, not a
// package file that bears one.
#pragma once

#include "PackageSpace.h"

#include <vector>

const unsigned kStagingNumbers = 0x10000;
const unsigned kJournalNumber = 0xFFFF;

// The number of a staging name, or -1 for any other name. bExact: the name
// as the copy writes it, upper-case; otherwise in any case, as FAT compares
// names.
int GetStagingNumber(const char* pszName, bool bExact);
// True for a name of the pattern, exactly (case included).
bool IsStagingName(const char* pszName);
// The name of a number, always upper-case.
CString GetStagingName(unsigned nNumber);

// Lists the drive root once. leftovers (path, name, bytes): the plain files of the drive of
// exactly the pattern that an earlier copy left and that can be removed
// now (none is held open by another program, or bears a name of the
// package in files); none at all while anything stands under the
// journal's name, as set-aside files are old files yet to go back, unless
// bBesideJournal. pTaken, when given (kStagingNumbers entries): true for
// every number that some entry of the root bears, in any case (FAT
// compares names without case), the leftovers' included.
void ListLeftoverTemps(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, PACKAGE_FILE_LIST& leftovers,
                       std::vector<bool>* pTaken, bool bBesideJournal = false);
