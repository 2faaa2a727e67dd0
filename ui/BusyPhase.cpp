// The busy phase of the update dialog: the space check and the copy, which
// may take a minute on a slow stick, run on a worker thread while this
// thread goes on handling the window's messages, so that the window
// repaints, can be moved and never looks hung. The engine is the worker's
// alone until it has ended; the dialog only shows the progress the engine
// reports and, at the end, the outcome.
#include "UpdateDlg.h"

void CUpdateDlg::RunBusySteps()
{
    m_relay.Start(m_hWnd, WM_COPY_PROGRESS, m_pObserver);
    m_engine.SetObserver(&m_relay);
    m_bBusy = true;
    if (!m_worker.Start(BusyStepsThread, this)) {
        // No thread to be had: the steps run here, as they did before
        // there was one, and the window waits for them.
        BusyStepsThread(this);
        EndBusyPhase();
        return;
    }
    PumpWhileBusy();
}

UINT CUpdateDlg::BusyStepsThread(LPVOID pThis)
{
    CUpdateDlg* pDlg = static_cast<CUpdateDlg*>(pThis);
    if (pDlg->m_engine.CheckRoom())
        pDlg->m_engine.CopyPackage();
    // Wakes a message loop that doesn't wait for this thread: the About
    // box's, when the user opened it meanwhile.
    PostMessageA(pDlg->m_hWnd, WM_BUSY_STEPS_DONE, 0, 0);
    return 0;
}

// The dialog's own message loop, with its keyboard handling, while the
// worker runs; it ends once the busy phase has. A quit message is kept for
// the loop that runs when this one is done.
void CUpdateDlg::PumpWhileBusy()
{
    bool bQuit = false;
    WPARAM nQuitCode = 0;
    while (m_bBusy) {
        // Messages already in the queue count too, not only new ones.
        HANDLE hWorker = m_worker.GetHandle();
        if (MsgWaitForMultipleObjectsEx(1, &hWorker, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0) {
            EndBusyPhase();
            break;
        }
        MSG msg;
        while (m_bBusy && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                bQuit = true;
                nQuitCode = msg.wParam;
            } else if (!IsDialogMessageA(m_hWnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    if (bQuit)
        PostQuitMessage(static_cast<int>(nQuitCode));
}

void CUpdateDlg::EndBusyPhase()
{
    if (!m_bBusy)
        return;
    m_worker.Wait();
    m_engine.SetObserver(m_pObserver);
    m_bBusy = false;
    ShowBusyOutcome(m_layout);
}

LRESULT CUpdateDlg::OnCopyProgress(WPARAM, LPARAM)
{
    // A message that comes after the outcome has nothing to show.
    if (!m_bBusy)
        return 0;
    const int nPosition = m_relay.TakePosition();
    if (m_ctlProgress.GetSafeHwnd())
        m_ctlProgress.SetPos(nPosition);
    ShowPercent(nPosition * 100 / CCopyProgressRelay::kRange);
    return 0;
}

LRESULT CUpdateDlg::OnBusyStepsDone(WPARAM, LPARAM)
{
    EndBusyPhase();
    return 0;
}
