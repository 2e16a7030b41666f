// ViewerLaunchTests.cpp: Browse in MIRADOR against a stand-in viewer started through the shell.
#include <gtest/gtest.h>
#include <windows.h>
#include "GuiHarness.h"
#include "app/AnnouncementDialog.h"
#include "app/ViewerLaunch.h"
#include "config/SettingsStore.h"
#include "res/resource.h"

namespace
{
std::string StandInPath()
{
    return ExeFolder() + "mirador_standin.exe";
}

/// Where the stand-in writes its parameters; emptied for each test.
std::string LogPath()
{
    static const std::string s_strLog = CTestFolder("viewer-log") + "viewer.log";
    return s_strLog;
}

/// Registers the stand-in as the installed viewer of nBuild, the way its installer would.
void RegisterStandIn(int nBuild)
{
    ProgramRun run = RunProgram(StandInPath(), { "/register", std::to_string(nBuild) });
    ASSERT_FALSE(run.bBoxSeen);
    ASSERT_EQ(0u, run.dwExit);
    ::SetEnvironmentVariableA("QUARNEL_VIEWER_LOG", LogPath().c_str());
    ::DeleteFileA(LogPath().c_str());
}

/// The parameters the stand-in was started with, once it has written them.
std::string WaitForViewer(CGuiHarness& gui)
{
    gui.WaitUntil([] { return ReadFileText(LogPath()) != "<missing>"; }, "the viewer to start", 20000);
    return ReadFileText(LogPath());
}

/// True when the stand-in was not started within the time given.
bool NoViewerWithin(CGuiHarness& gui, DWORD dwMs)
{
    gui.PumpFor(dwMs);
    return ReadFileText(LogPath()) == "<missing>";
}

/// An archive of the given members (100 bytes each) in a fresh folder; returns its path.
std::string MakeTestArchive(const std::string& strName, const std::vector<std::string>& arrMembers)
{
    std::vector<std::pair<std::string, std::string>> arrContents;
    for (const std::string& strMember : arrMembers)
        arrContents.push_back({ strMember, std::string(100, 'x') });
    return CTestFolder(strName).Archive(strName + ".vpp", arrContents);
}

/// What the Announcement dialog showed when it came up.
struct Announcement
{
    std::string strCaption, strFirstLine, strDescription;
    bool bFocusOnClose = false;
    bool bStillUpAfterDownload = false;
};
enum AnnouncementAction { CLOSE, PRESS_ENTER, CLICK_DOWNLOAD_THEN_CLOSE };

/// Reads the Announcement dialog, then does what the test asks for.
Step ReadAnnouncement(Announcement& seen, AnnouncementAction nAction, const std::string& strShot = std::string())
{
    return { "", [&seen, nAction, strShot](HWND hDlg) {
        seen.strCaption = WindowText(hDlg);
        seen.strFirstLine = ItemText(hDlg, IDC_ANNOUNCE_NOTICE);
        seen.strDescription = ItemText(hDlg, IDC_ANNOUNCE_DESCRIPTION);
        seen.bFocusOnClose = ::GetFocus() == ::GetDlgItem(hDlg, IDCANCEL);
        if (!strShot.empty())
            SaveWindowShot(hDlg, strShot);
        switch (nAction)
        {
        case PRESS_ENTER:
            PressKeys("Enter");   // a real key press on the focused control
            break;
        case CLICK_DOWNLOAD_THEN_CLOSE:
            ::SendMessageA(::GetDlgItem(hDlg, IDC_ANNOUNCE_DOWNLOAD), BM_CLICK, 0, 0);
            seen.bStillUpAfterDownload = ::IsWindowVisible(hDlg) != FALSE;
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            break;
        case CLOSE:
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            break;
        }
        return true;
    } };
}

/// Records the pages the Announcement dialog would open, for the life of the object.
struct CPageRecorder
{
    std::vector<std::string> arrPages;
    CPageRecorder()
    {
        CAnnouncementDialog::SetPageOpener([this](const std::string& str) { arrPages.push_back(str); });
    }
    ~CPageRecorder() { CAnnouncementDialog::SetPageOpener(nullptr); }
};
}

TEST(ViewerLaunch, MemberArgumentOnlyForNamesThatKeepTheCommandLineWhole)
{
    EXPECT_EQ(" @textures.peg", MakeViewerMemberArgument("textures.peg"));
    EXPECT_EQ(" @my level.rfl", MakeViewerMemberArgument("my level.rfl"));
    EXPECT_EQ(" @\xe4rger.txt", MakeViewerMemberArgument("\xe4rger.txt"));   // ANSI letters pass
    EXPECT_EQ("", MakeViewerMemberArgument("a\"b.txt"));
    EXPECT_EQ("", MakeViewerMemberArgument("a\tb.txt"));
    EXPECT_EQ("", MakeViewerMemberArgument(std::string("a\x1f") + "b"));
    EXPECT_EQ("", MakeViewerMemberArgument("a\x7f"));
    EXPECT_EQ("\"C:\\x\\a.vpp\" @b", MakeViewerParameters("C:\\x\\a.vpp", " @b"));
}

TEST(ViewerLaunch, NoBuildOrAnOldBuildShowsTheAnnouncement)
{
    RegisterStandIn(108);
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 0);   // the program file stays registered
    std::string strArchive = MakeTestArchive("announce", { "a.txt" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    CPageRecorder pages;

    // Enter closes it: the focus starts on "Close", so the browser is not started.
    Announcement seen;
    // Returns once the dialog has ended.
    EXPECT_EQ(1u, gui.Command(ID_FILE_BROWSE_MIRADOR, { ReadAnnouncement(seen, PRESS_ENTER, "announcement-install") }).size());
    EXPECT_EQ("Announcement", seen.strCaption);
    EXPECT_EQ(CAnnouncementDialog::INSTALL_TEXT, seen.strFirstLine);
    EXPECT_EQ(CAnnouncementDialog::DESCRIPTION, seen.strDescription);
    EXPECT_TRUE(seen.bFocusOnClose);
    EXPECT_TRUE(pages.arrPages.empty());

    // Build 106: the update text; the button opens the download page and the dialog stays up.
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 106);
    gui.Command(ID_FILE_BROWSE_MIRADOR, { ReadAnnouncement(seen, CLICK_DOWNLOAD_THEN_CLOSE, "announcement-update") });
    EXPECT_TRUE(seen.bStillUpAfterDownload);
    EXPECT_EQ(CAnnouncementDialog::UPDATE_TEXT, seen.strFirstLine);
    ASSERT_EQ(1u, pages.arrPages.size());
    EXPECT_EQ(std::string("https://") + MIRADOR_DOWNLOAD_HOST + "/cgi-bin/tarnmod.cgi?module=mirador20",
              pages.arrPages[0]);
    EXPECT_TRUE(gui.m_messages.empty());
    EXPECT_TRUE(NoViewerWithin(gui, 500));
}

TEST(ViewerLaunch, Build107GetsTheQuotedPathOnlyAnd108AlsoTheOneSelectedMember)
{
    RegisterStandIn(107);
    std::string strArchive = MakeTestArchive("build-107", { "a.txt", "b.txt" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.SelectRow(1);
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\"", WaitForViewer(gui));

    RegisterStandIn(108);
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\" @b.txt", WaitForViewer(gui));

    ::DeleteFileA(LogPath().c_str());
    gui.SelectRow(0);
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\"", WaitForViewer(gui));
    EXPECT_TRUE(gui.m_messages.empty());
}

TEST(ViewerLaunch, NeverSavedArchiveIsReportedBeforeAnyQuestion)
{
    RegisterStandIn(108);
    CTestFolder dir("never-saved");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    gui.AddFiles({ dir.File("new.txt", 10) });
    ASSERT_EQ(1, gui.RowCount());
    gui.Command(ID_FILE_BROWSE_MIRADOR);

    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ(VIEWER_NOT_SAVED_TEXT, box);
    EXPECT_EQ("Error", box.strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK), box.nFlags);
}

TEST(ViewerLaunch, ModifiedArchiveAnsweredYesNoOrCancel)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("modified", { "a.txt", "b.txt" });
    std::string strExtra = CTestFolder("modified-extra").File("c.txt", 30);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.AddFiles({ strExtra });
    ASSERT_EQ(3, gui.RowCount());
    gui.SelectRow(0);

    // Cancel: nothing happens.
    gui.m_nAnswer = IDCANCEL;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ(VIEWER_SAVE_QUESTION, box);
    EXPECT_EQ("Kestrin Manager QUARNEL", box.strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNOCANCEL), box.nFlags);
    EXPECT_TRUE(NoViewerWithin(gui, 500));
    EXPECT_TRUE(gui.Doc()->IsModified());

    // No: the viewer gets the file as last saved; the document stays modified.
    gui.m_nAnswer = IDNO;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ(VIEWER_SAVE_QUESTION, gui.TakeMessage());
    EXPECT_EQ("\"" + strArchive + "\" @a.txt", WaitForViewer(gui));
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ(2u, ReadArchive(strArchive).size());

    // Yes: saved first; the viewer still gets the member that was selected when the command was
    // given, though the save's refill has cleared the selection.
    ::DeleteFileA(LogPath().c_str());
    gui.m_nAnswer = IDYES;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ(VIEWER_SAVE_QUESTION, gui.TakeMessage());
    EXPECT_EQ("\"" + strArchive + "\" @a.txt", WaitForViewer(gui));
    EXPECT_FALSE(gui.Doc()->IsModified());
    EXPECT_EQ(3u, ReadArchive(strArchive).size());
}

TEST(ViewerLaunch, YesWithAFailingSaveDoesNotLaunch)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("save-fails", { "a.txt" });
    std::string strExtra = CTestFolder("save-fails-extra").File("c.txt", 30);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.AddFiles({ strExtra });
    ASSERT_EQ(2, gui.RowCount());
    // Another program holds the archive open without sharing: the save cannot replace it.
    HANDLE hLock = ::CreateFileA(strArchive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);
    gui.m_nAnswer = IDYES;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    ::CloseHandle(hLock);

    std::vector<RecordedMessage> arrBoxes = gui.TakeMessages();   // the question, then the save's own report
    ASSERT_EQ(2u, arrBoxes.size());
    EXPECT_EQ(VIEWER_SAVE_QUESTION, arrBoxes[0]);
    EXPECT_EQ(strArchive + " is in use by another program.", arrBoxes[1]);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), arrBoxes[1].nFlags);
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_TRUE(NoViewerWithin(gui, 1000));
}

TEST(ViewerLaunch, MissingOrFolderExeIsReportedAndARunningViewerIsNot)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("missing-exe", { "a.txt" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));

    for (const std::string& strExe : { ExeFolder() + "gone.exe", ExeFolder() })
    {
        WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, strExe);
        gui.Command(ID_FILE_BROWSE_MIRADOR);
        RecordedMessage box = gui.TakeMessage();
        EXPECT_EQ(VIEWER_NOT_FOUND_TEXT, box) << strExe;
        EXPECT_EQ("Error", box.strCaption) << strExe;
    }

    // A running program file is held open: the exclusive open of FileExists fails, the viewer
    // is started all the same.
    RegisterStandIn(108);
    HANDLE hHeld = ::CreateFileA(StandInPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    EXPECT_FALSE(FileExists(StandInPath()));
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    std::string strStarted = WaitForViewer(gui);
    ::CloseHandle(hHeld);
    EXPECT_EQ("\"" + strArchive + "\"", strStarted);
    EXPECT_EQ("", gui.TakeMessage());
}

TEST(ViewerLaunch, QuoteInTheMemberNameSendsThePathOnly)
{
    RegisterStandIn(108);
    // q".txt, which no Windows file could be called.
    std::string strArchive = MakeTestArchive("quote-name", { "q\".txt" });

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    ASSERT_EQ(std::vector<std::string>{ "q\".txt" }, gui.Column(0));
    gui.SelectRow(0);
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\"", WaitForViewer(gui));
    EXPECT_TRUE(gui.m_messages.empty());   // the path alone, silently
}

TEST(ViewerLaunch, FailedStartIsReportedNamingTheProgram)
{
    RegisterStandIn(108);
    // A file the shell has no way to start.
    std::string strBad = CTestFolder("bad-viewer").File("viewer.qzq", 64);
    WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, strBad);
    std::string strArchive = MakeTestArchive("bad-start", { "a.txt" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ("Error", box.strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK), box.nFlags);
    EXPECT_CONTAINS(box.strText, strBad);
}

TEST(ViewerLaunch, DoubleClickOnAnEmptyListDoesNothing)
{
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 0);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    EXPECT_FALSE(gui.Frame()->IsCommandEnabled(ID_FILE_BROWSE_MIRADOR));
    // The double click calls the handler directly, past the enable rule; no window may come up.
    std::vector<std::string> arrMet = WithSteps({}, [&] {
        gui.Frame()->RouteCmdMsg(ID_FILE_BROWSE_MIRADOR, CCmdTarget::CN_COMMAND, nullptr);
        gui.Pump();
    });
    EXPECT_TRUE(arrMet.empty());
    EXPECT_TRUE(gui.m_messages.empty());
}
