#include "StagedCopy.h"

#include "DriveEntry.h"
#include "EventText.h"
#include "FileStaging.h"
#include "KeepAwake.h"
#include "FileOps.h"
#include "PackageFolder.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kInTheWay[] = "a folder or link of that name is in the way";
const DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

}  // namespace

CStagedCopy::CStagedCopy(const char* pszDriveRoot, CFileOps* pOps)
    : m_strRoot(pszDriveRoot), m_ops(pOps ? *pOps : CFileOps::Real()), m_bJournal(false), m_pfnProgress(nullptr),
      m_pProgressContext(nullptr), m_nDone(0), m_nTotal(0)
{}

void CStagedCopy::AddPackage(const PACKAGE_FILE_LIST& files)
{
    for (const PACKAGE_FILE& file : files)
        m_files.push_back(STAGED_FILE{file, CString(), JOURNAL_ENTRY{file.strName, CString(), 0, true, 0, {0, 0}},
                                      kNotMoved, false, FILE_FAILURE{nullptr, ERROR_SUCCESS, 0, CString()}});
}

void CStagedCopy::SetProgress(COPY_PROGRESS_PROC pfnProgress, void* pContext)
{
    m_pfnProgress = pfnProgress;
    m_pProgressContext = pContext;
}

int CStagedCopy::Run()
{
    return Stage() && Commit() ? 1 : 0;
}

bool CStagedCopy::Fail(STAGED_FILE& file, const char* pszWhat, DWORD dwError)
{
    return FailWith(file.failure, pszWhat, dwError);
}

int CStagedCopy::Stage()
{
    m_strRunNote.Empty();
    if (m_files.empty())
        return 0;
    size_t nOld = 0;
    if (!IsJournalNameFree() || !AreFinalNamesFree(nOld))
        return 0;
    CKeepAwake awake;
    // One name per file to stage it under, one per old file to set aside.
    PACKAGE_FILE_LIST files;
    for (const STAGED_FILE& file : m_files)
        files.push_back(file.source);
    if (m_names.Prepare(m_strRoot, files, m_ops) < m_files.size() + nOld) {
        m_strRunNote = "the drive has fewer free temporary names than the package needs";
        return 0;
    }
    StartProgress();
    CFileStager stager(m_ops, AdvanceProc, this);
    if (!stager.HasBuffers()) {
        m_strRunNote = "no memory for the copy's buffers";
        return 0;
    }
    bool bAllStaged = true;
    STAGED_FILE* pHashing = nullptr;  // staged, its hash going on beside the next one
    for (STAGED_FILE& file : m_files) {
        // Cleared first, so that a failure no call reported keeps 0.
        SetLastError(ERROR_SUCCESS);
        const bool bStaged = StageFile(file, stager);
        if (pHashing && !IsAsListed(*pHashing, stager, 1))
            bAllStaged = false;
        pHashing = bStaged ? &file : nullptr;
        if (!bStaged) {
            // A temporary file that the copy made, and is gone: so is the
            // drive, and the files after this one would only fail slowly.
            const bool bDriveGone = !file.strTemp.IsEmpty() && IsDriveGoneFailure(file.failure);
            if (!file.strTemp.IsEmpty())
                RemoveOwnFile(m_ops, file.strTemp);  // at once: its room may let a later file stage
            file.strTemp.Empty();
            bAllStaged = false;
            if (bDriveGone) {
                m_strRunNote = "the drive went away while the files were written; the copy stopped there";
                break;
            }
        }
    }
    if (pHashing && !IsAsListed(*pHashing, stager, 0))
        bAllStaged = false;
    if (!bAllStaged)
        RemoveTemps();
    return bAllStaged ? 1 : 0;
}

// A staged file whose bytes differ from SHA256SUMS goes no further than
// its temporary name.
bool CStagedCopy::IsAsListed(STAGED_FILE& file, CFileStager& stager, int nBack)
{
    if (stager.IsAsListed(file.source, nBack, file.failure))
        return true;
    RemoveOwnFile(m_ops, file.strTemp);
    file.strTemp.Empty();
    return false;
}

// The journal of a commit cut off earlier is carried out before the copy
// starts (RecoverCutOffCommit); one still there could not be, and a
// folder, link or pipe of its name would keep the commit from writing one.
bool CStagedCopy::IsJournalNameFree()
{
    const CString strJournal = GetStagingName(kJournalNumber);
    switch (LookAtDriveEntry(m_strRoot + strJournal)) {
    case ENTRY_NONE:
        return true;
    case ENTRY_PLAIN_FILE:
        m_strRunNote = "the journal of an earlier copy that was cut off (" + strJournal +
                       ") can't be carried out, so no file is touched";
        return false;
    case ENTRY_OTHER:
        break;
    }
    m_strRunNote =
        "the journal's name " + strJournal + " is taken by a folder, a link or a pipe, so no file is touched";
    return false;
}

// Every final name free, or a plain file of the drive that the commit may
// replace (read-only or not: the package owns the name), before anything is
// written; nOld counts the plain files.
bool CStagedCopy::AreFinalNamesFree(size_t& nOld)
{
    bool bFree = true;
    for (STAGED_FILE& file : m_files) {
        const CString strFinal = m_strRoot + file.source.strName;
        if (!FitsMaxPath(strFinal))
            continue;  // StageFile says why
        const DRIVE_ENTRY entry = LookAtDriveEntry(strFinal);
        nOld += entry == ENTRY_PLAIN_FILE ? 1 : 0;
        if (entry == ENTRY_OTHER)
            bFree = Fail(file, kInTheWay, ERROR_SUCCESS);
    }
    return bFree;
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

void CStagedCopy::AdvanceProc(ULONGLONG nUnits, void* pThis)
{
    static_cast<CStagedCopy*>(pThis)->Advance(nUnits);
}

bool CStagedCopy::StageFile(STAGED_FILE& file, CFileStager& stager)
{
    const CString strFinal = m_strRoot + file.source.strName;
    if (!FitsMaxPath(file.source.strPath) || !FitsMaxPath(strFinal))
        return Fail(file, "its path, or its path on the drive, does not fit 259 characters", ERROR_SUCCESS);
    CString strName;
    if (!m_names.Take(strName))
        return Fail(file, "no temporary name is free on the drive", ERROR_SUCCESS);
    const CString strTemp = m_strRoot + strName;
    if (!FitsMaxPath(strTemp))
        return Fail(file, "its temporary file's path does not fit 259 characters", ERROR_SUCCESS);
    bool bCreated = false;
    DRIVE_FILE_INFO staged = {};
    const bool bStaged = stager.Stage(file.source, strTemp, bCreated, staged, file.failure);
    if (bCreated)
        file.strTemp = strTemp;
    file.entry.nBytes = staged.nBytes;
    file.entry.lastWrite = staged.lastWrite;
    return bStaged;
}

void CStagedCopy::RemoveTemps()
{
    for (STAGED_FILE& file : m_files) {
        if (!file.strTemp.IsEmpty())
            RemoveOwnFile(m_ops, file.strTemp);
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
    const CString strJournal = m_strRoot + GetStagingName(kJournalNumber);
    CFileHandle journal(m_ops, FitsMaxPath(strJournal)
                                   ? m_ops.Open(strJournal, GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL)
                                   : INVALID_HANDLE_VALUE);
    m_bJournal = journal.IsOpen() && WriteJournal(journal.Get());
    if (!m_bJournal) {
        const DWORD dwError = GetLastError();
        if (journal.IsOpen()) {
            journal.Close();
            RemoveOwnFile(m_ops, strJournal);
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
    if (m_bJournal && (!WriteFlushed(journal.Get(), FormatJournalCommitted()) || !journal.Close())) {
        const DWORD dwError = GetLastError();
        journal.Close();
        return FailCommit("failed to mark the commit as through in its journal", dwError);
    }
    for (const STAGED_FILE& file : m_files) {
        if (!file.entry.strAside.IsEmpty())
            RemoveOwnFile(m_ops, m_strRoot + file.entry.strAside);
    }
    if (m_bJournal)
        RemoveOwnFile(m_ops, strJournal);
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
            RemoveOwnFile(m_ops, m_strRoot + GetStagingName(kJournalNumber));
    } else {
        if (!m_strRunNote.IsEmpty())
            m_strRunNote += "; ";
        m_strRunNote += "the commit could not be undone whole";
        if (m_bJournal)
            m_strRunNote += ": its journal " + GetStagingName(kJournalNumber) +
                            " stays on the drive, and the next run undoes it first";
    }
    return 0;
}

bool CStagedCopy::ChooseAsideNames()
{
    for (STAGED_FILE& file : m_files) {
        DRIVE_FILE_INFO info = {};
        const DRIVE_ENTRY entry = LookAtDriveEntry(m_strRoot + file.source.strName, &info);
        if (entry == ENTRY_NONE)
            continue;
        if (entry == ENTRY_OTHER)
            return Fail(file, kInTheWay, ERROR_SUCCESS);
        if (!m_names.Take(file.entry.strAside))
            return Fail(file, "no temporary name is free on the drive to set its old file aside", ERROR_SUCCESS);
        file.entry.dwAttributes = info.dwAttributes;
    }
    return true;
}

bool CStagedCopy::WriteJournal(HANDLE hJournal)
{
    JOURNAL_ENTRY_LIST entries;
    for (const STAGED_FILE& file : m_files)
        entries.push_back(file.entry);
    return WriteFlushed(hJournal, FormatJournal(entries));
}

bool CStagedCopy::WriteFlushed(HANDLE hFile, const CString& strText)
{
    DWORD nWritten = 0;
    const DWORD nLength = static_cast<DWORD>(strText.GetLength());
    if (!m_ops.Write(hFile, static_cast<const char*>(strText), nLength, &nWritten))
        return false;
    if (nWritten != nLength) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    return m_ops.Flush(hFile) != FALSE;
}

// Sets the old file of the name aside (its read-only attribute cleared
// first: the set-aside file must go once the commit is through), then moves
// the staged file in. Each step is one the undo knows of.
bool CStagedCopy::MoveIn(STAGED_FILE& file)
{
    const CString strFinal = m_strRoot + file.source.strName;
    if (!file.entry.strAside.IsEmpty()) {
        const DWORD dwOld = file.entry.dwAttributes;
        if ((dwOld & FILE_ATTRIBUTE_READONLY) && !m_ops.SetAttributes(strFinal, dwOld & ~FILE_ATTRIBUTE_READONLY))
            return Fail(file, "to clear the read-only attribute of its old file");
        if (!m_ops.Move(strFinal, m_strRoot + file.entry.strAside, MOVEFILE_WRITE_THROUGH)) {
            const DWORD dwError = GetLastError();
            m_ops.SetAttributes(strFinal, dwOld);
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

// Every step of the commit taken back, last first (UndoCommitStep). true
// when nothing was left undone.
bool CStagedCopy::Undo()
{
    bool bAll = true;
    for (auto it = m_files.rbegin(); it != m_files.rend(); ++it) {
        STAGED_FILE& file = *it;
        if (file.nStep == kNotMoved)
            continue;
        if (!UndoCommitStep(m_ops, m_strRoot, file.entry)) {
            bAll = false;
            continue;
        }
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
    if (!file.failure.pszWhat)
        return file.bUndone ? "taken back, as the copy failed" : "not copied, as another file failed";
    return FormatFileFailure(file.failure);
}

int CStagedCopy::FindDamagedFile(CString& strWhat) const
{
    for (size_t i = 0; i < m_files.size(); ++i) {
        if (m_files[i].failure.pszWhat && IsSumMismatch(m_files[i].failure)) {
            strWhat = m_files[i].failure.strDetail;
            return static_cast<int>(i);
        }
    }
    return -1;
}
