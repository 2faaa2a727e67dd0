// The host's timeline: devices that arrive and leave while the program
// runs, on a thread of the host's own. Each event goes as on a real host:
// the stick's files first (the drive's link in the Wine prefix), then the
// device tree, mount table and drive list, then the broadcast that tells
// the windows of the process.
#include "SimHost.h"

#include <dbt.h>

#include <algorithm>

namespace {

// How long a broadcast waits for one window, and a drive link for the
// file calls to see it move.
const UINT kBroadcastTimeoutMs = 5000;
const DWORD kLinkWaitMs = 3000;
const DWORD kLinkPollMs = 20;

struct BROADCAST
{
    WPARAM wEvent;
    DWORD dwUnitMask;
};

BOOL CALLBACK SendToWindow(HWND hWnd, LPARAM lParam)
{
    DWORD dwProcess = 0;
    GetWindowThreadProcessId(hWnd, &dwProcess);
    if (dwProcess != GetCurrentProcessId())
        return TRUE;
    const BROADCAST* pBroadcast = reinterpret_cast<const BROADCAST*>(lParam);
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = pBroadcast->dwUnitMask;
    volume.dbcv_flags = 0;
    DWORD_PTR dwResult = 0;
    SendMessageTimeoutA(hWnd, WM_DEVICECHANGE, pBroadcast->wEvent, reinterpret_cast<LPARAM>(&volume), SMTO_ABORTIFHUNG,
                        kBroadcastTimeoutMs, &dwResult);
    return TRUE;
}

// WM_DEVICECHANGE to every top-level window of the process, shown or not,
// as Windows broadcasts a volume's arrival and removal.
void Broadcast(WPARAM wEvent, DWORD dwUnitMask)
{
    BROADCAST broadcast = {wEvent, dwUnitMask};
    EnumWindows(SendToWindow, reinterpret_cast<LPARAM>(&broadcast));
}

DWORD UnitMask(const std::string& strDrives)
{
    DWORD dwMask = 0;
    for (char chDrive : strDrives)
        dwMask |= 1u << (chDrive - 'A');
    return dwMask;
}

bool IsRootThere(char chDrive)
{
    const char szRoot[] = {chDrive, ':', '\\', '\0'};
    return GetFileAttributesA(szRoot) != INVALID_FILE_ATTRIBUTES;
}

// Runs a shell command in the prefix's folder of drive links (Wine starts a
// Unix program from CreateProcess, but gives no process to wait for), then
// waits until the drive's root is there, or gone, as the command makes it.
bool MoveDriveLink(char chDrive, const std::string& strCommand, bool bThere)
{
    std::string strCommandLine =
        "/bin/sh -c \"cd \\\"${WINEPREFIX:-$HOME/.wine}/dosdevices\\\" && " + strCommand + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &strCommandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    // What Wine hands back for a Unix program is no process of its own: its
    // handles are not ones to close (a debugger sees that as a fault).
    for (DWORD dwWaited = 0; dwWaited < kLinkWaitMs && IsRootThere(chDrive) != bThere; dwWaited += kLinkPollMs)
        Sleep(kLinkPollMs);
    return IsRootThere(chDrive) == bThere;
}

}  // namespace

void CSimHost::StartTimeline()
{
    {
        const CSimLock lock(m_mutex);
        if (m_vTimeline.empty() || m_timelineThread.GetHandle())
            return;
    }
    // A link that a run cut off left aside stays there: whoever maps the
    // prefix's drives maps them anew (scripts/wine-prefix.sh, the tests).
    // Looking for one would wait for every drive the prefix lacks.
    m_stopTimeline.ResetEvent();
    m_dwTimelineStart = GetTickCount();
    if (!m_timelineThread.Start(TimelineProc, this))
        OutputDebugStringA("hostsim: the timeline has no thread; no device comes or goes\n");
}

void CSimHost::StopTimeline()
{
    const HANDLE hThread = m_timelineThread.GetHandle();
    if (hThread) {
        m_stopTimeline.SetEvent();
        // The thread may be sending a broadcast to a window of this one:
        // take it in while waiting, rather than wait out its timeout.
        while (MsgWaitForMultipleObjects(1, &hThread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        m_timelineThread.Wait();
    }
    const std::string strPulled = m_strPulledDrives;
    for (char chDrive : strPulled)
        PutDriveLinkBack(chDrive);
}

UINT CSimHost::TimelineProc(LPVOID pHost)
{
    CSimHost* pThis = static_cast<CSimHost*>(pHost);
    std::vector<TIMELINE_EVENT> vEvents;
    {
        const CSimLock lock(pThis->m_mutex);
        vEvents = pThis->TimelineEvents();
    }
    pThis->RunTimeline(vEvents);
    return 0;
}

// Arrivals and departures by time; at one instant, departures first, and
// the devices of each in one event.
std::vector<CSimHost::TIMELINE_EVENT> CSimHost::TimelineEvents() const
{
    std::vector<TIMELINE_EVENT> vEvents;
    auto add = [&](DWORD dwAtMs, bool bArrive, DEVINST dn) {
        for (TIMELINE_EVENT& event : vEvents)
            if (event.dwAtMs == dwAtMs && event.bArrive == bArrive) {
                event.vDevices.push_back(dn);
                return;
            }
        vEvents.push_back(TIMELINE_EVENT{dwAtMs, bArrive, std::vector<DEVINST>(1, dn)});
    };
    for (const TIMELINE_DEVICE& device : m_vTimeline) {
        if (device.dwArriveMs > 0)
            add(device.dwArriveMs, true, device.dn);
        if (device.dwLeaveMs > 0)
            add(device.dwLeaveMs, false, device.dn);
    }
    std::stable_sort(vEvents.begin(), vEvents.end(), [](const TIMELINE_EVENT& a, const TIMELINE_EVENT& b) {
        return a.dwAtMs != b.dwAtMs ? a.dwAtMs < b.dwAtMs : !a.bArrive && b.bArrive;
    });
    return vEvents;
}

void CSimHost::RunTimeline(std::vector<TIMELINE_EVENT> vEvents)
{
    bool bFirstArrival = true;
    for (const TIMELINE_EVENT& event : vEvents) {
        if (!WaitForTime(event.dwAtMs))
            return;
        PassEvent(event, &bFirstArrival);
    }
}

// False when the timeline is stopped first.
bool CSimHost::WaitForTime(DWORD dwAtMs) const
{
    const DWORD dwNow = GetTickCount() - m_dwTimelineStart;
    return WaitForSingleObject(m_stopTimeline.Get(), dwAtMs > dwNow ? dwAtMs - dwNow : 0) == WAIT_TIMEOUT;
}

void CSimHost::PassEvent(const TIMELINE_EVENT& event, bool* pbFirstArrival)
{
    std::string strDrives;
    {
        const CSimLock lock(m_mutex);
        for (DEVINST dn : event.vDevices)
            strDrives += DrivesOf(dn);
    }
    for (char chDrive : strDrives) {
        if (!event.bArrive)
            PullDriveLink(chDrive);
        else if (m_strPulledDrives.find(chDrive) != std::string::npos)
            PutDriveLinkBack(chDrive);  // only what this run pulled
    }
    std::string strChanged;
    {
        const CSimLock lock(m_mutex);
        for (DEVINST dn : event.vDevices) {
            const std::string strMoved = event.bArrive ? Plug(dn) : Unplug(dn);
            TraceDrives(InstanceId(dn) + (event.bArrive ? " arrived" : " left"), strMoved,
                        event.bArrive ? "is there" : "is gone");
            strChanged += strMoved;
        }
    }
    if (strChanged.empty())
        return;
    // Windows, and Wine's mount manager, may tell of an arrival twice; the
    // first of a run always comes twice here, so that the program copes.
    const int nTimes = event.bArrive && *pbFirstArrival ? 2 : 1;
    for (int i = 0; i < nTimes; ++i)
        Broadcast(event.bArrive ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, UnitMask(strChanged));
    if (event.bArrive)
        *pbFirstArrival = false;
}

// A stick pulled: its drive's link in the prefix moves aside, so that the
// file calls on it fail from now on, while handles opened before keep
// their files, as Unix keeps a renamed link's open files.
void CSimHost::PullDriveLink(char chDrive)
{
    if (!IsRootThere(chDrive))
        return;
    const char chLink = static_cast<char>(chDrive | 0x20);
    const std::string strLink = std::string(1, chLink) + ":";
    if (!MoveDriveLink(chDrive, "mv -fT " + strLink + " " + strLink + ".left", false))
        TraceDrives("a link would not move aside", std::string(1, chDrive), "stays reachable");
    m_strPulledDrives += chDrive;
}

// The link comes back, unless the drive has a link of its own again (made
// since by whoever maps the prefix's drives): then the one aside goes.
void CSimHost::PutDriveLinkBack(char chDrive)
{
    m_strPulledDrives.erase(std::remove(m_strPulledDrives.begin(), m_strPulledDrives.end(), chDrive),
                            m_strPulledDrives.end());
    if (IsRootThere(chDrive))
        return;
    const char chLink = static_cast<char>(chDrive | 0x20);
    const std::string strLink = std::string(1, chLink) + ":";
    const std::string strAside = strLink + ".left";
    if (!MoveDriveLink(chDrive,
                       "if [ -e " + strLink + " ] || [ -L " + strLink + " ]; then rm -f " + strAside + "; elif [ -L " +
                           strAside + " ]; then mv -fT " + strAside + " " + strLink + "; fi",
                       true))
        TraceDrives("a link would not come back", std::string(1, chDrive), "stays unreachable");
}
