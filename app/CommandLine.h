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
//                   with /station: tick the station window's eject box;
//                   with neither, the usage
//     /station      update each device as it is plugged in, in the station
//                   window (with /quiet: without one, until Ctrl+C or
//                   /count devices); with /all or /list, the usage
//     /parallel N   with /station: up to N devices at once (1 to 8)
//     /record FILE  with /station: a CSV line per device handled, to FILE
//     /count N      with /quiet /station: end after N devices (N >= 1)
//     /?            the usage; so does any switch or word the program does
//                   not know, /log or /record without its FILE (or with
//                   one that starts with '/', as no Windows path does), and
//                   /parallel or /count without a number in range
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
    BOOL bUsage;            // show the usage and do nothing else
    CString strLogPath;     // empty: no log; the last /log given counts
    BOOL bAll;              // /quiet /all: every matching device
    BOOL bList;             // /list: a look that writes nothing
    BOOL bEject;            // eject after Updated (with bQuiet or bStation)
    CString strLanguage;    // empty: none asked for; the last /lang given counts
    BOOL bStation;          // /station: every device as it is plugged in
    int nParallel;          // with bStation: devices handled at once, 1 to 8
    CString strRecordPath;  // with bStation: the CSV record; empty: none
    int nCount;             // /quiet /station: devices to handle; 0: no limit
};

// Reads the command-line tail (the arguments after the program's name); a
// null tail is an empty one.
void ParseCommandLine(const char* pszCmdLine, COMMAND_LINE& args);

// The usage in English, for a resource module without its own; its exit
// codes are those of the table (ExitCodes.h).
CString GetBuiltInUsage();
