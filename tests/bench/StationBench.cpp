// The console program of scripts/bench-station.sh: starts the updater's
// station window (PROGRAM and its arguments), asks it WM_NULL every 10 ms
// throughout, and times the devices' handling from the first row the list
// shows to the counters naming nUpdated devices updated. Prints one line:
//     seconds S  longest WM_NULL answer M ms  probes N
// Built with the tests so that it keeps building; not a test itself.
//
//   station_bench.exe UPDATED PROGRAM [ARGUMENTS...]
#include "resource.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct FIND_WINDOW
{
    DWORD dwProcessId;
    HWND hWnd;
};

BOOL CALLBACK FindStationWindow(HWND hWnd, LPARAM lParam)
{
    FIND_WINDOW& find = *reinterpret_cast<FIND_WINDOW*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId != find.dwProcessId || !GetDlgItem(hWnd, IDC_STATION_LIST))
        return TRUE;
    find.hWnd = hWnd;
    return FALSE;
}

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: station_bench UPDATED PROGRAM [ARGUMENTS...]\n");
        return 2;
    }
    const std::string strWant = std::string("Updated: ") + argv[1] + " ";
    std::string strCommand = std::string("\"") + argv[2] + "\"";
    for (int i = 3; i < argc; ++i)
        strCommand += std::string(" ") + argv[i];
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 1;
    }
    FIND_WINDOW find = {process.dwProcessId, nullptr};
    double dStart = 0, dEnd = 0, dLongest = 0;
    int nProbes = 0;
    for (const double dGiveUp = Now() + 300; Now() < dGiveUp && !dEnd; Sleep(10)) {
        if (!find.hWnd) {
            EnumWindows(FindStationWindow, reinterpret_cast<LPARAM>(&find));
            continue;
        }
        DWORD_PTR nResult = 0;
        const double dAsked = Now();
        SendMessageTimeoutA(find.hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &nResult);
        const double dAnswer = Now() - dAsked;
        dLongest = dAnswer > dLongest ? dAnswer : dLongest;
        ++nProbes;
        if (!dStart &&
            SendMessageTimeoutA(GetDlgItem(find.hWnd, IDC_STATION_LIST), LVM_GETITEMCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000,
                                &nResult) &&
            nResult > 0)
            dStart = Now();
        char szCounts[256] = {};
        GetDlgItemTextA(find.hWnd, IDC_STATION_COUNTS, szCounts, sizeof szCounts);
        if (dStart && std::string(szCounts).compare(0, strWant.size(), strWant) == 0)
            dEnd = Now();
    }
    if (find.hWnd)
        PostMessageA(find.hWnd, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!dEnd) {
        std::fprintf(stderr, "the station did not update %s devices\n", argv[1]);
        return 1;
    }
    std::printf("seconds %.3f  longest WM_NULL answer %.0f ms  probes %d\n", dEnd - dStart, dLongest * 1000, nProbes);
    return 0;
}
