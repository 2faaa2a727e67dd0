#include "UpdaterRun.h"

#include "DialogProbe.h"
#include "resource.h"

CUpdaterRun::CUpdaterRun(const std::string& strProgramPath, const std::string& strLanguage)
    : m_strProgramPath(strProgramPath), m_hDlg(nullptr), m_outcome(UPDATE_OUTCOME::None), m_nOutcomeSeconds(0)
{
    const size_t nSlash = strProgramPath.rfind('\\');
    m_pTexts.reset(new CUpdaterTexts(strProgramPath.substr(0, nSlash + 1) + "PelkinUpdate.prm", strLanguage));
}

bool CUpdaterRun::Start(const std::string& strArgs)
{
    return m_process.Start(m_strProgramPath, strArgs);
}

bool CUpdaterRun::WaitForOutcome(DWORD nTimeoutMs)
{
    m_hDlg = WaitForProcessDialog(m_process, nTimeoutMs);
    if (!m_hDlg)
        return false;
    WaitUntil(
        [&] { return (m_outcome = ReadOutcome(m_hDlg, *m_pTexts)) != UPDATE_OUTCOME::None || m_process.HasExited(); },
        nTimeoutMs);
    m_nOutcomeSeconds = m_process.SecondsSinceStart();
    return m_outcome != UPDATE_OUTCOME::None;
}

bool CUpdaterRun::WaitForNotFound(int nCount, DWORD nTimeoutMs)
{
    return m_process.WaitForTrace("Device not Found\n", nCount, nTimeoutMs) &&
           WaitUntil([&] { return ReadOutcome(m_hDlg, *m_pTexts) == UPDATE_OUTCOME::NotFound; }, nTimeoutMs);
}

std::string CUpdaterRun::Caption() const
{
    return GetWindowTextOf(m_hDlg);
}

std::string CUpdaterRun::Message() const
{
    return GetControlText(m_hDlg, IDC_MESSAGE);
}

std::string CUpdaterRun::OkLabel() const
{
    return GetControlText(m_hDlg, IDOK);
}
