#include "AfxCmdTarget.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, nullptr}};
    static const AFX_MSGMAP messageMap = {nullptr, entries};
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT message, UINT nID) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap; pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->nMessage; ++pEntry) {
            if (pEntry->nMessage == message && pEntry->nID == nID)
                return pEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message == WM_COMMAND)
        return FALSE;  // commands go through OnCmdMsg
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(message, 0);
    if (!pEntry)
        return FALSE;
    *pResult = pEntry->pfnThunk(this, wParam, lParam);
    return TRUE;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID)
{
    const AFX_MSGMAP_ENTRY* pEntry = FindEntry(WM_COMMAND, nID);
    if (!pEntry)
        return FALSE;
    pEntry->pfnThunk(this, nID, 0);
    return TRUE;
}
