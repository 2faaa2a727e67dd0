// CMenu: a menu object wrapping one menu handle.
#pragma once

#include <windows.h>

class CMenu
{
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // The process's one wrapper for a menu handle (null for a null
    // handle). Wrappers live as long as the process; the program wraps
    // only its dialog's system menu.
    static CMenu* FromHandle(HMENU hMenu);

    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* pszNewItem = nullptr);

    HMENU m_hMenu = nullptr;
};
