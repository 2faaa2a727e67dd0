// CWnd: a window object wrapping one window handle.
//
// A window object is attached to its handle while the window lives; the
// process-wide map of attached windows lets a handle lead back to its
// object. GetDlgItem hands out the attached object of a control when there
// is one, else a wrapper that this window owns and keeps until it is
// detached.
#pragma once

#include "AfxCmdTarget.h"

#include <map>
#include <memory>

class CMenu;

class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binds the object to a live window; fails when either is taken.
    BOOL Attach(HWND hWnd);
    HWND Detach();
    // The attached object of a window, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Attaches rControl to the control nID of this window, which detaches
    // it again when it is detached itself (its window is gone by then).
    BOOL BindControl(int nID, CWnd& rControl);

    CWnd* GetDlgItem(int nID);
    BOOL ShowWindow(int nCmdShow);
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    void SetWindowText(const char* pszText);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ScreenToClient(LPRECT lpRect) const;
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void UpdateWindow();
    // Centres the window on its owner, or on the work area when it has none
    // (or pAlternateOwner when given), keeping it inside the work area.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);
    CMenu* GetSystemMenu(BOOL bRevert) const;
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    BOOL IsIconic() const;

    HWND m_hWnd = nullptr;

protected:
    // Default processing of the message being handled.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Handles one message through the message map; the message is the
    // current one while its handler runs.
    BOOL WindowProc(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

private:
    MSG m_msgCur = {};
    std::map<HWND, std::unique_ptr<CWnd>> m_mapChildren;  // GetDlgItem wrappers
    std::map<HWND, CWnd*> m_mapBound;                     // BindControl objects
};
