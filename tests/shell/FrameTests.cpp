// FrameTests.cpp: names dropped on the frame and the list, the command line's switches, the
// status-line prompts of the system menu, the frame's edges and border, and the bars' ends.
#include <gtest/gtest.h>
#include "DropSupport.h"
#include "GuiHarness.h"
#include "framework/win/AnsiName.h"
#include "framework/win/WinApp.h"
#include "res/resource.h"

namespace
{
CCommandLineInfo Parsed(const std::vector<std::string>& arrArgs)
{
    CCommandLineInfo info;
    info.Parse(arrArgs);
    return info;
}

/// A file of nSize bytes at a path of any length (the wide API with the long-path prefix).
bool WriteLongPathFile(const std::wstring& strPath, size_t nSize)
{
    HANDLE hFile = ::CreateFileW((L"\\\\?\\" + strPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    std::string strData(nSize, 'x');
    DWORD cbWritten = 0;
    BOOL bOk = ::WriteFile(hFile, strData.data(), static_cast<DWORD>(strData.size()), &cbWritten, nullptr);
    ::CloseHandle(hFile);
    return bOk && cbWritten == nSize;
}
}

TEST(DroppedOnFrame, LongAndUnspellableNamesAreRefusedNeverCutOrGuessed)
{
    CTestFolder dir("drop-long");
    const std::string strFolder = dir.Path();
    // A 288-character name whose first 259 characters name another, existing archive.
    const size_t nLength = 288;
    std::string strLong = strFolder + std::string(nLength - strFolder.size() - 4, 'n') + ".vpp";
    ASSERT_EQ(nLength, strLong.size());
    ASSERT_TRUE(WriteArchive(strLong.substr(0, MAX_PATH - 1), { { "x.bin", "xxx" } }));
    ASSERT_TRUE(WriteLongPathFile(Widen(strLong), 0));

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    ::SendMessageA(gui.Frame()->m_hWnd, WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeWideHDrop({ Widen(strLong) })), 0);
    gui.Pump();
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ(strLong + "\r\nThis file name is too long to be opened.", box);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), box.nFlags);
    EXPECT_EQ("Kestrin Manager QUARNEL - Untitled", gui.Caption());
    EXPECT_EQ(0, gui.RowCount());

    // A name the code page cannot spell would turn into another name with "?" in it.
    ::SendMessageA(gui.Frame()->m_hWnd, WM_DROPFILES,
                   reinterpret_cast<WPARAM>(MakeWideHDrop({ Widen(strFolder) + L"\x4E2D\x6587.vpp" })), 0);
    gui.Pump();
    box = gui.TakeMessage();
    EXPECT_CONTAINS(box.strText, "code page cannot represent");
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), box.nFlags);
    EXPECT_EQ("Kestrin Manager QUARNEL - Untitled", gui.Caption());
}

TEST(DroppedNames, RoundTripDecidesForEveryCodePageUtf8Included)
{
    std::string str;
    EXPECT_TRUE(WideToAnsiName(L"caf\x00E9.vpp", 8, str, CP_UTF8));
    EXPECT_EQ("caf\xC3\xA9.vpp", str);
    EXPECT_TRUE(WideToAnsiName(L"\x4E2D.tga", 5, str, CP_UTF8));
    EXPECT_EQ("\xE4\xB8\xAD.tga", str);
    EXPECT_FALSE(WideToAnsiName(L"bad\xD800.tga", 8, str, CP_UTF8));   // a lone surrogate

    EXPECT_TRUE(WideToAnsiName(L"caf\x00E9.vpp", 8, str, 1252));
    EXPECT_EQ("caf\xE9.vpp", str);
    EXPECT_FALSE(WideToAnsiName(L"\x4E2D.tga", 5, str, 1252));        // no such letter: "?"
    EXPECT_FALSE(WideToAnsiName(L"\x0101.tga", 5, str, 1252));        // best fit would give "a"
    EXPECT_FALSE(WideToAnsiName(L"", 0, str, 1252));
}

TEST(DroppedOnList, EveryDropRefreshesTheListEvenWithoutUsableNames)
{
    CTestFolder dir("drop-refresh");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    DropOnList(gui, { Widen(dir.File("b.txt", 2)), Widen(dir.File("a.txt", 1)) });
    ASSERT_EQ((std::vector<std::string>{ "b.txt", "a.txt" }), gui.Column(0));
    ClickHeader(gui.List(), 0);
    ASSERT_EQ((std::vector<std::string>{ "a.txt", "b.txt" }), gui.Column(0));
    EXPECT_TRUE(::IsWindowVisible(gui.List()));   // drawing is back on after the sort

    // Only a name too long for a record: nothing to add, but the list shows the table again.
    DropOnList(gui, { Widen(dir.Path()) + std::wstring(300, L'z') });
    EXPECT_EQ((std::vector<std::string>{ "b.txt", "a.txt" }), gui.Column(0));
}

TEST(CommandLine, OnlyKnownSwitchesAreSwitches)
{
    CCommandLineInfo info = Parsed({ "/home/me/levels" });
    EXPECT_EQ(CCommandLineInfo::FileOpen, info.m_nShellCommand);
    EXPECT_EQ("/home/me/levels", info.m_strFileName);
    info = Parsed({ "-levels" });
    EXPECT_EQ(CCommandLineInfo::FileOpen, info.m_nShellCommand);
    EXPECT_EQ("-levels", info.m_strFileName);
    info = Parsed({ "-DDE" });
    EXPECT_EQ(CCommandLineInfo::FileDDE, info.m_nShellCommand);
    EXPECT_EQ("", info.m_strFileName);
    info = Parsed({ "/p", "maps.vpp" });
    EXPECT_EQ(CCommandLineInfo::FilePrint, info.m_nShellCommand);
    EXPECT_EQ("maps.vpp", info.m_strFileName);
    EXPECT_EQ(CCommandLineInfo::AppUnregister, Parsed({ "/UnregServer" }).m_nShellCommand);
    EXPECT_EQ(CCommandLineInfo::FileNew, Parsed({}).m_nShellCommand);
}

TEST(MainFrame, SystemMenuCommandsShowTheirPrompts)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    HWND hFrame = gui.Frame()->m_hWnd;
    HMENU hSysMenu = ::GetSystemMenu(hFrame, FALSE);
    const struct { UINT nCommand; const char* pszPrompt; } kCases[] = {
        { SC_SIZE, "Change the window size" },
        { SC_MOVE, "Change the window position" },
        { SC_MINIMIZE, "Reduce the window to an icon" },
        { SC_MAXIMIZE, "Enlarge the window to full size" },
        { SC_CLOSE, "Close the active window and prompts to save the documents" },
        { SC_RESTORE, "Restore the window to normal size" },
    };
    for (const auto& c : kCases)
    {
        ::SendMessageA(hFrame, WM_MENUSELECT, MAKEWPARAM(c.nCommand, MF_SYSMENU), reinterpret_cast<LPARAM>(hSysMenu));
        EXPECT_EQ(c.pszPrompt, gui.StatusPane(0)) << std::hex << c.nCommand;
    }
    // The menu closed: the idle text comes back.
    ::SendMessageA(hFrame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ("Ready", gui.StatusPane(0));
}

TEST(MainFrame, OneSunkenEdgeAroundTheListAndABorderUnderTheToolbar)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    HWND hList = gui.List();
    EXPECT_EQ(0, ::GetWindowLongA(hList, GWL_STYLE) & WS_BORDER);
    EXPECT_NE(0, ::GetWindowLongA(hList, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    RECT rcWindow = {}, rcClient = {};
    ::GetWindowRect(hList, &rcWindow);
    ::GetClientRect(hList, &rcClient);
    EXPECT_EQ(2 * ::GetSystemMetrics(SM_CXEDGE), (rcWindow.right - rcWindow.left) - rcClient.right);

    // The bar's last row is its border, a shadow line over the whole width; the list starts below.
    HWND hBar = gui.Frame()->GetToolBar().m_hWnd;
    RECT rcBar = {};
    ::GetWindowRect(hBar, &rcBar);
    EXPECT_EQ(rcBar.bottom, rcWindow.top);
    SaveWindowShot(gui.Frame()->m_hWnd, "frame-edges");
    HDC hdc = ::GetDC(nullptr);
    COLORREF crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(crShadow, ::GetPixel(hdc, rcBar.right - 4, rcBar.bottom - 1));
    EXPECT_EQ(crShadow, ::GetPixel(hdc, (rcBar.left + rcBar.right) / 2, rcBar.bottom - 1));
    EXPECT_NE(crShadow, ::GetPixel(hdc, rcBar.right - 4, rcBar.bottom - 2));
    ::ReleaseDC(nullptr, hdc);

    // The border row is added once, not again at every layout.
    HWND hFrame = gui.Frame()->m_hWnd;
    ::SetWindowPos(hFrame, nullptr, 0, 0, 700, 450, SWP_NOMOVE | SWP_NOZORDER);
    ::SetWindowPos(hFrame, nullptr, 0, 0, 780, 500, SWP_NOMOVE | SWP_NOZORDER);
    RECT rcAfter = {};
    ::GetWindowRect(hBar, &rcAfter);
    EXPECT_EQ(rcBar.bottom - rcBar.top, rcAfter.bottom - rcAfter.top);
}

TEST(MainFrame, BarsForgetTheWindowsThatDiedWithTheFrameAndTheEnableRuleCountsTheSelection)
{
    CTestFolder dir("bars");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    DropOnList(gui, { Widen(dir.File("a.txt", 1)), Widen(dir.File("b.txt", 2)) });
    EXPECT_FALSE(gui.Frame()->IsCommandEnabled(ID_EDIT_REMOVE));
    gui.SelectRow(1);
    EXPECT_TRUE(gui.Frame()->IsCommandEnabled(ID_EDIT_REMOVE));
    EXPECT_TRUE(gui.Frame()->IsCommandEnabled(ID_EDIT_EXTRACT));
    gui.SelectRow(1, false);
    EXPECT_FALSE(gui.Frame()->IsCommandEnabled(ID_EDIT_EXTRACT));

    CMainFrame* pFrame = static_cast<CMainFrame*>(gui.m_pApp->GetDocTemplate()->GetFrame());
    ASSERT_NE(nullptr, pFrame->GetToolBar().m_hWnd);
    ::DestroyWindow(pFrame->m_hWnd);
    EXPECT_EQ(nullptr, pFrame->GetToolBar().m_hWnd);
    EXPECT_EQ(nullptr, pFrame->GetStatusBar().m_hWnd);
}
