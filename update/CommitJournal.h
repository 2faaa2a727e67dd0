// The commit's journal, ~PKUFFFF.TMP in the drive's root: written and
// flushed before the commit's first move, it lists each final name with
// the staging name its old file is set aside under and what identifies
// the new file moved over it (its size and time of last write, which the
// copy sets). A last line marks the commit as through. A later run that
// finds a journal (the stick was pulled, the machine stopped) carries it
// out before anything else on the drive: it undoes the commit, or, when
// the commit was through, removes the set-aside files; then it removes the
// staged files the cut-off copy left.
//
// The journal is input from the stick like any other. It is read only
// when it is a plain file of the drive under exactly its name; one that
// names anything the copy never writes (a name the package judgement
// refuses, a path past MAX_PATH, a set-aside name off the pattern) is not
// the updater's, and is removed without any other file being touched. An
// undo step removes or replaces a final name only while it still holds
// the file the commit put there, and touches only plain files of the
// drive (see DriveEntry.h): a user's file of the same name, or a link
// that leads off the stick, is left alone.
#pragma once

#include "StagingNames.h"

#include "AfxString.h"

#include <vector>

class CFileOps;

// One line of the journal.
struct JOURNAL_ENTRY
{
    CString strFinal;    // the package file's name in the root
    CString strAside;    // the staging name its old file is set aside under; empty: the name was free
    DWORD dwAttributes;  // its old file's
    // The new file's size and time of last write as the drive keeps them;
    // journals of earlier versions lack them (bKnown false).
    bool bKnown;
    ULONGLONG nBytes;
    FILETIME lastWrite;
};
typedef std::vector<JOURNAL_ENTRY> JOURNAL_ENTRY_LIST;

// The journal's text up to its end line; the line that marks the commit
// as through, appended once every file is in place.
CString FormatJournal(const JOURNAL_ENTRY_LIST& entries);
CString FormatJournalCommitted();

// Takes back one entry's part of a commit that did not go through: its old
// file moved back over the final name (and made read-only again when it
// was), or, without an old file, the new file removed. false when a step
// it took failed; true also when it found nothing to take back.
bool UndoCommitStep(CFileOps& ops, const CString& strRoot, const JOURNAL_ENTRY& entry);

enum JOURNAL_RECOVERY
{
    JOURNAL_NONE,       // nothing under the journal's name
    JOURNAL_UNDONE,     // a commit cut off midway: its old files are back
    JOURNAL_FINISHED,   // a commit cut off after its last move: its set-aside files are removed
    JOURNAL_DISCARDED,  // no commit that moved a file (cut off while written, or not the updater's): removed
    JOURNAL_FAILED,     // it can't be read, or a step failed; it stays for the next run
    JOURNAL_BLOCKED,    // what stands under its name is no journal the updater wrote (a folder, link, pipe)
};

// What carrying out the journal does, or would do.
struct JOURNAL_LOOK
{
    JOURNAL_RECOVERY recovery;
    int nLeftAlone;           // entries whose names hold what the commit did not put there
    PACKAGE_FILE_LIST freed;  // the files it removes, with their bytes (LookAtJournal only)
    int nLeftoversRemoved;    // staged files of the cut-off copy removed (RecoverCutOffCommit only)
};

// Carries out the journal in pszDriveRoot, if there is one, and removes
// the staged files the cut-off copy left (not those that bear a name of
// the package in files). Writes to the drive.
JOURNAL_RECOVERY RecoverCutOffCommit(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, CFileOps& ops,
                                     JOURNAL_LOOK* pLook = nullptr);
// What RecoverCutOffCommit would do, without writing anything.
JOURNAL_RECOVERY LookAtJournal(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, JOURNAL_LOOK& look);
