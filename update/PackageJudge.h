// The judgement of a package folder before anything of it is opened or
// written: its files' names (PackageRules.h) and their count (the copy's
// staging names, StagingNames.h). The engine refuses a package that fails
// it, and the package checker reports the same refusals.
#pragma once

#include "AfxString.h"

#include <vector>

// A package file the copy refuses, and why; an empty name is about the
// package as a whole.
struct PACKAGE_REFUSAL
{
    CString strName;
    CString strReason;
};

// Counts the refusal of a package of nFiles files as JudgePackage does: 1,
// with why appended to *pRefusals when it is given, when the copy lacks
// the temporary names for them (HasStagingNames); else 0.
int JudgeFileCount(int nFiles, std::vector<PACKAGE_REFUSAL>* pRefusals);

// Judges the package of pszSection in pszProgramFolder (ending in '\')
// before anything is opened or written: every file name, as the wide
// listing gives it (JudgePackageFileName), then the count of files
// (JudgeFileCount). The files are those WalkPackageFiles hands over.
// Returns how many refusals it found (0: the copy may go ahead) and
// appends each to *pRefusals when it is given, in listing order, a file
// by its name as the ANSI listing shows it.
int JudgePackage(const char* pszProgramFolder, const char* pszSection, std::vector<PACKAGE_REFUSAL>* pRefusals);
