#include "StagedCopy.h"

#include "AfxFileFind.h"
#include "EventText.h"
#include "FileOps.h"
#include "PackageFolder.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Bytes per read and write. Large chunks keep the number of calls (each a
// trip through Wine's server or the kernel) small; 1 MiB is a multiple of
// every sector size, as unbuffered reads require.
const DWORD kChunk = 1024 * 1024;
const unsigned kTempNumbers = 0x10000;
const unsigned kJournalNumber = 0xFFFF;
// The journal: a header line, "FINAL\tASIDE\tATTRIBUTES" per file (ASIDE
// empty when the final name was free, ATTRIBUTES its old file's, in
// eight hexadecimal digits), an end line; the committed line is appended
// once every file is in place. A journal without its end line was cut off
// before any move.
const char kJournalHeader[] = "PelkinUpdate commit journal";
const char kJournalEnd[] = "end";
const char kJournalCommitted[] = "committed";
const ULONGLONG kMaxJournalBytes = 32ULL * 1024 * 1024;
const char kReadBackDiffers[] = "the read-back differs at byte %llu";
const DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
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

int HexDigitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

// The number of a temporary name, or -1 for any other name. bExact: the
// name as the copy writes it, upper-case; otherwise in any case, as FAT
// compares names.
int GetTempNumber(const char* pszName, bool bExact)
{
    if (pszName == nullptr || strnlen(pszName, 13) != 12)
        return -1;
    const bool bFrame = bExact ? strncmp(pszName, "~PKU", 4) == 0 && strcmp(pszName + 8, ".TMP") == 0
                               : _strnicmp(pszName, "~PKU", 4) == 0 && _stricmp(pszName + 8, ".TMP") == 0;
    if (!bFrame)
        return -1;
    int nNumber = 0;
    for (int i = 4; i < 8; ++i) {
        const int nDigit = HexDigitValue(pszName[i]);
        if (nDigit < 0 || (bExact && pszName[i] >= 'a'))
            return -1;
        nNumber = nNumber * 16 + nDigit;
    }
    return nNumber;
}

// Always upper-case hexadecimal: what IsStagingName recognises.
CString TempName(unsigned nNumber)
{
    char szName[16];
    snprintf(szName, sizeof szName, "~PKU%04X.TMP", nNumber & 0xFFFFu);
    return szName;
}

bool IsNameIn(const PACKAGE_FILE_LIST& files, const CString& strName)
{
    for (const PACKAGE_FILE& file : files) {
        if (file.strName.GetLength() == strName.GetLength() && file.strName.CompareNoCase(strName) == 0)
            return true;
    }
    return false;
}

// A leftover the cleanup can remove: a plain file, the entry itself and
// not a link's target (opened without following a reparse point; a file
// with a second hard link is someone else's too), that no other program
// holds open against deletion. Its bytes in nBytes.
bool CanRemoveLeftover(const CString& strPath, ULONGLONG& nBytes)
{
    if (!FitsMaxPath(strPath))
        return false;
    const HANDLE hFile =
        CreateFileA(strPath, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const BOOL bKnown = GetFileInformationByHandle(hFile, &info);
    CloseHandle(hFile);
    if (!bKnown || (info.dwFileAttributes & kNotPlain) || info.nNumberOfLinks > 1)
        return false;
    nBytes = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}

// A plain file of the journal's name in exactly our case: a user's
// look-alike of another case (which FAT finds under our name) is not ours.
bool IsOurJournal(const CString& strPath)
{
    WIN32_FIND_DATAA found = {};
    const HANDLE hFind = FindFirstFileA(strPath, &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return false;
    FindClose(hFind);
    return (found.dwFileAttributes & kNotPlain) == 0 && GetTempNumber(found.cFileName, true) == kJournalNumber;
}

bool IsPlainFile(const CString& strPath)
{
    const DWORD dwAttributes = GetFileAttributesA(strPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & kNotPlain) == 0;
}

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

void KeepAttributes(const CString& strSource, const CString& strTemp)
{
    const DWORD dwKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD dwSource = GetFileAttributesA(strSource);
    if (dwSource != INVALID_FILE_ATTRIBUTES && (dwSource & dwKept))
        SetFileAttributesA(strTemp, dwSource & (dwKept | FILE_ATTRIBUTE_ARCHIVE));
}

// A file of ours may be read-only (a set-aside old file); it goes all the
// same.
BOOL RemoveFile(CFileOps& ops, const char* pszPath)
{
    SetFileAttributesA(pszPath, FILE_ATTRIBUTE_NORMAL);
    return ops.Remove(pszPath);
}

bool Rewind(HANDLE hFile)
{
    LARGE_INTEGER start = {};
    return SetFilePointerEx(hFile, start, nullptr, FILE_BEGIN) != FALSE;
}

// What a write or read of a file on a drive that has gone answers.
bool IsDriveGoneError(DWORD dwError)
{
    return dwError == ERROR_DEVICE_NOT_CONNECTED || dwError == ERROR_PATH_NOT_FOUND || dwError == ERROR_FILE_NOT_FOUND;
}

// The first byte at which two blocks differ, or nLength when they don't.
DWORD FirstDifference(const char* pFirst, const char* pSecond, DWORD nLength)
{
    DWORD i = 0;
    while (i < nLength && pFirst[i] == pSecond[i])
        ++i;
    return i;
}

// One entry of a journal read back from the drive.
struct JOURNAL_ENTRY
{
    CString strFinal;
    CString strAside;
    DWORD dwAttributes;
};

// A journal's text: its entries, and whether it ends in the committed line.
// false for a text that is no whole journal of ours; its names are checked
// like any input from the stick: plain names, set-aside names of our
// pattern, so that carrying it out never reaches outside the root.
bool ParseJournal(const std::string& text, std::vector<JOURNAL_ENTRY>& entries, bool& bCommitted)
{
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = text.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2)
        lines.push_back(text.substr(nStart, nEnd - nStart));
    if (nStart != text.size() || lines.size() < 2 || lines[0] != kJournalHeader)
        return false;
    size_t i = 1;
    for (; i < lines.size() && lines[i] != kJournalEnd; ++i) {
        const size_t nTab = lines[i].find('\t');
        const size_t nTab2 = nTab == std::string::npos ? nTab : lines[i].find('\t', nTab + 1);
        if (nTab2 == std::string::npos || lines[i].size() != nTab2 + 9 || lines[i].find('\0') != std::string::npos)
            return false;
        JOURNAL_ENTRY entry = {lines[i].substr(0, nTab).c_str(), lines[i].substr(nTab + 1, nTab2 - nTab - 1).c_str(),
                               0};
        char* pszEnd = nullptr;
        entry.dwAttributes = strtoul(lines[i].c_str() + nTab2 + 1, &pszEnd, 16);
        const int nAside = GetTempNumber(entry.strAside, true);
        if (*pszEnd || !IsPlainFolderName(entry.strFinal) ||
            (!entry.strAside.IsEmpty() && (nAside < 0 || nAside == static_cast<int>(kJournalNumber))))
            return false;
        entries.push_back(entry);
    }
    bCommitted = i + 2 == lines.size() && lines[i + 1] == kJournalCommitted;
    return i + 1 == lines.size() || bCommitted;
}

// The journal's text; an empty one for a file too large to be ours.
bool ReadJournal(CFileOps& ops, const CString& strPath, std::string& text)
{
    CFileHandle journal(ops, ops.Open(strPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL));
    if (!journal.IsOpen())
        return false;
    char szPart[4096];
    for (DWORD nRead = 0; ops.Read(journal.Get(), szPart, sizeof szPart, &nRead); text.append(szPart, nRead)) {
        if (nRead == 0)
            return true;
        if (text.size() > kMaxJournalBytes) {
            text.clear();
            return true;
        }
    }
    return false;
}

// Carries out a whole journal: undoes the commit (every old file moved
// back over its final name, every new file without an old one removed, in
// reverse order), or, for a commit that was through, removes the
// set-aside files. true when every step was done.
bool CarryOutJournal(CFileOps& ops, const CString& strRoot, const std::vector<JOURNAL_ENTRY>& entries, bool bCommitted)
{
    bool bDone = true;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const CString strFinal = strRoot + it->strFinal;
        const CString strAside = strRoot + it->strAside;
        if (!FitsMaxPath(strFinal) || !FitsMaxPath(strAside)) {
            bDone = false;
        } else if (bCommitted) {
            if (!it->strAside.IsEmpty() && IsPlainFile(strAside))
                bDone = RemoveFile(ops, strAside) && bDone;
        } else if (it->strAside.IsEmpty()) {
            if (IsPlainFile(strFinal))
                bDone = RemoveFile(ops, strFinal) && bDone;
        } else {
            if (IsPlainFile(strAside) && !ops.Move(strAside, strFinal, kReplace))
                bDone = false;
            else if (it->dwAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesA(strFinal, it->dwAttributes);
        }
    }
    return bDone;
}

}  // namespace

void ListLeftoverTemps(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, LEFTOVER_TEMP_LIST& leftovers,
                       std::vector<bool>* pTaken)
{
    leftovers.clear();
    if (pTaken)
        pTaken->assign(kTempNumbers, false);
    const CString strPattern = CString(pszDriveRoot) + "*";
    if (!FitsMaxPath(strPattern))
        return;
    bool bJournal = false;
    CFileFind finder;
    BOOL bMore = finder.FindFile(strPattern);
    while (bMore) {
        bMore = finder.FindNextFile();
        const CString strName = finder.GetFileName();
        const int nNumber = GetTempNumber(strName, false);
        if (nNumber < 0)
            continue;
        if (pTaken)
            (*pTaken)[static_cast<size_t>(nNumber)] = true;
        if (!CStagedCopy::IsStagingName(strName) || finder.MatchesMask(kNotPlain) || IsNameIn(files, strName))
            continue;
        bJournal = bJournal || nNumber == static_cast<int>(kJournalNumber);
        ULONGLONG nBytes = 0;
        if (nNumber != static_cast<int>(kJournalNumber) && CanRemoveLeftover(finder.GetFilePath(), nBytes))
            leftovers.push_back(LEFTOVER_TEMP{finder.GetFilePath(), nBytes});
    }
    finder.Close();
    if (bJournal)
        leftovers.clear();
}

CStagedCopy::CStagedCopy(const char* pszDriveRoot, CFileOps* pOps)
    : m_strRoot(pszDriveRoot), m_ops(pOps ? *pOps : CFileOps::Real()), m_nNextTemp(0), m_bJournal(false),
      m_bDriveGone(false), m_pfnProgress(nullptr), m_pProgressContext(nullptr), m_nDone(0), m_nTotal(0)
{}

int CStagedCopy::AddPackage(const char* pszProgramFolder, const char* pszSection)
{
    PACKAGE_FILE_LIST files;
    ListPackageFiles(pszProgramFolder, pszSection, nullptr, files);
    AddPackage(files);
    return static_cast<int>(files.size());
}

void CStagedCopy::AddPackage(const PACKAGE_FILE_LIST& files)
{
    for (const PACKAGE_FILE& file : files)
        m_files.push_back(STAGED_FILE{file, CString(), CString(), 0, kNotMoved, false, nullptr, ERROR_SUCCESS, 0});
}

void CStagedCopy::SetProgress(COPY_PROGRESS_PROC pfnProgress, void* pContext)
{
    m_pfnProgress = pfnProgress;
    m_pProgressContext = pContext;
}

bool CStagedCopy::IsStagingName(const char* pszName)
{
    return GetTempNumber(pszName, true) >= 0;
}

JOURNAL_RECOVERY CStagedCopy::RecoverJournal(const char* pszDriveRoot, CFileOps* pOps)
{
    CFileOps& ops = pOps ? *pOps : CFileOps::Real();
    const CString strRoot(pszDriveRoot);
    const CString strJournal = strRoot + TempName(kJournalNumber);
    if (!FitsMaxPath(strJournal) || !IsOurJournal(strJournal))
        return JOURNAL_NONE;
    std::string text;
    if (!ReadJournal(ops, strJournal, text))
        return JOURNAL_FAILED;
    std::vector<JOURNAL_ENTRY> entries;
    bool bCommitted = false;
    if (!ParseJournal(text, entries, bCommitted))
        return RemoveFile(ops, strJournal) ? JOURNAL_DISCARDED : JOURNAL_FAILED;
    if (!CarryOutJournal(ops, strRoot, entries, bCommitted) || !RemoveFile(ops, strJournal))
        return JOURNAL_FAILED;
    return bCommitted ? JOURNAL_FINISHED : JOURNAL_UNDONE;
}

int CStagedCopy::Run()
{
    return Stage() && Commit() ? 1 : 0;
}

bool CStagedCopy::Fail(STAGED_FILE& file, const char* pszWhat, DWORD dwError)
{
    file.pszFailure = pszWhat;
    file.dwError = dwError;
    return false;
}

int CStagedCopy::Stage()
{
    m_strRunNote.Empty();
    if (m_files.empty())
        return 0;
    if (RecoverJournal(m_strRoot, &m_ops) == JOURNAL_FAILED) {
        m_strRunNote = "the journal of an earlier copy that was cut off (" + TempName(kJournalNumber) +
                       ") can't be carried out, so no file is touched";
        return 0;
    }
    CKeepAwake awake;
    if (PrepareNames() < m_files.size()) {
        m_strRunNote = "the drive has fewer free temporary names than the package has files";
        return 0;
    }
    StartProgress();
    CChunkBuffers buffers;
    if (!buffers.First()) {
        m_strRunNote = "no memory for the copy's buffers";
        return 0;
    }
    bool bAllStaged = true;
    for (STAGED_FILE& file : m_files) {
        // Cleared first, so that a failure no call reported keeps 0.
        SetLastError(ERROR_SUCCESS);
        if (!StageFile(file, buffers.First(), buffers.Second())) {
            // A temporary file that the copy made, and is gone: so is the
            // drive, and the files after this one would only fail slowly.
            m_bDriveGone = !file.strTemp.IsEmpty() && IsDriveGoneError(file.dwError);
            if (!file.strTemp.IsEmpty())
                RemoveFile(m_ops, file.strTemp);  // at once: its room may let a later file stage
            file.strTemp.Empty();
            bAllStaged = false;
            if (m_bDriveGone) {
                m_strRunNote = "the drive went away while the files were written; the copy stopped there";
                break;
            }
        }
    }
    if (!bAllStaged)
        RemoveTemps();
    return bAllStaged ? 1 : 0;
}

// One listing of the root: leftovers removed, and every temporary number
// that an entry or a package file bears set aside, so that free names are
// chosen without probing the drive name by name. The number of free names.
size_t CStagedCopy::PrepareNames()
{
    PACKAGE_FILE_LIST files;
    for (const STAGED_FILE& file : m_files)
        files.push_back(file.source);
    LEFTOVER_TEMP_LIST leftovers;
    ListLeftoverTemps(m_strRoot, files, leftovers, &m_taken);
    for (const LEFTOVER_TEMP& leftover : leftovers) {
        const int nNumber =
            GetTempNumber(static_cast<const char*>(leftover.strPath) + leftover.strPath.GetLength() - 12, true);
        if (RemoveFile(m_ops, leftover.strPath) && nNumber >= 0)
            m_taken[static_cast<size_t>(nNumber)] = false;
    }
    for (const PACKAGE_FILE& file : files) {
        const int nNumber = GetTempNumber(file.strName, false);
        if (nNumber >= 0)
            m_taken[static_cast<size_t>(nNumber)] = true;
    }
    m_taken[kJournalNumber] = true;
    m_nNextTemp = 0;
    size_t nFree = 0;
    for (unsigned n = 0; n < kJournalNumber; ++n)
        nFree += m_taken[n] ? 0 : 1;
    return nFree;
}

bool CStagedCopy::TakeFreeName(CString& strName)
{
    for (; m_nNextTemp < kJournalNumber; ++m_nNextTemp) {
        if (!m_taken[m_nNextTemp]) {
            m_taken[m_nNextTemp] = true;
            strName = TempName(m_nNextTemp++);
            return true;
        }
    }
    return false;
}

void CStagedCopy::StartProgress()
{
    const ULONGLONG nMaxBytes = ~0ULL / 4;  // far beyond any drive, and doubled still fits
    ULONGLONG nBytes = 0;
    for (const STAGED_FILE& file : m_files) {
        const ULONGLONG nFile = file.source.nBytes;
        nBytes = nFile > nMaxBytes - nBytes ? nMaxBytes : nBytes + nFile;
    }
    // Written and verified: every byte twice; and one unit per commit.
    m_nTotal = 2 * nBytes + m_files.size();
    m_nDone = 0;
    Advance(0);
}

// Sources measured when the package was listed may have changed since:
// whatever the count, the report stays below the total until the commit is
// through.
void CStagedCopy::Advance(ULONGLONG nUnits)
{
    m_nDone = m_nDone + nUnits < m_nDone ? ~0ULL : m_nDone + nUnits;
    if (m_pfnProgress)
        m_pfnProgress(m_nDone < m_nTotal ? m_nDone : m_nTotal - 1, m_nTotal, m_pProgressContext);
}

bool CStagedCopy::StageFile(STAGED_FILE& file, char* pData, char* pCheck)
{
    const CString strFinal = m_strRoot + file.source.strName;
    if (!FitsMaxPath(file.source.strPath) || !FitsMaxPath(strFinal))
        return Fail(file, "its path, or its path on the drive, does not fit 259 characters", ERROR_SUCCESS);
    if (!CanReplace(file, strFinal))
        return false;
    // Read-only sharing: nobody may change the source between the write and
    // the comparison.
    CFileHandle source(m_ops, m_ops.Open(file.source.strPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!source.IsOpen())
        return Fail(file, "to open it");
    // A device or pipe of that name is no firmware, and may never answer.
    if (!IsDiskFile(source.Get()))
        return Fail(file, "it is not a plain file on a disk", ERROR_SUCCESS);
    HANDLE hTemp = INVALID_HANDLE_VALUE;
    if (!CreateTemp(file, hTemp))
        return false;
    CFileHandle temp(m_ops, hTemp);
    if (!WriteTemp(file, source.Get(), temp.Get(), pData))
        return false;
    KeepWriteTime(source.Get(), temp.Get());
    if (!m_ops.Flush(temp.Get()))
        return Fail(file, "to flush it to the drive");
    if (!temp.Close())
        return Fail(file, "to close it on the drive");
    if (!VerifyTemp(file, source.Get(), pData, pCheck))
        return false;
    KeepAttributes(file.source.strPath, file.strTemp);
    return true;
}

// A name the commit can move a file over: nothing there, or a plain file
// (read-only or not: the package owns the name). A folder, a link or a
// reparse point is never replaced.
bool CStagedCopy::CanReplace(STAGED_FILE& file, const CString& strFinal)
{
    const DWORD dwAttributes = GetFileAttributesA(strFinal);
    if (dwAttributes == INVALID_FILE_ATTRIBUTES || (dwAttributes & kNotPlain) == 0)
        return true;
    return Fail(file, "a folder or link of that name is in the way", ERROR_SUCCESS);
}

bool CStagedCopy::CreateTemp(STAGED_FILE& file, HANDLE& hTemp)
{
    CString strName;
    if (!TakeFreeName(strName))
        return Fail(file, "no temporary name is free on the drive", ERROR_SUCCESS);
    const CString strPath = m_strRoot + strName;
    if (!FitsMaxPath(strPath))
        return Fail(file, "its temporary file's path does not fit 259 characters", ERROR_SUCCESS);
    hTemp = m_ops.Open(strPath, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN);
    if (hTemp == INVALID_HANDLE_VALUE)
        return Fail(file, "to create its temporary file");
    file.strTemp = strPath;
    return true;
}

bool CStagedCopy::WriteTemp(STAGED_FILE& file, HANDLE hSource, HANDLE hTemp, char* pData)
{
    for (;;) {
        DWORD nRead = 0;
        if (!ReadFull(hSource, pData, kChunk, nRead))
            return Fail(file, "to read it");
        if (nRead == 0)
            return true;
        DWORD nWritten = 0;
        if (!m_ops.Write(hTemp, pData, nRead, &nWritten))
            return Fail(file, "to write it");
        if (nWritten != nRead)
            return Fail(file, "to write it whole", ERROR_DISK_FULL);
        Advance(nRead);
    }
}

// The temporary file is read unbuffered, so that on Windows the bytes come
// from the device, not from the cache that the write just filled. A short
// read of it is its end (and an unbuffered read may not start there), so it
// is read one call per chunk; the source is read to full chunks.
bool CStagedCopy::VerifyTemp(STAGED_FILE& file, HANDLE hSource, char* pData, char* pCheck)
{
    if (!Rewind(hSource))
        return Fail(file, "to read it again");
    CFileHandle temp(m_ops, m_ops.Open(file.strTemp, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING,
                                       FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN));
    if (!temp.IsOpen())
        return Fail(file, "to open it for the read-back");
    for (ULONGLONG nOffset = 0;; nOffset += kChunk) {
        DWORD nCopied = 0;
        DWORD nSource = 0;
        if (!m_ops.Read(temp.Get(), pCheck, kChunk, &nCopied))
            return Fail(file, "to read it back");
        if (!ReadFull(hSource, pData, kChunk, nSource))
            return Fail(file, "to read it again");
        const DWORD nSame = FirstDifference(pCheck, pData, nCopied < nSource ? nCopied : nSource);
        if (nSame < nSource || nCopied != nSource) {
            file.nDiffersAt = nOffset + nSame;
            return Fail(file, kReadBackDiffers, ERROR_SUCCESS);
        }
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

void CStagedCopy::RemoveTemps()
{
    for (STAGED_FILE& file : m_files) {
        if (!file.strTemp.IsEmpty())
            RemoveFile(m_ops, file.strTemp);
        file.strTemp.Empty();
    }
}

// Every file staged, so no final name was a folder or link. Whatever fails
// from here on (a file held open by another program, the stick pulled) is
// undone, so that the drive holds what it held before.
int CStagedCopy::Commit()
{
    CKeepAwake awake;
    if (!ChooseAsideNames()) {
        RemoveTemps();
        return 0;
    }
    const CString strJournal = m_strRoot + TempName(kJournalNumber);
    CFileHandle journal(m_ops, FitsMaxPath(strJournal)
                                   ? m_ops.Open(strJournal, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL)
                                   : INVALID_HANDLE_VALUE);
    m_bJournal = journal.IsOpen() && WriteJournal(journal.Get());
    if (!m_bJournal) {
        const DWORD dwError = GetLastError();
        if (journal.IsOpen()) {
            journal.Close();
            RemoveFile(m_ops, strJournal);
        }
        // A package that takes the stick's last free units leaves none for
        // the journal, and the room check promised it room: the commit goes
        // on without one. It is still undone whole when one of its steps
        // fails; only a commit cut off midway can't be undone by the next run.
        if (dwError != ERROR_DISK_FULL && dwError != ERROR_HANDLE_DISK_FULL) {
            RemoveTemps();
            return FailCommit("failed to write the commit's journal", dwError);
        }
        m_strRunNote = "the drive has no room left for the commit's journal; the commit goes on without one";
    }
    for (STAGED_FILE& file : m_files) {
        if (!MoveIn(file)) {
            journal.Close();
            return FailCommit(nullptr, ERROR_SUCCESS);
        }
        Advance(1);
    }
    if (m_bJournal && (!MarkCommitted(journal.Get()) || !journal.Close())) {
        const DWORD dwError = GetLastError();
        journal.Close();
        return FailCommit("failed to mark the commit as through in its journal", dwError);
    }
    for (const STAGED_FILE& file : m_files) {
        if (!file.strAside.IsEmpty())
            RemoveFile(m_ops, m_strRoot + file.strAside);
    }
    if (m_bJournal)
        RemoveFile(m_ops, strJournal);
    if (m_pfnProgress)
        m_pfnProgress(m_nTotal, m_nTotal, m_pProgressContext);
    return 1;
}

// A commit that failed after its journal was written: every step undone,
// the staged files and the journal removed; or, when some step can't be
// undone, the journal left for the next run to carry out.
int CStagedCopy::FailCommit(const char* pszWhat, DWORD dwError)
{
    if (pszWhat)
        m_strRunNote = dwError == ERROR_SUCCESS ? CString(pszWhat) : pszWhat + (", " + GetErrorText(dwError));
    if (Undo()) {
        RemoveTemps();
        if (m_bJournal)
            RemoveFile(m_ops, m_strRoot + TempName(kJournalNumber));
    } else {
        if (!m_strRunNote.IsEmpty())
            m_strRunNote += "; ";
        m_strRunNote += "the commit could not be undone whole";
        if (m_bJournal)
            m_strRunNote +=
                ": its journal " + TempName(kJournalNumber) + " stays on the drive, and the next run undoes it first";
    }
    return 0;
}

bool CStagedCopy::ChooseAsideNames()
{
    for (STAGED_FILE& file : m_files) {
        const CString strFinal = m_strRoot + file.source.strName;
        SetLastError(ERROR_SUCCESS);
        const DWORD dwAttributes = GetFileAttributesA(strFinal);
        const DWORD dwError = GetLastError();
        if (dwAttributes == INVALID_FILE_ATTRIBUTES && dwError != ERROR_FILE_NOT_FOUND &&
            dwError != ERROR_PATH_NOT_FOUND)
            return Fail(file, "to look at its old file", dwError);
        if (dwAttributes == INVALID_FILE_ATTRIBUTES)
            continue;
        if (dwAttributes & kNotPlain)
            return Fail(file, "a folder or link of that name is in the way", ERROR_SUCCESS);
        if (!TakeFreeName(file.strAside))
            return Fail(file, "no temporary name is free on the drive to set its old file aside", ERROR_SUCCESS);
        file.dwOldAttributes = dwAttributes;
    }
    return true;
}

bool CStagedCopy::WriteJournal(HANDLE hJournal)
{
    CString strText = CString(kJournalHeader) + "\r\n";
    for (const STAGED_FILE& file : m_files) {
        char szAttributes[16];
        snprintf(szAttributes, sizeof szAttributes, "\t%08lX\r\n", static_cast<unsigned long>(file.dwOldAttributes));
        strText += file.source.strName + "\t" + file.strAside + szAttributes;
    }
    strText += CString(kJournalEnd) + "\r\n";
    DWORD nWritten = 0;
    const DWORD nLength = static_cast<DWORD>(strText.GetLength());
    if (!m_ops.Write(hJournal, static_cast<const char*>(strText), nLength, &nWritten))
        return false;
    if (nWritten != nLength) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return m_ops.Flush(hJournal) != FALSE;
}

bool CStagedCopy::MarkCommitted(HANDLE hJournal)
{
    const CString strLine = CString(kJournalCommitted) + "\r\n";
    DWORD nWritten = 0;
    const DWORD nLength = static_cast<DWORD>(strLine.GetLength());
    return m_ops.Write(hJournal, static_cast<const char*>(strLine), nLength, &nWritten) && nWritten == nLength &&
           m_ops.Flush(hJournal);
}

// Sets the old file of the name aside (its read-only attribute cleared
// first: the set-aside file must go once the commit is through), then moves
// the staged file in. Each step is one the undo knows of.
bool CStagedCopy::MoveIn(STAGED_FILE& file)
{
    const CString strFinal = m_strRoot + file.source.strName;
    if (!file.strAside.IsEmpty()) {
        const DWORD dwOld = file.dwOldAttributes;
        if ((dwOld & FILE_ATTRIBUTE_READONLY) && !SetFileAttributesA(strFinal, dwOld & ~FILE_ATTRIBUTE_READONLY))
            return Fail(file, "to clear the read-only attribute of its old file");
        if (!m_ops.Move(strFinal, m_strRoot + file.strAside, MOVEFILE_WRITE_THROUGH)) {
            const DWORD dwError = GetLastError();
            SetFileAttributesA(strFinal, dwOld);
            return Fail(file, "to set its old file aside", dwError);
        }
        file.nStep = kSetAside;
    }
    if (!m_ops.Move(file.strTemp, strFinal, kReplace))
        return Fail(file, "to move it over its final name");
    file.strTemp.Empty();
    file.nStep = kMovedIn;
    return true;
}

// Every step of the commit taken back, last first: an old file moved back
// over its name (and made read-only again when it was), a new file without
// an old one removed. true when nothing was left undone.
bool CStagedCopy::Undo()
{
    bool bAll = true;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        STAGED_FILE& file = *it;
        if (file.nStep == kNotMoved)
            continue;
        const CString strFinal = m_strRoot + file.source.strName;
        const BOOL bBack = file.strAside.IsEmpty() ? RemoveFile(m_ops, strFinal)
                                                   : m_ops.Move(m_strRoot + file.strAside, strFinal, kReplace);
        if (!bBack) {
            bAll = false;
            continue;
        }
        if (!file.strAside.IsEmpty() && (file.dwOldAttributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(strFinal, file.dwOldAttributes);
        file.bUndone = file.nStep == kMovedIn;
        file.nStep = kNotMoved;
    }
    return bAll;
}

CString CStagedCopy::GetFileResult(int nIndex) const
{
    const STAGED_FILE& file = m_files[static_cast<size_t>(nIndex)];
    if (file.nStep == kMovedIn)
        return "copied";
    if (!file.pszFailure)
        return file.bUndone ? "taken back, as the copy failed" : "not copied, as another file failed";
    CString strWhat(file.pszFailure);
    if (file.pszFailure == kReadBackDiffers)
        strWhat.Format(kReadBackDiffers, file.nDiffersAt);
    CString strResult = "failed" + CString(strncmp(file.pszFailure, "to ", 3) == 0 ? " " : ": ") + strWhat;
    if (file.dwError == ERROR_DISK_FULL || file.dwError == ERROR_HANDLE_DISK_FULL)
        strResult += ": the drive is full (" + GetErrorText(file.dwError) + ")";
    else if (file.dwError != ERROR_SUCCESS)
        strResult += ", " + GetErrorText(file.dwError);
    return strResult;
}
