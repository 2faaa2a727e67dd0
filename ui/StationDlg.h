// CStationDlg: the station window (PelkinUpdate /station). It lists every
// device the station has seen, one row each, with where its handling
// stands and how it ended, and counts the endings; the station (Station.h)
// does the work on its own threads, so the window never waits for a
// device.
//
// The station's threads wake the window with a posted message; the window
// then takes their news on its own thread. Volumes that come and go
// (WM_DEVICECHANGE) make the station scan at once. Closed while devices
// are handled, the window asks first: it takes no further device and ends
// by itself once the last handling has ended, as a stick cut off in the
// middle of its update may not start again.
#pragma once

#include "Afx.h"
#include "Station.h"

#include <atomic>

class CStationDlg : public CDialog, public CStationOwner
{
public:
    explicit CStationDlg(const STATION_OPTIONS& options);

    // The list's control class registered first: a dialog with a control
    // of an unknown class is not made.
    INT_PTR DoModal() override;

    // CStationOwner
    void WakeStation() override;
    void OnRowChanged(int nRow, bool bEnded) override;
    void OnStationStopped(const CString& strWhy) override;

protected:
    BOOL OnInitDialog() override;
    // Enter: nothing; a stray key must not end a station.
    void OnOK() override;
    // Close, Escape and the caption's close box.
    void OnCancel() override;

    LRESULT OnStationNews(WPARAM, LPARAM);
    LRESULT OnDeviceChange(WPARAM wParam, LPARAM lParam);
    LRESULT OnEndSession(WPARAM wParam, LPARAM lParam);
    void OnEjectBox();

private:
    enum
    {
        WM_STATION_NEWS = WM_APP + 1,
    };

    void AddColumns();
    // The row's text in column nColumn of list row nRow.
    void SetCell(int nRow, int nColumn, const char* pszText);
    void ShowCounts();
    void ShowMessage(const CString& strMessage);
    void ShowRecordFailure(const CString& strWhy);
    // Once the user chose to close: ends the dialog when nothing runs.
    void EndWhenIdle();

    STATION_OPTIONS m_options;
    // The window the threads post to: set before they start, never
    // cleared, so that a thread reads no member the dialog changes. Both
    // outlive the station, whose end waits for its threads.
    HWND m_hNewsWindow;
    // A news message waits in the queue: one is enough for all news since.
    std::atomic<bool> m_bNewsPosted;
    CStation m_station;
    HWND m_hList;
    bool m_bAsking;
    bool m_bClosing;

    DECLARE_MESSAGE_MAP()
};

// The state column's text of a row: where its handling stands, or how it
// ended.
CString GetStationStateText(const STATION_ROW& row);

// Whether the resources hold the station window (dialog 103): a module
// made before there was one lacks it.
bool HasStationDialog();
