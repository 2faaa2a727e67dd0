// CUpdateDlg: the program's only main window. It runs the update engine's
// steps and shows what they decide: the busy layout, with a progress bar,
// while the package is checked and copied, then the outcome's message and
// button. Its engine holds the matched section and the device's display
// name.
//
// The space check and the copy run on a worker thread, while the dialog's
// thread keeps handling the window's messages: the window repaints, moves
// and opens its About box, but nothing ends it (Close, Alt+F4, Escape,
// Enter, a posted OK or Cancel) and nothing starts another scan until the
// outcome is shown.
#pragma once

#include "Afx.h"
#include "CopyProgressRelay.h"
#include "UpdateEngine.h"

// The system-menu command that opens the About box.
#define IDM_ABOUT 0x0010

class CUpdateDlg : public CDialog
{
public:
    explicit CUpdateDlg(CWnd* pParent = nullptr);

    // The whole update, from the drive list to one outcome; 1 for Updated.
    int ScanAndUpdate();

    // Who hears of the events of every scan (the log); null: nobody. While
    // the package is checked and copied it hears them on the worker thread.
    void SetObserver(CUpdateObserver* pObserver);

    // Where a minimised window draws its icon: the middle of its client
    // area, rounded up.
    static POINT IconOrigin(const RECT& rcClient, int cxIcon, int cyIcon);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // After Not found: scans again; otherwise closes the dialog.
    void OnOK() override;

    // While the package is checked and copied, OK and Cancel do nothing.
    BOOL OnCmdMsg(UINT nID) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    // From the worker thread: the progress bar's position changed; the
    // space check and the copy have run.
    LRESULT OnCopyProgress(WPARAM, LPARAM);
    LRESULT OnBusyStepsDone(WPARAM, LPARAM);

    CStatic m_ctlMessage;
    HICON m_hIcon;
    int m_bRetry;
    CUpdateEngine m_engine;
    CProgressCtrl m_ctlProgress;

private:
    // Messages the worker thread posts to the dialog.
    enum
    {
        WM_COPY_PROGRESS = WM_APP + 1,
        WM_BUSY_STEPS_DONE = WM_APP + 2,
    };

    // Sizes measured once a drive has matched, in client coordinates.
    struct OUTCOME_LAYOUT
    {
        int cxWindow;  // the dialog's outer size
        int cyWindow;
        int xOk;  // where the OK button goes in the final layout
        int yOk;
        int cyOk;  // the OK button's height: what the busy layout drops
    };

    void MeasureLayout(OUTCOME_LAYOUT& layout);
    void ShowNotFound();
    void ShowBusy(const OUTCOME_LAYOUT& layout);
    void ShowProgressBar(const OUTCOME_LAYOUT& layout);
    RECT GetProgressBarRect(const OUTCOME_LAYOUT& layout);
    void HideProgressBar();
    void ShowOutcome(const char* pszMessage, const OUTCOME_LAYOUT& layout);
    // The outcome of the space check and the copy.
    void ShowBusyOutcome(const OUTCOME_LAYOUT& layout);
    // String nID formatted with the device name.
    CString FormatWithDeviceName(UINT nID) const;

    // The busy phase: the space check and the copy on the worker thread,
    // this thread handling messages until their outcome is shown.
    void RunBusySteps();
    static UINT BusyStepsThread(LPVOID pThis);
    void PumpWhileBusy();
    // Once the worker has ended: shows the outcome, ends the busy phase.
    void EndBusyPhase();

    CUpdateObserver* m_pObserver;
    CCopyProgressRelay m_relay;
    CWorkerThread m_worker;
    bool m_bBusy;
    OUTCOME_LAYOUT m_busyLayout;

    DECLARE_MESSAGE_MAP()
};
