// The station: its rows and their merge on the owner's thread, and the
// queue by which its scanner and workers hand in what they learn. The
// threads themselves are in StationThreads.cpp.
#include "Station.h"

#include "EventText.h"
#include "UpdateObserver.h"

#include <dbt.h>

#include <algorithm>

namespace {

// A device's row as it is first seen, waiting to be taken.
STATION_ROW MakeRow(const CString& strKey, const STATION_TARGET& target)
{
    STATION_ROW row;
    row.target = target;
    row.strKey = strKey;
    row.strReleaseBefore.Format("%04X", target.identity.bcdDevice);
    return row;
}

}  // namespace

CStation::CStation(CStationOwner& owner, const STATION_OPTIONS& options)
    : m_owner(owner), m_options(options), m_bTaking(false), m_news(owner)
{
    if (m_options.nParallel < 1)
        m_options.nParallel = 1;
    if (m_options.nParallel > kMaxParallel)
        m_options.nParallel = kMaxParallel;
}

CStation::~CStation()
{
    m_bTaking = false;
    m_pScanner.reset();  // stops and waits
    m_workers.clear();   // each waits for its handling to end
}

int CStation::Start(CString& strWhy)
{
    if (!m_options.strRecordPath.IsEmpty() && !m_record.Open(m_options.strRecordPath, strWhy)) {
        ReportEvent(m_options.pLog, "Station: %s; no device is taken", static_cast<const char*>(strWhy));
        return 0;
    }
    m_bTaking = true;
    ReportEvent(m_options.pLog, "Station: taking every device that Update.cfg names, %d at once%s%s%s",
                m_options.nParallel, m_options.bEject ? ", each ejected once updated" : "",
                m_record.IsOpen() ? "; record " : "", static_cast<const char*>(m_options.strRecordPath));
    m_pScanner.reset(new CStationScanner(m_news));
    return m_pScanner->Start() ? 1 : 0;
}

void CStation::OnDeviceChange(WPARAM wParam, LPARAM lParam)
{
    const DEV_BROADCAST_HDR* pHeader = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if ((wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) || !pHeader ||
        pHeader->dbch_size < sizeof(DEV_BROADCAST_VOLUME) || pHeader->dbch_devicetype != DBT_DEVTYP_VOLUME)
        return;
    // Which drives came or went the scan tells: it walks them all, and one
    // message may name several (dbcv_unitmask), or come twice.
    if (m_pScanner)
        m_pScanner->ScanNow();
}

void CStation::TakeNews()
{
    for (const STATION_NEWS& news : m_news.TakeAll()) {
        if (news.kind == STATION_NEWS::kScanned)
            MergeScan(news);
        else
            ApplyWorkerNews(news);
    }
    StartWaiting();
}

void CStation::StopTaking()
{
    m_bTaking = false;
}

void CStation::FinishRunning()
{
    StopTaking();
    while (GetRunning() > 0) {
        Sleep(50);
        TakeNews();
    }
}

int CStation::GetRunning() const
{
    return static_cast<int>(m_workers.size());
}

int CStation::FindRow(const CString& strKey) const
{
    for (size_t nRow = 0; nRow < m_rows.size(); ++nRow)
        if (m_rows[nRow].strKey.Compare(strKey) == 0)
            return static_cast<int>(nRow);
    return -1;
}

bool CStation::IsRowRunning(int nRow) const
{
    for (const auto& pWorker : m_workers)
        if (pWorker->GetRow() == nRow)
            return true;
    return false;
}

void CStation::MergeScan(const STATION_NEWS& news)
{
    std::vector<CString> found;
    for (const STATION_TARGET& target : news.targets) {
        found.push_back(GetStationKey(target));
        const int nRow = FindRow(found.back());
        if (nRow < 0) {
            m_rows.push_back(MakeRow(found.back(), target));
            m_owner.OnRowChanged(static_cast<int>(m_rows.size()) - 1, false);
        } else if (!m_rows[nRow].bPresent) {
            ComeBack(nRow, target);
        }
    }
    if (!news.bDriveList)
        return;  // without the drive list nothing can be said to have gone
    for (size_t nRow = 0; nRow < m_rows.size(); ++nRow) {
        STATION_ROW& row = m_rows[nRow];
        if (!row.bPresent || std::find(found.begin(), found.end(), row.strKey) != found.end())
            continue;
        // A device that identification missed once, on a drive that is
        // still there, has not left: it would be updated again otherwise.
        if (IsDriveStillListed(news, row.target.strDriveRoot) && !IsDriveTakenByOther(news, row))
            continue;
        LeaveRow(static_cast<int>(nRow));
    }
}

bool CStation::IsDriveStillListed(const STATION_NEWS& news, const char* pszDriveRoot)
{
    for (const CString& strRoot : news.listedRoots)
        if (strRoot.CompareNoCase(pszDriveRoot) == 0)
            return true;
    return false;
}

bool CStation::IsDriveTakenByOther(const STATION_NEWS& news, const STATION_ROW& row)
{
    for (const STATION_TARGET& target : news.targets)
        if (target.strDriveRoot.CompareNoCase(row.target.strDriveRoot) == 0)
            return true;  // and its key is not the row's, or it would have been found
    return false;
}

// A device seen before is back after it left: handled anew, in its row.
void CStation::ComeBack(int nRow, const STATION_TARGET& target)
{
    STATION_ROW& row = m_rows[nRow];
    row.bPresent = true;
    row.target = target;
    if (IsRowRunning(nRow))
        return;  // back before its handling ended: taken anew once it has
    row = MakeRow(CString(row.strKey), target);
    m_owner.OnRowChanged(nRow, false);
}

void CStation::LeaveRow(int nRow)
{
    STATION_ROW& row = m_rows[nRow];
    row.bPresent = false;
    if (row.state == STATION_WAITING || row.state == STATION_CHECKING || row.state == STATION_UPDATING) {
        row.state = STATION_REMOVED;
        ReportEvent(m_options.pLog, "Station: %s left before its update ended, \"%s\", serial number \"%.259s\"",
                    static_cast<const char*>(row.target.strDriveRoot),
                    static_cast<const char*>(row.target.strDeviceName), row.target.identity.szSerialNumber);
    }
    m_owner.OnRowChanged(nRow, false);
}

void CStation::ApplyWorkerNews(const STATION_NEWS& news)
{
    if (news.nRow < 0 || news.nRow >= GetRowCount())
        return;
    STATION_ROW& row = m_rows[news.nRow];
    if (news.kind == STATION_NEWS::kEnded) {
        EndRow(news.nRow, news);
        return;
    }
    if (row.state == STATION_REMOVED)
        return;  // gone: whatever the handling still does is said at its end
    row.state = news.kind == STATION_NEWS::kChecking ? STATION_CHECKING : STATION_UPDATING;
    row.nPercent = news.nPercent;
    m_owner.OnRowChanged(news.nRow, false);
}

void CStation::EndRow(int nRow, const STATION_NEWS& news)
{
    for (auto it = m_workers.begin(); it != m_workers.end(); ++it)
        if ((*it)->GetRow() == nRow) {
            m_workers.erase(it);  // its thread has ended, or is about to
            break;
        }
    STATION_ROW& row = m_rows[nRow];
    row.bEnded = true;
    row.outcome = news.outcome;
    row.strReason = news.strReason;
    row.strReleaseAfter =
        news.outcome == SCAN_UPDATED && !news.strVersion.IsEmpty() ? news.strVersion : row.strReleaseBefore;
    row.dwSeconds = (GetTickCount() - row.dwStartTick + 500) / 1000;
    GetLocalTime(&row.timeEnded);
    // An update that was committed stands, even when the drive went meanwhile.
    if (news.outcome == SCAN_UPDATED)
        row.state = news.bEjected ? STATION_EJECTED : STATION_ENDED;
    else if (row.state != STATION_REMOVED)
        row.state = STATION_ENDED;
    Count(row);
    WriteLogBlock(row, news);
    WriteRecord(row);
    m_owner.OnRowChanged(nRow, true);
    // Pulled out and plugged in again while its handling still ran: it
    // is a device come back, to be taken anew.
    if (row.state == STATION_REMOVED && row.bPresent) {
        const STATION_TARGET target = row.target;  // the row is made anew
        ComeBack(nRow, target);
    }
}

void CStation::Count(const STATION_ROW& row)
{
    if (row.outcome == SCAN_UPDATED)
        ++m_counts.nUpdated;
    else if (row.outcome == SCAN_VERSION_REFUSED && row.state != STATION_REMOVED)
        ++m_counts.nRefused;
    else
        ++m_counts.nFailed;
}

void CStation::WriteLogBlock(const STATION_ROW& row, const STATION_NEWS& news)
{
    if (!m_options.pLog)
        return;
    const STATION_TARGET& target = row.target;
    ReportEvent(m_options.pLog,
                "Station: %s, \"%s\": vendor 0x%04X, product 0x%04X, serial number \"%.259s\", %s, release %s",
                static_cast<const char*>(target.strDriveRoot), static_cast<const char*>(target.strDeviceName),
                target.identity.idVendor, target.identity.idProduct, target.identity.szSerialNumber,
                static_cast<const char*>(target.strPort), static_cast<const char*>(row.strReleaseBefore));
    for (const CString& strLine : news.lines)
        m_options.pLog->OnEvent(strLine);
    ReportEvent(m_options.pLog, "Station: %s ended: %s after %lu s", static_cast<const char*>(target.strDriveRoot),
                GetStationOutcomeName(row), row.dwSeconds);
}

void CStation::WriteRecord(const STATION_ROW& row)
{
    if (!m_record.IsOpen())
        return;
    CString strWhy;
    if (m_record.Append(row, strWhy))
        return;
    // A production line must not run unrecorded.
    m_record.Close();
    m_bTaking = false;
    ReportEvent(m_options.pLog, "Station: %s; no further device is taken", static_cast<const char*>(strWhy));
    m_owner.OnStationStopped(strWhy);
}

void CStation::StartWaiting()
{
    for (size_t nRow = 0; nRow < m_rows.size() && m_bTaking && GetRunning() < m_options.nParallel; ++nRow) {
        STATION_ROW& row = m_rows[nRow];
        if (row.state != STATION_WAITING || !row.bPresent || row.bEnded || IsRowRunning(static_cast<int>(nRow)))
            continue;
        std::unique_ptr<CStationWorker> pWorker(
            new CStationWorker(m_news, static_cast<int>(nRow), row.target, m_options.bEject, m_options.pLog));
        if (!pWorker->Start())
            return;  // no thread now: the next news tries again
        row.state = STATION_CHECKING;
        row.dwStartTick = GetTickCount();
        ReportEvent(m_options.pLog, "Station: %s taken, \"%s\", serial number \"%.259s\"",
                    static_cast<const char*>(row.target.strDriveRoot),
                    static_cast<const char*>(row.target.strDeviceName), row.target.identity.szSerialNumber);
        m_workers.push_back(std::move(pWorker));
        m_owner.OnRowChanged(static_cast<int>(nRow), false);
    }
}
