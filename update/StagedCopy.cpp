#include "StagedCopy.h"

#include "AfxFileFind.h"
#include "AfxStringArray.h"
#include "FileOps.h"
#include "PackageFolder.h"

#include <cstdio>
#include <cstring>

namespace {

// Bytes per read and write. Large chunks keep the number of calls (each a
// trip through Wine's server or the kernel) small; 1 MiB is a multiple of
// every sector size, as unbuffered reads require.
const DWORD kChunk = 1024 * 1024;
const unsigned kTempNumbers = 0x10000;
const DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// A handle of the file calls, closed on every path; Close reports whether
// the platform accepted the close (a delayed write error shows there).
class CFileHandle
{
public:
    CFileHandle(CFileOps& ops, HANDLE hFile) : m_ops(ops), m_hFile(hFile) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;

    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_hFile; }
    bool Close()
    {
        if (!IsOpen())
            return true;
        const BOOL bClosed = m_ops.Close(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
        return bClosed != FALSE;
    }

private:
    CFileOps& m_ops;
    HANDLE m_hFile;
};

// Two page-aligned chunk buffers (unbuffered reads need aligned memory).
class CChunkBuffers
{
public:
    CChunkBuffers() : m_pBlock(static_cast<char*>(VirtualAlloc(nullptr, 2 * kChunk, MEM_COMMIT, PAGE_READWRITE))) {}
    ~CChunkBuffers()
    {
        if (m_pBlock)
            VirtualFree(m_pBlock, 0, MEM_RELEASE);
    }
    CChunkBuffers(const CChunkBuffers&) = delete;
    CChunkBuffers& operator=(const CChunkBuffers&) = delete;

    char* First() const { return m_pBlock; }
    char* Second() const { return m_pBlock ? m_pBlock + kChunk : nullptr; }

private:
    char* m_pBlock;
};

// Keeps the machine from sleeping while files are staged and committed: a
// stick left half-written by a sleep is what the two phases guard against.
class CKeepAwake
{
public:
    CKeepAwake() : m_previous(SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED)) {}
    ~CKeepAwake() { SetThreadExecutionState(m_previous & ES_CONTINUOUS ? m_previous : ES_CONTINUOUS); }
    CKeepAwake(const CKeepAwake&) = delete;
    CKeepAwake& operator=(const CKeepAwake&) = delete;

private:
    EXECUTION_STATE m_previous;
};

bool IsUpperHexDigit(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F');
}

CString TempName(unsigned nNumber)
{
    char szName[16];
    snprintf(szName, sizeof szName, "~PKU%04X.TMP", nNumber & 0xFFFFu);
    return szName;
}

ULONGLONG SourceBytes(const CString& strSource)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!FitsMaxPath(strSource) || !GetFileAttributesExA(strSource, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A name the commit can move a file over: nothing there, or a plain file.
// A folder can't be replaced by a file, nor can a read-only file (Windows
// refuses both); either counts as a failure to stage, before the commit.
bool CanReplace(const CString& strFinal)
{
    const DWORD dwAttributes = GetFileAttributesA(strFinal);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES)
        return true;
    return (dwAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0;
}

// The file lands as a file copy would leave it: with its source's time of
// last write and its read-only, hidden, system and archive attributes (a
// vendor may hide a firmware file from the user). Both are kept where the
// file system can keep them; one that can't (Wine on a plain Unix file
// system has no hidden flag) doesn't fail the copy.
void KeepWriteTime(HANDLE hSource, HANDLE hTemp)
{
    FILETIME lastWrite;
    if (GetFileTime(hSource, nullptr, nullptr, &lastWrite))
        SetFileTime(hTemp, nullptr, nullptr, &lastWrite);
}

void KeepAttributes(const CString& strSource, const CString& strTemp)
{
    const DWORD dwKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD dwSource = GetFileAttributesA(strSource);
    if (dwSource != INVALID_FILE_ATTRIBUTES && (dwSource & dwKept))
        SetFileAttributesA(strTemp, dwSource & (dwKept | FILE_ATTRIBUTE_ARCHIVE));
}

// A temporary file may be read-only (its source was); it goes all the same.
void RemoveFile(CFileOps& ops, const char* pszPath)
{
    SetFileAttributesA(pszPath, FILE_ATTRIBUTE_NORMAL);
    ops.Remove(pszPath);
}

bool Rewind(HANDLE hFile)
{
    LARGE_INTEGER start = {};
    return SetFilePointerEx(hFile, start, nullptr, FILE_BEGIN) != FALSE;
}

int AddPackageFile(const CString& strPath, const CString& strName, void* pContext)
{
    static_cast<CStagedCopy*>(pContext)->AddFile(strPath, strName);
    return 1;
}

}  // namespace

CStagedCopy::CStagedCopy(const char* pszDriveRoot, CFileOps* pOps)
    : m_strRoot(pszDriveRoot), m_ops(pOps ? *pOps : CFileOps::Real()), m_nNextTemp(0), m_pfnProgress(nullptr),
      m_pProgressContext(nullptr), m_nDone(0), m_nTotal(0)
{}

int CStagedCopy::AddPackage(const char* pszProgramFolder, const char* pszSection)
{
    return WalkPackageFiles(pszProgramFolder, pszSection, AddPackageFile, this);
}

void CStagedCopy::AddFile(const CString& strSource, const CString& strName)
{
    m_files.push_back(STAGED_FILE{strSource, strName, CString(), false, false, ERROR_SUCCESS});
}

void CStagedCopy::SetProgress(COPY_PROGRESS_PROC pfnProgress, void* pContext)
{
    m_pfnProgress = pfnProgress;
    m_pProgressContext = pContext;
}

bool CStagedCopy::IsStagingName(const char* pszName)
{
    if (pszName == nullptr || strnlen(pszName, 13) != 12)
        return false;
    if (strncmp(pszName, "~PKU", 4) != 0 || strcmp(pszName + 8, ".TMP") != 0)
        return false;
    for (int i = 4; i < 8; ++i) {
        if (!IsUpperHexDigit(pszName[i]))
            return false;
    }
    return true;
}

int CStagedCopy::Run()
{
    if (m_files.empty())
        return 0;
    CKeepAwake awake;
    RemoveStaleTemps();
    StartProgress();
    CChunkBuffers buffers;
    bool bAllStaged = true;
    for (STAGED_FILE& file : m_files) {
        // Cleared first, so that a failure no call reported keeps 0.
        SetLastError(ERROR_SUCCESS);
        file.bFailed = !buffers.First() || !Stage(file, buffers.First(), buffers.Second());
        if (file.bFailed) {
            file.dwError = GetLastError();
            RemoveTemp(file);  // at once: its room may let a later file stage
            bAllStaged = false;
        }
    }
    if (!bAllStaged) {
        for (STAGED_FILE& file : m_files)
            RemoveTemp(file);
        return 0;
    }
    return Commit();
}

bool CStagedCopy::IsPackageName(const CString& strName) const
{
    for (const STAGED_FILE& file : m_files) {
        if (file.strName.GetLength() == strName.GetLength() && file.strName.CompareNoCase(strName) == 0)
            return true;
    }
    return false;
}

// A file of the temporary pattern that the package itself names is left
// alone: it is a firmware file, and staging will replace it.
void CStagedCopy::RemoveStaleTemps()
{
    const CString strPattern = m_strRoot + GetStagingSearchPattern();
    if (!FitsMaxPath(strPattern))
        return;
    CStringArray stale;
    CFileFind finder;
    BOOL bMore = finder.FindFile(strPattern);
    while (bMore) {
        bMore = finder.FindNextFile();
        const CString strName = finder.GetFileName();
        if (!finder.MatchesMask(FILE_ATTRIBUTE_DIRECTORY) && IsStagingName(strName) && !IsPackageName(strName))
            stale.Add(finder.GetFilePath());
    }
    finder.Close();
    for (int i = 0; i < stale.GetSize(); ++i)
        RemoveFile(m_ops, stale[i]);
}

void CStagedCopy::StartProgress()
{
    const ULONGLONG nMaxBytes = ~0ULL / 4;  // far beyond any drive, and doubled still fits
    ULONGLONG nBytes = 0;
    for (const STAGED_FILE& file : m_files) {
        const ULONGLONG nFile = SourceBytes(file.strSource);
        nBytes = nFile > nMaxBytes - nBytes ? nMaxBytes : nBytes + nFile;
    }
    // Written and verified: every byte twice; and one unit per commit.
    m_nTotal = 2 * nBytes + m_files.size();
    m_nDone = 0;
    Advance(0);
}

// Sources measured at the start may have changed since: whatever the
// count, the report stays below the total until the commit is through.
void CStagedCopy::Advance(ULONGLONG nUnits)
{
    m_nDone = m_nDone + nUnits < m_nDone ? ~0ULL : m_nDone + nUnits;
    if (m_pfnProgress)
        m_pfnProgress(m_nDone < m_nTotal ? m_nDone : m_nTotal - 1, m_nTotal, m_pProgressContext);
}

bool CStagedCopy::Stage(STAGED_FILE& file, char* pData, char* pCheck)
{
    const CString strFinal = m_strRoot + file.strName;
    if (!FitsMaxPath(file.strSource) || !FitsMaxPath(strFinal) || !CanReplace(strFinal))
        return false;
    // Read-only sharing: nobody may change the source between the write and
    // the comparison.
    CFileHandle source(m_ops, m_ops.Open(file.strSource, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!source.IsOpen() || !IsDiskFile(source.Get()))
        return false;
    HANDLE hTemp = INVALID_HANDLE_VALUE;
    if (!CreateTemp(file, hTemp))
        return false;
    CFileHandle temp(m_ops, hTemp);
    if (!WriteTemp(source.Get(), temp.Get(), pData))
        return false;
    KeepWriteTime(source.Get(), temp.Get());
    if (!m_ops.Flush(temp.Get()) || !temp.Close() || !VerifyTemp(file, source.Get(), pData, pCheck))
        return false;
    KeepAttributes(file.strSource, file.strTemp);
    return true;
}

// The next free temporary name: one that no file or folder in the root
// bears (a user's file that happens to look like ours stays untouched) and
// no package file will take.
bool CStagedCopy::CreateTemp(STAGED_FILE& file, HANDLE& hTemp)
{
    for (; m_nNextTemp < kTempNumbers; ++m_nNextTemp) {
        const CString strName = TempName(m_nNextTemp);
        if (IsPackageName(strName))
            continue;
        const CString strPath = m_strRoot + strName;
        if (!FitsMaxPath(strPath))
            return false;
        hTemp = m_ops.Open(strPath, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
        if (hTemp != INVALID_HANDLE_VALUE) {
            file.strTemp = strPath;
            ++m_nNextTemp;
            return true;
        }
        const DWORD dwError = GetLastError();
        const bool bTaken = dwError == ERROR_FILE_EXISTS || dwError == ERROR_ALREADY_EXISTS ||
                            GetFileAttributesA(strPath) != INVALID_FILE_ATTRIBUTES;
        if (!bTaken)
            return false;  // the root refuses new files: no other name helps
    }
    return false;
}

bool CStagedCopy::WriteTemp(HANDLE hSource, HANDLE hTemp, char* pData)
{
    for (;;) {
        DWORD nRead = 0;
        if (!ReadFull(hSource, pData, kChunk, nRead))
            return false;
        if (nRead == 0)
            return true;
        DWORD nWritten = 0;
        if (!m_ops.Write(hTemp, pData, nRead, &nWritten) || nWritten != nRead)
            return false;
        Advance(nRead);
    }
}

// The temporary file is read unbuffered, so that on Windows the bytes come
// from the device, not from the cache that the write just filled. A short
// read of it is its end (and an unbuffered read may not start there), so it
// is read one call per chunk; the source is read to full chunks.
bool CStagedCopy::VerifyTemp(const STAGED_FILE& file, HANDLE hSource, char* pData, char* pCheck)
{
    if (!Rewind(hSource))
        return false;
    CFileHandle temp(m_ops, m_ops.Open(file.strTemp, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                       FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!temp.IsOpen())
        return false;
    for (;;) {
        DWORD nCopied = 0;
        DWORD nSource = 0;
        if (!m_ops.Read(temp.Get(), pCheck, kChunk, &nCopied) || !ReadFull(hSource, pData, kChunk, nSource))
            return false;
        if (nCopied != nSource || memcmp(pCheck, pData, nSource) != 0)
            return false;
        Advance(nSource);
        if (nSource < kChunk)
            return true;
    }
}

bool CStagedCopy::ReadFull(HANDLE hFile, char* pBuffer, DWORD nWanted, DWORD& nRead)
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

void CStagedCopy::RemoveTemp(STAGED_FILE& file)
{
    if (file.strTemp.IsEmpty())
        return;
    RemoveFile(m_ops, file.strTemp);
    file.strTemp.Empty();
}

// Every file staged, so no final name is a folder or read-only: a move that
// still fails is unforeseen (the file held open by another program, the
// stick pulled). The other files are still moved, closer to the whole new
// package than stopping would leave it, and the copy reports failure.
int CStagedCopy::Commit()
{
    bool bAllCommitted = true;
    for (STAGED_FILE& file : m_files) {
        const CString strFinal = m_strRoot + file.strName;
        if (m_ops.Move(file.strTemp, strFinal, kReplace)) {
            file.strTemp.Empty();
            file.bCommitted = true;
            Advance(1);
        } else {
            file.dwError = GetLastError();
            file.bFailed = true;
            bAllCommitted = false;
            RemoveTemp(file);
        }
    }
    if (!bAllCommitted)
        return 0;
    if (m_pfnProgress)
        m_pfnProgress(m_nTotal, m_nTotal, m_pProgressContext);
    return 1;
}
