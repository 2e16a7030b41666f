// OwnerDrawMenu.h: menus whose drop-down items the application draws itself, with the toolbar's
// pictures beside the commands, in a flat or a classic look.
#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <utility>
#include <vector>
#include "framework/win/Menu.h"
#include "menu/GdiHandles.h"

/// Operating-system family: 0 old 16-bit shell, 1 Windows 95 family, 2 old NT, 3 NT 4 or later.
extern int g_nPlatform;
/// Every popup menu the loader has created and not yet destroyed (duplicates allowed).
extern std::vector<HMENU> g_ownedMenus;
/// The look DrawItem uses: 1 the flat look; any other value the classic look.
extern int g_bFlatLook;

/// True on shells with 3-D menus (platform codes 1 and 3).
bool IsNewShell();
/// True when hMenu is in g_ownedMenus.
bool IsOwnedMenu(HMENU hMenu);

/** @brief One menu item's record, the item's data value in every measure and draw request. */
struct MenuItemData
{
    std::wstring m_text;            ///< text with "&" marker, a tab and the accelerator text
    int m_nImageIndex = -1;         ///< picture index in m_pImageList; -1 for none
    int m_nImageSource = -1;        ///< -1 when the item has no picture
    UINT m_nFlags = 0;              ///< MF_ flags the item was last given
    UINT_PTR m_nID = 0;             ///< command id; a popup's handle; 0 for a separator
    int m_bClaimed = 0;             ///< mark used while re-synchronising
    CImageListHandle m_pImageList;  ///< the item's own one-picture list (owned, may be empty)
};

/** @brief Owner-drawn menu tree: loads a menu resource, attaches pictures, measures and draws. */
class COwnerDrawMenu : public CMenu
{
public:
    COwnerDrawMenu();
    ~COwnerDrawMenu() override;

    void DrawItem(DRAWITEMSTRUCT* pDis) override;
    void MeasureItem(MEASUREITEMSTRUCT* pMis) override;
    /// Builds the owner-drawn tree of a menu resource under this object; 0 on failure.
    BOOL LoadMenu(UINT nIDResource);
    BOOL LoadMenu(const char* pszResourceName);
    /// Frees records and popup objects; destroys the menu when this object still owns it.
    BOOL DestroyMenu() override;

    /// Gives every item whose command is on the toolbar that button's picture, from the strip drawn
    /// for the scaling nearest the menus' DPI; the image column takes that strip's picture size.
    BOOL LoadToolbarImages(UINT nIDToolbar);
    /// Adds a 16-colour strip with its greys mapped to the button colours; false on failure.
    bool LoadImageBitmap(HIMAGELIST hList, UINT nIDBitmap);
    void AppendItem(const std::wstring& strText, UINT nFlags, UINT_PTR nID);
    /// Pads labels before their tab so the accelerator texts start in one column.
    void PadAcceleratorColumn();
    /// Copies picture nIndex of hSource into the record of every item of command nID.
    BOOL SetItemImage(UINT nID, HIMAGELIST hSource, int nIndex);
    /// Depth-first: the menu object and position of the first item of command nID, or null, -1.
    COwnerDrawMenu* FindCommand(UINT nID, int& nPos);
    /// The record's text as ANSI text, by position (MF_BYPOSITION) or by command.
    bool GetItemText(UINT nKey, UINT nFlags, std::string& strText);
    /// Rebuilds the records from the live menu after others inserted or relabelled items.
    void SyncWithMenu();
    /// WM_MENUCHAR: (position | MNC_EXECUTE << 16) of the item whose mnemonic is nChar, or 0.
    LRESULT HandleMenuChar(UINT nChar, UINT nFlags, HMENU hMenu);

    /// Context menus: loads menu resource nIDMenu with the pictures of the current look, tracks
    /// its first popup at ptScreen for hOwner and destroys it again. With bRelayMessages the
    /// owner's measure, draw, menu-key and popup messages are answered here while the menu is
    /// up (for owners that do not pass them on themselves). Returns TrackPopupMenu's result.
    /// The relay stays in the class rather than in the tests: it is the same answering code the
    /// frame uses, and any owner window without its own forwarding (a plain test window among them)
    /// needs exactly that; off by default, it costs nothing when unused.
    UINT TrackPopup(UINT nIDMenu, POINT ptScreen, HWND hOwner, UINT nFlags = TPM_LEFTALIGN | TPM_RIGHTBUTTON,
                    bool bRelayMessages = false);
    /// The toolbar whose pictures this object's look uses.
    UINT GetToolbarId() const;

    /// Answers WM_MEASUREITEM, WM_DRAWITEM, WM_MENUCHAR and (after the owner's own handling,
    /// which must have run) WM_INITMENUPOPUP for owned menus; false for anything else.
    static bool HandleOwnerMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult);

    int m_bFlatLook;                                      ///< 1 - "DisableXPMenuStyle"
    std::vector<std::unique_ptr<MenuItemData>> m_items;   ///< one record per item, in menu order
    std::vector<HMENU> m_subMenus;                        ///< popups created under this menu
    int m_nIconWidth = 20;    ///< the image column's picture size: 20 x 20 flat, 16 x 15 classic at 100 %
    int m_nIconHeight = 20;

    /// System menus destroyed by this class (whole trees count once), and items drawn. Kept as
    /// two plain counters, bumped on the GUI thread only: they are how a caller (the tests) can tell
    /// that no menu handle leaked and that a popup really was painted, which no Win32 call reports.
    static long s_nMenusDestroyed;
    static long s_nItemsDrawn;

private:
    using Visited = std::vector<std::pair<COwnerDrawMenu*, int>>;
    COwnerDrawMenu* FindCommand(UINT nID, int& nPos, const Visited& visited);
    void SetIconSize(int cx, int cy);   // this menu's and its popups
    static COwnerDrawMenu* FromHandle(HMENU hMenu);
    void DrawItemFlat(DRAWITEMSTRUCT* pDis, MenuItemData* pData, COLORREF crBar);
    void DrawItemClassic(DRAWITEMSTRUCT* pDis, MenuItemData* pData, COLORREF crBar);

    std::vector<std::unique_ptr<COwnerDrawMenu>> m_subObjects;   // the objects of m_subMenus
    bool m_bOwnsHandle = false;   // false once a popup hangs in its parent, which destroys it
};

/// Menu texts cross to and from the system's narrow calls in the ANSI code page.
std::string MenuTextToAnsi(const std::wstring& str);
std::wstring MenuTextToWide(const std::string& str);
/// The window whose device context measures menu texts: the main window, or the screen's.
HWND GetMenuMeasureWindow();
/// The DPI the menus are measured and drawn for: the main window's screen's.
int GetMenuDpi();

/// Each channel moved the fraction x of the way to 255 for 0 < x <= 1; otherwise c unchanged.
COLORREF LightenColor(COLORREF c, double x);
/// The menu font the system reports for the menus' DPI (a new font each call; the caller owns it).
CGdiObject CreateMenuFont();
/// Picture nIndex of the list drawn over the menu colour on a W x H bitmap compatible with hdc.
CGdiObject MakeImageBitmap(HDC hdc, HIMAGELIST hList, int nIndex, int cx, int cy);
/// The picture's shape in the shadow colour with a highlight copy one pixel lower right, on crBack.
void DrawEmbossedImage(HDC hdc, int x, int y, int cx, int cy, HBITMAP hbmSource, COLORREF crBack);
/// Tick and dot; nScale > 1 draws them that many times larger (whole pixels, for large DPIs).
void DrawTick(HDC hdc, int x, int y, COLORREF cr, int nScale = 1);
void DrawRadioDot(HDC hdc, int x, int y, COLORREF cr, int nScale = 1);

/** @brief Draws into a bitmap the size of a rectangle and copies it to the target in one step. */
class COffscreenDC
{
public:
    COffscreenDC(HDC hdcTarget, const RECT& rc);
    ~COffscreenDC();
    COffscreenDC(const COffscreenDC&) = delete;
    COffscreenDC& operator=(const COffscreenDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    CGdiObject m_bitmap;            // the picture (owned)
    HGDIOBJ m_hOldBitmap = nullptr; // what it replaced in the off-screen context
    HDC m_hdcTarget;
    RECT m_rect;
    int m_bOffscreen = 0;           // 0: the target's own context is borrowed (printing)
    HDC m_hdc = nullptr;
};
