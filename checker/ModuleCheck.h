// The checks of the program files: PelkinUpdate.exe and its resource module
// PelkinUpdate.prm, which is loaded as the updater loads it and asked for
// its resources through the framework's own lookups (which take what the
// module lacks from the executable).
#pragma once

#include "CheckReport.h"

// Checks the program files in pszFolder (ending in '\').
void CheckProgramFiles(const char* pszFolder, CCheckReport& report);
