#include "AfxMenu.h"

#include <map>
#include <memory>

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    static std::map<HMENU, std::unique_ptr<CMenu>> wrappers;
    if (!hMenu)
        return nullptr;
    std::unique_ptr<CMenu>& pMenu = wrappers[hMenu];
    if (!pMenu) {
        pMenu.reset(new CMenu);
        pMenu->m_hMenu = hMenu;
    }
    return pMenu.get();
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* pszNewItem)
{
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, pszNewItem);
}
