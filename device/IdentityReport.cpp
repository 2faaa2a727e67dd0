#include "IdentityReport.h"

#include <windows.h>

namespace {

IDENTITY_REPORT_PROC g_pfnReport = nullptr;
void* g_pContext = nullptr;

}  // namespace

void SetIdentityReport(IDENTITY_REPORT_PROC pfnReport, void* pContext)
{
    g_pfnReport = pfnReport;
    g_pContext = pContext;
}

void ReportIdentityStep(IDENTITY_STEP nStep, const char* pszDetail)
{
    if (g_pfnReport)
        g_pfnReport(nStep, pszDetail, g_pContext);
}
