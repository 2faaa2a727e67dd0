// CCmdTarget: the root of every class that has a message map.
#pragma once

#include "AfxMsgMap.h"

class CCmdTarget
{
public:
    CCmdTarget() = default;
    CCmdTarget(const CCmdTarget&) = delete;
    CCmdTarget& operator=(const CCmdTarget&) = delete;
    virtual ~CCmdTarget() = default;

    // Looks the message up in the map chain and calls its handler. Returns
    // FALSE when no entry handles it; *pResult then stays unchanged.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    // A command (menu item, button, accelerator) by id: TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID);

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;

private:
    const AFX_MSGMAP_ENTRY* FindEntry(UINT message, UINT nID) const;
};
