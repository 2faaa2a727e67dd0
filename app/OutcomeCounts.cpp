#include "OutcomeCounts.h"

#include "UpdateEngine.h"

CString FormatOutcomeCounts(const int* anCounts, int nCounts, const char* pszLead)
{
    CString strCounts;
    for (int nOutcome = 0; nOutcome < nCounts; ++nOutcome) {
        if (!anCounts[nOutcome])
            continue;
        const char* pszName =
            nOutcome >= kScanOutcomes ? "Removed" : GetScanOutcomeName(static_cast<SCAN_OUTCOME>(nOutcome));
        CString strCount;
        strCount.Format("%s%s%s %d", strCounts.IsEmpty() ? "; " : ", ", strCounts.IsEmpty() ? pszLead : "", pszName,
                        anCounts[nOutcome]);
        strCounts += strCount;
    }
    return strCounts;
}
