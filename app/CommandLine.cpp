#include "CommandLine.h"

#include "ExitCodes.h"

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

// The next argument from *ppsz into strArg, quotes dropped; false at the end.
bool NextArgument(const char** ppsz, CString& strArg)
{
    const char* psz = *ppsz;
    while (IsBlank(*psz))
        ++psz;
    if (!*psz)
        return false;
    strArg.Empty();
    bool bQuoted = false;
    for (; *psz && (bQuoted || !IsBlank(*psz)); ++psz) {
        if (*psz == '"')
            bQuoted = !bQuoted;
        else
            strArg += *psz;
    }
    *ppsz = psz;
    return true;
}

bool IsSwitch(const CString& strArg, const char* pszName)
{
    return strArg.GetLength() > 1 && (strArg.GetAt(0) == '/' || strArg.GetAt(0) == '-') &&
           lstrcmpiA(static_cast<const char*>(strArg) + 1, pszName) == 0;
}

// The FILE after /log or /record into strPath; false when it is missing.
// No Windows path starts with '/': "/log /quiet" lacks its FILE.
bool NextFileArgument(const char** ppsz, CString& strPath)
{
    CString strArg;
    if (!NextArgument(ppsz, strArg) || strArg.IsEmpty() || strArg.GetAt(0) == '/')
        return false;
    strPath = strArg;
    return true;
}

// The N after /parallel or /count into nValue: decimal digits only, from
// nMin to nMax; false otherwise.
bool NextNumberArgument(const char** ppsz, int nMin, int nMax, int& nValue)
{
    CString strArg;
    if (!NextArgument(ppsz, strArg) || strArg.IsEmpty())
        return false;
    long long nNumber = 0;
    for (const char* psz = strArg; *psz; ++psz) {
        if (*psz < '0' || *psz > '9')
            return false;
        nNumber = nNumber * 10 + (*psz - '0');
        if (nNumber > nMax)
            return false;
    }
    if (nNumber < nMin)
        return false;
    nValue = static_cast<int>(nNumber);
    return true;
}

// What the switches given ask of each other.
bool AreSwitchesAgreed(const COMMAND_LINE& args, bool bStationOnly)
{
    // The dialog shows one device, and has its own Eject button: every
    // device is for the unattended run; the eject is for it or for the
    // station, whose window has an eject box.
    if ((args.bAll && !args.bQuiet) || (args.bEject && !args.bQuiet && !args.bStation))
        return false;
    // The station takes every device as it comes, and writes: no /all, no
    // look. Its own switches mean nothing without it; a count ends the
    // windowless station only (the window has its Stop).
    if (args.bStation && (args.bAll || args.bList))
        return false;
    if (bStationOnly && !args.bStation)
        return false;
    return args.nCount == 0 || (args.bStation && args.bQuiet);
}

}  // namespace

void ParseCommandLine(const char* pszCmdLine, COMMAND_LINE& args)
{
    args.bQuiet = FALSE;
    args.bUsage = FALSE;
    args.bEject = FALSE;
    args.strLogPath.Empty();
    args.strLanguage.Empty();
    args.bAll = FALSE;
    args.bList = FALSE;
    args.bStation = FALSE;
    args.nParallel = 2;
    args.strRecordPath.Empty();
    args.nCount = 0;
    bool bStationOnly = false;  // /parallel or /record given
    const char* psz = pszCmdLine ? pszCmdLine : "";
    CString strArg;
    while (NextArgument(&psz, strArg)) {
        if (IsSwitch(strArg, "quiet")) {
            args.bQuiet = TRUE;
        } else if (IsSwitch(strArg, "eject")) {
            args.bEject = TRUE;
        } else if (IsSwitch(strArg, "log")) {
            if (!NextFileArgument(&psz, args.strLogPath))
                args.bUsage = TRUE;
        } else if (IsSwitch(strArg, "station")) {
            args.bStation = TRUE;
        } else if (IsSwitch(strArg, "parallel")) {
            bStationOnly = true;
            if (!NextNumberArgument(&psz, 1, 8, args.nParallel))
                args.bUsage = TRUE;
        } else if (IsSwitch(strArg, "record")) {
            bStationOnly = true;
            if (!NextFileArgument(&psz, args.strRecordPath))
                args.bUsage = TRUE;
        } else if (IsSwitch(strArg, "count")) {
            if (!NextNumberArgument(&psz, 1, 0x7FFFFFFF, args.nCount))
                args.bUsage = TRUE;
        } else if (IsSwitch(strArg, "lang")) {
            if (!NextArgument(&psz, args.strLanguage) || args.strLanguage.IsEmpty() || args.strLanguage.GetAt(0) == '/')
                args.bUsage = TRUE;
        } else if (IsSwitch(strArg, "all")) {
            args.bAll = TRUE;
        } else if (IsSwitch(strArg, "list")) {
            args.bList = TRUE;
        } else {
            args.bUsage = TRUE;  // "/?" and whatever the program does not know
        }
    }
    if (!AreSwitchesAgreed(args, bStationOnly))
        args.bUsage = TRUE;
}

CString GetBuiltInUsage()
{
    CString strUsage = "Updates the firmware of a USB device plugged into this computer.\n"
                       "\n"
                       "PelkinUpdate [/quiet [/all] [/eject]] [/list] [/log FILE] [/lang NAME]\n"
                       "PelkinUpdate [/quiet [/count N]] /station [/parallel N] [/record FILE] [/eject] [/log FILE] "
                       "[/lang NAME]\n"
                       "\n"
                       "(no switch)\tShow the update dialog.\n"
                       "/quiet\tUpdate without any window. The exit code tells the outcome: ";
    for (const EXIT_CODE_MEANING& code : kExitCodes) {
        CString strCode;
        strCode.Format("%s%d %s", code.nCode == kExitCodes[0].nCode ? "" : ", ", code.nCode, code.pszMeaning);
        strUsage += strCode;
    }
    strUsage += ".\n"
                "/all\tWith /quiet: update every attached device; the exit code is that of the first one not updated.\n"
                "/eject\tWith /quiet or /station: eject each device once it is updated.\n"
                "/list\tShow what each drive holds and what an update would do, writing nothing.\n"
                "/station\tUpdate each device as it is plugged in, in a station window (with /quiet: without one, "
                "until Ctrl+C or /count N devices).\n"
                "/parallel N\tWith /station: update up to N devices at once (1 to 8, default 2).\n"
                "/record FILE\tWith /station: append a CSV line per device handled to FILE.\n"
                "/count N\tWith /quiet /station: stop after N devices.\n"
                "/log FILE\tAppend a log of the run to FILE.\n"
                "/lang NAME\tShow the texts of PelkinUpdate.NAME.prm (de, fr-FR, ...).\n"
                "/?\tShow this usage.\n"
                "\n"
                "Switches may start with / or - and are not case-sensitive.";
    return strUsage;
}
