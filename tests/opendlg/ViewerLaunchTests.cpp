// ViewerLaunchTests.cpp: Browse in MIRADOR against a stand-in viewer started through the shell.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <fstream>
#include <sstream>
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
    static const std::string s_strLog = MakeTestFolder("viewer-log") + "viewer.log";
    return s_strLog;
}

/// Registers the stand-in as the installed viewer of nBuild, the way its installer would.
void RegisterStandIn(int nBuild)
{
    std::string strCommand = "\"" + StandInPath() + "\" /register " + std::to_string(nBuild);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD dwExit = 1;
    ::GetExitCodeProcess(pi.hProcess, &dwExit);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ASSERT_EQ(0u, dwExit);
    ::SetEnvironmentVariableA("QUARNEL_VIEWER_LOG", LogPath().c_str());
    ::DeleteFileA(LogPath().c_str());
}

/// The parameters the stand-in was started with, once it has written them; "<none>" when it was
/// not started within the wait.
std::string WaitForViewer(CGuiHarness& gui, int nWaitMs = 20000)
{
    for (int nWaited = 0; nWaited <= nWaitMs; nWaited += 50)
    {
        std::ifstream file(LogPath(), std::ios::binary);
        if (file)
        {
            std::stringstream ss;
            ss << file.rdbuf();
            return ss.str();
        }
        gui.Pump();
        ::Sleep(50);
    }
    return "<none>";
}

/// An archive of the given members in a fresh folder; returns its path.
std::string MakeTestArchive(const std::string& strName, const std::vector<std::string>& arrMembers)
{
    std::string strFolder = MakeTestFolder(strName);
    std::vector<std::string> arrPaths;
    for (const std::string& strMember : arrMembers)
    {
        WriteFileBytes(strFolder + strMember, 100);
        arrPaths.push_back(strFolder + strMember);
    }
    std::string strArchive = strFolder + strName + ".vpp";
    EXPECT_TRUE(MakeArchive(strArchive, arrPaths));
    return strArchive;
}

/// Reads the Announcement dialog when it comes up, then presses what the test asks for.
struct CAnnouncementReader
{
    enum Action { CLOSE, PRESS_ENTER, CLICK_DOWNLOAD_THEN_CLOSE };
    static Action s_nAction;
    static bool s_bFound;
    static bool s_bFocusOnClose;
    static std::string s_strCaption, s_strFirstLine, s_strDescription;
    static std::string s_strShot;
    static UINT_PTR s_nTimer;

    static void Disarm()
    {
        if (s_nTimer)
            ::KillTimer(nullptr, s_nTimer);
        s_nTimer = 0;
    }

    static void Arm(Action nAction, const std::string& strShot = std::string())
    {
        s_nAction = nAction;
        s_bFound = false;
        s_bFocusOnClose = false;
        s_strCaption.clear();
        s_strFirstLine.clear();
        s_strDescription.clear();
        s_strShot = strShot;
        s_nTimer = ::SetTimer(nullptr, 0, 100, &CAnnouncementReader::OnTimer);
    }

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR nId, DWORD)
    {
        HWND hDlg = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND hWnd, LPARAM lParam) -> BOOL {
            char szClass[32] = "";
            ::GetClassNameA(hWnd, szClass, sizeof(szClass));
            if (std::strcmp(szClass, "#32770") == 0 && ::IsWindowVisible(hWnd) &&
                ::GetDlgItem(hWnd, IDC_ANNOUNCE_DOWNLOAD))
            {
                *reinterpret_cast<HWND*>(lParam) = hWnd;
                return FALSE;
            }
            return TRUE;
        }, reinterpret_cast<LPARAM>(&hDlg));
        if (!hDlg)
            return;
        ::KillTimer(nullptr, nId);
        s_nTimer = 0;
        s_bFound = true;
        char sz[1024] = "";
        ::GetWindowTextA(hDlg, sz, sizeof(sz));
        s_strCaption = sz;
        ::GetDlgItemTextA(hDlg, IDC_ANNOUNCE_NOTICE, sz, sizeof(sz));
        s_strFirstLine = sz;
        ::GetDlgItemTextA(hDlg, IDC_ANNOUNCE_DESCRIPTION, sz, sizeof(sz));
        s_strDescription = sz;
        HWND hFocus = ::GetFocus();
        s_bFocusOnClose = hFocus == ::GetDlgItem(hDlg, IDCANCEL);
        if (!s_strShot.empty())
            SaveWindowShot(hDlg, s_strShot);
        switch (s_nAction)
        {
        case PRESS_ENTER:
            // A real key press on the focused control, through the dialog's own key handling.
            ::PostMessageA(hFocus ? hFocus : hDlg, WM_KEYDOWN, VK_RETURN, 0x001C0001);
            ::PostMessageA(hFocus ? hFocus : hDlg, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
            break;
        case CLICK_DOWNLOAD_THEN_CLOSE:
            ::SendMessageA(::GetDlgItem(hDlg, IDC_ANNOUNCE_DOWNLOAD), BM_CLICK, 0, 0);
            s_bFound = ::IsWindowVisible(hDlg) != FALSE;   // still up after the click
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            break;
        case CLOSE:
            ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
            break;
        }
    }
};
CAnnouncementReader::Action CAnnouncementReader::s_nAction = CAnnouncementReader::CLOSE;
bool CAnnouncementReader::s_bFound = false;
bool CAnnouncementReader::s_bFocusOnClose = false;
std::string CAnnouncementReader::s_strCaption;
std::string CAnnouncementReader::s_strFirstLine;
std::string CAnnouncementReader::s_strDescription;
std::string CAnnouncementReader::s_strShot;
UINT_PTR CAnnouncementReader::s_nTimer = 0;

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
    CAnnouncementReader::Arm(CAnnouncementReader::PRESS_ENTER, "announcement-install");
    gui.Command(ID_FILE_BROWSE_MIRADOR);   // returns once the dialog has ended
    EXPECT_TRUE(CAnnouncementReader::s_bFound);
    EXPECT_EQ("Announcement", CAnnouncementReader::s_strCaption);
    EXPECT_EQ(CAnnouncementDialog::INSTALL_TEXT, CAnnouncementReader::s_strFirstLine);
    EXPECT_EQ(CAnnouncementDialog::DESCRIPTION, CAnnouncementReader::s_strDescription);
    EXPECT_TRUE(CAnnouncementReader::s_bFocusOnClose);
    EXPECT_TRUE(pages.arrPages.empty());

    // Build 106: the update text; the button opens the download page and the dialog stays up.
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 106);
    CAnnouncementReader::Arm(CAnnouncementReader::CLICK_DOWNLOAD_THEN_CLOSE, "announcement-update");
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_TRUE(CAnnouncementReader::s_bFound);
    EXPECT_EQ(CAnnouncementDialog::UPDATE_TEXT, CAnnouncementReader::s_strFirstLine);
    ASSERT_EQ(1u, pages.arrPages.size());
    EXPECT_EQ(std::string("https://") + MIRADOR_DOWNLOAD_HOST + "/cgi-bin/tarnmod.cgi?module=mirador20",
              pages.arrPages[0]);
    EXPECT_TRUE(gui.m_messages.empty());
    EXPECT_EQ("<none>", WaitForViewer(gui, 500));
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
    std::string strFolder = MakeTestFolder("never-saved");
    WriteFileBytes(strFolder + "new.txt", 10);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    ASSERT_EQ(ADD_RESULT_ADDED, gui.Doc()->AddFile(strFolder + "new.txt"));
    gui.Doc()->SetModifiedFlag(true);
    gui.Doc()->UpdateAllViews(nullptr);
    gui.Command(ID_FILE_BROWSE_MIRADOR);

    ASSERT_EQ(1u, gui.m_messages.size());
    EXPECT_EQ(VIEWER_NOT_SAVED_TEXT, gui.m_messages[0].strText);
    EXPECT_EQ("Error", gui.m_messages[0].strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK), gui.m_messages[0].nFlags);
}

TEST(ViewerLaunch, ModifiedArchiveAnsweredYesNoOrCancel)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("modified", { "a.txt", "b.txt" });
    std::string strExtra = MakeTestFolder("modified-extra") + "c.txt";
    WriteFileBytes(strExtra, 30);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    ASSERT_EQ(ADD_RESULT_ADDED, gui.Doc()->AddFile(strExtra));
    gui.Doc()->SetModifiedFlag(true);
    gui.Doc()->UpdateAllViews(nullptr);
    gui.SelectRow(0);

    // Cancel: nothing happens.
    gui.m_nAnswer = IDCANCEL;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    ASSERT_EQ(1u, gui.m_messages.size());
    EXPECT_EQ(VIEWER_SAVE_QUESTION, gui.m_messages[0].strText);
    EXPECT_EQ("Kestrin Manager QUARNEL", gui.m_messages[0].strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNOCANCEL), gui.m_messages[0].nFlags);
    EXPECT_EQ("<none>", WaitForViewer(gui, 500));
    EXPECT_TRUE(gui.Doc()->IsModified());

    // No: the viewer gets the file as last saved; the document stays modified.
    gui.m_nAnswer = IDNO;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\" @a.txt", WaitForViewer(gui));
    EXPECT_TRUE(gui.Doc()->IsModified());
    CQuarnelDoc onDisk;
    ASSERT_TRUE(onDisk.OnOpenDocument(strArchive));
    EXPECT_EQ(2, onDisk.m_nFileCount);

    // Yes: saved first; the viewer still gets the member that was selected when the command was
    // given, though the save's refill has cleared the selection.
    ::DeleteFileA(LogPath().c_str());
    gui.m_nAnswer = IDYES;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\" @a.txt", WaitForViewer(gui));
    EXPECT_FALSE(gui.Doc()->IsModified());
    ASSERT_TRUE(onDisk.OnOpenDocument(strArchive));
    EXPECT_EQ(3, onDisk.m_nFileCount);
}

TEST(ViewerLaunch, YesWithAFailingSaveDoesNotLaunch)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("save-fails", { "a.txt" });
    std::string strExtra = MakeTestFolder("save-fails-extra") + "c.txt";
    WriteFileBytes(strExtra, 30);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    ASSERT_EQ(ADD_RESULT_ADDED, gui.Doc()->AddFile(strExtra));
    gui.Doc()->SetModifiedFlag(true);
    // Another program holds the archive open without sharing: the save cannot replace it.
    HANDLE hLock = ::CreateFileA(strArchive.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);
    gui.m_nAnswer = IDYES;
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    ::CloseHandle(hLock);

    EXPECT_GE(gui.m_messages.size(), 2u);   // the question, then the save's own report
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ("<none>", WaitForViewer(gui, 1000));
}

TEST(ViewerLaunch, MissingOrFolderExeIsReportedAndARunningViewerIsNot)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("missing-exe", { "a.txt" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));

    WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, ExeFolder() + "gone.exe");
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, ExeFolder());
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    ASSERT_EQ(2u, gui.m_messages.size());
    for (const RecordedMessage& msg : gui.m_messages)
    {
        EXPECT_EQ(VIEWER_NOT_FOUND_TEXT, msg.strText);
        EXPECT_EQ("Error", msg.strCaption);
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
    EXPECT_EQ(2u, gui.m_messages.size());
}

TEST(ViewerLaunch, QuoteInTheMemberNameSendsThePathOnly)
{
    RegisterStandIn(108);
    std::string strArchive = MakeTestArchive("quote-name", { "qx.txt" });
    // Turn the stored name into q".txt, which no Windows file could be called.
    std::fstream file(strArchive, std::ios::in | std::ios::out | std::ios::binary);
    std::stringstream ss;
    ss << file.rdbuf();
    size_t nAt = ss.str().find("qx.txt");
    ASSERT_NE(std::string::npos, nAt);
    file.seekp(static_cast<std::streamoff>(nAt + 1));
    file.put('"');
    file.close();

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    ASSERT_EQ(std::vector<std::string>{ "q\".txt" }, gui.Column(0));
    gui.SelectRow(0);
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    EXPECT_EQ("\"" + strArchive + "\"", WaitForViewer(gui));
}

TEST(ViewerLaunch, FailedStartIsReportedNamingTheProgram)
{
    RegisterStandIn(108);
    // A file the shell has no way to start.
    std::string strBad = MakeTestFolder("bad-viewer") + "viewer.qzq";
    WriteFileBytes(strBad, 64);
    WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, strBad);
    std::string strArchive = MakeTestArchive("bad-start", { "a.txt" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.Command(ID_FILE_BROWSE_MIRADOR);
    ASSERT_EQ(1u, gui.m_messages.size());
    EXPECT_EQ("Error", gui.m_messages[0].strCaption);
    EXPECT_NE(std::string::npos, gui.m_messages[0].strText.find(strBad)) << gui.m_messages[0].strText;
}

TEST(ViewerLaunch, DoubleClickOnAnEmptyListDoesNothing)
{
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 0);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    EXPECT_FALSE(gui.Frame()->IsCommandEnabled(ID_FILE_BROWSE_MIRADOR));
    CAnnouncementReader::Arm(CAnnouncementReader::CLOSE);
    // The double click calls the handler directly, past the enable rule.
    gui.Frame()->RouteCmdMsg(ID_FILE_BROWSE_MIRADOR, CCmdTarget::CN_COMMAND, nullptr);
    gui.Pump();
    EXPECT_FALSE(CAnnouncementReader::s_bFound);
    EXPECT_TRUE(gui.m_messages.empty());
    CAnnouncementReader::Disarm();
}
