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
//
// After Updated, an Eject button beside Close asks the host to eject the
// device, on the worker thread too; the window keeps answering, and the
// message then says whether the device can be unplugged or what holds it.
//
// For whoever is not looking at the window: while the busy layout shows,
// the caption and the taskbar button show the copy's percentage; the
// outcome is announced to screen readers and flashes the taskbar button of
// a window that is not in front.
#pragma once

#include "Afx.h"
#include "CopyProgressRelay.h"
#include "EjectRequest.h"
#include "TaskbarButton.h"
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

    // Before DoModal: the taskbar list to show the progress with instead of
    // the shell's (see CTaskbarButton).
    void SetTaskbarList(ITaskbarList3* pList) { m_taskbar.UseList(pList); }

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
    // The Eject button; from the worker thread: the eject has been asked.
    void OnEject();
    LRESULT OnEjectDone(WPARAM, LPARAM);
    // Moved to a monitor of another scale.
    LRESULT OnDpiChanged(WPARAM, LPARAM lParam);
    LRESULT OnTaskbarButtonCreated(WPARAM, LPARAM);
    LRESULT OnDestroyWindow(WPARAM, LPARAM);

    CStatic m_ctlMessage;
    HICON m_hIcon;
    int m_bRetry;
    CUpdateEngine m_engine;
    CProgressCtrl m_ctlProgress;
    CButton m_ctlEject;

private:
    // Messages the worker thread posts to the dialog.
    enum
    {
        WM_COPY_PROGRESS = WM_APP + 1,
        WM_BUSY_STEPS_DONE = WM_APP + 2,
        WM_EJECT_DONE = WM_APP + 3,
    };

    // Sizes measured once a drive has matched, in client coordinates.
    struct OUTCOME_LAYOUT
    {
        int cxWindow;  // the dialog's outer size
        int cyWindow;
        int xOk;  // where the OK button goes in the final layout
        int yOk;
        int cxOk;
        int cyOk;  // the OK button's height: what the busy layout drops
    };

    void MeasureLayout(OUTCOME_LAYOUT& layout);
    void ShowNotFound();
    void ShowBusy(const OUTCOME_LAYOUT& layout);
    // pszName: what a screen reader calls the bar (the busy text).
    void ShowProgressBar(const OUTCOME_LAYOUT& layout, const char* pszName);
    // cyBusyClient: the client area's height in the busy layout.
    RECT GetProgressBarRect(int cyBusyClient);
    void HideProgressBar();
    // The copy's percentage in the caption and on the taskbar button.
    void ShowPercent(int nPercent);
    // bEjectButton: the Updated outcome's Eject button beside Close.
    void ShowOutcome(const char* pszMessage, const OUTCOME_LAYOUT& layout, bool bEjectButton = false);
    // A new message in the message line: read out to screen readers, and
    // the taskbar button flashes until the window is activated if it is
    // not in front.
    void AnnounceMessage();
    // Focus on Close (the default button), when the window is the active one.
    void FocusDefaultButton();
    // The outcome of the space check and the copy.
    void ShowBusyOutcome(const OUTCOME_LAYOUT& layout);
    // String nID formatted with the device name.
    CString FormatWithDeviceName(UINT nID) const;
    CString FormatPackageDamaged() const;
    // The Eject button left of Close, in the Updated outcome only, for a
    // module that has its label.
    void ShowEjectButton();
    // Left of OK, as large.
    RECT GetEjectButtonRect();
    void HideEjectButton();
    void ShowEjectOutcome();
    // The message of an eject that failed without a veto.
    CString FormatEjectFailed() const;
    static UINT EjectThread(LPVOID pThis);

    // The busy phase: the space check and the copy on the worker thread,
    // this thread handling messages until their outcome is shown.
    void RunBusySteps();
    static UINT BusyStepsThread(LPVOID pThis);
    void PumpWhileBusy();
    // Once the worker has ended: shows the outcome, ends the busy phase.
    void EndBusyPhase();

    CUpdateObserver* m_pObserver;
    CCopyProgressRelay m_relay;
    // The eject's: the window it reports to, what the host answered. They
    // outlive the worker, which a dialog closed during the eject waits for.
    HWND m_hEjectWindow;
    EJECT_OUTCOME m_eject;
    CWorkerThread m_worker;
    bool m_bBusy;
    // The layout of the current scan, measured again when the scale changes.
    OUTCOME_LAYOUT m_layout;
    // The caption as OnInitDialog set it; the busy layout's percentage in it.
    CString m_strCaption;
    int m_nPercent;
    CTaskbarButton m_taskbar;
    // The bar and the Eject button made here, not the template's: they are
    // placed again when the scale changes.
    bool m_bMadeProgress;
    bool m_bMadeEject;

    DECLARE_MESSAGE_MAP()
};
