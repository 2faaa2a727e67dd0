// The release's SHA256SUMS as the updater reads it (PackageSums.h), with
// its very functions: the checker and the updater agree on what a damaged
// package is. And the list written anew, for a vendor without sha256sum.
#pragma once

#include "AfxStringArray.h"
#include "CheckReport.h"

// Checks pszFolder's SHA256SUMS (pszFolder ending in '\') against
// Update.cfg and the packages of arrSections: an error for each fault the
// updater would refuse a package for, a warning when there is no list.
void CheckSums(const char* pszFolder, const CStringArray& arrSections, CCheckReport& report);

// Writes pszFolder's SHA256SUMS anew: a line for every file under it but
// the list itself, sorted by name byte for byte, as dist.sh writes it. 1
// when written; else 0 with why in strWhy.
int WriteSums(const char* pszFolder, CString& strWhy);
