// The firmware package copied into a drive's root as one unit, in two
// phases. Stage: each file is written under a temporary name beside its
// final one, flushed to the device, read back and compared byte for byte
// with its source. Commit: only when every file staged, each temporary file
// is moved over its final name. When any file fails to stage, every
// temporary file is removed and no final name is touched, so the drive
// holds what it held before; the other files are still attempted, so that
// the caller can tell which ones failed. Only when the drive itself went
// away (a file the copy created can no longer be written or read: device
// not connected, path or file not found) does staging stop at that file.
//
// Temporary names are "~PKU", four upper-case hexadecimal digits and
// ".TMP" (~PKU0000.TMP): a plain 8.3 name, which on FAT takes a single
// directory entry, and one that a device looking for its firmware never
// takes for a firmware file. The rename to the final (possibly long) name
// then gives the file its final entry. Files of exactly that pattern in the
// root are what an interrupted earlier copy left behind; they are removed
// before staging. Nothing else is.
//
// One object serves one copy on one thread (a worker thread, say); the
// progress procedure is called on that thread.
#pragma once

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

    // Adds every file of the package (WalkPackageFiles, in listing order);
    // returns how many. pszProgramFolder ends in '\'.
    int AddPackage(const char* pszProgramFolder, const char* pszSection);
    // Adds one file: its full path and the name it takes in the root.
    void AddFile(const CString& strSource, const CString& strName);
    void SetProgress(COPY_PROGRESS_PROC pfnProgress, void* pContext);

    // Stages, verifies and commits every added file. 1 when every file was
    // committed; 0 when there was no file, or some file failed.
    int Run();

    int GetFileCount() const { return static_cast<int>(m_files.size()); }
    const CString& GetFileName(int nIndex) const { return m_files[static_cast<size_t>(nIndex)].strName; }
    // After Run: true for a file that failed to stage or to commit.
    bool HasFileFailed(int nIndex) const { return m_files[static_cast<size_t>(nIndex)].bFailed; }
    // After Run: true for a file moved over its final name.
    bool HasFileCommitted(int nIndex) const { return m_files[static_cast<size_t>(nIndex)].bCommitted; }
    // After Run, for a failed file: the system's error of the call that
    // failed; ERROR_SUCCESS when none did (a name that doesn't fit, a folder
    // or read-only file of that name in the root, a read-back that differs).
    DWORD GetFileError(int nIndex) const { return m_files[static_cast<size_t>(nIndex)].dwError; }
    // After Run: true when the drive went away while files were staged, so
    // that the files after the one it took were not attempted.
    bool HasDriveGone() const { return m_bDriveGone; }

    // True for a name of the temporary pattern, exactly (case included).
    static bool IsStagingName(const char* pszName);
    // A search pattern that lists every such name (and some others).
    static const char* GetStagingSearchPattern() { return "~PKU*.TMP"; }

private:
    struct STAGED_FILE
    {
        CString strSource;
        CString strName;
        CString strTemp;  // full path of its temporary file while one exists
        bool bFailed;
        bool bCommitted;
        DWORD dwError;  // of the failed call, for a failed file
    };

    bool IsPackageName(const CString& strName) const;
    void RemoveStaleTemps();
    void StartProgress();
    void Advance(ULONGLONG nUnits);
    bool Stage(STAGED_FILE& file, char* pData, char* pCheck);
    bool CreateTemp(STAGED_FILE& file, HANDLE& hTemp);
    bool WriteTemp(HANDLE hSource, HANDLE hTemp, char* pData);
    bool VerifyTemp(const STAGED_FILE& file, HANDLE hSource, char* pData, char* pCheck);
    bool ReadFull(HANDLE hFile, char* pBuffer, DWORD nWanted, DWORD& nRead);
    void RemoveTemp(STAGED_FILE& file);
    int Commit();

    CString m_strRoot;
    CFileOps& m_ops;
    std::vector<STAGED_FILE> m_files;
    unsigned m_nNextTemp;
    COPY_PROGRESS_PROC m_pfnProgress;
    void* m_pProgressContext;
    ULONGLONG m_nDone;
    ULONGLONG m_nTotal;
    bool m_bDriveGone;
};
