// CUpdaterTexts: the updater's own texts, read from the resource module
// beside it, so that a test or the driver can tell which outcome a dialog
// shows without restating any wording. The language module beside it that
// the updater would choose here (the same UI languages, the same /lang) is
// asked first, string by string, as the updater asks it.
#pragma once

#include "AfxResourceModule.h"

#include <string>

class CUpdaterTexts
{
public:
    // strModulePath: the resource module (PelkinUpdate.prm) as a Windows
    // path; strLanguage: the updater's /lang, if any.
    explicit CUpdaterTexts(const std::string& strModulePath, const std::string& strLanguage = std::string());
    ~CUpdaterTexts();
    CUpdaterTexts(const CUpdaterTexts&) = delete;
    CUpdaterTexts& operator=(const CUpdaterTexts&) = delete;

    bool IsLoaded() const;
    // The string as stored; empty when the module lacks it.
    std::string Load(UINT nId) const;
    // The string used as a format with text arguments ("%s" only).
    std::string Format(UINT nId, const std::string& strFirst, const std::string& strSecond = std::string()) const;

private:
    HMODULE m_hModule;
    CResourceModule m_language;
};

// True when strText could be the result of formatting strFormat with text
// arguments: the literal pieces around each %s appear in order, the first
// at the start and the last at the end.
bool MatchesFormat(const std::string& strText, const std::string& strFormat);

// What the update dialog shows right now.
enum class UPDATE_OUTCOME
{
    None,
    NotFound,
    VersionRefused,
    NoRoom,
    CopyFailed,
    Updated,
    PackageDamaged
};

UPDATE_OUTCOME ReadOutcome(HWND hDlg, const CUpdaterTexts& texts);
const char* OutcomeName(UPDATE_OUTCOME outcome);
