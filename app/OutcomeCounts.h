// How many devices ended in each outcome, as the last line of a run over
// several devices says it (/quiet /all, /list, /quiet /station).
#pragma once

#include "AfxString.h"

// "; Updated 1, Version refused 1": each outcome that occurred with its
// count, in the order of SCAN_OUTCOME, pszLead before the first. anCounts
// holds nCounts counts; one at kScanOutcomes counts the devices removed
// before their update ended. Empty when every count is 0.
CString FormatOutcomeCounts(const int* anCounts, int nCounts, const char* pszLead = "");
