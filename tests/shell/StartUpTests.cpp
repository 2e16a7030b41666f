// StartUpTests.cpp: logoff and close prompts, the current folder across file dialogs, exit status,
// the splash with an empty archive, the shell registration, and the version without registration.
#include <gtest/gtest.h>
#include "ShellSupport.h"
#include <dlgs.h>
#include "framework/win/RegistryKey.h"
#include "res/resource.h"
#include "companion/QxToolsRes.h"

namespace
{
const char kAppTitle[] = "Kestrin Manager QUARNEL";
const char kRegistrationKey[] = "Software\\Kestrin Network\\Kestrin Manager Tools\\Kestrin Manager QUARNEL";

bool SameFolder(std::string a, std::string b)
{
    while (!a.empty() && a.back() == '\\')
        a.pop_back();
    while (!b.empty() && b.back() == '\\')
        b.pop_back();
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

std::string DialogItemText(HWND hDlg, int nId)
{
    char sz[512] = "";
    ::GetDlgItemTextA(hDlg, nId, sz, sizeof(sz));
    return sz;
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
    std::string strFolder = MakeTestFolder("logoff");
    ::CreateDirectoryA((strFolder + "sub").c_str(), nullptr);
    WriteFileBytes(strFolder + "old.txt", 5);
    WriteFileBytes(strFolder + "new.txt", 7);
    ASSERT_TRUE(MakeArchive(strFolder + "sub\\maps.vpp", { strFolder + "old.txt" }));
    std::string strOldFolder = CurrentFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(strFolder.c_str()));

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ "sub\\maps.vpp" }));
    DropOnList(gui, { Widen(strFolder + "new.txt") });
    ASSERT_EQ(2, gui.RowCount());
    ASSERT_TRUE(gui.Doc()->IsModified());
    HWND hFrame = gui.Frame()->m_hWnd;

    // Logoff, answered Cancel: the session must not end, the changes stay.
    gui.m_nAnswer = IDCANCEL;
    EXPECT_EQ(FALSE, ::SendMessageA(hFrame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
    ASSERT_EQ(1u, gui.m_messages.size());
    EXPECT_EQ("Save changes to maps.vpp?", gui.m_messages[0].strText);
    EXPECT_EQ(kAppTitle, gui.m_messages[0].strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION), gui.m_messages[0].nFlags);
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ(2, gui.RowCount());

    // Shutdown, answered No: the session may end; nothing is closed or thrown away before it does.
    gui.m_nAnswer = IDNO;
    EXPECT_EQ(TRUE, ::SendMessageA(hFrame, WM_QUERYENDSESSION, 0, 0));
    ASSERT_EQ(2u, gui.m_messages.size());
    EXPECT_TRUE(::IsWindow(hFrame));
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ(2, gui.RowCount());

    // Close asks the same way; Cancel keeps the window.
    gui.m_nAnswer = IDCANCEL;
    ::SendMessageA(hFrame, WM_CLOSE, 0, 0);
    ASSERT_EQ(3u, gui.m_messages.size());
    EXPECT_EQ("Save changes to maps.vpp?", gui.m_messages[2].strText);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNOCANCEL | MB_ICONQUESTION), gui.m_messages[2].nFlags);
    EXPECT_TRUE(::IsWindow(hFrame));
    ::SetCurrentDirectoryA(strOldFolder.c_str());
}

TEST(FileDialogs, SaveAsLeavesTheCurrentFolderWhereItWas)
{
    std::string strHere = MakeTestFolder("cwd-here");
    std::string strThere = MakeTestFolder("cwd-there");
    std::string strOldFolder = CurrentFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(strHere.c_str()));

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    const std::string strTarget = strThere + "saved.vpp";
    bool bMet = WithDialog([&] { gui.Command(ID_FILE_SAVE_AS); }, [&](HWND hDlg) {
        // Go to the other folder first, as a user typing its name and pressing Enter does,
        // then save there.
        ::SetDlgItemTextA(hDlg, edt1, strThere.c_str());
        ::SetDlgItemTextA(hDlg, cmb13, strThere.c_str());
        ::SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ::SetDlgItemTextA(hDlg, edt1, "saved.vpp");
        ::SetDlgItemTextA(hDlg, cmb13, "saved.vpp");
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ASSERT_TRUE(bMet);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(strTarget.c_str()));
    EXPECT_TRUE(SameFolder(strHere, CurrentFolder())) << CurrentFolder();
    ::SetCurrentDirectoryA(strOldFolder.c_str());
}

TEST(StartUp, FailedStartsEndWithNonZeroStatusAndUnregisterWithZero)
{
    std::string strFolder = MakeTestFolder("exit-status");
    {
        CGuiHarness gui;
        EXPECT_FALSE(gui.Start({ strFolder + "gone.vpp" }));
        EXPECT_EQ(1, gui.m_pApp->ExitInstance());
    }
    {
        CGuiHarness gui;
        EXPECT_FALSE(gui.Start({ "/unregister" }));   // done: nothing more to do
        EXPECT_EQ(0, gui.m_pApp->ExitInstance());
    }

    // The real program, refusing a missing archive: the status reaches whoever started it.
    std::string strCommand = "\"" + ExeFolder() + "quarnel.exe\" \"" + strFolder + "gone.vpp\"";
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof(si));
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> cmd(strCommand.begin(), strCommand.end());
    cmd.push_back('\0');
    ASSERT_TRUE(::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HWND hBox = nullptr;
    for (int i = 0; i < 300 && !hBox; ++i)
    {
        hBox = FindMessageBoxOfProcess(pi.dwProcessId);
        ::Sleep(100);
    }
    ASSERT_NE(nullptr, hBox) << "no message box appeared";
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(pi.hProcess, 30000));
    DWORD dwExit = 0;
    ::GetExitCodeProcess(pi.hProcess, &dwExit);
    EXPECT_EQ(1u, dwExit);
    ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

TEST(StartUp, AnEmptyArchiveCountsAsLoaded)
{
    std::string strFolder = MakeTestFolder("empty-archive");
    WriteFileBytes(strFolder + "empty.vpp", 0);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strFolder + "empty.vpp" }, 3000));
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
    ASSERT_TRUE(WithDialog([&] { gui.Command(ID_APP_ABOUT); }, [&](HWND hDlg) {
        strVersion = DialogItemText(hDlg, IDC_QX_VERSION);
        strBuild = DialogItemText(hDlg, IDC_QX_BUILD);
        SaveWindowShot(hDlg, "about-without-registration");
        ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_EQ("Version V1.0 Beta 02 (Build 06)", strVersion);
    EXPECT_EQ("Build 6 of 8 December 2026", strBuild);

    ASSERT_TRUE(WithDialog([&] { gui.Command(ID_HELP_CHECK_VERSION); }, [&](HWND hDlg) {
        strVersion = DialogItemText(hDlg, IDC_QX_VERSION);
        strBuild = DialogItemText(hDlg, IDC_QX_BUILD);
        ::PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
    }));
    EXPECT_EQ("V1.0 Beta 02 (Build 06)", strVersion);
    EXPECT_EQ("6", strBuild);
}

TEST(RecentFiles, ANameLongerThanTheFirstBufferIsKeptWhole)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    std::string strFolder = MakeTestFolder("recent-long");
    std::string strLong = strFolder + std::string(300 - strFolder.size(), 'r');
    gui.m_pApp->AddToRecentFileList(strLong);
    ASSERT_LT(0u, gui.m_pApp->GetRecentFileList()->GetSize());
    EXPECT_EQ(strLong, (*gui.m_pApp->GetRecentFileList())[0]);
}
