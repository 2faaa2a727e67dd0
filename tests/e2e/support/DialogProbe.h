// Looking at and working another process's dialog from outside, as a user
// would: find its top-level dialog, read caption and control texts and
// visibility, press buttons, and wait for texts to change.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class CDebuggedProcess;

// The visible top-level dialog (class "#32770") of a process; null if none.
HWND FindProcessDialog(DWORD nProcessId);
// Any visible top-level window of a process, dialog or not; null if none.
HWND FindProcessWindow(DWORD nProcessId);
// Waits for its dialog; null when the process ends first or the time runs out.
HWND WaitForProcessDialog(const CDebuggedProcess& process, DWORD nTimeoutMs);
// Waits for the process to end, noting in *pShowedWindow whether any visible
// top-level window of it showed meanwhile; false when the time ran out.
bool WaitForExitWatchingWindows(const CDebuggedProcess& process, DWORD nTimeoutMs, bool* pShowedWindow);

std::string GetWindowTextOf(HWND hWnd);
std::string GetControlText(HWND hDlg, int nId);
// The texts of a dialog's static controls, one after the other: what a
// message box says.
std::string GetStaticTexts(HWND hDlg);
// The control's own visibility (its dialog is shown).
bool IsControlVisible(HWND hDlg, int nId);

// Presses a button the way its dialog hears of it: WM_COMMAND with
// BN_CLICKED from that button. Posted, so the caller never waits on the
// dialog's work.
bool PressButton(HWND hDlg, int nId);
// Clicks the button itself (BM_CLICK), posted the same way.
bool ClickButton(HWND hDlg, int nId);

// Polls until bCondition() holds; false when nTimeoutMs ran out first.
bool WaitUntil(const std::function<bool()>& bCondition, DWORD nTimeoutMs);
bool WaitForControlText(HWND hDlg, int nId, const std::string& strText, DWORD nTimeoutMs);

// What a watch of a dialog at work saw: how often it was asked, the
// longest it took to answer, and the positions its progress bar
// (IDC_BUSY_PROGRESS) showed, each different one once, in order.
struct BUSY_WATCH
{
    int nAsked = 0;
    int nUnanswered = 0;  // no answer within the watch's patience
    double nLongestMs = 0;
    std::vector<int> positions;
};

// Asks the dialog (WM_NULL) and reads its progress bar every few
// milliseconds until bDone() holds or nTimeoutMs ran out; an answer counts
// as missing after nPatienceMs.
BUSY_WATCH WatchDialogAtWork(HWND hDlg, const std::function<bool()>& bDone, DWORD nTimeoutMs, DWORD nPatienceMs);
