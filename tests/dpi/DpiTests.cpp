// DpiTests.cpp: the windows at 100, 125, 150 and 200 % display scaling. Wine reads the DPI once, when
// a process starts, so the test runs itself once per DPI as a child process that measures and
// photographs the windows; the parent compares what the four children saw.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include "GuiHarness.h"
#include "../menu/MenuTestSupport.h"
#include "../quickview/QuickViewSamples.h"
#include "QuarnelVersion.h"
#include "app/SplashDialog.h"
#include "config/SettingsStore.h"
#include "framework/win/Dpi.h"
#include "framework/win/RegistryKey.h"
#include "res/resource.h"
#include "ui/QuickViewWnd.h"

extern std::string g_strScreenshotFolder;
namespace
{
const int kDpis[] = { 96, 120, 144, 192 };
using Sizes = std::map<std::string, int>;

std::string ResultsPath(int nDpi) { return ExeFolder() + "dpi-sizes-" + std::to_string(nDpi) + ".txt"; }

/// Both places Wine (and Windows) read the DPI from when a process starts.
void SetLogPixels(int nDpi)
{
    const char* kKeys[] = { "Control Panel\\Desktop", "System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts" };
    for (int i = 0; i < 2; ++i)
    {
        CRegistryKey key;
        if (key.Create(i ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, kKeys[i]) == ERROR_SUCCESS)
            key.SetDword("LogPixels", static_cast<DWORD>(nDpi));
    }
}

/// The width of a text in a window's font, as the window would draw it.
int TextWidth(HWND hWnd, const std::string& strText)
{
    HDC hdc = ::GetDC(hWnd);
    HGDIOBJ hOld = ::SelectObject(hdc, reinterpret_cast<HFONT>(::SendMessageA(hWnd, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32A(hdc, strText.c_str(), static_cast<int>(strText.size()), &size);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(hWnd, hdc);
    return size.cx;
}

/// Photographs a window as it draws itself: from its own surface, not the screen, so a window on the
/// child's desktop beyond the 1024x768 X screen is taken whole.
void Shoot(HWND hWnd, const std::string& strName)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    HDC hdc = ::GetWindowDC(hWnd);
    SaveAreaShot(hdc, 0, 0, rc.right - rc.left, rc.bottom - rc.top, strName);
    ::ReleaseDC(hWnd, hdc);
}

/// What the main window shows of its DPI: its size, the toolbar's buttons and pictures, the rows,
/// the columns, the version's pane, the File popup's first item; and how many texts it cuts.
Sizes MeasureFrame(CGuiHarness& gui)
{
    Sizes sizes;
    CMainFrame* pFrame = gui.Frame();
    HWND hFrame = pFrame->m_hWnd;
    RECT rc = {};
    ::GetWindowRect(hFrame, &rc);
    sizes["window width"] = rc.right - rc.left;
    sizes["window height"] = rc.bottom - rc.top;
    HWND hBar = pFrame->GetToolBar().m_hWnd;
    sizes["toolbar button height"] = HIWORD(::SendMessageA(hBar, TB_GETBUTTONSIZE, 0, 0));
    int cxImage = 0, cyImage = 0;
    ::ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(::SendMessageA(hBar, TB_GETIMAGELIST, 0, 0)), &cxImage, &cyImage);
    sizes["toolbar picture"] = cyImage;
    rc = { LVIR_BOUNDS, 0, 0, 0 };
    ::SendMessageA(gui.List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
    sizes["row height"] = rc.bottom - rc.top;
    HWND hHeader = reinterpret_cast<HWND>(::SendMessageA(gui.List(), LVM_GETHEADER, 0, 0));
    const char* kHeaders[] = { "Filename", "Filesize", "Location" };
    for (int i = 0; i < 3; ++i)
    {
        int cx = static_cast<int>(::SendMessageA(gui.List(), LVM_GETCOLUMNWIDTH, i, 0));
        sizes["column " + std::to_string(i)] = cx;
        sizes["cut texts"] += TextWidth(hHeader, kHeaders[i]) + 12 > cx;
    }
    HWND hStatus = pFrame->GetStatusBar().m_hWnd;
    int arrEdges[3] = {};
    ::SendMessageA(hStatus, SB_GETPARTS, 3, reinterpret_cast<LPARAM>(arrEdges));
    sizes["status pane 2"] = arrEdges[2] - arrEdges[1];
    ::SendMessageA(hStatus, SB_GETRECT, 2, reinterpret_cast<LPARAM>(&rc));
    sizes["cut texts"] += TextWidth(hStatus, QUARNEL_VERSION_TEXT) + 6 > rc.right - rc.left;
    if (auto* pFile = dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(::GetSubMenu(::GetMenu(hFrame), 0))))
        sizes["file item height"] = MeasureRecord(*pFile, 0).cy;
    return sizes;
}

/// Opens a popup as the user would, photographs it once drawn and records the height of its first item.
void ShootMenu(CGuiHarness& gui, const std::string& strName, int& nItemHeight, const std::function<void()>& fnOpen)
{
    auto pnTicks = std::make_shared<int>(0);
    HWND hFrame = gui.Frame()->m_hWnd;
    WithSteps({ { "menu", [&, pnTicks](HWND hMenuWnd) {
                   if (++*pnTicks < 3)
                       return false;
                   HMENU hMenu = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
                   RECT rc = {};
                   ::GetMenuItemRect(hFrame, hMenu, 0, &rc);
                   nItemHeight = rc.bottom - rc.top;
                   Shoot(hMenuWnd, strName);
                   ::EndMenu();
                   return true;
               } } },
              fnOpen);
}
}

// The child: one start per menu look at the DPI this process was started with.
TEST(DpiChild, DISABLED_MeasureAndPhotographTheWindows)
{
    const int nDpi = GetSystemDpi();
    const std::string strShot = "dpi" + std::to_string(nDpi) + "-";
    CTestFolder dir("dpi" + std::to_string(nDpi));
    std::string strArchive = dir.Archive("maps.vpp", { { "level1.rfl", std::string(9, 'x') },
                                                       { "wall.tga", MakeTga(64, 48) },
                                                       { "Textures.tga", std::string(5000, 't') } });
    Sizes sizes;
    for (int nDisable : { 0, 1 })
    {
        CMenuLook look(nDisable);
        const std::string strLook = nDisable ? "classic" : "flat";
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({ strArchive }));
        HWND hFrame = gui.Frame()->m_hWnd;
        int nHeight = 0;
        for (int nPos : { 1, 0 })
            ShootMenu(gui, strShot + (nPos ? "menu-edit-" : "menu-file-") + strLook, nHeight, [&] {
                RECT rc = {};
                ::GetWindowRect(hFrame, &rc);
                ::TrackPopupMenu(::GetSubMenu(::GetMenu(hFrame), nPos), TPM_LEFTALIGN, rc.left + 10, rc.top + 50, 0, hFrame, nullptr);
            });
        sizes["menu item height " + strLook] = nHeight;
        gui.FocusRow(1);
        ShootMenu(gui, strShot + "menu-context-" + strLook, nHeight, [&] {
            RECT rc = { LVIR_BOUNDS, 0, 0, 0 };
            ::SendMessageA(gui.List(), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&rc));
            ::SendMessageA(gui.List(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(rc.left + 20, (rc.top + rc.bottom) / 2));
        });
        sizes["menu picture " + strLook] = gui.Frame()->GetMainMenu().m_nIconHeight;
        if (nDisable)
            continue;

        // The window, its bars and the list, in the flat look.
        for (const auto& size : MeasureFrame(gui))
            sizes[size.first] += size.second;
        RECT rc = {};
        Shoot(hFrame, strShot + "main-window");

        // The open dialog with its quick jump, the error details, Quick view with a picture.
        gui.Command(ID_FILE_OPEN, { { "", [&](HWND hDlg) {
                                         HWND hButton = ::GetDlgItem(hDlg, IDC_QUICKJUMP_BUTTON);
                                         ::GetWindowRect(hButton, &rc);
                                         sizes["quick jump height"] = rc.bottom - rc.top;
                                         sizes["cut texts"] += TextWidth(hButton, WindowText(hButton)) + 8 > rc.right - rc.left;
                                         Shoot(hDlg, strShot + "open-dialog");
                                         ::PostMessageA(hButton, BM_CLICK, 0, 0);
                                         return true;
                                     } },
                                    { "menu", [&](HWND hMenuWnd) {
                                         Shoot(hMenuWnd, strShot + "open-dialog-menu");
                                         return MenuKeys("Esc").fnAct(hMenuWnd);
                                     } },
                                    Press(IDCANCEL) });
        HWND hDetails = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ERROR_DETAILS), hFrame,
                                             [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ::SetDlgItemTextA(hDetails, IDC_ERROR_HEADER, "At least one file was not extracted. See below for details.");
        ::SetDlgItemTextA(hDetails, IDC_ERROR_DETAILS_TEXT, "level1.rfl\r\nSkipped since this file is not yet saved in a .VPP.");
        ::ShowWindow(hDetails, SW_SHOWNA);
        Shoot(hDetails, strShot + "error-details");
        ::DestroyWindow(hDetails);
        gui.FocusRow(1);
        ::SetFocus(gui.List());
        WriteSetting(CQuickViewWnd::kPlacementSetting, "");   // opened at its first place, beside the window
        gui.Key("F3");
        CQuickViewWnd* pView = gui.Frame()->GetQuickView();
        ASSERT_TRUE(pView && gui.WaitUntil([&] { return pView->ShownIndex() == 1; }, "the picture shown"));
        ::SetWindowPos(pView->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Shoot(pView->m_hWnd, strShot + "quickview-picture");
        sizes["quick view width"] = (::GetWindowRect(pView->m_hWnd, &rc), rc.right - rc.left);
        gui.Key("F3");
        gui.Command(ID_APP_ABOUT, { Look("", [&](HWND hDlg) { Shoot(hDlg, strShot + "about"); }) });
        CSplashDialog splash;
        ASSERT_TRUE(splash.Create());
        splash.Show();
        Shoot(splash.m_hWnd, strShot + "splash");
        BITMAP bm = {};
        ::GetObjectA(reinterpret_cast<HBITMAP>(::SendMessageA(FindPictureControl(splash.m_hWnd), STM_GETIMAGE, IMAGE_BITMAP, 0)),
                     sizeof(bm), &bm);
        ::GetClientRect(splash.m_hWnd, &rc);
        sizes["splash picture"] = bm.bmWidth;
        sizes["splash blank"] = rc.right - bm.bmWidth;
        sizes["splash height"] = rc.bottom;
    }
    std::ofstream out(ResultsPath(nDpi));
    for (const auto& size : sizes)
        out << size.first << '=' << size.second << '\n';
}

TEST(Dpi, WindowsGrowWithTheDpiAndKeepTheirTextsWhole)
{
    // Each child on a Wine desktop of its own (a new one each time: one that is closing may not take
    // windows any more), large enough for the 200 % windows.
    CRegistryKey desktops;
    ASSERT_EQ(ERROR_SUCCESS, desktops.Create(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops"));
    std::map<int, Sizes> seen;
    for (int nDpi : kDpis)
    {
        std::string strDesktop = "QuarnelDpi" + std::to_string(nDpi);
        desktops.SetString(strDesktop.c_str(), "2048x1536");
        SetLogPixels(nDpi);
        ::DeleteFileA(ResultsPath(nDpi).c_str());
        // The folder without its last backslash, which would make the closing quote a plain character.
        std::string strCommand = "\"" + ExeFolder() + "dpi_tests.exe\" --gtest_also_run_disabled_tests --gtest_filter=DpiChild.* "
                                 "--gtest_brief=1 \"--screenshots=" + g_strScreenshotFolder.substr(0, g_strScreenshotFolder.size() - 1) + "\"";
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        si.lpDesktop = &strDesktop[0];
        PROCESS_INFORMATION pi = {};
        ASSERT_TRUE(::CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        DWORD dwExit = 1;
        if (::WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0 || !::GetExitCodeProcess(pi.hProcess, &dwExit))
            ::TerminateProcess(pi.hProcess, 1);
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        EXPECT_EQ(0u, dwExit) << "at " << nDpi << " DPI";
        std::ifstream in(ResultsPath(nDpi));
        std::string strLine;
        while (std::getline(in, strLine))
            seen[nDpi][strLine.substr(0, strLine.find('='))] = std::stoi(strLine.substr(strLine.find('=') + 1));
    }
    SetLogPixels(96);

    // What grows with the text and the pictures: strictly at each step, about twice at 200 % (the
    // quick-jump button is as tall as the system dialog's file-type box, whatever that makes of it).
    for (const char* pszSize : { "toolbar button height", "toolbar picture", "row height", "menu item height flat",
                                 "menu item height classic", "menu picture flat", "menu picture classic", "quick jump height" })
    {
        for (size_t i = 1; i < 4; ++i)
            EXPECT_LT(seen[kDpis[i - 1]][pszSize], seen[kDpis[i]][pszSize]) << pszSize << " at " << kDpis[i];
        if (std::string(pszSize) != "quick jump height")
        {
            EXPECT_NEAR(2.0, seen[192][pszSize] / double(seen[96][pszSize]), 0.25) << pszSize;
        }
    }
    // The 96-DPI lengths scaled: columns, the version's pane, the window (as far as the screen allows).
    const int cxScreen = 2048, cyScreen = 1536;
    for (int nDpi : kDpis)
    {
        SCOPED_TRACE(std::to_string(nDpi) + " DPI");
        Sizes& at = seen[nDpi];
        EXPECT_EQ(0, at["cut texts"]);
        for (const auto& length : Sizes{ { "column 0", 160 }, { "column 1", 100 }, { "column 2", 480 }, { "status pane 2", 150 },
                                         { "quick view width", 620 } })
            EXPECT_EQ(::MulDiv(length.second, nDpi, 96), at[length.first]) << length.first;
        EXPECT_EQ(std::min(cxScreen, ::MulDiv(780, nDpi, 96)), at["window width"]);
        EXPECT_EQ(std::min(cyScreen, ::MulDiv(500, nDpi, 96)), at["window height"]);
        // The splash picture drawn at 1x or 2x, the nearer, and the window no larger than it.
        EXPECT_EQ(seen[96]["splash picture"] * (nDpi >= 168 ? 2 : 1), at["splash picture"]);
        EXPECT_EQ(seen[96]["splash height"] * (nDpi >= 168 ? 2 : 1), at["splash height"]);
        EXPECT_GE(0, at["splash blank"]);
    }
}

// Windows moves the window to a screen of 200 % and back: everything made for 96 DPI comes back
// exactly, the columns the user sized keep their share.
TEST(Dpi, AWindowMovedToA200PercentScreenAndBackLooksAsBefore)
{
    CTestFolder dir("dpi-move");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("maps.vpp", { { "level1.rfl", "rfl" }, { "wall.tga", MakeTga(8, 8) } }) }));
    HWND hFrame = gui.Frame()->m_hWnd;
    ::SendMessageA(gui.List(), LVM_SETCOLUMNWIDTH, 2, 301);
    RECT rcBefore = {};
    ::GetWindowRect(hFrame, &rcBefore);
    const Sizes before = MeasureFrame(gui);
    Shoot(hFrame, "dpi-move-before");

    RECT rcSuggested = { 10, 10, 10 + 1560, 10 + 1000 };
    ::SendMessageA(hFrame, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&rcSuggested));
    gui.Pump();
    Sizes at200 = MeasureFrame(gui);
    EXPECT_EQ((std::vector<int>{ 1560, 1000, 0, 320, 200, 602, 300 }),
              (std::vector<int>{ at200["window width"], at200["window height"], at200["cut texts"], at200["column 0"],
                                 at200["column 1"], at200["column 2"], at200["status pane 2"] }));
    for (const char* pszSize : { "toolbar button height", "toolbar picture", "row height", "file item height" })
        EXPECT_NEAR(2.0, at200[pszSize] / double(before.at(pszSize)), 0.25) << pszSize;
    Shoot(hFrame, "dpi-move-200");

    ::SendMessageA(hFrame, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&rcBefore));
    gui.Pump();
    EXPECT_EQ(before, MeasureFrame(gui));
    Shoot(hFrame, "dpi-move-after");
    EXPECT_EQ(ReadFileText(g_strScreenshotFolder + "dpi-move-before.bmp"), ReadFileText(g_strScreenshotFolder + "dpi-move-after.bmp"));

    // Quick view moves on its own, and comes back as it was too.
    WriteSetting(CQuickViewWnd::kPlacementSetting, "");
    gui.FocusRow(1);
    ::SetFocus(gui.List());
    gui.Key("F3");
    CQuickViewWnd* pView = gui.Frame()->GetQuickView();
    ASSERT_TRUE(pView && gui.WaitUntil([&] { return pView->ShownIndex() == 1; }, "the picture shown"));
    ::GetWindowRect(pView->m_hWnd, &rcBefore);
    Shoot(pView->m_hWnd, "dpi-move-quickview-before");
    rcSuggested = { 20, 20, 20 + 1240, 20 + 1040 };
    ::SendMessageA(pView->m_hWnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&rcSuggested));
    Shoot(pView->m_hWnd, "dpi-move-quickview-200");
    ::SendMessageA(pView->m_hWnd, WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&rcBefore));
    Shoot(pView->m_hWnd, "dpi-move-quickview-after");
    EXPECT_EQ(ReadFileText(g_strScreenshotFolder + "dpi-move-quickview-before.bmp"),
              ReadFileText(g_strScreenshotFolder + "dpi-move-quickview-after.bmp"));
}
