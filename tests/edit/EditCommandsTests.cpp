// EditCommandsTests.cpp: Add, Remove, Extract and Select all driven through the real window under
// Wine and Xvfb; the file dialog and folder picker answered through the frame's seams, the real
// error-details dialog, progress window and folder picker opened and photographed once each.
#include <gtest/gtest.h>
#include <windows.h>
#include <cderr.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include "GuiHarness.h"
#include "config/SettingsStore.h"
#include "res/resource.h"
#include "ui/ErrorDetailsDialog.h"
#include "ui/PathText.h"

namespace
{
const char kAddHeader[] = "One or more errors occured while trying to add files. These files have been skipped.";
const char kExtractHeader[] = "At least one file was not extracted. See below for details.";
const char kLastFolder[] = "LastExtractionFolder";
}

TEST(EditAdd, AddsInTheDialogsOrderReplacesAndReportsFailuresAfterTheRefill)
{
    CTestFolder dir("edit-add");
    dir.Archive("a.vpp", { { "keep.txt", std::string(10, 'x') }, { "data.bin", std::string(20, 'x') } });
    std::string strNew = dir.Sub("new");
    dir.File("new\\Data.BIN", 3000);
    dir.File("new\\zz.txt", 1);
    dir.File("new\\locked.txt", 5);
    std::ofstream("C:\\quarnel-edit-root.txt") << "1234567";
    HANDLE hLock = ::CreateFileA((strNew + "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);

    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "a.vpp" }));
    gui.AnswerAdd({ strNew.substr(0, strNew.size() - 1), "zz.txt", "locked.txt", "Data.BIN", "missing.txt" });
    // The report opens on rows and a summary that already show the new table.
    std::vector<std::string> arrRowsAtReport;
    std::string strSummaryAtReport;
    CErrorDetailsDialog::SetSink([&](const std::string& strHeader, const std::string& strDetails) {
        gui.m_details.push_back({ strHeader, strDetails });
        arrRowsAtReport = gui.Column(0);
        strSummaryAtReport = gui.StatusPane(1);
    });
    gui.Command(ID_EDIT_ADD);
    ::CloseHandle(hLock);

    const OPENFILENAMEA& seen = gui.m_lastAddDialog;
    EXPECT_EQ(0xFFFFEu, seen.nMaxFile);
    EXPECT_EQ(static_cast<DWORD>(OFN_ALLOWMULTISELECT | OFN_EXPLORER), seen.Flags & (OFN_ALLOWMULTISELECT | OFN_EXPLORER));
    EXPECT_EQ(std::string("All files (*.*)\0*.*\0", 20), std::string(seen.lpstrFilter, 20));

    ASSERT_EQ(1u, gui.m_details.size());
    EXPECT_EQ(kAddHeader, gui.m_details[0].strHeader);
    EXPECT_EQ(strNew + "locked.txt\r\nCould not access file. Please verify that it is not opened in another program.\r\n\r\n" +
                  strNew + "missing.txt\r\nNo such file.\r\n\r\n",
              gui.m_details[0].strDetails);
    // Data.BIN replaced data.bin in its place, taking the new spelling; zz.txt came after.
    std::vector<std::string> arrExpected = { "keep.txt", "Data.BIN", "zz.txt" };
    EXPECT_EQ(arrExpected, gui.Column(0));
    EXPECT_EQ(arrExpected, arrRowsAtReport);
    EXPECT_EQ("File at " + strNew + "Data.BIN", gui.Cell(1, 2));
    EXPECT_EQ("3 files, 12.288 bytes", strSummaryAtReport);

    // A file at a drive root: one backslash between the root and the name, and no report.
    gui.m_details.clear();
    gui.AnswerAdd({ "C:\\", "quarnel-edit-root.txt" });
    gui.Command(ID_EDIT_ADD);
    EXPECT_TRUE(gui.m_details.empty());
    ASSERT_EQ(4, gui.RowCount());
    EXPECT_EQ("File at C:\\quarnel-edit-root.txt", gui.Cell(3, 2));
    ::DeleteFileA("C:\\quarnel-edit-root.txt");

    // Cancel: no message, and nothing refreshed (the sort and the selection stay).
    gui.View()->SortByColumn(1);
    gui.SelectRow(1);
    std::vector<std::string> arrSorted = gui.Column(0);
    gui.AnswerAdd({});
    gui.Command(ID_EDIT_ADD);
    EXPECT_TRUE(gui.m_messages.empty());
    EXPECT_EQ(arrSorted, gui.Column(0));
    EXPECT_EQ(1, gui.View()->CountSelectedItems());
    // A choice too large for the buffer is reported, not taken for a cancel.
    gui.AnswerAdd({}, FNERR_BUFFERTOOSMALL);
    gui.Command(ID_EDIT_ADD);
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ("Error", box.strCaption);
    EXPECT_CONTAINS(box.strText, "Too many files");
    EXPECT_EQ(4, gui.RowCount());
}

TEST(EditRows, SortedListWithTwoMembersOfOneNameActsOnExactlyTheSelectedRows)
{
    CTestFolder dir("edit-dup");
    std::string strArchive = dir.Archive("d.vpp", { { "dup", std::string(10, 'a') },
                                                    { "zeta", std::string(20, 'z') },
                                                    { "dup", std::string(30, 'b') },
                                                    { "Alpha", std::string(5, 'x') } });
    std::string strOut = dir.Sub("out");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.View()->SortByColumn(1);   // by size: Alpha 5, dup 10, zeta 20, dup 30
    ASSERT_EQ(std::vector<std::string>({ "Alpha", "dup", "zeta", "dup" }), gui.Column(0));
    gui.SelectRow(3);   // the second "dup", the one a look-up by name would find
    gui.SelectRow(2);

    gui.AnswerFolder(strOut);
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_TRUE(gui.m_details.empty());
    EXPECT_EQ(std::string(30, 'b'), ReadFileText(strOut + "dup"));
    EXPECT_EQ(std::string(20, 'z'), ReadFileText(strOut + "zeta"));
    EXPECT_FALSE(dir.Exists("out\\Alpha"));
    // Extract leaves the sorted list and its selection as they were.
    EXPECT_EQ(std::vector<std::string>({ "Alpha", "dup", "zeta", "dup" }), gui.Column(0));
    EXPECT_EQ(2, gui.View()->CountSelectedItems());

    // Now the first "dup" and Alpha: the table keeps the second "dup" and zeta.
    gui.SelectRow(2, false);
    gui.SelectRow(3, false);
    gui.SelectRow(0);
    gui.SelectRow(1);
    gui.m_nAnswer = IDNO;
    gui.Key("Del");
    RecordedMessage box = gui.TakeMessage();
    EXPECT_EQ("Are you sure you want to delete these files?\n\n(Note: Only files inside the .VPP or references to "
              "the .VPP are deleted, not files you added from outside the .VPP!)",
              box);
    EXPECT_EQ("Confirmation", box.strCaption);
    EXPECT_EQ(static_cast<unsigned>(MB_YESNO), box.nFlags);
    EXPECT_EQ(4, gui.RowCount());

    gui.m_nAnswer = IDYES;
    std::string strBefore = ReadFileText(strArchive);
    ::SendMessageA(gui.Frame()->m_hWnd, WM_COMMAND, ID_EDIT_REMOVE, 0);   // no pumping: what the handler itself did
    EXPECT_EQ("Confirmation", gui.TakeMessage().strCaption);
    // The handler itself refilled the list in table order and wrote the summary.
    EXPECT_EQ(std::vector<std::string>({ "zeta", "dup" }), gui.Column(0));
    EXPECT_EQ("2 files, 8.192 bytes", gui.StatusPane(1));
    EXPECT_EQ(std::string(20, ' ') + "30", gui.Cell(1, 1));
    EXPECT_EQ(strBefore, ReadFileText(strArchive));   // only the table changed
}

// The saved members are written; the others are named in one report with their reasons: a name that
// would leave the folder, the first of two names equal ignoring case (the last one is written, the
// row that adding the file back would replace), a member not yet saved.
TEST(EditExtract, WritesTheSavedMembersAndNamesEachSkippedOneWithItsReason)
{
    CTestFolder dir("edit-extract");
    std::string strFolder = dir.Sub("in");   // "..\\evil.txt" would land in dir
    ASSERT_TRUE(WriteArchive(strFolder + "x.vpp", { { "a.txt", "AAA" },
                                                    { "..\\evil.txt", "EVIL" },
                                                    { "Case.txt", "first" },
                                                    { "CASE.TXT", "second" } }));
    std::string strOut = dir.Sub("out");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strFolder + "x.vpp" }));
    gui.AddFiles({ dir.File("in\\new.txt", 4) });
    ASSERT_EQ(5, gui.RowCount());
    gui.Command(ID_EDIT_SELECT_ALL);
    gui.AnswerFolder(strOut);
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_EQ("AAA", ReadFileText(strOut + "a.txt"));
    EXPECT_EQ("second", ReadFileText(strOut + "Case.txt"));
    EXPECT_FALSE(dir.Exists("evil.txt"));
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ(kExtractHeader, report.strHeader);
    EXPECT_EQ("..\\evil.txt\r\nSkipped since the file name is not a safe relative path.\r\n\r\n"
              "Case.txt\r\nSkipped since another selected file of the same name (ignoring case) is extracted to this "
              "folder; the last one in the archive is the one that adding the file back would replace.\r\n\r\n"
              "new.txt\r\nSkipped since this file is not yet saved in a .VPP.\r\n\r\n",
              report.strDetails);
}

// The picker opens on the folder last chosen; Cancel writes nothing and keeps the setting, a folder
// chosen is remembered, even one where nothing could be written.
TEST(EditExtract, TheChosenFolderIsRememberedAndCancelWritesNothing)
{
    CTestFolder dir("edit-extract-folder");
    const std::string strOut = dir.Sub("out");
    WriteSetting(kLastFolder, "C:\\before");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("x.vpp", { { "a.txt", "AAA" } }) }));
    gui.AddFiles({ dir.File("new.txt", 4) });
    ASSERT_EQ(2, gui.RowCount());
    const struct { int nRow; std::string strAnswer, strStart, strSetting, strWritten, strMessage; } kCases[] = {
        { 0, "", "C:\\before", "C:\\before", "<missing>", "" },
        { 0, strOut, "C:\\before", strOut, "AAA", "" },
        { 1, "C:\\elsewhere", strOut, "C:\\elsewhere", "AAA", "Error details" },   // the unsaved member
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE("answered \"" + c.strAnswer + "\"");
        gui.SelectOnly({ c.nRow });
        gui.AnswerFolder(c.strAnswer);
        gui.Command(ID_EDIT_EXTRACT);
        EXPECT_EQ(c.strStart, gui.m_strPickerStart);
        EXPECT_EQ(c.strSetting, ReadSetting(kLastFolder, ""));
        EXPECT_EQ(c.strWritten, ReadFileText(strOut + "a.txt"));
        EXPECT_EQ(c.strMessage, gui.TakeMessage().strCaption);
    }
}

// What the progress window shows while Extract runs: centred on the frame and taking no input, the
// action above the member before the current one and the bar at its step, empty before the first
// and after the last; gone at the end. A command waiting in the queue runs only after it.
TEST(EditProgress, ExtractShowsEachStepCentredWithoutInputAndRunsAQueuedCommandAfter)
{
    CTestFolder dir("edit-progress");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("p.vpp", { { "a", "1" }, { "b", "2" }, { "c", "3" } }) }));
    const struct { std::vector<int> arrRows; std::vector<std::string> arrShown; } kCases[] = {
        { { 0, 1, 2 }, { " 0/3", "a 1/3", "b 2/3", " 3/3" } },
        { { 1 }, { " 0/1", " 1/1" } },
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.arrRows.size());
        std::vector<std::string> arrShown;
        std::string strAction;
        bool bTakesInput = false;
        long nOffCentre = 0;
        int nSelectedAtEnd = -1;
        gui.m_pApp->m_fnProgressObserver = [&](const std::string& strCall, const std::string&, int, int) {
            HWND hProgress = gui.m_pApp->GetProgressWindow(), hBar = ::GetDlgItem(hProgress, IDC_PROGRESS_BAR);
            if (strCall == "Begin")
                ::PostMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EDIT_SELECT_ALL, 0), 0);
            if (strCall == "End")
                nSelectedAtEnd = gui.View()->CountSelectedItems();
            if (strCall != "Set")
                return;
            arrShown.push_back(WindowText(::GetDlgItem(hProgress, IDC_PROGRESS_ITEM)) + " " +
                               std::to_string(::SendMessageA(hBar, PBM_GETPOS, 0, 0)) + "/" +
                               std::to_string(::SendMessageA(hBar, PBM_GETRANGE, FALSE, 0)));
            strAction = WindowText(::GetDlgItem(hProgress, IDC_PROGRESS_ACTION));
            bTakesInput = bTakesInput || !::IsWindowVisible(hProgress) || ::IsWindowEnabled(hProgress);
            RECT rcDlg, rcFrame;
            ::GetWindowRect(hProgress, &rcDlg);
            ::GetWindowRect(gui.Frame()->m_hWnd, &rcFrame);
            nOffCentre = std::max({ nOffCentre, std::abs((rcFrame.left + rcFrame.right) - (rcDlg.left + rcDlg.right)) / 2,
                                    std::abs((rcFrame.top + rcFrame.bottom) - (rcDlg.top + rcDlg.bottom)) / 2 });
            if (arrShown.size() == 3)
                SaveWindowShot(hProgress, "edit_progress");
            ::Sleep(60);   // the window draws a step 50 ms after the last at the soonest
        };
        gui.SelectOnly(c.arrRows);
        gui.AnswerFolder(dir.Path());
        gui.Command(ID_EDIT_EXTRACT);
        EXPECT_EQ(c.arrShown, arrShown);
        EXPECT_EQ("Extracting files...", strAction);
        EXPECT_FALSE(bTakesInput);
        EXPECT_LE(nOffCentre, 1);
        EXPECT_EQ(nullptr, gui.m_pApp->GetProgressWindow());
        EXPECT_EQ(static_cast<int>(c.arrRows.size()), nSelectedAtEnd);
        EXPECT_EQ(3, gui.View()->CountSelectedItems());
    }
}

// Extracting over an existing, longer file replaces it whole through a side file; no side file
// stays behind, and a file of the side file's name that the user keeps there is left alone.
TEST(EditExtract, OverALongerFileReplacesItWholeAndLeavesTheUsersPartFileAlone)
{
    CTestFolder dir("edit-extract-over");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("x.vpp", { { "a.txt", "short" } }) }));
    for (bool bUsersPart : { false, true })
    {
        SCOPED_TRACE(bUsersPart ? "with the user's a.txt.part" : "alone");
        std::string strOut = dir.Sub("out");
        dir.File("out\\a.txt", 5000, 'L');
        if (bUsersPart)
            dir.File("out\\a.txt.part", 4, 'u');
        gui.SelectOnly({ 0 });
        gui.AnswerFolder(strOut);
        gui.Command(ID_EDIT_EXTRACT);
        EXPECT_EQ("", gui.TakeMessage());
        EXPECT_EQ("short", ReadFileText(strOut + "a.txt"));
        EXPECT_EQ(bUsersPart ? "uuuu" : "<missing>", ReadFileText(strOut + "a.txt.part"));
        EXPECT_FALSE(dir.Exists("out\\a.txt.part1"));
    }
}

TEST(EditProgress, EndsWhateverHappensAndABeginWhileShownStartsOver)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CQuarnelApp* pApp = gui.m_pApp.get();
    try
    {
        CProgressScope progress(pApp, "One");
        ASSERT_NE(nullptr, pApp->GetProgressWindow());
        throw 1;
    }
    catch (int)
    {
    }
    EXPECT_EQ(nullptr, pApp->GetProgressWindow());

    pApp->BeginProgress("First");
    HWND hFirst = pApp->GetProgressWindow();
    // Before the first SetProgress the item line shows the resource's text.
    EXPECT_EQ("Frame # of #", WindowText(::GetDlgItem(hFirst, IDC_PROGRESS_ITEM)));
    pApp->BeginProgress("Second");
    EXPECT_FALSE(::IsWindow(hFirst));
    EXPECT_EQ("Second", WindowText(::GetDlgItem(pApp->GetProgressWindow(), IDC_PROGRESS_ACTION)));
    pApp->EndProgress();
    EXPECT_EQ(nullptr, pApp->GetProgressWindow());
}

TEST(EditSelectAll, SelectsEveryRowLeavesFocusAndScrollAndEnablesTheCommands)
{
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    CMainFrame* pFrame = gui.Frame();
    EXPECT_EQ("0 files, 0 bytes", gui.StatusPane(1));
    EXPECT_FALSE(pFrame->IsCommandEnabled(ID_EDIT_REMOVE));
    EXPECT_FALSE(pFrame->IsCommandEnabled(ID_EDIT_EXTRACT));
    EXPECT_FALSE(pFrame->IsCommandEnabled(ID_EDIT_SELECT_ALL));
    EXPECT_TRUE(pFrame->IsCommandEnabled(ID_EDIT_ADD));

    CTestFolder dir("edit-selectall");
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (int i = 0; i < 60; ++i)
        arrMembers.push_back({ "f" + std::to_string(i), "x" });
    ASSERT_TRUE(gui.m_pApp->OpenDocumentFile(dir.Archive("s.vpp", arrMembers)));
    gui.Pump();
    ASSERT_EQ(60, gui.RowCount());
    ::SendMessageA(gui.List(), LVM_ENSUREVISIBLE, 59, FALSE);
    int nTop = static_cast<int>(::SendMessageA(gui.List(), LVM_GETTOPINDEX, 0, 0));
    ASSERT_GT(nTop, 0);
    HWND hToolBar = pFrame->GetToolBar().m_hWnd;
    ::SetFocus(hToolBar);
    HWND hFocus = ::GetFocus();
    ASSERT_NE(gui.List(), hFocus);

    gui.Command(ID_EDIT_SELECT_ALL);
    EXPECT_EQ(60, gui.View()->CountSelectedItems());
    EXPECT_EQ(hFocus, ::GetFocus());
    EXPECT_EQ(nTop, static_cast<int>(::SendMessageA(gui.List(), LVM_GETTOPINDEX, 0, 0)));
    EXPECT_TRUE(pFrame->IsCommandEnabled(ID_EDIT_REMOVE));
    EXPECT_TRUE(pFrame->IsCommandEnabled(ID_EDIT_EXTRACT));
    // The toolbar buttons follow at the idle pass.
    EXPECT_TRUE(::SendMessageA(hToolBar, TB_ISBUTTONENABLED, ID_EDIT_REMOVE, 0));
}

// The real windows, opened once each and photographed.

TEST(EditDialogs, ErrorDetailsStartsOnCloseAndScrollsBothWays)
{
    CTestFolder dir("edit-details");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({}));
    std::string strLongName = std::string(55, 'n') + ".txt";   // the longest name a member can have
    dir.File(strLongName, 1);
    dir.File("short.txt", 1);
    gui.AnswerAdd({ dir.Path().substr(0, dir.Path().size() - 1), strLongName, "short.txt" });
    gui.Command(ID_EDIT_ADD);
    gui.Command(ID_EDIT_SELECT_ALL);
    gui.AnswerFolder(dir.Path());
    CErrorDetailsDialog::SetSink(nullptr);   // the real dialog this time

    std::vector<std::string> arrMet = gui.Command(ID_EDIT_EXTRACT, { { "", [&](HWND hDlg) {
        EXPECT_EQ("Error details", WindowText(hDlg));
        EXPECT_EQ(kExtractHeader, ItemText(hDlg, IDC_ERROR_HEADER));
        HWND hText = ::GetDlgItem(hDlg, IDC_ERROR_DETAILS_TEXT);
        std::string strUnsaved = "\r\nSkipped since this file is not yet saved in a .VPP.\r\n\r\n";
        EXPECT_EQ(strLongName + strUnsaved + "short.txt" + strUnsaved, WindowText(hText));
        LONG lStyle = ::GetWindowLongA(hText, GWL_STYLE);
        EXPECT_EQ(WS_HSCROLL | WS_VSCROLL, lStyle & (WS_HSCROLL | WS_VSCROLL));
        EXPECT_EQ(::GetDlgItem(hDlg, IDCANCEL), ::GetFocus());
        SaveWindowShot(hDlg, "edit_error_details");
        // Enter on the focused "Close" ends the dialog.
        PressKeys("Enter");
        return true;
    } } });
    EXPECT_EQ(std::vector<std::string>{ "Error details" }, arrMet);
}

TEST(EditDialogs, FolderPickerOpensOnTheLastFolderWithItInTheStatusLine)
{
    // A start folder longer than the status line holds.
    CTestFolder dir("edit-picker");
    std::string strStart = dir.Sub("with-a-rather-long-folder-name");
    strStart.pop_back();
    ASSERT_GT(strStart.size(), 35u);
    WriteSetting(kLastFolder, strStart);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("p.vpp", { { "m.txt", "xxx" } }) }));
    gui.SelectRow(0);

    std::vector<std::string> arrTexts;
    // The picker selects the start folder in its tree: wait until the tree shows it selected, as a
    // person would before pressing OK.
    auto fnTreeShowsStart = [&](HWND hDlg) {
        HWND hTree = ::FindWindowExA(hDlg, nullptr, "SysTreeView32", nullptr);
        char szItem[MAX_PATH] = "";
        TVITEMA tvi = {};
        tvi.mask = TVIF_TEXT;
        tvi.hItem = hTree ? reinterpret_cast<HTREEITEM>(::SendMessageA(hTree, TVM_GETNEXTITEM, TVGN_CARET, 0)) : nullptr;
        tvi.pszText = szItem;
        tvi.cchTextMax = sizeof(szItem);
        if (tvi.hItem)
            ::SendMessageA(hTree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvi));
        std::string strItem = szItem;
        return !strItem.empty() && strStart.size() >= strItem.size() &&
               strStart.compare(strStart.size() - strItem.size(), strItem.size(), strItem) == 0;
    };
    gui.Command(ID_EDIT_EXTRACT, { When(fnTreeShowsStart, Look("", [&](HWND hDlg) {
        arrTexts = ChildTexts(hDlg);
        SaveWindowShot(hDlg, "edit_folder_picker");
    }, IDOK)) });
    EXPECT_NE(arrTexts.end(), std::find(arrTexts.begin(), arrTexts.end(), "Select destination folder"));
    EXPECT_NE(arrTexts.end(), std::find(arrTexts.begin(), arrTexts.end(), ShortenForStatus(strStart)));
    // OK on the preselected folder extracts there.
    EXPECT_EQ(strStart, ReadSetting(kLastFolder, ""));
    EXPECT_EQ("xxx", ReadFileText(strStart + "\\m.txt"));
}
