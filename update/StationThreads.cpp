#include "StationThreads.h"

#include "EjectRequest.h"
#include "Station.h"
#include "UpdateEngine.h"
#include "UpdateObserver.h"

#include <cstring>

void CStationNews::Push(STATION_NEWS news)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_items.push_back(std::move(news));
    }
    m_owner.WakeStation();
}

std::vector<STATION_NEWS> CStationNews::TakeAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<STATION_NEWS> items;
    items.swap(m_items);
    return items;
}

CStationScanner::~CStationScanner()
{
    m_stop.SetEvent();
    m_thread.Wait();
}

BOOL CStationScanner::Start()
{
    return m_stop.IsOpen() && m_scan.IsOpen() && m_thread.Start(Run, this);
}

UINT CStationScanner::Run(LPVOID pThis)
{
    CStationScanner& scanner = *static_cast<CStationScanner*>(pThis);
    const HANDLE ahWait[2] = {scanner.m_stop.Get(), scanner.m_scan.Get()};
    do
        scanner.Scan();
    while (WaitForMultipleObjects(2, ahWait, FALSE, CStation::kRescanMs) != WAIT_OBJECT_0);
    return 0;
}

// The walk of a run, without its log: the targets, and the drives listed.
// It is the only thread of the station that identifies devices.
void CStationScanner::Scan()
{
    STATION_NEWS news;
    news.kind = STATION_NEWS::kScanned;
    CUpdateEngine engine;
    for (int bTarget = engine.FindTargetDrive(); bTarget; bTarget = engine.FindNextTargetDrive()) {
        STATION_TARGET target;
        target.strDriveRoot = engine.GetDriveRoot();
        target.identity = engine.GetIdentity();
        target.strUsbDevice = engine.GetUsbDevice();
        target.strPort = engine.GetHubPort();
        target.strSection = engine.GetSection();
        target.strDeviceName = engine.GetDeviceName();
        news.targets.push_back(target);
    }
    news.bDriveList = engine.GetOutcome() != SCAN_NO_DRIVE_LIST;
    for (char chDrive = 'A'; chDrive <= 'Z'; ++chDrive) {
        const char szRoot[4] = {chDrive, ':', '\\', '\0'};
        if (engine.IsDriveListed(szRoot))
            news.listedRoots.push_back(szRoot);
    }
    m_news.Push(std::move(news));
}

namespace {

// What one handling says: its lines kept for the log's block, its copy's
// progress handed on as whole percents. The log's file is named so that
// the package's walk leaves it out; the log itself is written by the
// owner's thread only.
class CWorkerReport : public CUpdateObserver
{
public:
    CWorkerReport(CStationNews& news, int nRow, CUpdateObserver* pLog) : m_news(news), m_nRow(nRow), m_pLog(pLog) {}

    void OnEvent(const char* pszText) override { m_lines.push_back(pszText); }
    void OnCopyProgress(ULONGLONG nDone, ULONGLONG nTotal) override
    {
        const int nPercent = nTotal ? static_cast<int>(nDone * 100 / nTotal) : 0;
        if (nPercent == m_nPercent)
            return;
        m_nPercent = nPercent;
        STATION_NEWS news;
        news.kind = STATION_NEWS::kUpdating;
        news.nRow = m_nRow;
        news.nPercent = nPercent;
        m_news.Push(std::move(news));
    }
    const char* GetFilePath() const override { return m_pLog ? m_pLog->GetFilePath() : nullptr; }

    // The last thing said before the outcome: why the run ended so.
    CString GetReason() const
    {
        for (size_t nLine = m_lines.size(); nLine-- > 0;)
            if (std::strncmp(m_lines[nLine], "Outcome: ", 9) != 0)
                return m_lines[nLine];
        return CString();
    }
    std::vector<CString>& GetLines() { return m_lines; }

private:
    CStationNews& m_news;
    const int m_nRow;
    CUpdateObserver* m_pLog;
    std::vector<CString> m_lines;
    int m_nPercent = -1;
};

}  // namespace

CStationWorker::CStationWorker(CStationNews& news, int nRow, const STATION_TARGET& target, bool bEject,
                               CUpdateObserver* pLog)
    : m_news(news), m_nRow(nRow), m_target(target), m_bEject(bEject), m_pLog(pLog)
{}

BOOL CStationWorker::Start()
{
    return m_thread.Start(Run, this);
}

UINT CStationWorker::Run(LPVOID pThis)
{
    static_cast<CStationWorker*>(pThis)->Handle();
    return 0;
}

void CStationWorker::Handle()
{
    CWorkerReport report(m_news, m_nRow, m_pLog);
    CUpdateEngine engine;
    engine.SetObserver(&report);
    STATION_NEWS news;
    news.nRow = m_nRow;
    news.kind = STATION_NEWS::kChecking;
    m_news.Push(news);
    if (engine.TakeTarget(m_target.strDriveRoot, m_target.identity, m_target.strUsbDevice))
        engine.RunSteps();
    news.kind = STATION_NEWS::kEnded;
    news.outcome = engine.GetOutcome();
    if (news.outcome == SCAN_UPDATED) {
        news.strVersion = engine.ReadSectionVersion();
        EJECT_OUTCOME eject;
        news.bEjected = m_bEject && engine.EjectDevice(eject);
        if (m_bEject && !news.bEjected)
            news.strReason = report.GetReason();  // why it is still there
    } else {
        news.strReason = report.GetReason();
    }
    news.lines.swap(report.GetLines());
    m_news.Push(std::move(news));
}
