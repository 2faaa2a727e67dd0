// The program's exit codes, in one table: each code and what it means, as
// the built-in usage names it. The usage of a resource module is a
// translated text of its own; the checker warns when the default module's
// usage leaves out a code of this table.
#pragma once

#include "UpdateEngine.h"

enum EXIT_CODE
{
    EXIT_UPDATED = 0,
    EXIT_NOT_FOUND = 1,
    EXIT_VERSION_REFUSED = 2,
    EXIT_NO_ROOM = 3,
    EXIT_COPY_FAILED = 4,
    EXIT_NO_DRIVE_LIST = 5,
    EXIT_NOT_EJECTED = 6,  // /quiet /eject: updated, but the device could not be ejected
    EXIT_PACKAGE_DAMAGED = 7,
    EXIT_USAGE = 64,  // the usage was shown (or, with /quiet, only owed)
};

struct EXIT_CODE_MEANING
{
    EXIT_CODE nCode;
    const char* pszMeaning;  // "version refused"
};

// Every exit code, in the order of their numbers.
extern const EXIT_CODE_MEANING kExitCodes[9];

// The exit code of a run that ended in outcome.
EXIT_CODE GetOutcomeExitCode(SCAN_OUTCOME outcome);
