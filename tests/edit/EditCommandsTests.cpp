// EditCommandsTests.cpp: Add, Remove, Extract and Select all driven through the real window under
// Wine and Xvfb; the file dialog and folder picker answered through the frame's seams, the real
// error-details dialog, progress window and folder picker opened and photographed once each.
#include <gtest/gtest.h>
#include <windows.h>
#include <cderr.h>
#include <algorithm>
#include <cstdio>
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

/// Sends a command and returns without pumping, so that what the handler itself did can be seen.
void SendCommand(CGuiHarness& gui, UINT nID)
{
    ::SendMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(nID, 0), 0);
}
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
                  strNew + "missing.txt\r\nCould not access file. Please verify that it is not opened in another program.\r\n\r\n",
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
    SendCommand(gui, ID_EDIT_REMOVE);
    EXPECT_EQ("Confirmation", gui.TakeMessage().strCaption);
    // The handler itself refilled the list in table order and wrote the summary.
    EXPECT_EQ(std::vector<std::string>({ "zeta", "dup" }), gui.Column(0));
    EXPECT_EQ("2 files, 8.192 bytes", gui.StatusPane(1));
    EXPECT_EQ(std::string(20, ' ') + "30", gui.Cell(1, 1));
    EXPECT_EQ(strBefore, ReadFileText(strArchive));   // only the table changed
}

TEST(EditExtract, MixOfSavedUnsavedUnsafeAndCaseTwinsWithTheSettingAndTheProgressCalls)
{
    CTestFolder dir("edit-extract");
    std::string strFolder = dir.Sub("in");   // "..\\evil.txt" would land in dir
    ASSERT_TRUE(WriteArchive(strFolder + "x.vpp", { { "a.txt", "AAA" },
                                                    { "..\\evil.txt", "EVIL" },
                                                    { "Case.txt", "first" },
                                                    { "CASE.TXT", "second" } }));
    dir.File("in\\new.txt", 4);
    std::string strOut = dir.Sub("out");
    WriteSetting(kLastFolder, "C:\\before");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strFolder + "x.vpp" }));
    gui.AnswerAdd({ strFolder + "new.txt" });
    gui.Command(ID_EDIT_ADD);
    ASSERT_EQ(5, gui.RowCount());

    // Cancel leaves the setting alone and writes nothing.
    gui.Command(ID_EDIT_SELECT_ALL);
    gui.AnswerFolder("");
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_EQ("C:\\before", gui.m_strPickerStart);
    EXPECT_EQ("C:\\before", ReadSetting(kLastFolder, ""));
    EXPECT_FALSE(dir.Exists("out\\a.txt"));

    struct Call { std::string strCall, strText; int nPos, nRange; bool bShownDisabled; };
    std::vector<Call> arrCalls;
    gui.m_pApp->m_fnProgressObserver = [&](const std::string& strCall, const std::string& strText, int nPos, int nRange) {
        HWND hProgress = gui.m_pApp->GetProgressWindow();
        arrCalls.push_back({ strCall, strText, nPos, nRange,
                             hProgress && ::IsWindowVisible(hProgress) && !::IsWindowEnabled(hProgress) });
        if (strCall == "Set" && nPos == 2)
            ::Sleep(60);   // so that the next position is drawn
        if (strCall == "Set" && nPos == 3)
        {
            // The window stands centred on the frame, showing the member before this one.
            RECT rcDlg, rcFrame;
            ::GetWindowRect(hProgress, &rcDlg);
            ::GetWindowRect(gui.Frame()->m_hWnd, &rcFrame);
            EXPECT_NEAR((rcFrame.left + rcFrame.right) / 2, (rcDlg.left + rcDlg.right) / 2, 1);
            EXPECT_NEAR((rcFrame.top + rcFrame.bottom) / 2, (rcDlg.top + rcDlg.bottom) / 2, 1);
            EXPECT_EQ("Extracting files...", WindowText(::GetDlgItem(hProgress, IDC_PROGRESS_ACTION)));
            EXPECT_EQ("Case.txt", WindowText(::GetDlgItem(hProgress, IDC_PROGRESS_ITEM)));
            EXPECT_EQ(3, ::SendMessageA(::GetDlgItem(hProgress, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
            SaveWindowShot(hProgress, "edit_progress");
        }
    };
    gui.AnswerFolder(strOut);
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_EQ(strOut, ReadSetting(kLastFolder, ""));
    EXPECT_EQ("AAA", ReadFileText(strOut + "a.txt"));
    EXPECT_EQ("second", ReadFileText(strOut + "Case.txt"));   // the last twin, the row Add would replace
    EXPECT_FALSE(dir.Exists("evil.txt"));
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ(kExtractHeader, report.strHeader);
    EXPECT_EQ("..\\evil.txt\r\nSkipped since the file name is not a safe relative path.\r\n\r\n"
              "Case.txt\r\nSkipped since another selected file of the same name (ignoring case) is extracted to this "
              "folder; the last one in the archive is the one that adding the file back would replace.\r\n\r\n"
              "new.txt\r\nSkipped since this file is not yet saved in a .VPP.\r\n\r\n",
              report.strDetails);
    ASSERT_EQ(8u, arrCalls.size());
    EXPECT_EQ("Begin", arrCalls[0].strCall);
    EXPECT_EQ("Extracting files...", arrCalls[0].strText);
    EXPECT_EQ("", arrCalls[1].strText);
    EXPECT_EQ("", arrCalls[6].strText);
    EXPECT_EQ(5, arrCalls[6].nPos);
    EXPECT_EQ(5, arrCalls[6].nRange);
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(arrCalls[i].bShownDisabled) << i;
    EXPECT_EQ("End", arrCalls[7].strCall);
    EXPECT_EQ(nullptr, gui.m_pApp->GetProgressWindow());

    // Only the unsaved member, into another folder: every member fails, the folder is kept anyway,
    // and the progress runs (empty, 0, 1), then (empty, 1, 1).
    for (int i = 0; i < 4; ++i)
        gui.SelectRow(i, false);
    arrCalls.clear();
    gui.AnswerFolder("C:\\elsewhere");
    // A command waiting in the queue is not run from inside the loop, only after it.
    int nSelectedAtEnd = -1;
    auto fnRecord = gui.m_pApp->m_fnProgressObserver;
    gui.m_pApp->m_fnProgressObserver = [&](const std::string& strCall, const std::string& strText, int nPos, int nRange) {
        fnRecord(strCall, strText, nPos, nRange);
        if (strCall == "Begin")
            ::PostMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EDIT_SELECT_ALL, 0), 0);
        if (strCall == "End")
            nSelectedAtEnd = gui.View()->CountSelectedItems();
    };
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_EQ(1, nSelectedAtEnd);
    EXPECT_EQ(5, gui.View()->CountSelectedItems());
    EXPECT_EQ("C:\\elsewhere", ReadSetting(kLastFolder, ""));
    EXPECT_EQ(kExtractHeader, gui.TakeDetails().strHeader);
    ASSERT_EQ(4u, arrCalls.size());
    EXPECT_EQ("Set", arrCalls[1].strCall);
    EXPECT_EQ("", arrCalls[1].strText);
    EXPECT_EQ(0, arrCalls[1].nPos);
    EXPECT_EQ(1, arrCalls[1].nRange);
    EXPECT_EQ("", arrCalls[2].strText);
    EXPECT_EQ(1, arrCalls[2].nPos);
    EXPECT_EQ(1, arrCalls[2].nRange);
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

TEST(EditSave, AFailedSaveListsTheMembersUnderAHeaderSayingTheArchiveIsUnchanged)
{
    CTestFolder dir("edit-save");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir.Archive("s.vpp", { { "old.txt", std::string(10, 'x') } }) }));
    gui.AnswerAdd({ dir.File("gone.txt", 10) });
    gui.Command(ID_EDIT_ADD);
    ::DeleteFileA((dir + "gone.txt").c_str());
    gui.Command(ID_FILE_SAVE);
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ("Not saved: the archive on disk was left unchanged. These files could not be copied:", report.strHeader);
    EXPECT_EQ("gone.txt\r\nError while trying to access source file.\r\n\r\n", report.strDetails);
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
