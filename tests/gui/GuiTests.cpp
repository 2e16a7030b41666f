// GuiTests.cpp: the editor window driven as a user meets it, under Wine and Xvfb.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <windows.h>
#include <shlobj.h>
#include <atomic>
#include <thread>
#include "DropSupport.h"
#include "GuiHarness.h"
#include "framework/win/RegistryKey.h"
#include "res/resource.h"
#include "QuarnelVersion.h"

namespace
{
const char kAppTitle[] = "Kestrin Manager QUARNEL";
const char kRecentKey[] = "Software\\Kestrin Network\\Kestrin Manager QUARNEL\\Recent File List";

/// Members of the given sizes, filled with 'x'.
std::vector<std::pair<std::string, std::string>> Sized(const std::vector<std::pair<std::string, size_t>>& arrSizes)
{
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (const auto& member : arrSizes)
        arrMembers.push_back({ member.first, std::string(member.second, 'x') });
    return arrMembers;
}

std::string Padded(int nSpaces, const std::string& strDigits)
{
    return std::string(nSpaces, ' ') + strDigits;
}

bool IsGrayed(HMENU hMenu, UINT nID)
{
    return (::GetMenuState(hMenu, nID, MF_BYCOMMAND) & MF_GRAYED) != 0;
}
}

TEST(StartUp, WithoutArgumentShowsSplashAloneThenEmptyUntitledArchive)
{
    CGuiHarness gui;
    // Watch the screen from a second thread while start-up blocks in its wait: how long was
    // the splash on screen with the main window already made but hidden?
    std::atomic<bool> bDone(false);
    std::atomic<DWORD> dwFirstAlone(0), dwLastAlone(0);
    std::thread watcher([&] {
        bool bShot = false;
        while (!bDone)
        {
            HWND hSplash = gui.m_pApp ? gui.m_pApp->GetSplashWindow() : nullptr;
            HWND hFrame = ::FindWindowA("QuarnelFrame", nullptr);
            if (hSplash && ::IsWindowVisible(hSplash) && hFrame && !::IsWindowVisible(hFrame))
            {
                DWORD dwNow = ::GetTickCount();
                if (!dwFirstAlone)
                    dwFirstAlone = dwNow;
                dwLastAlone = dwNow;
                if (!bShot)
                    bShot = SaveWindowShot(hSplash, "splash");
            }
            ::Sleep(50);
        }
    });
    bool bStarted = gui.Start({}, 2000);
    bDone = true;
    watcher.join();

    ASSERT_TRUE(bStarted);
    ASSERT_NE(0u, dwFirstAlone.load());
    EXPECT_GE(dwLastAlone - dwFirstAlone, 1500u);   // the splash stayed alone for its wait
    EXPECT_FALSE(::IsWindow(gui.m_pApp->GetSplashWindow()));
    EXPECT_TRUE(::IsWindowVisible(gui.Frame()->m_hWnd));

    EXPECT_EQ(std::string(kAppTitle) + " - Untitled", gui.Caption());
    EXPECT_EQ(0, gui.RowCount());
    EXPECT_EQ((std::vector<std::string>{ "Filename", "Filesize", "Location" }), gui.HeaderTexts());
    EXPECT_EQ("Ready", gui.StatusPane(0));
    EXPECT_EQ("0 files, 0 bytes", gui.StatusPane(1));
    EXPECT_EQ(QUARNEL_VERSION_TEXT, gui.StatusPane(2));
    EXPECT_TRUE(gui.m_messages.empty());
    SaveWindowShot(gui.Frame()->m_hWnd, "main-window-untitled");
}

TEST(StartUp, WithArchiveListsMembersWithoutWaiting)
{
    CTestFolder dir("start-archive");
    ASSERT_TRUE(WriteArchive(dir + "maps.vpp", Sized({ { "level1.rfl", 9 }, { "music.ogg", 0 }, { "Textures.tga", 5000 } })));

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "maps.vpp" }, 60000));   // a wait would time the test out
    EXPECT_EQ(0, gui.m_pApp->m_bSplashDelay);
    EXPECT_EQ(std::string(kAppTitle) + " - maps.vpp", gui.Caption());
    ASSERT_EQ(3, gui.RowCount());
    EXPECT_EQ((std::vector<std::string>{ "level1.rfl", "music.ogg", "Textures.tga" }), gui.Column(0));
    EXPECT_EQ((std::vector<std::string>{ Padded(22, "9"), Padded(22, "0"), Padded(14, "5.000") }), gui.Column(1));
    EXPECT_EQ((std::vector<std::string>{ "In VPP at offset " + Padded(14, "4.096"),
                                         "In VPP at offset " + Padded(14, "6.144"),
                                         "In VPP at offset " + Padded(14, "6.144") }),
              gui.Column(2));
    EXPECT_EQ("3 files, 12.288 bytes", gui.StatusPane(1));
    SaveWindowShot(gui.Frame()->m_hWnd, "main-window-archive");
}

TEST(StartUp, NonVppFileShowsTheReadersMessageAndEnds)
{
    CTestFolder dir("start-bad");
    dir.File("notes.txt", 100, 'n');

    CGuiHarness gui;
    EXPECT_FALSE(gui.Start({ dir + "notes.txt" }));
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ("Unsupported file format (Invalid signature)!", box);
    EXPECT_EQ(kAppTitle, box.strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), box.nFlags);
    EXPECT_EQ(nullptr, ::FindWindowA("QuarnelFrame", nullptr));   // the frame went with it
    EXPECT_FALSE(::IsWindow(gui.m_pApp->GetSplashWindow()));
}

TEST(StartUp, RealProgramRefusesNonVppFileWithAMessageBoxAndExits)
{
    CTestFolder dir("start-real");
    ProgramRun run = RunQuarnel({ dir.File("notes.txt", 100, 'n') });
    ASSERT_TRUE(run.bBoxSeen) << "no message box appeared";
    EXPECT_EQ(kAppTitle, run.strCaption);
    EXPECT_EQ("Unsupported file format (Invalid signature)!", run.strText);
    EXPECT_NE(STILL_ACTIVE, run.dwExit);   // it ended once the box was answered
    EXPECT_EQ(1u, run.dwExit);
    EXPECT_FALSE(run.bFrameShown);
}

TEST(MainFrame, OpensCentredAt780x500OnA1024x768Screen)
{
    ASSERT_EQ(1024, ::GetSystemMetrics(SM_CXSCREEN));
    ASSERT_EQ(768, ::GetSystemMetrics(SM_CYSCREEN));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    RECT rc = {};
    ::GetWindowRect(gui.Frame()->m_hWnd, &rc);
    EXPECT_EQ(122, rc.left);
    EXPECT_EQ(134, rc.top);
    EXPECT_EQ(780, rc.right - rc.left);
    EXPECT_EQ(500, rc.bottom - rc.top);

    // The list fills the space between toolbar and status bar.
    RECT rcList = {}, rcBar = {}, rcStatus = {};
    ::GetWindowRect(gui.List(), &rcList);
    ::GetWindowRect(gui.Frame()->GetToolBar().m_hWnd, &rcBar);
    ::GetWindowRect(gui.Frame()->GetStatusBar().m_hWnd, &rcStatus);
    EXPECT_EQ(rcBar.bottom, rcList.top);
    EXPECT_EQ(rcStatus.top, rcList.bottom);
}

TEST(MainFrame, ToolbarButtonsTextsAndEnableStates)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CToolBar& bar = gui.Frame()->GetToolBar();
    ASSERT_EQ(13, bar.GetButtonCount());
    const UINT kIds[] = { ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_ADD, ID_EDIT_REMOVE, ID_EDIT_EXTRACT,
                          0, ID_FILE_BROWSE_MIRADOR, 0, ID_APP_ABOUT, 0, ID_TOOLBAR_BLANK };
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(kIds[i], bar.GetItemID(i)) << "button " << i;

    char sz[64] = "";
    ::SendMessageA(bar.m_hWnd, TB_GETBUTTONTEXTA, ID_FILE_BROWSE_MIRADOR, reinterpret_cast<LPARAM>(sz));
    EXPECT_STREQ("Browse...", sz);
    ::SendMessageA(bar.m_hWnd, TB_GETBUTTONTEXTA, ID_EDIT_ADD, reinterpret_cast<LPARAM>(sz));
    EXPECT_STREQ("Add", sz);
    ::GetWindowTextA(bar.m_hWnd, sz, sizeof(sz));
    EXPECT_STREQ("Main toolbar", sz);

    // Empty archive: nothing to remove, extract or browse; the last button never works.
    EXPECT_TRUE(bar.IsButtonEnabled(ID_FILE_NEW));
    EXPECT_TRUE(bar.IsButtonEnabled(ID_EDIT_ADD));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_EDIT_REMOVE));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_EDIT_EXTRACT));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_FILE_BROWSE_MIRADOR));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_TOOLBAR_BLANK));

    CTestFolder dir("toolbar");
    ASSERT_TRUE(gui.m_pApp->OpenDocumentFile(dir + "none.vpp") == false);
    RecordedMessage box = gui.TakeMessage();
    EXPECT_CONTAINS(box.strText, dir + "none.vpp");
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), box.nFlags);
    ASSERT_TRUE(WriteArchive(dir + "two.vpp", Sized({ { "a.txt", 1 }, { "b.txt", 2 } })));
    ASSERT_TRUE(gui.m_pApp->OpenDocumentFile(dir + "two.vpp"));
    gui.Pump();
    EXPECT_TRUE(bar.IsButtonEnabled(ID_FILE_BROWSE_MIRADOR));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_EDIT_REMOVE));
    gui.SelectRow(1);
    gui.Pump();
    EXPECT_TRUE(bar.IsButtonEnabled(ID_EDIT_REMOVE));
    EXPECT_TRUE(bar.IsButtonEnabled(ID_EDIT_EXTRACT));
    EXPECT_FALSE(bar.IsButtonEnabled(ID_TOOLBAR_BLANK));
}

TEST(MainFrame, MenuPopupsFollowTheEnableRules)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    HMENU hBar = ::GetMenu(gui.Frame()->m_hWnd);
    ASSERT_NE(nullptr, hBar);
    HMENU hEdit = ::GetSubMenu(hBar, 1);
    HMENU hFile = ::GetSubMenu(hBar, 0);
    ::SendMessageA(gui.Frame()->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hEdit), MAKELPARAM(1, FALSE));
    EXPECT_FALSE(IsGrayed(hEdit, ID_EDIT_ADD));
    EXPECT_TRUE(IsGrayed(hEdit, ID_EDIT_REMOVE));
    EXPECT_TRUE(IsGrayed(hEdit, ID_EDIT_EXTRACT));
    EXPECT_TRUE(IsGrayed(hEdit, ID_EDIT_SELECT_ALL));
    ::SendMessageA(gui.Frame()->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hFile), MAKELPARAM(0, FALSE));
    EXPECT_FALSE(IsGrayed(hFile, ID_FILE_SAVE));
    EXPECT_FALSE(IsGrayed(hFile, ID_FILE_SAVE_AS));
    EXPECT_TRUE(IsGrayed(hFile, ID_FILE_BROWSE_MIRADOR));
    EXPECT_FALSE(IsGrayed(hFile, ID_APP_EXIT));
}

TEST(Commands, KeysOfDisabledCommandsAreRefused)
{
    CTestFolder dir("keys");
    ASSERT_TRUE(WriteArchive(dir + "three.vpp", Sized({ { "a.txt", 1 }, { "b.txt", 2 }, { "c.txt", 3 } })));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "three.vpp" }));

    // Ctrl+A through the accelerator table selects every row.
    ::SetFocus(gui.List());
    gui.Key("Ctrl+A");
    EXPECT_EQ(3, gui.View()->CountSelectedItems());

    // On an empty archive the disabled commands are refused (the enable rule itself: EditSelectAll).
    gui.Command(ID_FILE_NEW);
    EXPECT_EQ(0, gui.RowCount());
    EXPECT_FALSE(gui.Frame()->ExecuteCommand(ID_FILE_BROWSE_MIRADOR));
    EXPECT_FALSE(gui.Frame()->ExecuteCommand(ID_TOOLBAR_BLANK));
}

TEST(ListView, HeaderClicksSortEachColumnAscending)
{
    CTestFolder dir("sort");
    ASSERT_TRUE(WriteArchive(dir + "sort.vpp", Sized({ { "b.txt", 1000 }, { "C.txt", 9 }, { "a.txt", 10 } })));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "sort.vpp" }));

    ClickHeader(gui.List(), 1);
    gui.Pump();
    EXPECT_EQ((std::vector<std::string>{ "C.txt", "a.txt", "b.txt" }), gui.Column(0));
    EXPECT_EQ(Padded(14, "1.000"), gui.Cell(2, 1));
    ClickHeader(gui.List(), 1);   // again: still ascending
    gui.Pump();
    EXPECT_EQ((std::vector<std::string>{ "C.txt", "a.txt", "b.txt" }), gui.Column(0));

    ClickHeader(gui.List(), 0);   // names ignore case
    gui.Pump();
    EXPECT_EQ((std::vector<std::string>{ "a.txt", "b.txt", "C.txt" }), gui.Column(0));

    ClickHeader(gui.List(), 2);   // offsets in numeric order: b at 4096, C at 6144, a at 8192
    gui.Pump();
    EXPECT_EQ((std::vector<std::string>{ "b.txt", "C.txt", "a.txt" }), gui.Column(0));

    // Item data survives the sort untouched: each row's table index.
    for (int i = 0; i < 3; ++i)
    {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        ::SendMessageA(gui.List(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        ASSERT_GE(item.lParam, 0);
        ASSERT_LT(item.lParam, 3);
        EXPECT_EQ(gui.Doc()->m_entries[item.lParam].m_strName, gui.Cell(i, 0));
    }

    // An added file puts the rows back in table order, with the new one last.
    DropOnList(gui, { dir.File("new.txt", 5) });
    EXPECT_EQ((std::vector<std::string>{ "b.txt", "C.txt", "a.txt", "new.txt" }), gui.Column(0));
    EXPECT_EQ("File at " + dir + "new.txt", gui.Cell(3, 2));
}

TEST(ListView, DroppedFilesAreAddedWhileLockedFilesAndFoldersAreSkippedSilently)
{
    CTestFolder dir("drop");
    std::vector<std::string> arrFiles = { dir.File("one.txt", 11), dir.File("locked.txt", 22), dir.File("three.txt", 33) };
    ::CreateDirectoryA((dir + "folder").c_str(), nullptr);
    HANDLE hLock = ::CreateFileA((dir + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    DropOnList(gui, { arrFiles[0], arrFiles[1], dir + "folder", arrFiles[2] });
    ::CloseHandle(hLock);

    EXPECT_EQ((std::vector<std::string>{ "one.txt", "three.txt" }), gui.Column(0));
    EXPECT_EQ((std::vector<std::string>{ Padded(20, "11"), Padded(20, "33") }), gui.Column(1));
    EXPECT_EQ("File at " + arrFiles[2], gui.Cell(1, 2));
    EXPECT_TRUE(gui.m_messages.empty());
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ("2 files, 8.192 bytes", gui.StatusPane(1));

    // A file of the same name, in another case, replaces its row in place.
    CTestFolder other("drop-other");
    DropOnList(gui, { other.File("ONE.TXT", 44) });
    EXPECT_EQ((std::vector<std::string>{ "ONE.TXT", "three.txt" }), gui.Column(0));
}

TEST(ListView, DropBlocksAreReadWithinTheirBounds)
{
    std::vector<CFileDropTarget::NameRecord> arrNames;
    // Too short to hold the header.
    BYTE abShort[8] = {};
    CFileDropTarget::ParseDropFiles(abShort, sizeof(abShort), arrNames);
    EXPECT_TRUE(arrNames.empty());

    // The name list starts beyond the block.
    std::vector<BYTE> block(sizeof(DROPFILES) + 8, 0);
    reinterpret_cast<DROPFILES*>(block.data())->pFiles = 4000;
    CFileDropTarget::ParseDropFiles(block.data(), block.size(), arrNames);
    EXPECT_TRUE(arrNames.empty());

    // Wide names: one ordinary, one of 300 units (skipped whole), one cut off by the block's end.
    std::wstring strList = L"C:\\a.txt";
    strList += L'\0';
    strList += std::wstring(300, L'x');
    strList += L'\0';
    strList += L"C:\\unterminated";
    block.assign(sizeof(DROPFILES), 0);
    reinterpret_cast<DROPFILES*>(block.data())->pFiles = sizeof(DROPFILES);
    reinterpret_cast<DROPFILES*>(block.data())->fWide = TRUE;
    const BYTE* pList = reinterpret_cast<const BYTE*>(strList.data());
    block.insert(block.end(), pList, pList + strList.size() * sizeof(wchar_t));
    CFileDropTarget::ParseDropFiles(block.data(), block.size(), arrNames);
    ASSERT_EQ(1u, arrNames.size());
    EXPECT_EQ(std::wstring(L"C:\\a.txt"), std::wstring(arrNames[0].data()));

    // A name of exactly 259 units still fits its record with the terminator.
    arrNames.clear();
    strList = std::wstring(259, L'y');
    strList += L'\0';
    strList += L'\0';
    block.resize(sizeof(DROPFILES));
    pList = reinterpret_cast<const BYTE*>(strList.data());
    block.insert(block.end(), pList, pList + strList.size() * sizeof(wchar_t));
    CFileDropTarget::ParseDropFiles(block.data(), block.size(), arrNames);
    ASSERT_EQ(1u, arrNames.size());
    EXPECT_EQ(259u, std::wstring(arrNames[0].data()).size());
}

TEST(ListView, DropOntoAFullTableSaysSoAndStillReplacesByName)
{
    CTestFolder dir("drop-full");
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (int i = 0; i < 65536; ++i)
        arrMembers.push_back({ "f" + std::to_string(i), "" });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("full.vpp", arrMembers) }));
    ASSERT_EQ(65536, gui.RowCount());
    DropOnList(gui, { dir.File("new.txt", 5), dir.File("F7", 9) });
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ("One or more errors occured while trying to add files. These files have been skipped.", report.strHeader);
    EXPECT_EQ(dir + "new.txt\r\nVPP exceeds 65536 files.\r\n\r\n", report.strDetails);
    EXPECT_EQ(65536, gui.RowCount());
    EXPECT_EQ("F7", gui.Cell(7, 0));   // a name already there needs no new row
    EXPECT_EQ("File at " + dir + "F7", gui.Cell(7, 2));
}

TEST(MainFrame, FileDroppedOnTheWindowOpensIt)
{
    CTestFolder dir("drop-frame");
    ASSERT_TRUE(WriteArchive(dir + "dropped.vpp", Sized({ { "x.bin", 3 } })));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    gui.DropOnFrame({ dir + "dropped.vpp" });
    EXPECT_EQ(dir + "dropped.vpp", gui.Doc()->GetPathName());
    EXPECT_EQ((std::vector<std::string>{ "x.bin" }), gui.Column(0));
    EXPECT_EQ(std::string(kAppTitle) + " - dropped.vpp", gui.Caption());
}

TEST(Document, NewAsksToSaveAModifiedArchive)
{
    CTestFolder dir("ask-save");
    std::vector<std::string> arrFiles = { dir.File("keep.txt", 7) };
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    DropOnList(gui, arrFiles);
    ASSERT_EQ(1, gui.RowCount());

    gui.m_nAnswer = IDCANCEL;
    gui.Command(ID_FILE_NEW);
    EXPECT_EQ("Save changes to Untitled?", gui.TakeMessage());
    EXPECT_EQ(1, gui.RowCount());   // cancelled: nothing changes

    gui.m_nAnswer = IDNO;
    gui.Command(ID_FILE_NEW);
    EXPECT_EQ("Save changes to Untitled?", gui.TakeMessage());
    EXPECT_EQ(0, gui.RowCount());
    EXPECT_FALSE(gui.Doc()->IsModified());
}

// Yes to "Save changes to ...?" with a save that fails (another program holds the archive) or is
// cancelled (the Save As dialog of an untitled archive): every way of leaving the archive keeps the
// edits and stops.
TEST(Document, YesToSaveChangesWithAFailedOrCancelledSaveKeepsTheEditsAndStops)
{
    CTestFolder dir("save-yes-fails");
    const std::string strOther = dir.Archive("other.vpp", { { "o.txt", "o" } });
    const std::string strAdded = dir.File("added.txt", 3);
    const std::string strMine = dir + "mine.vpp";
    enum Action { CLOSE, NEW, OPEN, RECENT, DROP, LOGOFF };
    const char* kNames[] = { "Close", "New", "Open", "recent file", "drop on the frame", "logoff" };
    for (int nAction = CLOSE; nAction <= LOGOFF; ++nAction)
    {
        for (bool bUntitled : { false, true })
        {
            SCOPED_TRACE(std::string(kNames[nAction]) + (bUntitled ? ", Save As cancelled" : ", save fails"));
            dir.Archive("mine.vpp", { { "m.txt", "mm" } });
            CGuiHarness gui;
            ASSERT_TRUE(gui.Start(bUntitled ? std::vector<std::string>() : std::vector<std::string>{ strMine }));
            DropOnList(gui, { strAdded });
            const std::vector<std::string> arrRows = gui.Column(0);
            gui.m_pApp->AddToRecentFileList(strOther);
            gui.Answer({ IDYES });
            std::vector<Step> arrSteps;
            if (nAction == OPEN)
                arrSteps.push_back(SaveAs(strOther));   // the Open dialog: the other archive chosen
            if (bUntitled)
                arrSteps.push_back(Press(IDCANCEL));    // the Save As dialog
            HWND hFrame = gui.Frame()->m_hWnd;
            LRESULT lEndSession = -1;
            HANDLE hHold = bUntitled ? INVALID_HANDLE_VALUE
                                     : ::CreateFileA(strMine.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            WithSteps(arrSteps, [&] {
                switch (nAction)
                {
                case CLOSE: ::SendMessageA(hFrame, WM_CLOSE, 0, 0); break;
                case NEW: gui.Command(ID_FILE_NEW); break;
                case OPEN: gui.Command(ID_FILE_OPEN); break;
                case RECENT: gui.Command(ID_FILE_MRU_FILE1); break;
                case DROP: gui.DropOnFrame({ strOther }); break;
                case LOGOFF: lEndSession = ::SendMessageA(hFrame, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF); break;
                }
                gui.Pump();
            });
            if (hHold != INVALID_HANDLE_VALUE)
                ::CloseHandle(hHold);
            std::vector<RecordedMessage> arrBoxes = gui.TakeMessages();
            ASSERT_FALSE(arrBoxes.empty());
            EXPECT_EQ(std::string("Save changes to ") + (bUntitled ? "Untitled" : "mine.vpp") + "?", arrBoxes[0]);
            EXPECT_EQ(bUntitled ? 1u : 2u, arrBoxes.size());   // a failed save says why
            EXPECT_EQ(nAction == LOGOFF ? FALSE : -1, lEndSession);
            EXPECT_TRUE(::IsWindow(hFrame));
            EXPECT_TRUE(gui.Doc()->IsModified());
            EXPECT_EQ(arrRows, gui.Column(0));
            EXPECT_EQ(std::string(kAppTitle) + (bUntitled ? " - Untitled" : " - mine.vpp"), gui.Caption());
            EXPECT_EQ(1u, ReadArchive(strMine).size());
        }
    }
}

TEST(Document, SaveThroughTheTemplateUpdatesListTitleAndRecentFiles)
{
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
    CTestFolder dir("save");
    std::vector<std::string> arrFiles = { dir.File("a.txt", 2049) };
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    DropOnList(gui, arrFiles);
    ASSERT_TRUE(gui.m_pApp->GetDocTemplate()->DoSave(dir + "saved.vpp"));
    gui.Pump();
    EXPECT_EQ("In VPP at offset " + Padded(14, "4.096"), gui.Cell(0, 2));
    EXPECT_EQ(std::string(kAppTitle) + " - saved.vpp", gui.Caption());
    EXPECT_FALSE(gui.Doc()->IsModified());
    CRegistryKey key;
    std::string strFirst;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kRecentKey));
    ASSERT_TRUE(key.QueryString("File1", strFirst));
    EXPECT_EQ(dir + "saved.vpp", strFirst);
}

TEST(RecentFiles, KeepTheTenNewestInRegistryAndMenu)
{
    CRegistryKey::DeleteTree(HKEY_CURRENT_USER, kRecentKey);
    CTestFolder dir("recent");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    for (int i = 0; i < 12; ++i)
    {
        std::string strPath = dir + "r" + std::to_string(i) + ".vpp";
        ASSERT_TRUE(WriteArchive(strPath, {}));
        ASSERT_TRUE(gui.m_pApp->OpenDocumentFile(strPath));
    }
    CRegistryKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, kRecentKey));
    std::string strValue;
    ASSERT_TRUE(key.QueryString("File1", strValue));
    EXPECT_EQ(dir + "r11.vpp", strValue);
    ASSERT_TRUE(key.QueryString("File10", strValue));
    EXPECT_EQ(dir + "r2.vpp", strValue);
    EXPECT_FALSE(key.QueryString("File11", strValue));

    HMENU hFile = ::GetSubMenu(::GetMenu(gui.Frame()->m_hWnd), 0);
    ::SendMessageA(gui.Frame()->m_hWnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hFile), MAKELPARAM(0, FALSE));
    int nRecent = 0;
    for (int i = 0; i < ::GetMenuItemCount(hFile); ++i)
    {
        UINT nID = ::GetMenuItemID(hFile, i);
        nRecent += nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_FILE1 + 15;
    }
    EXPECT_EQ(10, nRecent);
    char sz[MAX_PATH] = "";
    ::GetMenuStringA(hFile, ID_FILE_MRU_FILE1, sz, sizeof(sz), MF_BYCOMMAND);
    EXPECT_EQ('&', sz[0]);
    EXPECT_EQ('1', sz[1]);

    // Choosing the second entry opens that archive.
    gui.Command(ID_FILE_MRU_FILE1 + 1);
    EXPECT_EQ(std::string(kAppTitle) + " - r10.vpp", gui.Caption());
}

TEST(Shell, VppFilesAreRegisteredForTheCurrentUser)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CRegistryKey key;
    std::string strValue;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Classes\\.vpp"));
    ASSERT_TRUE(key.QueryString(nullptr, strValue));
    EXPECT_EQ("Quarnel.Document", strValue);
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Classes\\Quarnel.Document"));
    ASSERT_TRUE(key.QueryString(nullptr, strValue));
    EXPECT_EQ("VPP Archive File", strValue);
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_CURRENT_USER, "Software\\Classes\\Quarnel.Document\\shell\\open\\command"));
    ASSERT_TRUE(key.QueryString(nullptr, strValue));
    char szModule[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, szModule, sizeof(szModule));
    EXPECT_EQ("\"" + std::string(szModule) + "\" \"%1\"", strValue);
}

TEST(ListView, RightClickShowsTheMenuWithoutTouchingTheSelection)
{
    CTestFolder dir("right-click");
    ASSERT_TRUE(WriteArchive(dir + "two.vpp", Sized({ { "a.txt", 1 }, { "b.txt", 2 } })));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "two.vpp" }));
    gui.SelectRow(0);

    // Right-click on row 1, which is not selected: the menu opens with the selection as it was.
    RECT rc = {};
    rc.left = LVIR_BOUNDS;
    ::SendMessageA(gui.List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc));
    int nSelectedInMenu = -1;
    WithSteps({ { "menu", [&](HWND) {
                   nSelectedInMenu = gui.View()->CountSelectedItems();
                   ::EndMenu();
                   return true;
               } } },
              [&] {
                  ::SendMessageA(gui.List(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(rc.left + 20, (rc.top + rc.bottom) / 2));
                  gui.Pump();
              });
    EXPECT_EQ(1, nSelectedInMenu);
    EXPECT_EQ(LVIS_SELECTED, ::SendMessageA(gui.List(), LVM_GETITEMSTATE, 0, LVIS_SELECTED));

    // The keyboard reaches the menu too.
    for (const char* pszKey : { "Shift+F10", "Apps" })
    {
        gui.FocusRow(1);
        EXPECT_EQ(std::vector<std::string>({ "menu" }), WithSteps({ MenuKeys("Esc") }, [&] { gui.Key(pszKey); })) << pszKey;
    }
}

TEST(Help, AboutAndCheckForNewVersionOpenTheCompanionLibrarysWindows)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    std::vector<std::string> arrMet = gui.Command(ID_APP_ABOUT, { Press(IDCANCEL) });
    ASSERT_EQ(1u, arrMet.size());
    EXPECT_NE(std::string::npos, arrMet[0].find("QUARNEL")) << arrMet[0];

    arrMet = gui.Command(ID_HELP_CHECK_VERSION, { Press(IDCANCEL) });
    EXPECT_EQ(1u, arrMet.size());
    EXPECT_TRUE(::IsWindowEnabled(gui.Frame()->m_hWnd));   // enabled again once the dialog is gone
}

TEST(StartUp, RegistersTheToolAndMarksTheMigrationDone)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CRegistryKey key;
    DWORD dwBuild = 0;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE,
                                      "Software\\Kestrin Network\\Kestrin Manager Tools\\Kestrin Manager QUARNEL",
                                      KEY_READ | KEY_WOW64_32KEY));
    ASSERT_TRUE(key.QueryDword("Build", dwBuild));
    EXPECT_EQ(6u, dwBuild);
    std::string strExe;
    ASSERT_TRUE(key.QueryString("Path", strExe));
    EXPECT_EQ(ExeFolder(), strExe.substr(0, ExeFolder().size()));
}

TEST(Document, SaveWithAVanishedFileSaysWhichFileAndKeepsTheOldArchive)
{
    CTestFolder dir("save-vanished");
    ASSERT_TRUE(WriteArchive(dir + "keep.vpp", Sized({ { "old.txt", 100 } })));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "keep.vpp" }));
    DropOnList(gui, { dir.File("gone.txt", 10) });
    ::DeleteFileA((dir + "gone.txt").c_str());

    gui.Command(ID_FILE_SAVE);
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ("Not saved: the archive on disk was left unchanged. These files could not be copied:", report.strHeader);
    EXPECT_EQ("gone.txt\r\nError while trying to access source file.\r\n\r\n", report.strDetails);
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ("File at " + dir + "gone.txt", gui.Cell(1, 2));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((dir + "keep.vpp.try").c_str()));
    EXPECT_EQ((std::vector<ArchiveMember>{ { "old.txt", std::string(100, 'x') } }), ReadArchive(dir + "keep.vpp"));
}

// The harness fails the running test for a window no step expects, a step whose window never
// comes, two messages taken as one, a message nobody read, and an archive whose fields disagree;
// the windows it meets are closed again.
TEST(Harness, FailsTheTestForUnexpectedOrMissingWindowsUnreadMessagesAndBadArchives)
{
    CTestFolder dir("harness");
    std::string strBad = BuildArchive({ { "a", "x" } });
    PutLe32(strBad, 12, 2048);
    dir.File("bad.vpp", strBad);
    {
        CGuiHarness gui;
        ASSERT_TRUE(gui.Start({}));
        EXPECT_NONFATAL_FAILURE(gui.Command(ID_APP_ABOUT, {}), "unexpected dialog");
        EXPECT_NONFATAL_FAILURE(gui.Command(ID_APP_ABOUT, { MenuKeys("Esc") }), "expected \"menu\"");
        EXPECT_NONFATAL_FAILURE(gui.Command(ID_FILE_NEW, { Press(IDOK) }), "no window for step 1");
        EXPECT_TRUE(::IsWindowEnabled(gui.Frame()->m_hWnd));   // the dialogs are gone
        gui.DropOnFrame({ dir + "gone1.vpp" });
        gui.DropOnFrame({ dir + "gone2.vpp" });
        EXPECT_NONFATAL_FAILURE(gui.TakeMessage(), "more than one message");
        EXPECT_EQ("", gui.TakeMessage());
        gui.DropOnFrame({ dir + "gone3.vpp" });   // a message box, not an error-details dialog
        EXPECT_NONFATAL_FAILURE(gui.TakeDetails(), "expected an error-details dialog");
    }
    EXPECT_NONFATAL_FAILURE(
        {
            CGuiHarness gui;
            if (gui.Start({}))
                gui.DropOnFrame({ dir + "gone.vpp" });
        },
        "nobody looked at");
    EXPECT_NONFATAL_FAILURE(ReadArchive(dir + "bad.vpp"), "disagree");
    EXPECT_EQ((std::vector<ArchiveMember>{ { "a", "x" } }), ReadArchive(dir.Archive("good.vpp", { { "a", "x" } })));
}
