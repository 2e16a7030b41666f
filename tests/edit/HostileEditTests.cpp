// HostileEditTests.cpp: the editor as a careless or hostile user meets it: where Extract writes,
// failed pastes while their report is open, and members of one name.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include "DropSupport.h"
#include "GuiHarness.h"
#include "config/SettingsStore.h"
#include "res/resource.h"
#include "ui/ErrorDetailsDialog.h"
#include "ui/PathText.h"

namespace
{
/// Reads member nIndex of the data object as a paste would; false when it could not be read.
bool ReadMember(IDataObject* pData, LONG nIndex)
{
    FORMATETC fe = { static_cast<CLIPFORMAT>(::RegisterClipboardFormatA(CFSTR_FILECONTENTS)), nullptr, DVASPECT_CONTENT,
                     nIndex, TYMED_ISTREAM };
    STGMEDIUM medium = {};
    if (FAILED(pData->GetData(&fe, &medium)))
        return false;
    char ch;
    ULONG cbRead = 0;
    HRESULT hr = medium.pstm->Read(&ch, 1, &cbRead);
    ::ReleaseStgMedium(&medium);
    return SUCCEEDED(hr) && cbRead == 1;
}
}

TEST(HostileExtract, WritesOnlyWhereTheUserLooked)
{
    CTestFolder dir("hostile-extract");
    std::string strArchive = dir.Archive("x.vpp", { { "a.txt", "AAA" }, { "quote\"name.txt", "Q" }, { "b.txt", "BB" } });
    std::string strOut = dir.Sub("out");

    // The folder last extracted to is gone: the real picker opens on the nearest folder that exists,
    // its status line names that folder, and OK extracts there.
    WriteSetting("LastExtractionFolder", strOut + "gone\\deeper");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.SelectOnly({ 0, 1 });
    std::vector<std::string> arrStatic;   // the picker's title and status line
    gui.Command(ID_EDIT_EXTRACT, { Look("", [&](HWND hDlg) { arrStatic = ChildTexts(hDlg, "Static"); }, IDOK) });
    const std::string strNearest = strOut.substr(0, strOut.size() - 1);
    EXPECT_NE(arrStatic.end(), std::find(arrStatic.begin(), arrStatic.end(), ShortenForStatus(strNearest)))
        << ::testing::PrintToString(arrStatic);
    EXPECT_EQ("AAA", ReadFileText(strOut + "a.txt"));
    EXPECT_EQ(strNearest, ReadSetting("LastExtractionFolder", std::string()));
    // A name Windows does not allow is reported as such, not as a missing folder.
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ("At least one file was not extracted. See below for details.", report.strHeader);
    EXPECT_CONTAINS(report.strDetails, "characters that Windows does not allow");
}

TEST(HostileTransfer, FailuresAndDropsArrivingWhileADialogIsOpenNeverActUnderIt)
{
    CTestFolder dir("hostile-transfer");
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (int i = 0; i < 50; ++i)
        arrMembers.push_back({ "m" + std::to_string(i) + ".bin", std::string(100 + i, 'a') });
    std::string strArchive = dir.Archive("x.vpp", arrMembers);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.Command(ID_EDIT_SELECT_ALL);
    IDataObject* pData = gui.View()->CreateSelectionDataObject();
    ASSERT_NE(nullptr, pData);
    // Another program saves the archive with other contents: every member read now fails.
    arrMembers.push_back({ "new.bin", "n" });
    ASSERT_TRUE(WriteArchive(strArchive, arrMembers));

    int nDepth = 0, nMaxDepth = 0;
    std::vector<std::string> arrShown;
    CErrorDetailsDialog::SetSink([&](const std::string&, const std::string& strDetails) {
        nMaxDepth = std::max(nMaxDepth, ++nDepth);
        arrShown.push_back(strDetails);
        if (arrShown.size() == 1)
        {
            // The target goes on reading while the report is open; its loop runs our messages.
            for (LONG i = 0; i < 3; ++i)
                EXPECT_FALSE(ReadMember(pData, i));
            gui.Pump();
        }
        --nDepth;
    });
    for (LONG i = 0; i < 50; ++i)
        EXPECT_FALSE(ReadMember(pData, i));
    gui.Pump();
    gui.Pump();
    CErrorDetailsDialog::SetSink(nullptr);
    pData->Release();

    EXPECT_EQ(1, nMaxDepth);
    ASSERT_EQ(2u, arrShown.size());
    auto countEntries = [](const std::string& s) {
        size_t n = 0;
        for (size_t nPos = s.find("\r\n\r\n"); nPos != std::string::npos; nPos = s.find("\r\n\r\n", nPos + 4))
            ++n;
        return n;
    };
    EXPECT_EQ(50u, countEntries(arrShown[0]));   // all of them, none left out
    EXPECT_NE(std::string::npos, arrShown[0].find("m49.bin"));
    EXPECT_EQ(3u, countEntries(arrShown[1]));

    // Files dropped while a dialog has the window disabled change nothing under it.
    std::string strOther = dir.Archive("other.vpp", { { "o.txt", "o" } });
    ::EnableWindow(gui.Frame()->m_hWnd, FALSE);
    DropOnList(gui, std::vector<std::string>{ strOther });
    gui.DropOnFrame({ strOther });
    gui.Pump();
    ::EnableWindow(gui.Frame()->m_hWnd, TRUE);
    EXPECT_EQ(50, gui.RowCount());
    EXPECT_EQ("Kestrin Manager QUARNEL - x.vpp", gui.Caption());
    EXPECT_EQ("", gui.TakeMessage());
}

TEST(HostileRows, ExtractThenAddBackTouchesTheSameOfTwoRowsOfOneName)
{
    CTestFolder dir("hostile-dup");
    std::string strArchive = dir.Archive("d.vpp", { { "dup.txt", "first" }, { "other", "o" }, { "DUP.txt", "second" } });
    std::string strOut = dir.Sub("out");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.SelectOnly({ 0, 2 });
    gui.AnswerFolder(strOut);
    gui.Command(ID_EDIT_EXTRACT);
    // The last of the two is written; the first is listed as skipped.
    EXPECT_EQ("second", ReadFileText(strOut + "dup.txt"));
    EXPECT_EQ(0u, gui.TakeDetails().strDetails.find("dup.txt\r\nSkipped since another selected file"));

    // The user edits the file and adds it back: the row it came from changes, the other keeps its bytes.
    dir.File("out\\dup.txt", 9, 'e');
    gui.AnswerAdd({ strOut + "dup.txt" });
    gui.Command(ID_EDIT_ADD);
    ASSERT_EQ(3, gui.RowCount());
    EXPECT_EQ("In VPP at offset " + std::string(14, ' ') + "4.096", gui.Cell(0, 2));
    EXPECT_EQ(std::string(22, ' ') + "5", gui.Cell(0, 1));
    EXPECT_EQ("File at " + strOut + "dup.txt", gui.Cell(2, 2));
    EXPECT_EQ(std::string(22, ' ') + "9", gui.Cell(2, 1));
}
