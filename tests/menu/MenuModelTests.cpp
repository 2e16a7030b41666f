// MenuModelTests.cpp: loading menus into owner-drawn trees, the look setting, pictures, teardown.
#include <gtest/gtest.h>
#include <algorithm>
#include "MenuTestSupport.h"
#include "res/resource.h"

namespace
{
/// Which picture of the toolbar strip the record carries: its number, -1 for none, -2 unknown.
int PictureOf(const MenuItemData& record, UINT nIDToolbar, int cx, int cy)
{
    if (record.m_nImageSource == -1)
        return -1;
    COwnerDrawMenu loader;
    CImageListHandle strip(::ImageList_Create(cx, cy, ILC_COLORDDB | ILC_MASK, 1, 1));
    if (!loader.LoadImageBitmap(strip.Get(), nIDToolbar))
        return -2;
    CCanvas mine(cx, cy);
    ::ImageList_Draw(record.m_pImageList.Get(), record.m_nImageIndex, mine, 0, 0, ILD_TRANSPARENT);
    for (int n = 0; n < ::ImageList_GetImageCount(strip.Get()); ++n)
    {
        CCanvas theirs(cx, cy);
        ::ImageList_Draw(strip.Get(), n, theirs, 0, 0, ILD_TRANSPARENT);
        if (mine.SameAs(theirs))
            return n;
    }
    return -2;
}

const MenuItemData* RecordOf(COwnerDrawMenu& menu, UINT nID)
{
    int nPos = -1;
    COwnerDrawMenu* pFound = menu.FindCommand(nID, nPos);
    return pFound ? pFound->m_items[nPos].get() : nullptr;
}
}

TEST(MenuLook, DisableXPMenuStyleChoosesLookSizeAndToolbar)
{
    CMenuTestApp app;
    struct Case { int nStored; bool bAsText; int nFlat; int cx; int cy; UINT nToolbar; };
    const Case kCases[] = {
        { 0, false, 1, 20, 20, IDR_TOOLBAR_FLAT },
        { 1, false, 0, 16, 15, IDR_TOOLBAR_CLASSIC },
        { 2, false, -1, 20, 20, IDR_TOOLBAR_FLAT },   // not 0: large pictures, yet not the flat look
        { 1, true, 0, 16, 15, IDR_TOOLBAR_CLASSIC },  // as the settings store writes it
    };
    for (const Case& c : kCases)
    {
        CMenuLook look(c.nStored, c.bAsText);
        COwnerDrawMenu menu;
        EXPECT_EQ(c.nFlat, menu.m_bFlatLook) << c.nStored;
        EXPECT_EQ(c.nFlat, g_bFlatLook) << c.nStored;
        EXPECT_EQ(c.cx, menu.m_nIconWidth) << c.nStored;
        EXPECT_EQ(c.cy, menu.m_nIconHeight) << c.nStored;
        EXPECT_EQ(c.nToolbar, menu.GetToolbarId()) << c.nStored;
    }
    COwnerDrawMenu menu;   // no value at all: the flat look
    EXPECT_EQ(1, menu.m_bFlatLook);
}

TEST(MenuModel, MainMenuIsABarOfPlainItemsOverOwnerDrawnPopups)
{
    CMenuTestApp app;
    COwnerDrawMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
    ASSERT_EQ(3, ::GetMenuItemCount(menu.m_hMenu));
    const char* kTitles[] = { "&File", "&Edit", "&Help" };
    for (int i = 0; i < 3; ++i)
    {
        char sz[64] = "";
        ::GetMenuStringA(menu.m_hMenu, i, sz, sizeof(sz), MF_BYPOSITION);
        EXPECT_STREQ(kTitles[i], sz);
        MENUITEMINFOA bar = {};
        bar.cbSize = sizeof(bar);
        bar.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoA(menu.m_hMenu, i, TRUE, &bar);
        EXPECT_EQ(0u, bar.fType & MFT_OWNERDRAW) << i;
        HMENU hPopup = ::GetSubMenu(menu.m_hMenu, i);
        EXPECT_TRUE(IsOwnedMenu(hPopup));
        COwnerDrawMenu* pPopup = PopupObject(menu, i);
        ASSERT_NE(nullptr, pPopup);
        ASSERT_EQ(::GetMenuItemCount(hPopup), static_cast<int>(pPopup->m_items.size()));
        for (int j = 0; j < ::GetMenuItemCount(hPopup); ++j)
        {
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_ID;
            ::GetMenuItemInfoA(hPopup, j, TRUE, &info);
            EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i << "/" << j;
            EXPECT_EQ(reinterpret_cast<ULONG_PTR>(pPopup->m_items[j].get()), info.dwItemData);
            if (info.fType & MFT_SEPARATOR)
            {
                EXPECT_EQ(0u, info.wID);
            }
        }
    }
    EXPECT_FALSE(IsOwnedMenu(menu.m_hMenu));

    // Labels before a tab gain spaces up to one column; a text without a tab stays as it was.
    COwnerDrawMenu* pFile = PopupObject(menu, 0);
    std::string strNew, strSaveAs, strExit;
    ASSERT_TRUE(pFile->GetItemText(ID_FILE_NEW, 0, strNew));
    ASSERT_TRUE(menu.GetItemText(ID_FILE_SAVE_AS, 0, strSaveAs));
    ASSERT_TRUE(pFile->GetItemText(static_cast<UINT>(PositionOf(pFile->m_hMenu, ID_APP_EXIT)), MF_BYPOSITION, strExit));
    EXPECT_EQ(0u, strNew.find("&New "));
    EXPECT_EQ("\tCtrl+N", strNew.substr(strNew.find('\t')));
    EXPECT_EQ("Save &As...", strSaveAs);
    EXPECT_EQ("E&xit", strExit);
    std::string strOpen, strSave;
    pFile->GetItemText(ID_FILE_OPEN, 0, strOpen);
    pFile->GetItemText(ID_FILE_SAVE, 0, strSave);
    HDC hdc = ::GetDC(nullptr);
    CGdiObject font = CreateMenuFont();
    HGDIOBJ hOld = ::SelectObject(hdc, font.Get());
    auto width = [hdc](const std::string& str) {
        SIZE size = {};
        ::GetTextExtentPoint32A(hdc, str.c_str(), static_cast<int>(str.size()), &size);
        return size.cx;
    };
    LONG cxWidest = width("&Browse this .VPP file in MIRADOR 2.x ");
    EXPECT_GE(width(strNew.substr(0, strNew.find('\t'))), cxWidest);
    EXPECT_GE(width(strOpen.substr(0, strOpen.find('\t'))), cxWidest);
    EXPECT_GE(width(strSave.substr(0, strSave.find('\t'))), cxWidest);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(nullptr, hdc);
}

TEST(MenuModel, ToolbarPicturesGoToTheirCommandsInBothLooks)
{
    CMenuTestApp app;
    for (int nDisable : { 0, 1 })
    {
        CMenuLook look(nDisable);
        COwnerDrawMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
        ASSERT_TRUE(menu.LoadToolbarImages(menu.GetToolbarId()));
        const std::pair<UINT, int> kExpected[] = {
            { ID_FILE_NEW, 0 }, { ID_FILE_OPEN, 1 }, { ID_FILE_SAVE, 2 }, { ID_EDIT_ADD, 3 },
            { ID_EDIT_REMOVE, 4 }, { ID_EDIT_EXTRACT, 5 }, { ID_FILE_BROWSE_MIRADOR, 6 }, { ID_APP_ABOUT, 7 },
            { ID_FILE_SAVE_AS, -1 }, { ID_APP_EXIT, -1 }, { ID_EDIT_SELECT_ALL, -1 }, { ID_HELP_CHECK_VERSION, -1 },
        };
        for (const auto& e : kExpected)
        {
            const MenuItemData* pRecord = RecordOf(menu, e.first);
            ASSERT_NE(nullptr, pRecord) << e.first;
            EXPECT_EQ(e.second, PictureOf(*pRecord, menu.GetToolbarId(), menu.m_nIconWidth, menu.m_nIconHeight))
                << "command " << e.first << ", look " << nDisable;
        }
        // The picture's item keeps its record as data and stays owner-drawn.
        COwnerDrawMenu* pFile = PopupObject(menu, 0);
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        ::GetMenuItemInfoA(pFile->m_hMenu, ID_FILE_OPEN, FALSE, &info);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW);
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(RecordOf(menu, ID_FILE_OPEN)), info.dwItemData);
    }
}

TEST(MenuModel, QuickJumpEntriesGetTheGamePictures)
{
    CMenuTestApp app;
    COwnerDrawMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_OPEN_POPUP));
    ASSERT_TRUE(menu.LoadToolbarImages(IDR_TOOLBAR_FLAT));
    EXPECT_EQ(8, PictureOf(*RecordOf(menu, ID_JUMP_SUMMONER), IDR_TOOLBAR_FLAT, 20, 20));
    EXPECT_EQ(9, PictureOf(*RecordOf(menu, ID_JUMP_REDFACTION), IDR_TOOLBAR_FLAT, 20, 20));
}

TEST(MenuModel, AMissingMenuOrToolbarFailsQuietly)
{
    CMenuTestApp app;
    COwnerDrawMenu menu;
    EXPECT_FALSE(menu.LoadMenu(999));
    EXPECT_EQ(nullptr, menu.m_hMenu);
    ASSERT_TRUE(menu.LoadMenu(IDR_LIST_POPUP));
    EXPECT_FALSE(menu.LoadToolbarImages(999));
    EXPECT_EQ(-1, RecordOf(menu, ID_EDIT_ADD)->m_nImageSource);
}

TEST(MenuModel, ItemsAddedLaterBecomeOwnerDrawnAndKeepTheirState)
{
    CMenuTestApp app;
    COwnerDrawMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_LIST_POPUP));
    int nPos = -1;
    COwnerDrawMenu* pPopup = menu.FindCommand(ID_EDIT_ADD, nPos);
    ASSERT_NE(nullptr, pPopup);
    // Another part of the program adds a separator that starts a new column, and a grayed item.
    ::AppendMenuA(pPopup->m_hMenu, MF_SEPARATOR | MF_MENUBARBREAK, 0, nullptr);
    ::AppendMenuA(pPopup->m_hMenu, MF_STRING | MF_GRAYED, 40001, "Later");
    pPopup->SyncWithMenu();
    const int nCount = ::GetMenuItemCount(pPopup->m_hMenu);
    ASSERT_EQ(static_cast<size_t>(nCount), pPopup->m_items.size());
    struct { int nPos; UINT nMustHave; } kCases[] = {
        { nCount - 2, MF_SEPARATOR | MF_MENUBARBREAK | MF_OWNERDRAW },
        { nCount - 1, MF_GRAYED | MF_OWNERDRAW },
    };
    for (const auto& c : kCases)
        EXPECT_EQ(c.nMustHave, ::GetMenuState(pPopup->m_hMenu, c.nPos, MF_BYPOSITION) & c.nMustHave) << c.nPos;
}

TEST(MenuTeardown, AContextMenuIsDestroyedOnceWithItsPopups)
{
    CMenuTestApp app;
    size_t nOwnedBefore = g_ownedMenus.size();
    COwnerDrawMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_LIST_POPUP));
    HMENU hPopup = ::GetSubMenu(menu.m_hMenu, 0);
    EXPECT_TRUE(IsOwnedMenu(hPopup));
    long nDestroyed = COwnerDrawMenu::s_nMenusDestroyed;
    EXPECT_TRUE(menu.DestroyMenu());
    EXPECT_EQ(nDestroyed + 1, COwnerDrawMenu::s_nMenusDestroyed);   // the root takes its popup along
    EXPECT_FALSE(::IsMenu(hPopup));
    EXPECT_FALSE(IsOwnedMenu(hPopup));
    EXPECT_EQ(nOwnedBefore, g_ownedMenus.size());
    EXPECT_TRUE(menu.m_items.empty());
    // Loaded again, as on the next right click.
    EXPECT_TRUE(menu.LoadMenu(IDR_LIST_POPUP));
}

TEST(MenuTeardown, AMenuTheWindowDestroyedIsNotDestroyedAgain)
{
    CMenuTestApp app;
    long nDestroyed = COwnerDrawMenu::s_nMenusDestroyed;
    std::vector<HMENU> arrFresh;
    {
        COwnerDrawMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
        HMENU hBar = menu.Detach();
        ::DestroyMenu(hBar);   // what the window does with its menu bar when it goes
        // Menus made afterwards may take the freed handles' places.
        for (int i = 0; i < 8; ++i)
            arrFresh.push_back(::CreatePopupMenu());
    }
    EXPECT_EQ(nDestroyed, COwnerDrawMenu::s_nMenusDestroyed);
    for (HMENU hMenu : arrFresh)
    {
        EXPECT_TRUE(::IsMenu(hMenu));
        ::DestroyMenu(hMenu);
    }
}

namespace
{
int s_nWindowsCreated = 0;
LRESULT CALLBACK CountCreations(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND)
        ++s_nWindowsCreated;
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}
}

TEST(MenuModel, PicturesComeWithoutAnyToolbarWindow)
{
    CMenuTestApp app;
    COwnerDrawMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
    s_nWindowsCreated = 0;
    HHOOK hHook = ::SetWindowsHookExA(WH_CBT, &CountCreations, nullptr, ::GetCurrentThreadId());
    BOOL bLoaded = menu.LoadToolbarImages(IDR_TOOLBAR_CLASSIC);
    int nByLoading = s_nWindowsCreated;
    ::DestroyWindow(::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    ::UnhookWindowsHookEx(hHook);
    EXPECT_TRUE(bLoaded);
    EXPECT_EQ(0, nByLoading);
    EXPECT_LE(1, s_nWindowsCreated);   // the hook does see windows being made
}
