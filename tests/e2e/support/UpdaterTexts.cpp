#include "UpdaterTexts.h"

#include "DialogProbe.h"
#include "LanguageChoice.h"
#include "ProgramModules.h"
#include "resource.h"

#include <cstdio>
#include <vector>

CUpdaterTexts::CUpdaterTexts(const std::string& strModulePath, const std::string& strLanguage)
    : m_hModule(LoadLibraryExA(strModulePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
{
    const std::string strFolder = strModulePath.substr(0, strModulePath.find_last_of("\\/") + 1);
    LANGUAGE_REQUEST request;
    request.strSwitch = strLanguage.c_str();
    ReadUiLanguages(request);
    if (m_hModule) {
        // As the updater loads it: one it passes over is never read.
        ChooseLanguage(request, [&](const CString& strName) {
            const CString strPath = (strFolder + static_cast<const char*>(GetLanguageModuleFile(strName))).c_str();
            return LoadProgramModule(strPath, m_language).fault == AFX_MODULE_HELD;
        });
    }
}

CUpdaterTexts::~CUpdaterTexts()
{
    if (m_hModule)
        FreeLibrary(m_hModule);
}

bool CUpdaterTexts::IsLoaded() const
{
    return m_hModule != nullptr;
}

std::string CUpdaterTexts::Load(UINT nId) const
{
    if (!m_hModule)
        return std::string();
    // Room for the longest text a string table holds (the usage is past 1 KB).
    std::vector<char> text(65536, '\0');
    const int nSize = static_cast<int>(text.size());
    int nLength = m_language.Get() ? LoadStringA(m_language.Get(), nId, text.data(), nSize) : 0;
    if (nLength <= 0)
        nLength = LoadStringA(m_hModule, nId, text.data(), nSize);
    return std::string(text.data(), nLength > 0 ? static_cast<size_t>(nLength) : 0);
}

std::string CUpdaterTexts::Format(UINT nId, const std::string& strFirst, const std::string& strSecond) const
{
    const std::string strFormat = Load(nId);
    std::vector<char> text(strFormat.size() + strFirst.size() + strSecond.size() + 64, '\0');
    const int nLength = snprintf(text.data(), text.size(), strFormat.c_str(), strFirst.c_str(), strSecond.c_str());
    return std::string(text.data(), nLength > 0 ? static_cast<size_t>(nLength) : 0);
}

bool MatchesFormat(const std::string& strText, const std::string& strFormat)
{
    std::vector<std::string> pieces(1);
    for (size_t i = 0; i < strFormat.size(); ++i) {
        if (strFormat[i] == '%' && i + 1 < strFormat.size() && strFormat[i + 1] == 's') {
            pieces.emplace_back();
            ++i;
        } else if (strFormat[i] == '%' && i + 1 < strFormat.size() && strFormat[i + 1] == '%') {
            pieces.back() += '%';
            ++i;
        } else {
            pieces.back() += strFormat[i];
        }
    }
    if (pieces.size() == 1)
        return strText == pieces.front();
    const std::string& strLast = pieces.back();
    if (strText.compare(0, pieces.front().size(), pieces.front()) != 0 ||
        strText.size() < pieces.front().size() + strLast.size() ||
        strText.compare(strText.size() - strLast.size(), strLast.size(), strLast) != 0)
        return false;
    size_t nAt = pieces.front().size();
    const size_t nEnd = strText.size() - strLast.size();
    for (size_t i = 1; i + 1 < pieces.size(); ++i) {
        nAt = strText.find(pieces[i], nAt);
        if (nAt == std::string::npos || nAt + pieces[i].size() > nEnd)
            return false;
        nAt += pieces[i].size();
    }
    return true;
}

namespace {

bool IsFinalLayout(HWND hDlg, const CUpdaterTexts& texts)
{
    return IsControlVisible(hDlg, IDC_MESSAGE) && !IsControlVisible(hDlg, IDC_BUSY_TEXT) &&
           IsControlVisible(hDlg, IDOK) && !IsControlVisible(hDlg, IDCANCEL) &&
           GetControlText(hDlg, IDOK) == texts.Load(IDS_CLOSE_BUTTON);
}

}  // namespace

UPDATE_OUTCOME ReadOutcome(HWND hDlg, const CUpdaterTexts& texts)
{
    if (!IsControlVisible(hDlg, IDC_MESSAGE) || IsControlVisible(hDlg, IDC_BUSY_TEXT))
        return UPDATE_OUTCOME::None;
    const std::string strMessage = GetControlText(hDlg, IDC_MESSAGE);
    if (GetControlText(hDlg, IDOK) == texts.Load(IDS_RETRY_BUTTON) &&
        MatchesFormat(strMessage, texts.Load(IDS_DEVICE_NOT_FOUND)))
        return UPDATE_OUTCOME::NotFound;
    if (!IsFinalLayout(hDlg, texts))
        return UPDATE_OUTCOME::None;
    if (strMessage == texts.Load(IDS_COPY_FAILED))
        return UPDATE_OUTCOME::CopyFailed;
    if (MatchesFormat(strMessage, texts.Load(IDS_PACKAGE_DAMAGED)))
        return UPDATE_OUTCOME::PackageDamaged;
    if (MatchesFormat(strMessage, texts.Load(IDS_VERSION_REFUSED)))
        return UPDATE_OUTCOME::VersionRefused;
    if (MatchesFormat(strMessage, texts.Load(IDS_NO_ROOM)))
        return UPDATE_OUTCOME::NoRoom;
    if (MatchesFormat(strMessage, texts.Load(IDS_UPDATE_DONE)))
        return UPDATE_OUTCOME::Updated;
    return UPDATE_OUTCOME::None;
}

const char* OutcomeName(UPDATE_OUTCOME outcome)
{
    switch (outcome) {
    case UPDATE_OUTCOME::NotFound:
        return "Not found";
    case UPDATE_OUTCOME::VersionRefused:
        return "Version refused";
    case UPDATE_OUTCOME::NoRoom:
        return "No room";
    case UPDATE_OUTCOME::CopyFailed:
        return "Copy failed";
    case UPDATE_OUTCOME::Updated:
        return "Updated";
    case UPDATE_OUTCOME::PackageDamaged:
        return "Package damaged";
    case UPDATE_OUTCOME::None:
        break;
    }
    return "none";
}
