// e2e_driver: runs a dialog program as a user would and says in one line
// what it showed. Used by the run script (screenshot of the final dialog)
// and for timings.
//
//   e2e_driver.exe [--timeout SECONDS] [--handshake FOLDER] [--expect OUTCOME] [--traces] [--watch] PROGRAM
//
// With the updater's resource module beside PROGRAM it waits for one of the
// update outcomes; otherwise for the dialog to show. With --handshake it
// then writes FOLDER\outcome.txt and waits for FOLDER\release to appear
// before it closes the dialog (Close after a final outcome, Cancel after
// Not found); at the end it writes its line to FOLDER\result.txt and the
// program's traces to FOLDER\traces.txt (a driver started inside a Wine
// desktop has no console to print to). With --watch it asks the dialog
// every few milliseconds until the outcome, and prints first how long its
// longest answer took and the positions its progress bar showed. Exit code 0 when the expected outcome (any, without
// --expect) was reached and the program ended, 1 otherwise.
#include "DebuggedProcess.h"
#include "DialogProbe.h"
#include "UpdaterTexts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct DRIVER_OPTIONS
{
    DWORD nTimeoutMs = 60000;
    std::string strHandshake;
    std::string strExpect;
    bool bTraces = false;
    bool bWatch = false;
    std::string strProgram;
};

bool ParseOptions(int argc, char** argv, DRIVER_OPTIONS* pOptions)
{
    for (int i = 1; i < argc; ++i) {
        const bool bHasValue = i + 1 < argc;
        if (!std::strcmp(argv[i], "--timeout") && bHasValue)
            pOptions->nTimeoutMs = static_cast<DWORD>(std::atoi(argv[++i])) * 1000;
        else if (!std::strcmp(argv[i], "--handshake") && bHasValue)
            pOptions->strHandshake = argv[++i];
        else if (!std::strcmp(argv[i], "--expect") && bHasValue)
            pOptions->strExpect = argv[++i];
        else if (!std::strcmp(argv[i], "--traces"))
            pOptions->bTraces = true;
        else if (!std::strcmp(argv[i], "--watch"))
            pOptions->bWatch = true;
        else if (argv[i][0] != '-' && pOptions->strProgram.empty())
            pOptions->strProgram = argv[i];
        else
            return false;
    }
    return !pOptions->strProgram.empty();
}

std::string ModuleBeside(const std::string& strProgram)
{
    const size_t nSlash = strProgram.find_last_of("\\/");
    return (nSlash == std::string::npos ? std::string() : strProgram.substr(0, nSlash + 1)) + "PelkinUpdate.prm";
}

bool FileExists(const std::string& strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteText(const std::string& strPath, const std::string& strText)
{
    HANDLE hFile =
        CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return;
    DWORD nWritten = 0;
    WriteFile(hFile, strText.data(), static_cast<DWORD>(strText.size()), &nWritten, nullptr);
    CloseHandle(hFile);
}

// Waits for the outcome; its name, or "shown" for a dialog that is not the
// updater's, or an empty text when none came in time.
std::string WaitForOutcome(HWND hDlg, const CUpdaterTexts& texts, const CDebuggedProcess& process, DWORD nTimeoutMs,
                           UPDATE_OUTCOME* pOutcome)
{
    *pOutcome = UPDATE_OUTCOME::None;
    if (!texts.IsLoaded())
        return "shown";
    WaitUntil([&] { return (*pOutcome = ReadOutcome(hDlg, texts)) != UPDATE_OUTCOME::None || process.HasExited(); },
              nTimeoutMs);
    return *pOutcome == UPDATE_OUTCOME::None ? std::string() : OutcomeName(*pOutcome);
}

void PrintWatch(const BUSY_WATCH& watch)
{
    std::string strPositions;
    for (int nPosition : watch.positions)
        strPositions += " " + std::to_string(nPosition);
    std::printf("watch: asked %d times, longest answer %.1f ms, %d unanswered within 5 s; progress positions:%s\n",
                watch.nAsked, watch.nLongestMs, watch.nUnanswered,
                strPositions.empty() ? " none" : strPositions.c_str());
}

void PrintTraces(const CDebuggedProcess& process)
{
    for (const std::string& strTrace : process.Traces())
        std::fprintf(stderr, "trace: %s%s", strTrace.c_str(), !strTrace.empty() && strTrace.back() == '\n' ? "" : "\n");
}

int Drive(const DRIVER_OPTIONS& options)
{
    CDebuggedProcess process;
    if (!process.Start(options.strProgram)) {
        std::printf("could not start %s\n", options.strProgram.c_str());
        return 1;
    }
    HWND hDlg = WaitForProcessDialog(process, options.nTimeoutMs);
    if (!hDlg) {
        process.WaitForExit(options.nTimeoutMs);
        std::printf("%s: no window; %s after %.2f s\n", options.strProgram.c_str(),
                    process.HasExited() ? "the process ended" : "still running", process.SecondsSinceStart());
        return 1;
    }
    const double nShownAt = process.SecondsSinceStart();
    CUpdaterTexts texts(ModuleBeside(options.strProgram));
    UPDATE_OUTCOME outcome = UPDATE_OUTCOME::None;
    if (options.bWatch && texts.IsLoaded())
        PrintWatch(WatchDialogAtWork(
            hDlg, [&] { return ReadOutcome(hDlg, texts) != UPDATE_OUTCOME::None || process.HasExited(); },
            options.nTimeoutMs, 5000));
    const std::string strOutcome = WaitForOutcome(hDlg, texts, process, options.nTimeoutMs, &outcome);
    const double nOutcomeAt = process.SecondsSinceStart();
    char szLine[2048];
    std::snprintf(szLine, sizeof(szLine), "%s: \"%s\" in \"%s\" (shown after %.2f s, outcome after %.2f s)",
                  strOutcome.empty() ? "no outcome" : strOutcome.c_str(), GetControlText(hDlg, 1001).c_str(),
                  GetWindowTextOf(hDlg).c_str(), nShownAt, nOutcomeAt);
    if (!options.strHandshake.empty()) {
        WriteText(options.strHandshake + "\\outcome.txt", std::string(szLine) + "\n");
        WaitUntil([&] { return FileExists(options.strHandshake + "\\release"); }, options.nTimeoutMs);
    }
    const bool bFinal = outcome != UPDATE_OUTCOME::None && outcome != UPDATE_OUTCOME::NotFound;
    PressButton(hDlg, bFinal || !texts.IsLoaded() ? IDOK : IDCANCEL);
    const bool bEnded = process.WaitForExit(options.nTimeoutMs);
    char szResult[2304];
    std::snprintf(szResult, sizeof(szResult), "%s; %s after %.2f s\n", szLine, bEnded ? "closed" : "did not close",
                  process.SecondsSinceStart());
    std::fputs(szResult, stdout);
    if (!options.strHandshake.empty()) {
        std::string strTraces;
        for (const std::string& strTrace : process.Traces())
            strTraces += strTrace + (!strTrace.empty() && strTrace.back() == '\n' ? "" : "\n");
        WriteText(options.strHandshake + "\\traces.txt", strTraces);
        WriteText(options.strHandshake + "\\result.txt", szResult);
    }
    if (options.bTraces)
        PrintTraces(process);
    const bool bExpected = options.strExpect.empty() ? !strOutcome.empty() : options.strExpect == strOutcome;
    return bExpected && bEnded ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    DRIVER_OPTIONS options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(
            stderr,
            "usage: e2e_driver [--timeout SECONDS] [--handshake FOLDER] [--expect OUTCOME] [--traces] [--watch] "
            "PROGRAM\n");
        return 2;
    }
    return Drive(options);
}
