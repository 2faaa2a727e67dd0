// The checks of the language modules PelkinUpdate.NAME.prm beside the
// default module: each is loaded as the updater loads it and compared with
// the default, whose resources it overrides one at a time.
#pragma once

#include "CheckReport.h"

// Checks every PelkinUpdate.*.prm in pszFolder (ending in '\'), each
// loaded as the updater loads it (LoadProgramModule). Errors: a module the
// updater passes over (not a resource module, no plain file, or tables
// that fail their check), which is then read no further; a string whose
// count of text arguments (CString::CountTextArguments) differs from the
// default's (the updater formats it with the default's arguments).
// Warnings: a string or dialog that the default has and the module lacks
// (the default's is shown), a usage (string 113) that leaves out a switch
// the default's names (a '/' not after a letter or digit, with the letters
// after it: "/quiet", never "/?"; case does not count), a NAME that is no
// locale name Windows knows (no user's UI language chooses it; only /lang
// does).
void CheckLanguageModules(const char* pszFolder, CCheckReport& report);
