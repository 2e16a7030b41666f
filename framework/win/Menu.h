// Menu.h: the menu wrapper: one object per menu handle, owner-draw requests to virtual handlers.
#pragma once
#include <windows.h>

/** @brief Holds a menu handle; objects bound to a handle answer that menu's draw requests. */
class CMenu
{
public:
    CMenu() = default;
    virtual ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU GetSafeHmenu() const { return m_hMenu; }
    /// The object bound to hMenu, or null.
    static CMenu* FromHandlePermanent(HMENU hMenu);
    /// The bound object whose menu holds an item carrying this item data, or null.
    static CMenu* FromItemData(ULONG_PTR nItemData);

    bool Attach(HMENU hMenu);
    /// The object forgets the handle without destroying the menu.
    HMENU Detach();
    /// Destroys the menu and forgets the handle.
    virtual BOOL DestroyMenu();

    virtual void DrawItem(DRAWITEMSTRUCT* pDis) { (void)pDis; }
    virtual void MeasureItem(MEASUREITEMSTRUCT* pMis) { (void)pMis; }

    HMENU m_hMenu = nullptr;
};

/// The framework's default answer to WM_MEASUREITEM / WM_DRAWITEM for a menu item: the request
/// goes to the object bound to the menu that holds the item. True when an object took it.
bool DispatchMenuMeasureItem(MEASUREITEMSTRUCT* pMis);
bool DispatchMenuDrawItem(DRAWITEMSTRUCT* pDis);
