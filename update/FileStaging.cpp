#include "FileStaging.h"

#include "EventText.h"
#include "FileOps.h"
#include "PackageFolder.h"

#include <cstring>

namespace {

// Bytes per read and write. Large chunks keep the number of calls (each a
// trip through Wine's server or the kernel) small; 1 MiB is a multiple of
// every sector size, as unbuffered reads require.
const DWORD kChunk = 1024 * 1024;
const char kReadBackDiffers[] = "the read-back differs at byte %llu";
const char kSumDiffers[] = "its bytes differ from SHA256SUMS";

// The file lands as a file copy would leave it: with its source's time of
// last write and its hidden, system and archive attributes (a vendor may
// hide a firmware file from the user), but never read-only: a read-only
// file on the stick would stand in the way of the next package's. Both
// are kept where the file system can keep them; one that can't (Wine on a
// plain Unix file system has no hidden flag) doesn't fail the copy.
void KeepWriteTime(HANDLE hSource, HANDLE hTemp)
{
    FILETIME lastWrite;
    if (GetFileTime(hSource, nullptr, nullptr, &lastWrite))
        SetFileTime(hTemp, nullptr, nullptr, &lastWrite);
}

void KeepAttributes(CFileOps& ops, const CString& strSource, const CString& strTemp)
{
    const DWORD dwKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD dwSource = ops.GetAttributes(strSource);
    if (dwSource != INVALID_FILE_ATTRIBUTES && (dwSource & dwKept))
        ops.SetAttributes(strTemp, dwSource & (dwKept | FILE_ATTRIBUTE_ARCHIVE));
}

bool Rewind(HANDLE hFile)
{
    LARGE_INTEGER start = {};
    return SetFilePointerEx(hFile, start, nullptr, FILE_BEGIN) != FALSE;
}

// The first byte at which two blocks differ, or nLength when they don't.
DWORD FirstDifference(const char* pFirst, const char* pSecond, DWORD nLength)
{
    DWORD i = 0;
    while (i < nLength && pFirst[i] == pSecond[i])
        ++i;
    return i;
}

}  // namespace

bool IsDriveGoneFailure(const FILE_FAILURE& failure)
{
    const DWORD dwError = failure.dwError;
    return dwError == ERROR_DEVICE_NOT_CONNECTED || dwError == ERROR_PATH_NOT_FOUND || dwError == ERROR_FILE_NOT_FOUND;
}

bool FailWith(FILE_FAILURE& failure, const char* pszWhat, DWORD dwError)
{
    failure.pszWhat = pszWhat;
    failure.dwError = dwError;
    return false;
}

CString FormatFileFailure(const FILE_FAILURE& failure)
{
    CString strWhat(failure.pszWhat);
    if (failure.pszWhat == kReadBackDiffers)
        strWhat.Format(kReadBackDiffers, failure.nDiffersAt);
    if (!failure.strDetail.IsEmpty())
        strWhat += ": " + failure.strDetail;
    CString strResult = "failed" + CString(strncmp(failure.pszWhat, "to ", 3) == 0 ? " " : ": ") + strWhat;
    if (failure.dwError == ERROR_DISK_FULL || failure.dwError == ERROR_HANDLE_DISK_FULL)
        strResult += ": the drive is full (" + GetErrorText(failure.dwError) + ")";
    else if (failure.dwError != ERROR_SUCCESS)
        strResult += ", " + GetErrorText(failure.dwError);
    return strResult;
}

bool IsSumMismatch(const FILE_FAILURE& failure)
{
    return failure.pszWhat == kSumDiffers;
}

CFileStager::CFileStager(CFileOps& ops, STAGE_ADVANCE_PROC pfnAdvance, void* pContext)
    : m_ops(ops), m_pfnAdvance(pfnAdvance), m_pContext(pContext),
      // Unbuffered reads need aligned memory.
      m_pBlock(static_cast<char*>(VirtualAlloc(nullptr, 2 * kChunk, MEM_COMMIT, PAGE_READWRITE))),
      m_hashes{CBackgroundHash(kChunk), CBackgroundHash(kChunk)}, m_nLast(0)
{}

CFileStager::~CFileStager()
{
    if (m_pBlock)
        VirtualFree(m_pBlock, 0, MEM_RELEASE);
}

bool CFileStager::Stage(const PACKAGE_FILE& source, const CString& strTemp, bool& bCreated, DRIVE_FILE_INFO& staged,
                        FILE_FAILURE& failure)
{
    bCreated = false;
    // Read-only sharing: nobody may change the source between the write and
    // the comparison.
    const CString& strSource = source.strPath;
    CFileHandle hSource(m_ops, m_ops.Open(strSource, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!hSource.IsOpen())
        return FailWith(failure, "to open it");
    // A device or pipe of that name is no firmware, and may never answer.
    if (!IsDiskFile(hSource.Get()))
        return FailWith(failure, "it is not a plain file on a disk", ERROR_SUCCESS);
    CFileHandle temp(
        m_ops, m_ops.Open(strTemp, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!temp.IsOpen())
        return FailWith(failure, "to create its temporary file");
    bCreated = true;
    // A file that failed halfway leaves its bytes in the hash.
    m_nLast = 1 - m_nLast;
    if (source.nSumLine > 0 && !m_hashes[m_nLast].Start())
        return FailWith(failure, "to hash it", ERROR_SUCCESS);
    if (!WriteTemp(hSource.Get(), temp.Get(), source.nSumLine > 0, failure))
        return false;
    KeepWriteTime(hSource.Get(), temp.Get());
    if (!m_ops.Flush(temp.Get()))
        return FailWith(failure, "to flush it to the drive");
    if (!temp.Close())
        return FailWith(failure, "to close it on the drive");
    if (!VerifyTemp(strTemp, hSource.Get(), staged, failure))
        return false;
    KeepAttributes(m_ops, strSource, strTemp);
    return true;
}

// With bHash, the bytes are hashed as they pass: no extra read of the
// source, and (read straight into the hash's slots) no copy of them.
bool CFileStager::WriteTemp(HANDLE hSource, HANDLE hTemp, bool bHash, FILE_FAILURE& failure)
{
    CBackgroundHash* pHash = bHash ? &m_hashes[m_nLast] : nullptr;
    for (;;) {
        char* pSlot = pHash ? pHash->TakeSlot() : nullptr;
        char* const pData = pSlot ? pSlot : m_pBlock;
        DWORD nRead = 0;
        const bool bRead = ReadFull(hSource, pData, kChunk, nRead);
        if (pSlot)
            pHash->Hand(bRead ? nRead : 0);
        else if (pHash && bRead && !pHash->Add(pData, nRead))
            return FailWith(failure, "to hash it", ERROR_SUCCESS);
        if (!bRead)
            return FailWith(failure, "to read it");
        if (nRead == 0)
            return true;
        DWORD nWritten = 0;
        if (!m_ops.Write(hTemp, pData, nRead, &nWritten))
            return FailWith(failure, "to write it");
        if (nWritten != nRead)
            return FailWith(failure, "to write it whole", ERROR_DISK_FULL);
        m_pfnAdvance(nRead, m_pContext);
    }
}

bool CFileStager::IsAsListed(const PACKAGE_FILE& source, int nBack, FILE_FAILURE& failure)
{
    if (source.nSumLine == 0)
        return true;
    SHA256_DIGEST found = {};
    if (!m_hashes[nBack == 0 ? m_nLast : 1 - m_nLast].Finish(found))
        return FailWith(failure, "to hash it", ERROR_SUCCESS);
    if (memcmp(found.ab, source.sum.ab, sizeof found.ab) == 0)
        return true;
    failure.strDetail = MakeMismatchFault(source.strName, source.nSumLine, source.sum, found).strWhat;
    return FailWith(failure, kSumDiffers, ERROR_SUCCESS);
}

// The temporary file is read unbuffered, so that on Windows the bytes come
// from the device, not from the cache that the write just filled. A short
// read of it is its end (and an unbuffered read may not start there), so it
// is read one call per chunk; the source is read to full chunks. At its
// end, what identifies the staged file once it is moved in: its size and
// time of last write as the drive keeps them (an undo removes or replaces a
// final name only while it still holds this file).
bool CFileStager::VerifyTemp(const CString& strTemp, HANDLE hSource, DRIVE_FILE_INFO& staged, FILE_FAILURE& failure)
{
    if (!Rewind(hSource))
        return FailWith(failure, "to read it again");
    CFileHandle temp(m_ops, m_ops.Open(strTemp, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                       FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!temp.IsOpen())
        return FailWith(failure, "to open it for the read-back");
    char* const pData = m_pBlock;
    char* const pCheck = m_pBlock + kChunk;
    for (ULONGLONG nOffset = 0;; nOffset += kChunk) {
        DWORD nCopied = 0;
        DWORD nSource = 0;
        if (!m_ops.Read(temp.Get(), pCheck, kChunk, &nCopied))
            return FailWith(failure, "to read it back");
        if (!ReadFull(hSource, pData, kChunk, nSource))
            return FailWith(failure, "to read it again");
        // memcmp first: the byte search is for the log, and a loop over every
        // byte halves the copy's speed.
        const DWORD nCompared = nCopied < nSource ? nCopied : nSource;
        if (nCopied != nSource || memcmp(pCheck, pData, nCompared) != 0) {
            failure.nDiffersAt = nOffset + FirstDifference(pCheck, pData, nCompared);
            return FailWith(failure, kReadBackDiffers, ERROR_SUCCESS);
        }
        m_pfnAdvance(nSource, m_pContext);
        if (nSource < kChunk)
            return GetOpenFileInfo(temp.Get(), staged) || FailWith(failure, "to read its size and time back");
    }
}

bool CFileStager::ReadFull(HANDLE hFile, char* pBuffer, DWORD nWanted, DWORD& nRead)
{
    nRead = 0;
    while (nRead < nWanted) {
        DWORD nPart = 0;
        if (!m_ops.Read(hFile, pBuffer + nRead, nWanted - nRead, &nPart))
            return false;
        if (nPart == 0)
            break;
        nRead += nPart;
    }
    return true;
}
