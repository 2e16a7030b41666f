// Menu.cpp
#include "framework/win/Menu.h"
#include <map>

namespace
{
/// Handle-to-object map of the bound menus (GUI thread only).
std::map<HMENU, CMenu*>& BoundMenus()
{
    static std::map<HMENU, CMenu*> s_map;
    return s_map;
}
}

CMenu::~CMenu()
{
    Detach();
}

CMenu* CMenu::FromHandlePermanent(HMENU hMenu)
{
    auto it = BoundMenus().find(hMenu);
    return it == BoundMenus().end() ? nullptr : it->second;
}

CMenu* CMenu::FromItemData(ULONG_PTR nItemData)
{
    if (!nItemData)
        return nullptr;
    for (const auto& bound : BoundMenus())
    {
        int nCount = ::GetMenuItemCount(bound.first);
        for (int i = 0; i < nCount; ++i)
        {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_DATA;
            if (::GetMenuItemInfoA(bound.first, i, TRUE, &info) && info.dwItemData == nItemData)
                return bound.second;
        }
    }
    return nullptr;
}

bool CMenu::Attach(HMENU hMenu)
{
    if (!hMenu || m_hMenu)
        return false;
    m_hMenu = hMenu;
    BoundMenus()[hMenu] = this;
    return true;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu)
    {
        auto it = BoundMenus().find(hMenu);
        if (it != BoundMenus().end() && it->second == this)
            BoundMenus().erase(it);
    }
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::DestroyMenu()
{
    HMENU hMenu = Detach();
    return hMenu ? ::DestroyMenu(hMenu) : FALSE;
}

bool DispatchMenuMeasureItem(MEASUREITEMSTRUCT* pMis)
{
    if (!pMis || pMis->CtlType != ODT_MENU)
        return false;
    CMenu* pMenu = CMenu::FromItemData(pMis->itemData);
    if (!pMenu)
        return false;
    pMenu->MeasureItem(pMis);
    return true;
}

bool DispatchMenuDrawItem(DRAWITEMSTRUCT* pDis)
{
    if (!pDis || pDis->CtlType != ODT_MENU)
        return false;
    // For a menu item the request names the menu that holds it.
    CMenu* pMenu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(pDis->hwndItem));
    if (!pMenu)
        return false;
    pMenu->DrawItem(pDis);
    return true;
}
