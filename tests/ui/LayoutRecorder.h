// Records, on the thread that runs a dialog, the texts set on its windows,
// which controls are shown or hidden and how the dialog is sized: what the
// platform tells the windows, seen through a message hook, so that layouts
// that last only while the scan blocks the thread can be checked afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct LAYOUT_EVENT
{
    UINT nMessage;        // WM_SETTEXT, WM_SHOWWINDOW, WM_WINDOWPOSCHANGED or WM_ICONERASEBKGND
    int nID;              // control id; 0 for the dialog itself
    std::string strText;  // WM_SETTEXT
    bool bShow;           // WM_SHOWWINDOW
    WINDOWPOS pos;        // WM_WINDOWPOSCHANGED
};

class CLayoutRecorder
{
public:
    CLayoutRecorder();
    ~CLayoutRecorder();
    CLayoutRecorder(const CLayoutRecorder&) = delete;
    CLayoutRecorder& operator=(const CLayoutRecorder&) = delete;

    const std::vector<LAYOUT_EVENT>& Events() const;
    // Texts set on control nID (0: the dialog), in order.
    std::vector<std::string> TextsOf(int nID) const;
    // Whether control nID was ever shown.
    bool WasShown(int nID) const;
    // Heights the dialog was sized to, in order.
    std::vector<int> DialogHeights() const;
    // Where the dialog moved control nID, in order.
    std::vector<POINT> MovesOf(int nID) const;
    // How often the dialog was asked to erase the background of its icon
    // (it asks itself whenever it paints minimised).
    int IconErasures() const;
};
