// The program's command line: what InitInstance is asked to do.
//
//     (nothing)     the update dialog
//     /quiet        one scan, no window; the exit code tells the outcome
//     /log FILE     append a log of the run to FILE (with or without /quiet)
//     /lang NAME    take the language module PelkinUpdate.NAME.prm first
//     /all          with /quiet: every matching device, not only the first;
//                   without /quiet the usage (the dialog is one device)
//     /list         what each drive holds and what an update would do,
//                   written nowhere but to the console or the /log file
//     /eject        with /quiet: eject each device once it is updated;
//                   without /quiet, the usage
//     /?            the usage; so does any switch or word the program does
//                   not know, and /log without its FILE (or with one that
//                   starts with '/', as no Windows path does)
//
// Switches start with '/' or '-' and are not case-sensitive. Arguments are
// separated by blanks; double quotes hold an argument with blanks together
// ("C:\My logs\update.log") and are dropped. A backslash is an ordinary
// character, so a quoted folder may end in one.
#pragma once

#include "AfxString.h"

struct COMMAND_LINE
{
    BOOL bQuiet;
    BOOL bUsage;          // show the usage and do nothing else
    CString strLogPath;   // empty: no log; the last /log given counts
    BOOL bAll;            // /quiet /all: every matching device
    BOOL bList;           // /list: a look that writes nothing
    BOOL bEject;          // eject after Updated (with bQuiet only)
    CString strLanguage;  // empty: none asked for; the last /lang given counts
};

// Reads the command-line tail (the arguments after the program's name); a
// null tail is an empty one.
void ParseCommandLine(const char* pszCmdLine, COMMAND_LINE& args);

// The usage in English, for a resource module without its own; its exit
// codes are those of the table (ExitCodes.h).
CString GetBuiltInUsage();
