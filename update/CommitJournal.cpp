#include "CommitJournal.h"

#include "DriveEntry.h"
#include "FileOps.h"
#include "PackageFolder.h"
#include "PackageRules.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

// The journal: a header line, "FINAL\tASIDE\tATTRIBUTES\tBYTES\tWRITETIME"
// per file (ASIDE empty when the final name was free; ATTRIBUTES its old
// file's in eight hexadecimal digits; BYTES and WRITETIME the new file's,
// sixteen each), an end line; the committed line is appended once every
// file is in place. Earlier versions wrote the first three fields only.
const char kJournalHeader[] = "PelkinUpdate commit journal";
const char kJournalEnd[] = "end";
const char kJournalCommitted[] = "committed";
const ULONGLONG kMaxJournalBytes = 32ULL * 1024 * 1024;
const DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

enum UNDO_ACTION
{
    UNDO_NOTHING,
    UNDO_REMOVE_FINAL,  // the new file, which had no old one
    UNDO_MOVE_BACK,     // the old file over the final name
    UNDO_REMOVE_ASIDE,  // the old file, once the commit was through
};

struct UNDO_STEP
{
    UNDO_ACTION action;
    bool bLeftAlone;   // a name holds what the commit did not put there
    ULONGLONG nFreed;  // bytes of the final name's file that the step removes
};

ULONGLONG FileTimeValue(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// FAT keeps local time: a change of time zone or of daylight saving time
// between the commit and the next run shifts the time the drive reports by
// whole quarter hours, never by seconds.
bool IsSameWriteTime(const FILETIME& first, const FILETIME& second)
{
    const ULONGLONG nQuarterHour = 15ULL * 60 * 10000000;
    const ULONGLONG a = FileTimeValue(first);
    const ULONGLONG b = FileTimeValue(second);
    const ULONGLONG nApart = a > b ? a - b : b - a;
    return nApart <= 4 * 24 * nQuarterHour && nApart % nQuarterHour == 0;
}

// True when the final name still holds the file the commit moved in. An
// entry of an earlier journal, without the new file's identity, takes any
// plain file for it, as those versions did.
bool HoldsNewFile(const DRIVE_FILE_INFO& final, const JOURNAL_ENTRY& entry)
{
    return !entry.bKnown || (final.nBytes == entry.nBytes && IsSameWriteTime(final.lastWrite, entry.lastWrite));
}

UNDO_STEP PlanUndoStep(const CString& strRoot, const JOURNAL_ENTRY& entry, bool bCommitted)
{
    UNDO_STEP step = {UNDO_NOTHING, false, 0};
    const DRIVE_ENTRY aside = entry.strAside.IsEmpty() ? ENTRY_NONE : LookAtDriveEntry(strRoot + entry.strAside);
    if (bCommitted) {
        step.action = aside == ENTRY_PLAIN_FILE ? UNDO_REMOVE_ASIDE : UNDO_NOTHING;
        step.bLeftAlone = aside == ENTRY_OTHER;
        return step;
    }
    DRIVE_FILE_INFO info = {};
    const DRIVE_ENTRY final = LookAtDriveEntry(strRoot + entry.strFinal, &info);
    const bool bNewThere = final == ENTRY_PLAIN_FILE && HoldsNewFile(info, entry);
    if (entry.strAside.IsEmpty()) {
        // Without its identity a new file can't be told from a user's.
        step.action = bNewThere && entry.bKnown ? UNDO_REMOVE_FINAL : UNDO_NOTHING;
        step.bLeftAlone = final == ENTRY_OTHER || (final == ENTRY_PLAIN_FILE && step.action == UNDO_NOTHING);
    } else if (aside == ENTRY_PLAIN_FILE && (final == ENTRY_NONE || bNewThere)) {
        step.action = UNDO_MOVE_BACK;
    } else {
        step.bLeftAlone = aside == ENTRY_OTHER || (aside == ENTRY_PLAIN_FILE && final != ENTRY_NONE);
    }
    if (step.action != UNDO_NOTHING && final == ENTRY_PLAIN_FILE)
        step.nFreed = info.nBytes;
    return step;
}

bool CarryOutStep(CFileOps& ops, const CString& strRoot, const JOURNAL_ENTRY& entry, UNDO_ACTION action)
{
    const CString strFinal = strRoot + entry.strFinal;
    switch (action) {
    case UNDO_REMOVE_FINAL:
        return RemoveOwnFile(ops, strFinal) != FALSE;
    case UNDO_REMOVE_ASIDE:
        return RemoveOwnFile(ops, strRoot + entry.strAside) != FALSE;
    case UNDO_MOVE_BACK:
        if (!ops.Move(strRoot + entry.strAside, strFinal, kReplace))
            return false;
        if (entry.dwAttributes & FILE_ATTRIBUTE_READONLY)
            ops.SetAttributes(strFinal, entry.dwAttributes);
        return true;
    case UNDO_NOTHING:
        break;
    }
    return true;
}

// Exactly nDigits hexadecimal digits.
bool ParseHex(const std::string& text, size_t nDigits, ULONGLONG& nValue)
{
    if (text.size() != nDigits || text.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos)
        return false;
    nValue = std::stoull(text, nullptr, 16);
    return true;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    size_t nStart = 0;
    for (size_t nTab; (nTab = line.find('\t', nStart)) != std::string::npos; nStart = nTab + 1)
        fields.push_back(line.substr(nStart, nTab - nStart));
    fields.push_back(line.substr(nStart));
    return fields;
}

// The names of one parse: the journal lists each final and each set-aside
// name once, as the copy writes it.
struct JOURNAL_NAMES
{
    PACKAGE_NAME_SET finals;
    std::set<std::string> asides;
};

// One entry line; false for a line the copy never writes.
bool ParseEntry(const std::string& line, const CString& strRoot, JOURNAL_NAMES& names, JOURNAL_ENTRY& entry)
{
    const std::vector<std::string> fields = SplitTabs(line);
    if ((fields.size() != 3 && fields.size() != 5) || line.find('\0') != std::string::npos)
        return false;
    entry = JOURNAL_ENTRY{fields[0].c_str(), fields[1].c_str(), 0, fields.size() == 5, 0, {0, 0}};
    ULONGLONG nAttributes = 0;
    ULONGLONG nTime = 0;
    if (!ParseHex(fields[2], 8, nAttributes) ||
        (entry.bKnown && (!ParseHex(fields[3], 16, entry.nBytes) || !ParseHex(fields[4], 16, nTime))))
        return false;
    entry.dwAttributes = static_cast<DWORD>(nAttributes);
    entry.lastWrite.dwLowDateTime = static_cast<DWORD>(nTime);
    entry.lastWrite.dwHighDateTime = static_cast<DWORD>(nTime >> 32);
    // A final name the package judgement refuses is no package file's.
    if (!IsPlainFolderName(entry.strFinal) || JudgePackageFileName(entry.strFinal, names.finals) ||
        !FitsMaxPath(strRoot + entry.strFinal))
        return false;
    if (entry.strAside.IsEmpty())
        return true;
    const int nAside = GetStagingNumber(entry.strAside, true);
    return nAside >= 0 && nAside != static_cast<int>(kJournalNumber) && names.asides.insert(fields[1]).second;
}

// A journal's text: its entries, and whether it ends in the committed
// line. false for a text that is no whole journal of the copy's.
bool ParseJournal(const std::string& text, const CString& strRoot, JOURNAL_ENTRY_LIST& entries, bool& bCommitted)
{
    std::vector<std::string> lines;
    size_t nStart = 0;
    for (size_t nEnd; (nEnd = text.find("\r\n", nStart)) != std::string::npos; nStart = nEnd + 2)
        lines.push_back(text.substr(nStart, nEnd - nStart));
    if (nStart != text.size() || lines.size() < 2 || lines[0] != kJournalHeader)
        return false;
    JOURNAL_NAMES names;
    size_t i = 1;
    for (; i < lines.size() && lines[i] != kJournalEnd; ++i) {
        JOURNAL_ENTRY entry;
        if (!ParseEntry(lines[i], strRoot, names, entry))
            return false;
        entries.push_back(entry);
    }
    bCommitted = i + 2 == lines.size() && lines[i + 1] == kJournalCommitted;
    return i + 1 == lines.size() || bCommitted;
}

// The journal's text; an empty one for a file too large to be the copy's.
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

// The journal read and judged, and each entry's step planned, last entry
// first (the order of the undo); nothing written.
struct JOURNAL_PLAN
{
    JOURNAL_ENTRY_LIST entries;
    std::vector<UNDO_STEP> steps;
};

JOURNAL_RECOVERY PlanRecovery(const CString& strRoot, CFileOps& ops, JOURNAL_PLAN& plan)
{
    const CString strJournal = strRoot + GetStagingName(kJournalNumber);
    DRIVE_FILE_INFO info = {};
    const DRIVE_ENTRY journal = LookAtDriveEntry(strJournal, &info);
    if (journal == ENTRY_NONE)
        return JOURNAL_NONE;
    // A look-alike of another case (which FAT finds under the journal's
    // name) is a user's file.
    if (journal != ENTRY_PLAIN_FILE || info.strName != GetStagingName(kJournalNumber))
        return JOURNAL_BLOCKED;
    std::string text;
    if (!ReadJournal(ops, strJournal, text))
        return JOURNAL_FAILED;
    bool bCommitted = false;
    if (!ParseJournal(text, strRoot, plan.entries, bCommitted)) {
        plan.entries.clear();
        return JOURNAL_DISCARDED;
    }
    for (auto it = plan.entries.rbegin(); it != plan.entries.rend(); ++it)
        plan.steps.push_back(PlanUndoStep(strRoot, *it, bCommitted));
    return bCommitted ? JOURNAL_FINISHED : JOURNAL_UNDONE;
}

int CountLeftAlone(const JOURNAL_PLAN& plan)
{
    int nLeftAlone = 0;
    for (const UNDO_STEP& step : plan.steps)
        nLeftAlone += step.bLeftAlone ? 1 : 0;
    return nLeftAlone;
}

bool IsCarriedOut(JOURNAL_RECOVERY recovery)
{
    return recovery == JOURNAL_UNDONE || recovery == JOURNAL_FINISHED || recovery == JOURNAL_DISCARDED;
}

}  // namespace

CString FormatJournal(const JOURNAL_ENTRY_LIST& entries)
{
    CString strText = CString(kJournalHeader) + "\r\n";
    for (const JOURNAL_ENTRY& entry : entries) {
        char szFields[64];
        snprintf(szFields, sizeof szFields, "\t%08lX\t%016llX\t%016llX\r\n",
                 static_cast<unsigned long>(entry.dwAttributes), entry.nBytes, FileTimeValue(entry.lastWrite));
        strText += entry.strFinal + "\t" + entry.strAside + szFields;
    }
    return strText + kJournalEnd + "\r\n";
}

CString FormatJournalCommitted()
{
    return CString(kJournalCommitted) + "\r\n";
}

bool UndoCommitStep(CFileOps& ops, const CString& strRoot, const JOURNAL_ENTRY& entry)
{
    return CarryOutStep(ops, strRoot, entry, PlanUndoStep(strRoot, entry, false).action);
}

JOURNAL_RECOVERY RecoverCutOffCommit(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, CFileOps& ops,
                                     JOURNAL_LOOK* pLook)
{
    const CString strRoot(pszDriveRoot);
    JOURNAL_PLAN plan;
    JOURNAL_RECOVERY recovery = PlanRecovery(strRoot, ops, plan);
    JOURNAL_LOOK look = {recovery, CountLeftAlone(plan), PACKAGE_FILE_LIST(), 0};
    if (IsCarriedOut(recovery)) {
        bool bDone = true;
        for (size_t i = 0; i < plan.steps.size(); ++i)
            bDone =
                CarryOutStep(ops, strRoot, plan.entries[plan.entries.size() - 1 - i], plan.steps[i].action) && bDone;
        if (!bDone || !RemoveOwnFile(ops, strRoot + GetStagingName(kJournalNumber))) {
            recovery = JOURNAL_FAILED;
        } else {
            PACKAGE_FILE_LIST leftovers;
            ListLeftoverTemps(ops, pszDriveRoot, files, leftovers, nullptr);
            for (const PACKAGE_FILE& leftover : leftovers)
                look.nLeftoversRemoved += RemoveOwnFile(ops, leftover.strPath) ? 1 : 0;
        }
    }
    look.recovery = recovery;
    if (pLook)
        *pLook = look;
    return recovery;
}

JOURNAL_RECOVERY LookAtJournal(const char* pszDriveRoot, const PACKAGE_FILE_LIST& files, JOURNAL_LOOK& look)
{
    const CString strRoot(pszDriveRoot);
    JOURNAL_PLAN plan;
    look = JOURNAL_LOOK{PlanRecovery(strRoot, CFileOps::Real(), plan), CountLeftAlone(plan), PACKAGE_FILE_LIST(), 0};
    if (!IsCarriedOut(look.recovery))
        return look.recovery;
    std::set<std::string> movedBack;
    for (size_t i = 0; i < plan.steps.size(); ++i) {
        const JOURNAL_ENTRY& entry = plan.entries[plan.entries.size() - 1 - i];
        if (plan.steps[i].action == UNDO_MOVE_BACK)
            movedBack.insert(static_cast<const char*>(strRoot + entry.strAside));
        if (plan.steps[i].nFreed)
            look.freed.push_back(PACKAGE_FILE{strRoot + entry.strFinal, entry.strFinal, plan.steps[i].nFreed});
    }
    // What stays of the cut-off copy once the journal is carried out: its
    // staged files, and set-aside files that don't go back.
    PACKAGE_FILE_LIST leftovers;
    ListLeftoverTemps(CFileOps::Real(), pszDriveRoot, files, leftovers, nullptr, true);
    for (const PACKAGE_FILE& leftover : leftovers) {
        if (movedBack.count(static_cast<const char*>(leftover.strPath)) == 0)
            look.freed.push_back(leftover);
    }
    return look.recovery;
}
