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
    const char* psz = pszCmdLine ? pszCmdLine : "";
    CString strArg;
    while (NextArgument(&psz, strArg)) {
        if (IsSwitch(strArg, "quiet")) {
            args.bQuiet = TRUE;
        } else if (IsSwitch(strArg, "eject")) {
            args.bEject = TRUE;
        } else if (IsSwitch(strArg, "log")) {
            // No Windows path starts with '/': "/log /quiet" lacks its FILE.
            CString strPath;
            if (NextArgument(&psz, strPath) && !strPath.IsEmpty() && strPath.GetAt(0) != '/')
                args.strLogPath = strPath;
            else
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
    // The dialog shows one device, and has its own Eject button: every
    // device, and the eject, are for the unattended run.
    if ((args.bAll || args.bEject) && !args.bQuiet)
        args.bUsage = TRUE;
}

CString GetBuiltInUsage()
{
    CString strUsage = "Updates the firmware of a USB device plugged into this computer.\n"
                       "\n"
                       "PelkinUpdate [/quiet [/all] [/eject]] [/list] [/log FILE] [/lang NAME]\n"
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
                "/eject\tWith /quiet: eject each device once it is updated.\n"
                "/list\tShow what each drive holds and what an update would do, writing nothing.\n"
                "/log FILE\tAppend a log of the run to FILE.\n"
                "/lang NAME\tShow the texts of PelkinUpdate.NAME.prm (de, fr-FR, ...).\n"
                "/?\tShow this usage.\n"
                "\n"
                "Switches may start with / or - and are not case-sensitive.";
    return strUsage;
}
