#include "CheckReport.h"

namespace {

CString CountOf(int nCount, const char* pszWhat)
{
    CString strCount;
    strCount.Format("%d %s%s", nCount, pszWhat, nCount == 1 ? "" : "s");
    return strCount;
}

}  // namespace

void CCheckReport::AddError(const char* pszPlace, const char* pszText)
{
    Add(FINDING_ERROR, pszPlace, pszText);
}

void CCheckReport::AddWarning(const char* pszPlace, const char* pszText)
{
    Add(FINDING_WARNING, pszPlace, pszText);
}

void CCheckReport::Add(FINDING_LEVEL nLevel, const char* pszPlace, const char* pszText)
{
    m_findings.push_back(CHECK_FINDING{nLevel, pszPlace, pszText});
}

int CCheckReport::GetErrorCount() const
{
    int nCount = 0;
    for (const CHECK_FINDING& finding : m_findings)
        nCount += finding.nLevel == FINDING_ERROR ? 1 : 0;
    return nCount;
}

int CCheckReport::GetWarningCount() const
{
    return GetCount() - GetErrorCount();
}

int CCheckReport::GetExitCode() const
{
    if (GetErrorCount() > 0)
        return 2;
    return GetWarningCount() > 0 ? 1 : 0;
}

CString CCheckReport::FormatFinding(const CHECK_FINDING& finding)
{
    CString strLine;
    strLine.Format("%s: %s: %s", finding.nLevel == FINDING_ERROR ? "error" : "warning",
                   static_cast<const char*>(finding.strPlace), static_cast<const char*>(finding.strText));
    return strLine;
}

CString CCheckReport::FormatSummary(const char* pszFolder) const
{
    CString strLine(pszFolder);
    strLine += ": ";
    if (m_findings.empty())
        strLine += "clean";
    else
        strLine += CountOf(GetErrorCount(), "error") + ", " + CountOf(GetWarningCount(), "warning");
    return strLine;
}

void CCheckReport::Print(std::FILE* pOut, const char* pszFolder) const
{
    for (const CHECK_FINDING& finding : m_findings)
        std::fprintf(pOut, "%s\n", static_cast<const char*>(FormatFinding(finding)));
    std::fprintf(pOut, "%s\n", static_cast<const char*>(FormatSummary(pszFolder)));
}

CString SectionPlace(const char* pszSection, const char* pszKey)
{
    CString strPlace("[");
    strPlace += pszSection;
    strPlace += "]";
    if (pszKey) {
        strPlace += " ";
        strPlace += pszKey;
    }
    return strPlace;
}

CString FormatCount(ULONGLONG nCount)
{
    char szDigits[24] = {};
    int nAt = static_cast<int>(sizeof szDigits) - 1;
    do {
        szDigits[--nAt] = static_cast<char>('0' + nCount % 10);
        nCount /= 10;
    } while (nCount > 0);
    return CString(szDigits + nAt);
}
