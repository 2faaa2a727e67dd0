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

class CFileOps;

// How many staging names there are, the journal's among them.
const unsigned kStagingNameCount = 0x10000;
const unsigned kJournalNumber = 0xFFFF;

// True when the copy has the staging names for a package of nFiles files:
// two for each file and one for the journal. The package is judged before
// any drive is looked at, so every file counts two: a package of more than
// 32,767 files is refused on every drive, not staged whole on one that
// holds its old files and then failed.
bool HasStagingNames(int nFiles);

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
// bBesideJournal. pTaken, when given (kStagingNameCount entries): true for
// every number that some entry of the root bears, in any case (FAT
// compares names without case), the leftovers' included.
// ops: the file calls that find whether a leftover can be removed.
void ListLeftoverTemps(CFileOps& ops, const char* pszDriveRoot, const PACKAGE_FILE_LIST& files,
                       PACKAGE_FILE_LIST& leftovers, std::vector<bool>* pTaken, bool bBesideJournal = false);

// The free staging names of one drive root, from one listing of it, so
// that names are chosen without probing the drive name by name.
class CStagingNames
{
public:
    // Lists pszDriveRoot once: removes the leftovers (ListLeftoverTemps)
    // and sets aside every number that an entry left there or a package
    // file in files bears, and the journal's. The number of free names.
    size_t Prepare(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, CFileOps& ops);
    // The next free name; false when none is left.
    bool Take(CString& strName);

private:
    std::vector<bool> m_taken;  // numbers not to use
    unsigned m_nNext = 0;
};
