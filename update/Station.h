// CStation: updates every device that Update.cfg names as it is plugged in,
// several at once, for the people who update devices by the dozen. It is
// driven from one thread, its owner's (the station window, or the quiet
// run's hidden window), and keeps its threads to itself:
//
//   - a scanner thread walks the drives as a run does, whenever a volume
//     comes or goes (OnVolumeChange) and every 2 seconds besides, since a
//     notification can be missed;
//   - up to nParallel worker threads, one per device being handled, each
//     with an engine of its own that takes the target the scan found and
//     runs the steps after FindTargetDrive (and, when asked, the eject).
//
// Threads hand what they learn to a queue and wake the owner
// (CStationOwner::WakeStation, from any thread); the owner then calls
// TakeNews on its own thread, which merges the news into the rows and
// tells the owner which row changed. Rows are touched on the owner's
// thread only.
//
// A device is keyed by its serial number and port (GetStationKey): one
// already seen is not handled again until its drive has left the drive
// list and it came back. Its handling ends in one outcome; the record
// (StationRecord.h) gets a line per device handled, and a record that
// can't be written stops the station from taking devices.
#pragma once

#include "StationDevice.h"
#include "StationRecord.h"
#include "StationThreads.h"

#include <memory>
#include <vector>

class CUpdateObserver;

class CStationOwner
{
public:
    virtual ~CStationOwner() = default;
    // From any thread: news is waiting; call TakeNews on the owner's thread
    // soon (post a message; never call it from here).
    virtual void WakeStation() = 0;
    // On the owner's thread, from TakeNews: row nRow is new or changed;
    // bEnded: its handling has just ended (counted, recorded, logged).
    virtual void OnRowChanged(int nRow, bool bEnded) = 0;
    // On the owner's thread: the station takes no more devices, as the
    // record could not be written; strWhy says why in English.
    virtual void OnStationStopped(const CString& strWhy) = 0;
};

struct STATION_OPTIONS
{
    int nParallel = 2;                // devices handled at once, 1 to 8
    bool bEject = false;              // eject each device once it is updated
    CString strRecordPath;            // the record (CSV); empty: none
    CUpdateObserver* pLog = nullptr;  // a block of lines per device handled
};

struct STATION_COUNTS
{
    int nUpdated = 0;  // Updated, ejected or not
    int nRefused = 0;  // Version refused
    int nFailed = 0;   // any other ending, a removal mid-way included
};

class CStation
{
public:
    static const int kMaxParallel = 8;
    static const DWORD kRescanMs = 2000;

    CStation(CStationOwner& owner, const STATION_OPTIONS& options);
    // Stops taking devices and waits for the running handlings to end.
    ~CStation();
    CStation(const CStation&) = delete;
    CStation& operator=(const CStation&) = delete;

    // Opens the record and starts the scanner. 0 when the record can't be
    // opened: the station takes no device, and strWhy says why.
    int Start(CString& strWhy);

    // WM_DEVICECHANGE, as the owner's window got it: a volume that came or
    // went makes the scan run at once. The header comes from outside the
    // program; one too short for a volume's is none.
    void OnDeviceChange(WPARAM wParam, LPARAM lParam);
    // On the owner's thread, after WakeStation.
    void TakeNews();

    // The eject after Updated, for devices whose handling starts later.
    void SetEject(bool bEject) { m_options.bEject = bEject; }
    // Takes no further device; the running handlings go on to their end.
    void StopTaking();
    // Takes no further device, then waits for the running handlings to
    // end, taking their news meanwhile: for the end of the session, which
    // waits for no message.
    void FinishRunning();
    bool IsTaking() const { return m_bTaking; }
    // Handlings running now (checking or updating).
    int GetRunning() const;

    int GetRowCount() const { return static_cast<int>(m_rows.size()); }
    const STATION_ROW& GetRow(int nRow) const { return m_rows[nRow]; }
    const STATION_COUNTS& GetCounts() const { return m_counts; }

private:
    void MergeScan(const STATION_NEWS& news);
    static bool IsDriveStillListed(const STATION_NEWS& news, const char* pszDriveRoot);
    static bool IsDriveTakenByOther(const STATION_NEWS& news, const STATION_ROW& row);
    void ComeBack(int nRow, const STATION_TARGET& target);
    void LeaveRow(int nRow);
    void ApplyWorkerNews(const STATION_NEWS& news);
    void EndRow(int nRow, const STATION_NEWS& news);
    void Count(const STATION_ROW& row);
    void WriteLogBlock(const STATION_ROW& row, const STATION_NEWS& news);
    void WriteRecord(const STATION_ROW& row);
    void StartWaiting();
    int FindRow(const CString& strKey) const;
    bool IsRowRunning(int nRow) const;

    CStationOwner& m_owner;
    STATION_OPTIONS m_options;
    bool m_bTaking;
    std::vector<STATION_ROW> m_rows;
    STATION_COUNTS m_counts;
    CStationRecord m_record;
    CStationNews m_news;  // before the threads that push into it
    std::unique_ptr<CStationScanner> m_pScanner;
    std::vector<std::unique_ptr<CStationWorker>> m_workers;
};
