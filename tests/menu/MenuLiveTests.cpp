// MenuLiveTests.cpp: the owner-drawn menus of the running editor: popups, keys, leaks, pictures.
#include <gtest/gtest.h>
#include <functional>
#include "GuiHarness.h"
#include "MenuTestSupport.h"
#include "framework/win/RegistryKey.h"
#include "res/resource.h"

namespace
{
const char kRecentKey[] = "Software\\Kestrin Network\\Kestrin Manager QUARNEL\\Recent File List";

/** Runs something that opens a popup menu; once the popup is on screen and painted, calls the
    inspector with its window and closes the menu. */
class CMenuWatcher
{
public:
    static void Run(const std::function<void()>& fnOpen, const std::function<void(HWND)>& fnInspect,
                    UINT nKeyWhileOpen = 0, HWND hKeyTarget = nullptr, int nPaintTicks = 5)
    {
        s_nPaintTicks = nPaintTicks;
        s_fnInspect = fnInspect;
        s_nTicks = 0;
        s_nSeen = 0;
        s_nKey = nKeyWhileOpen;
        s_hKeyTarget = hKeyTarget;
        s_bSeen = false;
        ::SetTimer(nullptr, 0, 40, &Tick);
        fnOpen();
    }
    static bool s_bSeen;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR nId, DWORD)
    {
        HWND hPopup = FindPopupWindow();
        ++s_nTicks;
        if (hPopup && ++s_nSeen == 1 && s_nKey)
            ::PostMessageA(s_hKeyTarget, WM_KEYDOWN, s_nKey, 0);
        if (hPopup && s_nSeen < s_nPaintTicks)
            return;   // let it paint first
        if (!hPopup && s_nTicks < 50)
            return;
        ::KillTimer(nullptr, nId);
        if (hPopup)
        {
            s_bSeen = true;
            if (s_fnInspect)
                s_fnInspect(hPopup);
        }
        ::EndMenu();
    }
    static std::function<void(HWND)> s_fnInspect;
    static int s_nTicks, s_nSeen, s_nPaintTicks;
    static UINT s_nKey;
    static HWND s_hKeyTarget;
};
std::function<void(HWND)> CMenuWatcher::s_fnInspect;
int CMenuWatcher::s_nTicks = 0;
int CMenuWatcher::s_nSeen = 0;
int CMenuWatcher::s_nPaintTicks = 5;
UINT CMenuWatcher::s_nKey = 0;
HWND CMenuWatcher::s_hKeyTarget = nullptr;
bool CMenuWatcher::s_bSeen = false;

void RightClickRow(CGuiHarness& gui, int nRow)
{
    RECT rc = {};
    rc.left = LVIR_BOUNDS;
    ::SendMessageA(gui.List(), LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(&rc));
    ::SendMessageA(gui.List(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(rc.left + 20, (rc.top + rc.bottom) / 2));
}

void OpenBarPopup(CGuiHarness& gui, int nPos)
{
    HWND hFrame = gui.Frame()->m_hWnd;
    RECT rc = {};
    ::GetWindowRect(hFrame, &rc);
    ::TrackPopupMenu(::GetSubMenu(::GetMenu(hFrame), nPos), TPM_LEFTALIGN | TPM_RIGHTBUTTON, rc.left + 10 + 60 * nPos,
                     rc.top + 50, 0, hFrame, nullptr);
}

/// An archive of two members in a fresh folder.
std::string MakeTwoMemberArchive(const std::string& strName)
{
    std::string strFolder = MakeTestFolder(strName);
    WriteFileBytes(strFolder + "a.txt", 10);
    WriteFileBytes(strFolder + "b.txt", 20);
    MakeArchive(strFolder + "two.vpp", { strFolder + "a.txt", strFolder + "b.txt" });
    return strFolder + "two.vpp";
}
}

TEST(MenuLive, RecentFilesBecomeOwnerDrawnAndAmpersandsStayLiteral)
{
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    gui.m_pApp->AddToRecentFileList("C:\\R&D\\x.vpp");
    gui.m_pApp->AddToRecentFileList("C:\\Games\\y.vpp");
    HWND hFrame = gui.Frame()->m_hWnd;
    HMENU hFile = ::GetSubMenu(::GetMenu(hFrame), 0);
    ::SendMessageA(hFrame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hFile), MAKELPARAM(0, FALSE));

    auto* pFile = dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(hFile));
    ASSERT_NE(nullptr, pFile);
    ASSERT_EQ(::GetMenuItemCount(hFile), static_cast<int>(pFile->m_items.size()));
    for (int i = 0; i < ::GetMenuItemCount(hFile); ++i)
    {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_DATA;
        ::GetMenuItemInfoA(hFile, i, TRUE, &info);
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << i;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(pFile->m_items[i].get()), info.dwItemData) << i;
    }
    std::string strRecent;
    ASSERT_TRUE(pFile->GetItemText(ID_FILE_MRU_FILE2, 0, strRecent));
    EXPECT_EQ("&2 C:\\R&&D\\x.vpp", strRecent);

    // Menu keys through the frame, as the system asks while the File popup is open.
    auto menuChar = [&](char ch) {
        return ::SendMessageA(hFrame, WM_MENUCHAR, MAKEWPARAM(static_cast<BYTE>(ch), MF_POPUP),
                              reinterpret_cast<LPARAM>(hFile));
    };
    const LRESULT kExit = PositionOf(hFile, ID_APP_EXIT) | 0x20000;
    EXPECT_EQ(kExit, menuChar('x'));
    EXPECT_EQ(kExit, menuChar('X'));
    EXPECT_EQ(3 | 0x20000, menuChar('a'));
    EXPECT_EQ(PositionOf(hFile, ID_FILE_MRU_FILE2) | 0x20000, menuChar('2'));
    EXPECT_EQ(0, menuChar('q'));
    EXPECT_EQ(0, menuChar('d'));   // "R&&D" shows an ampersand; it marks no key
    EXPECT_EQ(0, ::SendMessageA(hFrame, WM_MENUCHAR, MAKEWPARAM('x', 0), reinterpret_cast<LPARAM>(hFile)));

    // Back to the placeholder: the records follow again.
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
    while (gui.m_pApp->GetRecentFileList()->GetSize())
        gui.m_pApp->GetRecentFileList()->Remove(0);
    ::SendMessageA(hFrame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hFile), MAKELPARAM(0, FALSE));
    EXPECT_EQ(::GetMenuItemCount(hFile), static_cast<int>(pFile->m_items.size()));
    EXPECT_TRUE(pFile->GetItemText(ID_FILE_MRU_FILE1, 0, strRecent));
    EXPECT_EQ("Recent File", strRecent);
}

TEST(MenuLive, ContextMenuIsDrawnAndLeavesNoOwnedHandleBehind)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ MakeTwoMemberArchive("menu-context") }));
    size_t nOwned = g_ownedMenus.size();
    long nDrawn = COwnerDrawMenu::s_nItemsDrawn;
    std::vector<HMENU> arrSeen;
    CMenuWatcher::Run([&] { RightClickRow(gui, 1); }, [&](HWND) { arrSeen = g_ownedMenus; });
    gui.Pump();
    ASSERT_TRUE(CMenuWatcher::s_bSeen);
    EXPECT_EQ(nOwned + 1, arrSeen.size());   // its one popup while it was open
    EXPECT_GT(COwnerDrawMenu::s_nItemsDrawn, nDrawn);
    EXPECT_EQ(nOwned, g_ownedMenus.size());
    EXPECT_FALSE(IsOwnedMenu(arrSeen.back()));
    EXPECT_TRUE(gui.View()->GetContextMenu().m_items.empty());
    EXPECT_EQ(nullptr, gui.View()->GetContextMenu().m_hMenu);
}

TEST(MenuLive, AHundredPopupsLeaveTheGdiCountWhereItWas)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ MakeTwoMemberArchive("menu-leak") }));
    auto openBoth = [&](int nTimes) {
        for (int i = 0; i < nTimes; ++i)
        {
            CMenuWatcher::Run([&] { RightClickRow(gui, 0); }, nullptr, 0, nullptr, 2);
            CMenuWatcher::Run([&] { OpenBarPopup(gui, 0); }, nullptr, 0, nullptr, 2);
            gui.Pump();
        }
    };
    openBoth(3);   // the system's own first-use allocations
    DWORD nSystemBefore = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    long nTally = GetMenuGdiTally();
    long nDrawn = COwnerDrawMenu::s_nItemsDrawn;
    openBoth(100);
    DWORD nSystemAfter = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    std::printf("GDI objects reported by the system: %lu before, %lu after; menu tally %ld; items drawn %ld\n",
                nSystemBefore, nSystemAfter, GetMenuGdiTally(), COwnerDrawMenu::s_nItemsDrawn - nDrawn);
    EXPECT_GT(COwnerDrawMenu::s_nItemsDrawn - nDrawn, 200);
    EXPECT_EQ(nTally, GetMenuGdiTally());
    if (nSystemBefore)
    {
        EXPECT_EQ(nSystemBefore, nSystemAfter);
    }
}

TEST(MenuLive, TrackPopupAnswersForAnOwnerThatDoesNotRelay)
{
    CMenuTestApp app;
    HWND hOwner = ::CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 100, 50, 50, nullptr, nullptr,
                                    ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hOwner);
    COwnerDrawMenu menu;
    long nDrawn = COwnerDrawMenu::s_nItemsDrawn;
    UINT nChosen = 0;
    CMenuWatcher::Run(
        [&] {
            nChosen = menu.TrackPopup(IDR_OPEN_POPUP, { 120, 120 }, hOwner, TPM_LEFTALIGN | TPM_RETURNCMD, true);
        },
        [&](HWND) { ::PostMessageA(hOwner, WM_KEYDOWN, VK_RETURN, 0); }, VK_DOWN, hOwner);
    EXPECT_TRUE(CMenuWatcher::s_bSeen);
    EXPECT_GT(COwnerDrawMenu::s_nItemsDrawn, nDrawn);
    EXPECT_TRUE(nChosen == 0 || nChosen == ID_JUMP_SUMMONER) << nChosen;
    EXPECT_EQ(nullptr, menu.m_hMenu);
    ::DestroyWindow(hOwner);
}

TEST(MenuLive, ScreenshotsOfThePopupsInBothLooks)
{
    std::string strArchive = MakeTwoMemberArchive("menu-shots");
    for (int nDisable : { 0, 1 })
    {
        CMenuLook look(nDisable);
        CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({ strArchive }));
        gui.m_pApp->AddToRecentFileList("C:\\R&D\\x.vpp");
        std::string strLook = nDisable ? "classic" : "flat";
        HWND hFrame = gui.Frame()->m_hWnd;
        CMenuWatcher::Run([&] { OpenBarPopup(gui, 0); },
                          [&](HWND h) { EXPECT_TRUE(CaptureScreenRegion(h, "menu_file_" + strLook)); }, VK_DOWN, hFrame);
        EXPECT_TRUE(CMenuWatcher::s_bSeen);
        CMenuWatcher::Run([&] { OpenBarPopup(gui, 1); },
                          [&](HWND h) { EXPECT_TRUE(CaptureScreenRegion(h, "menu_edit_" + strLook)); }, VK_DOWN, hFrame);
        EXPECT_TRUE(CMenuWatcher::s_bSeen);
        gui.SelectRow(0);   // the Edit popup above shows grayed pictures; the context menu none
        CMenuWatcher::Run([&] { RightClickRow(gui, 1); },
                          [&](HWND h) { EXPECT_TRUE(CaptureScreenRegion(h, "menu_context_" + strLook)); }, VK_DOWN,
                          hFrame);
        EXPECT_TRUE(CMenuWatcher::s_bSeen);
        // The open dialog's quick-jump menu, owned by the frame as the dialog shows it.
        COwnerDrawMenu jump;
        CMenuWatcher::Run([&] { jump.TrackPopup(IDR_OPEN_POPUP, { 300, 300 }, hFrame); },
                          [&](HWND h) { EXPECT_TRUE(CaptureScreenRegion(h, "menu_quickjump_" + strLook)); });
        EXPECT_TRUE(CMenuWatcher::s_bSeen);
        gui.Pump();
    }
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
}

TEST(MenuLive, TypingALetterInTheFilePopupPicksItsItem)
{
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    gui.m_pApp->AddToRecentFileList("C:\\R&D\\x.vpp");
    HWND hFrame = gui.Frame()->m_hWnd;
    HMENU hFile = ::GetSubMenu(::GetMenu(hFrame), 0);
    // The letter waits in the queue until the popup's own loop reads it; the watcher closes
    // the popup when the letter chose nothing.
    auto typeInFile = [&](char ch) {
        ::PostMessageA(hFrame, WM_CHAR, static_cast<BYTE>(ch), 0);
        UINT nChosen = 0;
        CMenuWatcher::Run(
            [&] {
                nChosen = static_cast<UINT>(
                    ::TrackPopupMenu(hFile, TPM_LEFTALIGN | TPM_RETURNCMD, 200, 200, 0, hFrame, nullptr));
            },
            nullptr, 0, nullptr, 8);
        return nChosen;
    };
    EXPECT_EQ(static_cast<UINT>(ID_APP_EXIT), typeInFile('x'));
    EXPECT_EQ(0u, typeInFile('d'));   // not the recent file C:\R&D\x.vpp
    EXPECT_EQ(static_cast<UINT>(ID_FILE_MRU_FILE1), typeInFile('1'));
    gui.Pump();
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
}

TEST(MenuLive, ClosingTheWindowReleasesTheMenuBarRecordsOnce)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CMainFrame* pFrame = gui.Frame();   // the application forgets its main window once it is gone
    HWND hFrame = pFrame->m_hWnd;
    HMENU hFile = ::GetSubMenu(::GetMenu(hFrame), 0);
    ASSERT_TRUE(IsOwnedMenu(hFile));
    long nDestroyed = COwnerDrawMenu::s_nMenusDestroyed;
    ::DestroyWindow(hFrame);   // as Exit does; the frame object lives on until the application ends
    EXPECT_FALSE(::IsMenu(hFile));
    EXPECT_FALSE(IsOwnedMenu(hFile));
    EXPECT_EQ(nullptr, CMenu::FromHandlePermanent(hFile));
    EXPECT_TRUE(pFrame->GetMainMenu().m_items.empty());
    EXPECT_EQ(nDestroyed, COwnerDrawMenu::s_nMenusDestroyed);   // the system destroyed the bar, not we
}
