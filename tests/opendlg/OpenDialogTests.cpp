// OpenDialogTests.cpp: File > Open with the quick jump to the game folders, driven as a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <cstring>
#include "GuiHarness.h"
#include "config/SettingsStore.h"
#include "res/resource.h"

namespace
{
/// What a test asks of the open dialog, and what the driver saw while it was up.
struct COpenDialogDriver
{
    enum Choice { CHOOSE_NOTHING, CHOOSE_SUMMONER, CHOOSE_RED_FACTION };

    // Set by the test.
    Choice nChoice = CHOOSE_NOTHING;
    std::string strExpectedFolder;   // wait for the dialog to show it (no backslash at the end)
    DWORD dwAtMostMs = 0;            // or this long at most, for a folder that must never show
    std::string strOpenFile;         // type this and press Open; empty: Cancel
    SIZE sizeGrow = { 0, 0 };        // resize the dialog by this much before the menu
    std::string strShotPrefix;       // screenshots of the dialog and of its menu

    // Seen by the driver.
    HWND hFrame = nullptr;
    bool bButtonVisible = false;
    std::string strButtonText;
    RECT rcButton = {}, rcTypeBox = {}, rcClient = {};   // frame client coordinates
    bool bReadOnlyBoxVisible = true;
    bool bFrameBoundToOurWindowLayer = true;
    bool bMenuSeen = false;
    UINT nSummonerState = 0, nRedFactionState = 0;
    POINT ptMenu = {}, ptButtonBottomLeft = {};
    std::string strFolder;
    bool bStillOpen = false;
};

RECT ClientRectOf(HWND hChild, HWND hFrame)
{
    RECT rc = {};
    ::GetWindowRect(hChild, &rc);
    ::MapWindowPoints(nullptr, hFrame, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

std::string FolderOf(HWND hFrame)
{
    char sz[MAX_PATH] = "";
    ::SendMessageA(hFrame, CDM_GETFOLDERPATH, sizeof(sz), reinterpret_cast<LPARAM>(sz));
    return sz;
}

/// Runs File > Open: looks at the dialog and clicks the quick-jump button, reads the menu and
/// chooses, then reads the folder back and ends the dialog; returns when the dialog has ended.
void RunOpenDialog(CGuiHarness& gui, COpenDialogDriver& d)
{
    gui.Command(ID_FILE_OPEN, {
        { "", [&](HWND hDlg) {
             d.hFrame = hDlg;
             HWND hButton = ::GetDlgItem(d.hFrame, IDC_QUICKJUMP_BUTTON);
             if (d.sizeGrow.cx || d.sizeGrow.cy)
             {
                 RECT rc = {};
                 ::GetWindowRect(d.hFrame, &rc);
                 ::SetWindowPos(d.hFrame, nullptr, 0, 0, rc.right - rc.left + d.sizeGrow.cx,
                                rc.bottom - rc.top + d.sizeGrow.cy, SWP_NOMOVE | SWP_NOZORDER);
             }
             d.bButtonVisible = ::IsWindowVisible(hButton) != FALSE;
             d.strButtonText = WindowText(hButton);
             d.rcButton = ClientRectOf(hButton, d.hFrame);
             d.rcTypeBox = ClientRectOf(::GetDlgItem(d.hFrame, cmb1), d.hFrame);
             ::GetClientRect(d.hFrame, &d.rcClient);
             HWND hReadOnly = ::GetDlgItem(d.hFrame, chx1);
             d.bReadOnlyBoxVisible = hReadOnly && ::IsWindowVisible(hReadOnly);
             d.bFrameBoundToOurWindowLayer = CWnd::FromHandle(d.hFrame) != nullptr ||
                                             ::GetWindowLongPtrA(d.hFrame, GWLP_USERDATA) != 0;
             RECT rcScreen = {};
             ::GetWindowRect(hButton, &rcScreen);
             d.ptButtonBottomLeft = { rcScreen.left, rcScreen.bottom };
             if (!d.strShotPrefix.empty())
                 SaveWindowShot(d.hFrame, d.strShotPrefix + "-dialog");
             ::PostMessageA(hButton, BM_CLICK, 0, 0);
             return true;
         } },
        { "menu", [&](HWND hMenuWnd) {
             d.bMenuSeen = true;
             HMENU hMenu = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
             d.nSummonerState = ::GetMenuState(hMenu, ID_JUMP_SUMMONER, MF_BYCOMMAND);
             d.nRedFactionState = ::GetMenuState(hMenu, ID_JUMP_REDFACTION, MF_BYCOMMAND);
             RECT rc = {};
             ::GetWindowRect(hMenuWnd, &rc);
             d.ptMenu = { rc.left, rc.top };
             if (!d.strShotPrefix.empty())
                 SaveWindowShot(::GetDesktopWindow(), d.strShotPrefix + "-menu");
             const char* kKeys[] = { "Esc", "Down Enter", "Up Enter" };
             return MenuKeys(kKeys[d.nChoice]).fnAct(hMenuWnd);
         } },
        When([&](HWND hDlg) {
                 // The jump has had its time once the folder shows.
                 d.strFolder = FolderOf(hDlg);
                 return d.strExpectedFolder.empty() || _stricmp(d.strFolder.c_str(), d.strExpectedFolder.c_str()) == 0;
             },
             { "", [&](HWND hDlg) {
                  d.bStillOpen = hDlg == d.hFrame && ::IsWindowVisible(hDlg);
                  if (!d.strShotPrefix.empty())
                      SaveWindowShot(hDlg, d.strShotPrefix + "-after");
                  if (d.strOpenFile.empty())
                      return Press(IDCANCEL).fnAct(hDlg);
                  return SaveAs(d.strOpenFile).fnAct(hDlg);   // the same name box and OK button
              } },
             d.dwAtMostMs),
    });
}

std::string GameKey(const char* pszGame)
{
    return std::string("\\Games Configuration\\") + pszGame;
}

/// Game folders as the shared configuration holds them; "" for a game that is not configured.
void ConfigureGames(const std::string& strSummoner, const std::string& strRedFaction)
{
    WriteSharedString(GameKey("Summoner 1"), "Path", strSummoner);
    WriteSharedString(GameKey("Red Faction 1"), "Path", strRedFaction);
}

/// A folder that looks like a game install: the game's program and a few archives.
std::string MakeGameFolder(const std::string& strName, const char* pszExe)
{
    CTestFolder dir(strName);
    dir.File(pszExe, 16);
    dir.Archive("levels.vpp", { { "level.txt", std::string(10, 'x') } });
    return dir.Path();
}

std::string WithoutBackslash(std::string str)
{
    if (!str.empty() && str.back() == '\\')
        str.pop_back();
    return str;
}
}

TEST(OpenDialog, QuickJumpShowsTheRedFactionFolderAndTheDialogStaysOpen)
{
    std::string strRf = MakeGameFolder("rf-install", "redfaction.exe");
    std::string strSummoner = MakeGameFolder("summoner-install", "summoner.exe");
    // Stored without the backslash: the jump adds it.
    ConfigureGames(WithoutBackslash(strSummoner), WithoutBackslash(strRf));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));

    COpenDialogDriver driver;
    driver.nChoice = COpenDialogDriver::CHOOSE_RED_FACTION;
    driver.strExpectedFolder = WithoutBackslash(strRf);
    driver.strShotPrefix = "opendlg-quickjump";
    RunOpenDialog(gui, driver);

    ASSERT_NE(nullptr, driver.hFrame);
    EXPECT_TRUE(driver.bButtonVisible);
    EXPECT_EQ("Quick jump to game directory >", driver.strButtonText);
    // Below the file-type box by 60 pixels, as wide and as high as the box, inside the dialog.
    EXPECT_EQ(driver.rcTypeBox.top + 60, driver.rcButton.top);
    EXPECT_EQ(driver.rcTypeBox.left, driver.rcButton.left);
    EXPECT_EQ(driver.rcTypeBox.right, driver.rcButton.right);
    EXPECT_LE(driver.rcButton.bottom, driver.rcClient.bottom);
    EXPECT_FALSE(driver.bReadOnlyBoxVisible);
    EXPECT_FALSE(driver.bFrameBoundToOurWindowLayer);

    ASSERT_TRUE(driver.bMenuSeen);
    EXPECT_FALSE(driver.nSummonerState & (MF_GRAYED | MF_DISABLED));
    EXPECT_FALSE(driver.nRedFactionState & (MF_GRAYED | MF_DISABLED));
    // The menu hangs from the button's bottom-left corner.
    EXPECT_EQ(driver.ptButtonBottomLeft.x, driver.ptMenu.x);
    EXPECT_EQ(driver.ptButtonBottomLeft.y, driver.ptMenu.y);

    EXPECT_STRCASEEQ(WithoutBackslash(strRf).c_str(), driver.strFolder.c_str());
    EXPECT_TRUE(driver.bStillOpen);
    EXPECT_EQ(0u, gui.m_messages.size());
}

TEST(OpenDialog, QuickJumpToSummonerThenOpenTakesTheArchive)
{
    std::string strSummoner = MakeGameFolder("summoner-open", "summoner.exe");
    ConfigureGames(strSummoner, "");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));

    COpenDialogDriver driver;
    driver.nChoice = COpenDialogDriver::CHOOSE_SUMMONER;
    driver.strExpectedFolder = WithoutBackslash(strSummoner);
    driver.strOpenFile = "levels.vpp";   // relative to the folder the jump showed
    char szBefore[MAX_PATH] = "", szAfter[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, szBefore);
    RunOpenDialog(gui, driver);
    // The dialog leaves the current folder where it was, so relative paths keep their meaning.
    ::GetCurrentDirectoryA(MAX_PATH, szAfter);
    EXPECT_STREQ(szBefore, szAfter);

    EXPECT_STRCASEEQ(WithoutBackslash(strSummoner).c_str(), driver.strFolder.c_str());
    EXPECT_EQ(0u, driver.nSummonerState & (MF_GRAYED | MF_DISABLED));
    EXPECT_NE(0u, driver.nRedFactionState & (MF_GRAYED | MF_DISABLED));
    ASSERT_NE(nullptr, gui.Doc());
    EXPECT_STRCASEEQ((strSummoner + "levels.vpp").c_str(), gui.Doc()->GetPathName().c_str());
    EXPECT_EQ(std::vector<std::string>{ "level.txt" }, gui.Column(0));
}

TEST(OpenDialog, NoGameConfiguredGraysBothEntriesAndCancelKeepsTheDocument)
{
    CTestFolder dir("open-cancel");
    const std::string strFolder = dir.Path();
    dir.Archive("kept.vpp", { { "a.txt", "aaaaa" } });
    ConfigureGames("", "");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strFolder + "kept.vpp" }));

    COpenDialogDriver driver;
    driver.nChoice = COpenDialogDriver::CHOOSE_NOTHING;
    driver.strShotPrefix = "opendlg-nogame";
    RunOpenDialog(gui, driver);

    ASSERT_TRUE(driver.bMenuSeen);
    EXPECT_NE(0u, driver.nSummonerState & (MF_GRAYED | MF_DISABLED));
    EXPECT_NE(0u, driver.nRedFactionState & (MF_GRAYED | MF_DISABLED));
    EXPECT_TRUE(driver.bStillOpen);
    EXPECT_EQ("Kestrin Manager QUARNEL - kept.vpp", gui.Caption());
    EXPECT_EQ(std::vector<std::string>{ "a.txt" }, gui.Column(0));
    EXPECT_FALSE(gui.Doc()->IsModified());
}

TEST(OpenDialog, AGamePathThatNamesAFileLeavesTheDialogWhereItWas)
{
    CTestFolder dir("open-filejump");
    std::string strArchive = dir.Archive("levels.vpp", { { "a.txt", "a" } });
    ConfigureGames("", strArchive);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));

    COpenDialogDriver driver;
    driver.nChoice = COpenDialogDriver::CHOOSE_RED_FACTION;
    driver.strExpectedFolder = strArchive;   // never shown: the driver waits the jump's whole time
    driver.dwAtMostMs = 3000;
    RunOpenDialog(gui, driver);
    EXPECT_TRUE(driver.bStillOpen);
    EXPECT_STRCASENE(strArchive.c_str(), driver.strFolder.c_str());
    EXPECT_EQ("Kestrin Manager QUARNEL - Untitled", gui.Caption());
    EXPECT_EQ(0u, gui.m_messages.size());
}

TEST(OpenDialog, ButtonFollowsTheFileTypeBoxWhenTheDialogIsResized)
{
    std::string strRf = MakeGameFolder("rf-resize", "redfaction.exe");
    ConfigureGames("", strRf);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));

    COpenDialogDriver driver;
    driver.nChoice = COpenDialogDriver::CHOOSE_RED_FACTION;
    driver.strExpectedFolder = WithoutBackslash(strRf);
    driver.sizeGrow = { 120, 90 };
    driver.strShotPrefix = "opendlg-resized";
    RunOpenDialog(gui, driver);

    ASSERT_NE(nullptr, driver.hFrame);
    EXPECT_TRUE(driver.bButtonVisible);
    // Still 60 pixels below the file-type box and exactly as wide as the box, which grew.
    EXPECT_EQ(driver.rcTypeBox.top + 60, driver.rcButton.top);
    EXPECT_EQ(driver.rcTypeBox.left, driver.rcButton.left);
    EXPECT_EQ(driver.rcTypeBox.right, driver.rcButton.right);
    EXPECT_LE(driver.rcButton.bottom, driver.rcClient.bottom);
    // The menu is placed from where the button is now.
    EXPECT_EQ(driver.ptButtonBottomLeft.x, driver.ptMenu.x);
    EXPECT_EQ(driver.ptButtonBottomLeft.y, driver.ptMenu.y);
    EXPECT_STRCASEEQ(WithoutBackslash(strRf).c_str(), driver.strFolder.c_str());
}

TEST(OpenDialog, JumpCommandsDoNothingWithoutTheDialog)
{
    std::string strRf = MakeGameFolder("rf-nodialog", "redfaction.exe");
    ConfigureGames("", strRf);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    // Enabled by the configuration alone, but with no dialog up there is nothing to move: not
    // before the dialog was ever open, nor after it has closed (nothing is left pointing at it).
    EXPECT_TRUE(gui.Frame()->IsCommandEnabled(ID_JUMP_REDFACTION));
    EXPECT_FALSE(gui.Frame()->IsCommandEnabled(ID_JUMP_SUMMONER));
    char szBefore[MAX_PATH] = "", szAfter[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, szBefore);
    gui.Command(ID_JUMP_REDFACTION, {});   // no window may come up
    ASSERT_EQ(1u, gui.Command(ID_FILE_OPEN, { Press(IDCANCEL) }).size());
    gui.Command(ID_JUMP_REDFACTION, {});
    ::GetCurrentDirectoryA(MAX_PATH, szAfter);
    EXPECT_STREQ(szBefore, szAfter);
    EXPECT_EQ("Kestrin Manager QUARNEL - Untitled", gui.Caption());
    EXPECT_EQ(0u, gui.m_messages.size());
}
