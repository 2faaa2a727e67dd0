#include "QuietStation.h"

#include "EventText.h"
#include "ExitCodes.h"
#include "OutcomeCounts.h"

const char kQuietStationClass[] = "PelkinUpdateQuietStation";

namespace {

const UINT WM_STATION_NEWS = WM_APP + 1;

// What the devices handled came to, in the order they ended.
struct STATION_TALLY
{
    int nHandled = 0;
    int anOutcomes[kScanOutcomes + 1] = {};  // the last: removed mid-way
    bool bFailure = false;
    EXIT_CODE firstFailure = EXIT_UPDATED;
    bool bNotEjected = false;
};

class CQuietStation : public CStationOwner
{
public:
    CQuietStation(const STATION_OPTIONS& options, int nCount, CUpdateObserver* pLog)
        : m_station(*this, options), m_nCount(nCount), m_pLog(pLog), m_bEject(options.bEject)
    {}
    ~CQuietStation() override
    {
        if (m_hWnd)
            DestroyWindow(m_hWnd);
    }

    int Run();

    void WakeStation() override { PostMessageA(m_hWnd, WM_STATION_NEWS, 0, 0); }
    void OnRowChanged(int nRow, bool bEnded) override;
    void OnStationStopped(const CString&) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    static BOOL WINAPI OnConsoleControl(DWORD dwType);
    LRESULT OnMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
    // Takes no more devices; the run ends once the running updates have.
    void StopAndEnd();
    void EndIfDone();
    // Once: the session's end may have said it already.
    void ReportTally();

    static HWND s_hWnd;  // for the console's handler, which runs on a thread of its own
    CStation m_station;
    const int m_nCount;
    CUpdateObserver* m_pLog;
    const bool m_bEject;
    HWND m_hWnd = nullptr;
    bool m_bEnding = false;
    STATION_TALLY m_tally;
    bool m_bTallyReported = false;
};

HWND CQuietStation::s_hWnd = nullptr;

int CQuietStation::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kQuietStationClass;
    RegisterClassA(&wc);
    // A hidden top-level window: volumes' arrivals are broadcast to those.
    m_hWnd = CreateWindowExA(0, kQuietStationClass, "PelkinUpdate station", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                             wc.hInstance, this);
    if (!m_hWnd) {
        ReportEvent(m_pLog, "Station: no window (error %lu)", GetLastError());
        return EXIT_COPY_FAILED;
    }
    s_hWnd = m_hWnd;
    AttachConsole(ATTACH_PARENT_PROCESS);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    CString strWhy;
    if (!m_station.Start(strWhy)) {
        ReportEvent(m_pLog, "Devices: 0 handled");
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
        return EXIT_COPY_FAILED;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    ReportTally();
    if (m_tally.bFailure)
        return m_tally.firstFailure;
    return m_tally.bNotEjected ? EXIT_NOT_EJECTED : EXIT_UPDATED;
}

LRESULT CALLBACK CQuietStation::WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (nMsg == WM_NCCREATE)
        SetWindowLongPtrA(hWnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    CQuietStation* pThis = reinterpret_cast<CQuietStation*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    return pThis ? pThis->OnMessage(hWnd, nMsg, wParam, lParam) : DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

BOOL WINAPI CQuietStation::OnConsoleControl(DWORD dwType)
{
    // Ctrl+C, Ctrl+Break, the console closed, logoff, shutdown: all end the run.
    (void)dwType;
    PostMessageA(s_hWnd, WM_CLOSE, 0, 0);
    return TRUE;
}

LRESULT CQuietStation::OnMessage(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    switch (nMsg) {
    case WM_STATION_NEWS:
        m_station.TakeNews();
        return 0;
    case WM_DEVICECHANGE:
        m_station.OnDeviceChange(wParam, lParam);
        return TRUE;
    case WM_CLOSE:
        StopAndEnd();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends once this returns: the running updates end first.
        if (wParam) {
            m_station.FinishRunning();
            ReportTally();
        }
        return 0;
    }
    return DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

void CQuietStation::OnRowChanged(int nRow, bool bEnded)
{
    if (!bEnded)
        return;
    const STATION_ROW& row = m_station.GetRow(nRow);
    ++m_tally.nHandled;
    const bool bRemoved = row.state == STATION_REMOVED;
    ++m_tally.anOutcomes[bRemoved ? kScanOutcomes : row.outcome];
    if (row.outcome != SCAN_UPDATED && !m_tally.bFailure) {
        m_tally.bFailure = true;
        // Pulled out mid-way, the update failed, whichever step the drive's
        // going failed first.
        m_tally.firstFailure = bRemoved ? EXIT_COPY_FAILED : GetOutcomeExitCode(row.outcome);
    }
    if (row.outcome == SCAN_UPDATED && m_bEject && row.state != STATION_EJECTED)
        m_tally.bNotEjected = true;
    if (m_nCount > 0 && m_tally.nHandled >= m_nCount)
        StopAndEnd();
    EndIfDone();
}

// The record could not be written: the run ends unrecorded, which is a
// failure even when every device so far was updated.
void CQuietStation::OnStationStopped(const CString&)
{
    if (!m_tally.bFailure) {
        m_tally.bFailure = true;
        m_tally.firstFailure = EXIT_COPY_FAILED;
    }
    StopAndEnd();
}

void CQuietStation::StopAndEnd()
{
    m_bEnding = true;
    m_station.StopTaking();
    EndIfDone();
}

void CQuietStation::EndIfDone()
{
    if (m_bEnding && m_station.GetRunning() == 0)
        PostQuitMessage(0);
}

// "Devices: 3 handled; Updated 1, Version refused 1, Removed 1"
void CQuietStation::ReportTally()
{
    if (m_bTallyReported)
        return;
    m_bTallyReported = true;
    const CString strCounts = FormatOutcomeCounts(m_tally.anOutcomes, kScanOutcomes + 1);
    ReportEvent(m_pLog, "Devices: %d handled%s", m_tally.nHandled, static_cast<const char*>(strCounts));
}

}  // namespace

int RunQuietStation(const STATION_OPTIONS& options, int nCount, CUpdateObserver* pLog)
{
    CQuietStation station(options, nCount, pLog);
    return station.Run();
}
