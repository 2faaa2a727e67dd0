// The station's threads and the queue by which they hand in what they
// learn (see Station.h): the scanner, which walks the drives whenever it
// is asked and every 2 seconds besides, and one worker per device being
// handled. Neither touches a row: each only pushes news.
#pragma once

#include "AfxEvent.h"
#include "AfxWorkerThread.h"
#include "StationDevice.h"

#include <mutex>
#include <vector>

class CStationOwner;
class CUpdateObserver;

// What a thread learned, for the owner's thread.
struct STATION_NEWS
{
    enum KIND
    {
        kScanned,   // a walk over the drives ended: targets, listedRoots
        kChecking,  // nRow's handling began
        kUpdating,  // nRow's copy runs: nPercent
        kEnded,     // nRow's handling ended
    };
    KIND kind = kScanned;
    int nRow = -1;
    int nPercent = 0;
    // kScanned: the targets found, and the drive list walked (bDriveList:
    // it could be read).
    std::vector<STATION_TARGET> targets;
    std::vector<CString> listedRoots;
    bool bDriveList = false;
    // kEnded
    SCAN_OUTCOME outcome = SCAN_NOT_FOUND;
    CString strReason;   // the last thing the run said before its outcome
    CString strVersion;  // the section's Version, after Updated
    bool bEjected = false;
    std::vector<CString> lines;  // what the run said, for the log's block
};

// The news of every thread, in the order pushed; pushing wakes the owner.
class CStationNews
{
public:
    explicit CStationNews(CStationOwner& owner) : m_owner(owner) {}
    void Push(STATION_NEWS news);
    std::vector<STATION_NEWS> TakeAll();

private:
    CStationOwner& m_owner;
    std::mutex m_mutex;
    std::vector<STATION_NEWS> m_items;
};

class CStationScanner
{
public:
    explicit CStationScanner(CStationNews& news) : m_news(news) {}
    // Stops the thread and waits for it (a walk under way ends first).
    ~CStationScanner();
    CStationScanner(const CStationScanner&) = delete;
    CStationScanner& operator=(const CStationScanner&) = delete;

    BOOL Start();
    // A walk now, without waiting for the next round; several asks before
    // the walk begins make one walk.
    void ScanNow() { m_scan.SetEvent(); }

private:
    static UINT Run(LPVOID pThis);
    void Scan();

    CStationNews& m_news;
    CEvent m_stop{TRUE};
    CEvent m_scan;
    CWorkerThread m_thread;
};

// One device's handling: the engine takes the target the scan found and
// runs the steps after FindTargetDrive, then ejects the device if asked.
class CStationWorker
{
public:
    CStationWorker(CStationNews& news, int nRow, const STATION_TARGET& target, bool bEject, CUpdateObserver* pLog);
    // Waits for the handling to end: a copy is never left half done.
    ~CStationWorker() { m_thread.Wait(); }
    CStationWorker(const CStationWorker&) = delete;
    CStationWorker& operator=(const CStationWorker&) = delete;

    BOOL Start();
    int GetRow() const { return m_nRow; }

private:
    static UINT Run(LPVOID pThis);
    void Handle();

    CStationNews& m_news;
    const int m_nRow;
    const STATION_TARGET m_target;
    const bool m_bEject;
    CUpdateObserver* m_pLog;  // its file only: the block is written by the owner
    CWorkerThread m_thread;
};
