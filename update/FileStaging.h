// One package file staged: written under its temporary name in the drive's
// root with its source's time of last write (its bytes hashed as they are
// read for the write, to be compared with SHA256SUMS' line when it has one
// before the commit), flushed to the device, read
// back unbuffered and compared byte for byte with its source, which is
// held open against writers meanwhile. CStagedCopy stages a package one
// file after the other with one of these.
#pragma once

#include "BackgroundHash.h"
#include "DriveEntry.h"
#include "PackageSpace.h"
#include "PackageSums.h"

#include "AfxString.h"

class CFileOps;

// What failed of a file, for the log.
struct FILE_FAILURE
{
    const char* pszWhat;   // "to write it", "the read-back differs at byte %llu"...; null: nothing failed
    DWORD dwError;         // of the failed call; ERROR_SUCCESS when there was none
    ULONGLONG nDiffersAt;  // for a read-back that differs
    CString strDetail;     // for bytes that differ from SHA256SUMS: the expected and the found hash
};

// True for what a write or read of a file on a drive that has gone
// answers: device not connected, path or file not found.
bool IsDriveGoneFailure(const FILE_FAILURE& failure);
// Records a failure; false, for the caller to return.
bool FailWith(FILE_FAILURE& failure, const char* pszWhat, DWORD dwError = GetLastError());
// "failed to write it, error 112: ...", "failed: the read-back differs at
// byte 4096", "failed: ...: the drive is full (...)".
CString FormatFileFailure(const FILE_FAILURE& failure);
// True when the file's bytes differ from its line of SHA256SUMS: the
// package is damaged, not the drive.
bool IsSumMismatch(const FILE_FAILURE& failure);

// Called with the units (bytes written, bytes verified) as staging goes.
typedef void (*STAGE_ADVANCE_PROC)(ULONGLONG nUnits, void* pContext);

class CFileStager
{
public:
    CFileStager(CFileOps& ops, STAGE_ADVANCE_PROC pfnAdvance, void* pContext);
    ~CFileStager();
    CFileStager(const CFileStager&) = delete;
    CFileStager& operator=(const CFileStager&) = delete;

    // False when the chunk buffers could not be had.
    bool HasBuffers() const { return m_pBlock != nullptr; }
    // Stages source under strTemp, a name that must be free; with a line of
    // SHA256SUMS (nSumLine), only when its bytes hash as listed. bCreated:
    // strTemp was created (the caller removes it when staging failed);
    // staged: the staged file's size and time of last write as the drive
    // keeps them. true when the file staged.
    bool Stage(const PACKAGE_FILE& source, const CString& strTemp, bool& bCreated, DRIVE_FILE_INFO& staged,
               FILE_FAILURE& failure);
    // Whether the file staged last (nBack 0) or the one before it (nBack
    // 1) hashed as its line of SHA256SUMS lists; true without a line. Its
    // hash runs on beside the next file's staging until this is asked,
    // which must be before the commit: SHA-256 is slower than the copy, and
    // two files hashed at once keep both cores busy.
    bool IsAsListed(const PACKAGE_FILE& source, int nBack, FILE_FAILURE& failure);

private:
    bool WriteTemp(HANDLE hSource, HANDLE hTemp, bool bHash, FILE_FAILURE& failure);
    bool VerifyTemp(const CString& strTemp, HANDLE hSource, DRIVE_FILE_INFO& staged, FILE_FAILURE& failure);
    bool ReadFull(HANDLE hFile, char* pBuffer, DWORD nWanted, DWORD& nRead);

    CFileOps& m_ops;
    STAGE_ADVANCE_PROC m_pfnAdvance;
    void* m_pContext;
    char* m_pBlock;               // two page-aligned chunks: data and read-back
    CBackgroundHash m_hashes[2];  // beside the writes and read-backs, one file each
    int m_nLast;                  // the file staged last hashes in m_hashes[m_nLast]
};
