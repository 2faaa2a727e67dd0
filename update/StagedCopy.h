// The firmware package copied into a drive's root as one unit, in two
// phases. Stage: each file is written under a temporary name beside its
// final one, flushed to the device, read back and compared byte for byte
// with its source. Commit: only when every file staged. A journal on the
// drive, written and flushed first (unless the package took the drive's
// last free units), lists each final name and the temporary name its old
// file is set aside under; then, file by file, the
// old file is moved aside and the temporary file moved over the final
// name. When any step of the commit fails, every step is undone in
// reverse (old files moved back, new ones removed), so the drive holds
// what it held before; once every file is in, a last journal line marks
// the commit as through, the set-aside files are removed, and the journal
// last. A later run carries out a journal it finds (RecoverCutOffCommit)
// before anything else on the drive. When any file fails to stage, every
// temporary file is removed and no final name is touched; the other files
// are still attempted, so that the caller can tell which ones failed. Only
// when the drive itself went away (a file the copy created can no longer
// be written or read: device not connected, path or file not found) does
// staging stop at that file.
//
// Staged and set-aside files bear staging names (StagingNames.h); the
// journal and its undo are in CommitJournal.h. Before anything is written,
// the copy refuses to start while anything stands under the journal's
// name (a journal the next run could not carry out, or a folder or link
// in its way) or under a package file's name that is no plain file of the
// drive (DriveEntry.h): the commit replaces plain files only.
//
// One object serves one copy on one thread (a worker thread, say); the
// progress procedure is called on that thread.
#pragma once

#include "CommitJournal.h"
#include "FileStaging.h"
#include "PackageSpace.h"

#include "AfxString.h"

#include <vector>

class CFileOps;

// Progress of a copy: nDone of nTotal units. A unit is a byte written or a
// byte verified, and one more per file committed, so nDone reaches nTotal
// only when the last file has been committed; before that it stays below.
// nTotal is fixed when the copy starts and never 0.
typedef void (*COPY_PROGRESS_PROC)(ULONGLONG nDone, ULONGLONG nTotal, void* pContext);

class CStagedCopy
{
public:
    // pszDriveRoot: the folder the files land in, ending in '\' (E:\).
    // pOps: the file calls to make; nullptr for the real ones.
    explicit CStagedCopy(const char* pszDriveRoot, CFileOps* pOps = nullptr);
    CStagedCopy(const CStagedCopy&) = delete;
    CStagedCopy& operator=(const CStagedCopy&) = delete;

    // Adds the listed files, in their order.
    void AddPackage(const PACKAGE_FILE_LIST& files);
    void SetProgress(COPY_PROGRESS_PROC pfnProgress, void* pContext);

    // Stage and, when it returned 1, Commit. 1 when every file was
    // committed; 0 when there was no file, or some file failed.
    int Run();
    // Removes leftover temporary files and stages every file. 1 when every
    // file staged.
    int Stage();
    // Moves every staged file over its final name, or none. 1 when every
    // file is in place.
    int Commit();

    int GetFileCount() const { return static_cast<int>(m_files.size()); }
    // After Run, what became of the file, for the log: "copied", "failed
    // to write it, error 112: ...", "failed: the read-back differs at byte
    // 4096", "not copied, as another file failed" ...
    CString GetFileResult(int nIndex) const;
    // After Run: why the copy failed as a whole, before or after the files
    // (a journal that can't be written, say), or that a commit went without
    // its journal, the drive being full; empty when neither.
    const CString& GetRunNote() const { return m_strRunNote; }
    // After Run: the first file whose bytes differed from SHA256SUMS as
    // they were staged, the expected and found hash in strWhat; -1 when
    // none did.
    int FindDamagedFile(CString& strWhat) const;

private:
    enum STEP
    {
        kNotMoved,
        kSetAside,  // its old file is under the set-aside name
        kMovedIn,   // the new file is under the final name
    };

    struct STAGED_FILE
    {
        PACKAGE_FILE source;
        CString strTemp;      // full path of its temporary file while one exists
        JOURNAL_ENTRY entry;  // its line of the journal: the set-aside name, the new file's identity
        STEP nStep;
        bool bUndone;          // it was in place, and was taken back
        FILE_FAILURE failure;  // what failed, for a failed file
    };

    bool Fail(STAGED_FILE& file, const char* pszWhat, DWORD dwError = GetLastError());
    bool IsJournalNameFree();
    bool AreFinalNamesFree(size_t& nOld);
    void StartProgress();
    void Advance(ULONGLONG nUnits);
    static void AdvanceProc(ULONGLONG nUnits, void* pThis);
    bool StageFile(STAGED_FILE& file, CFileStager& stager);
    bool IsAsListed(STAGED_FILE& file, CFileStager& stager, int nBack);
    void RemoveTemps();
    bool ChooseAsideNames();
    bool WriteJournal(HANDLE hJournal);
    bool WriteFlushed(HANDLE hFile, const CString& strText);
    bool MoveIn(STAGED_FILE& file);
    bool Undo();
    int FailCommit(const char* pszWhat, DWORD dwError);

    CString m_strRoot;
    CFileOps& m_ops;
    std::vector<STAGED_FILE> m_files;
    CStagingNames m_names;
    bool m_bJournal;  // the commit under way has its journal on the drive
    CString m_strRunNote;
    COPY_PROGRESS_PROC m_pfnProgress;
    void* m_pProgressContext;
    ULONGLONG m_nDone;
    ULONGLONG m_nTotal;
};
