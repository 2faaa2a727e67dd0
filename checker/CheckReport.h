// CCheckReport: what the check of a release folder found, one finding per
// line, and the exit code they make. An error is something the updater will
// fail a user with; a warning is something it handles, but most likely not
// as the vendor means it.
#pragma once

#include "AfxString.h"

#include <cstdio>
#include <vector>

enum FINDING_LEVEL
{
    FINDING_WARNING,
    FINDING_ERROR
};

struct CHECK_FINDING
{
    FINDING_LEVEL nLevel;
    CString strPlace;  // what it is about: "Update.cfg", "[ModelB] DeviceID", "[ModelB] ModelB\fw.bin"
    CString strText;   // what is wrong, and what the updater will do with it
};

class CCheckReport
{
public:
    void AddError(const char* pszPlace, const char* pszText);
    void AddWarning(const char* pszPlace, const char* pszText);

    int GetCount() const { return static_cast<int>(m_findings.size()); }
    const CHECK_FINDING& GetAt(int nIndex) const { return m_findings[static_cast<size_t>(nIndex)]; }
    int GetErrorCount() const;
    int GetWarningCount() const;
    // 0 when clean, 1 with warnings only, 2 with errors.
    int GetExitCode() const;

    // "error: PLACE: TEXT" or "warning: PLACE: TEXT".
    static CString FormatFinding(const CHECK_FINDING& finding);
    // "FOLDER: clean", or "FOLDER: 2 errors, 1 warning".
    CString FormatSummary(const char* pszFolder) const;
    // Every finding, then the summary, one line each.
    void Print(std::FILE* pOut, const char* pszFolder) const;

private:
    void Add(FINDING_LEVEL nLevel, const char* pszPlace, const char* pszText);

    std::vector<CHECK_FINDING> m_findings;
};

// The place of a finding about a section, or one of its keys: "[ModelB]",
// "[ModelB] DeviceID".
CString SectionPlace(const char* pszSection, const char* pszKey = nullptr);
// A byte count in plain digits (the C runtimes disagree on how to print
// 64-bit numbers).
CString FormatCount(ULONGLONG nCount);
