// StartUpTests.cpp: logoff and close prompts, the current folder across file dialogs, exit status,
// the splash with an empty archive, the shell registration, and the version without registration.
#include <gtest/gtest.h>
#include "GuiHarness.h"
#include <dlgs.h>
#include "DropSupport.h"
#include "framework/win/RegistryKey.h"
#include "res/resource.h"
#include "companion/QxToolsRes.h"
#include "QuarnelVersion.h"

namespace
{
const char kAppTitle[] = "Kestrin Manager QUARNEL";
const char kRegistrationKey[] = "Software\\Kestrin Network\\Kestrin Manager Tools\\Kestrin Manager QUARNEL";

std::string CurrentFolder()
{
    char sz[MAX_PATH] = "";
    ::GetCurrentDirectoryA(sizeof(sz), sz);
    return sz;
}

bool SameFolder(std::string a, std::string b)
{
    while (!a.empty() && a.back() == '\\')
        a.pop_back();
    while (!b.empty() && b.back() == '\\')
        b.pop_back();
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string ClassesValue(HKEY hHive, const std::string& strKey)
{
    CRegistryKey key;
    std::string strValue;
    if (key.Open(hHive, "Software\\Classes\\" + strKey) != ERROR_SUCCESS || !key.QueryString(nullptr, strValue))
        return "<absent>";
    return strValue;
}

void SetClassesValue(HKEY hHive, const std::string& strKey, const std::string& strValue)
{
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(hHive, "Software\\Classes\\" + strKey));
    ASSERT_EQ(ERROR_SUCCESS, key.SetString(nullptr, strValue));
}
}

TEST(Session, LogoffAndCloseAskWithTheFilesTitleAndCancelKeepsEverything)
{
    // Opened by a relative name, as from a command prompt in the archive's parent folder.
    CTestFolder dir("logoff");
    ASSERT_TRUE(WriteArchive(dir.Sub("sub") + "maps.vpp", { { "old.txt", "12345" } }));
    std::string strOldFolder = CurrentFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(dir.Path().c_str()));

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ "sub\\maps.vpp" }));
    DropOnList(gui, { Widen(dir.File("new.txt", 7)) });
    ASSERT_EQ(2, gui.RowCount());
    ASSERT_TRUE(gui.Doc()->IsModified());
    HWND hFrame = gui.Frame()->m_hWnd;

    // Logoff, answered Cancel: the session must not end, the changes stay.
    gui.m_nAnswer = IDCANCEL;
    EXPECT_EQ(FALSE, ::SendMessageA(hFrame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ("Save changes to maps.vpp?", box);
    EXPECT_EQ(kAppTitle, box.strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION), box.nFlags);
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ(2, gui.RowCount());

    // Shutdown, answered No: the session may end; nothing is closed or thrown away before it does.
    gui.m_nAnswer = IDNO;
    EXPECT_EQ(TRUE, ::SendMessageA(hFrame, WM_QUERYENDSESSION, 0, 0));
    EXPECT_EQ("Save changes to maps.vpp?", gui.TakeMessage());
    EXPECT_TRUE(::IsWindow(hFrame));
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ(2, gui.RowCount());

    // Close asks the same way; Cancel keeps the window.
    gui.m_nAnswer = IDCANCEL;
    ::SendMessageA(hFrame, WM_CLOSE, 0, 0);
    box = gui.TakeMessage();
    EXPECT_EQ("Save changes to maps.vpp?", box);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION), box.nFlags);
    EXPECT_TRUE(::IsWindow(hFrame));
    ::SetCurrentDirectoryA(strOldFolder.c_str());
}

TEST(FileDialogs, SaveAsLeavesTheCurrentFolderWhereItWas)
{
    CTestFolder here("cwd-here"), there("cwd-there");
    const std::string strHere = here.Path(), strThere = there.Path();
    std::string strOldFolder = CurrentFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(strHere.c_str()));

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    const std::string strTarget = strThere + "saved.vpp";
    // Go to the other folder first, as a user typing its name and pressing Enter does, then save there.
    std::vector<std::string> arrMet = gui.Command(ID_FILE_SAVE_AS, { { "", [&](HWND hDlg) {
        ::SetDlgItemTextA(hDlg, edt1, strThere.c_str());
        ::SetDlgItemTextA(hDlg, cmb13, strThere.c_str());
        ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return SaveAs("saved.vpp").fnAct(hDlg);
    } } });
    ASSERT_EQ(1u, arrMet.size());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strTarget.c_str()));
    EXPECT_TRUE(SameFolder(strHere, CurrentFolder())) << CurrentFolder();
    ::SetCurrentDirectoryA(strOldFolder.c_str());
}

TEST(StartUp, AMissingArchiveIsReportedAndEndsWithNonZeroStatusAndUnregisterWithZero)
{
    CTestFolder dir("exit-status");
    const std::string strFolder = dir.Path();
    {
        CGuiHarness gui;
        EXPECT_FALSE(gui.Start({ strFolder + "gone.vpp" }));
        RecordedMessage box = gui.TakeMessage();
        EXPECT_CONTAINS(box.strText, strFolder + "gone.vpp");
        EXPECT_EQ(kAppTitle, box.strCaption);
        EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), box.nFlags);
        EXPECT_EQ(nullptr, ::FindWindowA("QuarnelFrame", nullptr));   // the frame went with it
        EXPECT_EQ(1, gui.m_pApp->ExitInstance());
    }
    {
        CGuiHarness gui;
        EXPECT_FALSE(gui.Start({ "/unregister" }));   // done: nothing more to do
        EXPECT_EQ(0, gui.m_pApp->ExitInstance());
    }

    // The real program, refusing a missing archive: the status reaches whoever started it.
    ProgramRun run = RunQuarnel({ strFolder + "gone.vpp" });
    ASSERT_TRUE(run.bBoxSeen) << "no message box appeared";
    EXPECT_NE(std::string::npos, run.strText.find(strFolder + "gone.vpp")) << run.strText;
    EXPECT_NE(STILL_ACTIVE, run.dwExit);
    EXPECT_EQ(1u, run.dwExit);
}

TEST(StartUp, AnEmptyArchiveCountsAsLoaded)
{
    CTestFolder dir("empty-archive");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.File("empty.vpp", 0) }, 3000));
    EXPECT_EQ(0, gui.m_pApp->m_bSplashDelay);
    EXPECT_EQ(std::string(kAppTitle) + " - empty.vpp", gui.Caption());
    EXPECT_EQ(0, gui.RowCount());
    EXPECT_TRUE(gui.m_messages.empty());
}

TEST(Shell, VppIsTakenOnlyWhenFreeOrAlreadyOurs)
{
    CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Classes\\.vpp");

    // Another program's association for this user stays; our own type is still registered.
    SetClassesValue(HKEY_CURRENT_USER, ".vpp", "Other.Archive");
    {
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({}));
    }
    EXPECT_EQ("Other.Archive", ClassesValue(HKEY_CURRENT_USER, ".vpp"));
    EXPECT_EQ("VPP Archive File", ClassesValue(HKEY_CURRENT_USER, "Quarnel.Document"));

    // One made for the whole machine is not overridden for the user either.
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, "Software\\Classes\\.vpp");
    SetClassesValue(HKEY_LOCAL_MACHINE, ".vpp", "Machine.Archive");
    {
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({}));
    }
    EXPECT_EQ("<absent>", ClassesValue(HKEY_CURRENT_USER, ".vpp"));
    CRegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, "Software\\Classes\\.vpp");

    // Free, then ours (spelt in another case): taken and kept.
    {
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({}));
    }
    EXPECT_EQ("Quarnel.Document", ClassesValue(HKEY_CURRENT_USER, ".vpp"));
    SetClassesValue(HKEY_CURRENT_USER, ".vpp", "quarnel.document");
    {
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({}));
    }
    EXPECT_EQ("Quarnel.Document", ClassesValue(HKEY_CURRENT_USER, ".vpp"));
}

TEST(Help, WithoutARegistrationAboutAndVersionCheckShowTheProgramsOwnVersion)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    // As for a standard user, who may not write the machine's part of the registry.
    ASSERT_EQ(ERROR_SUCCESS, ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kRegistrationKey, KEY_WOW64_32KEY, 0));

    std::string strVersion, strBuild;
    ASSERT_EQ(1u, gui.Command(ID_APP_ABOUT, { Look("", [&](HWND hDlg) {
        strVersion = ItemText(hDlg, IDC_QX_VERSION);
        strBuild = ItemText(hDlg, IDC_QX_BUILD);
        SaveWindowShot(hDlg, "about-without-registration");
    }) }).size());
    EXPECT_EQ(std::string("Version ") + QUARNEL_VERSION_TEXT, strVersion);
    EXPECT_EQ("Build 6 of 8 December 2026", strBuild);

    ASSERT_EQ(1u, gui.Command(ID_HELP_CHECK_VERSION, { Look("", [&](HWND hDlg) {
        strVersion = ItemText(hDlg, IDC_QX_VERSION);
        strBuild = ItemText(hDlg, IDC_QX_BUILD);
    }) }).size());
    EXPECT_EQ(QUARNEL_VERSION_TEXT, strVersion);
    EXPECT_EQ("6", strBuild);
}

TEST(RecentFiles, ANameLongerThanTheFirstBufferIsKeptWhole)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CTestFolder dir("recent-long");
    std::string strLong = dir.Path() + std::string(300 - dir.Path().size(), 'r');
    gui.m_pApp->AddToRecentFileList(strLong);
    ASSERT_LT(0u, gui.m_pApp->GetRecentFileList()->GetSize());
    EXPECT_EQ(strLong, (*gui.m_pApp->GetRecentFileList())[0]);
}
