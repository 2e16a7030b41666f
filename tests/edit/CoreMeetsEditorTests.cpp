// CoreMeetsEditorTests.cpp: the document's refusals (an archive changed by another program, a
// name too long for a directory entry) as the editor's user meets them: one clear message, the
// rows kept, and no member written under another member's name.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>
#include <shlobj.h>
#include "../dragout/DragOutSupport.h"
#include "DropSupport.h"
#include "GuiHarness.h"
#include "res/resource.h"

namespace
{
const char kChanged[] = "changed by another program";
}

// The archive is rewritten by another program while the editor holds it: the members now lie
// elsewhere, so every path that reads them by the old offsets must refuse, never copy B's bytes
// under A's name.
TEST(CoreMeetsEditor, AnArchiveReplacedOnDiskIsRefusedBySaveExtractAndCopy)
{
    CTestFolder dir("core-editor-changed");
    const std::string strA = Pattern(100, 1), strB = Pattern(100, 2);
    ASSERT_TRUE(WriteArchive(dir + "x.vpp", { { "a.txt", strA }, { "b.txt", strB } }));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "x.vpp" }));
    gui.AnswerAdd({ dir.File("new.txt", 9, 'n') });
    gui.Command(ID_EDIT_ADD);
    ASSERT_EQ(3, gui.RowCount());
    ASSERT_TRUE(gui.Doc()->IsModified());

    // Another program's save: the same names, the other order, one member more.
    ASSERT_TRUE(WriteArchive(dir + "x.vpp", { { "b.txt", strB }, { "a.txt", strA }, { "c.txt", Pattern(5, 3) } }));
    const std::string strOnDisk = ReadFileText(dir + "x.vpp");

    // Ctrl+S: one message naming the cause; the edit is kept, the file on disk untouched.
    gui.Command(ID_FILE_SAVE);
    RecordedMessage box = gui.TakeMessage();
    EXPECT_CONTAINS(box.strText, kChanged);
    EXPECT_EQ(static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION), box.nFlags);
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ((std::vector<std::string>{ "a.txt", "b.txt", "new.txt" }), gui.Column(0));
    EXPECT_EQ(strOnDisk, ReadFileText(dir + "x.vpp"));

    // Extract of the saved members: each one named with the cause, nothing written.
    std::string strOut = dir.Sub("out");
    gui.AnswerFolder(strOut);
    gui.SelectRow(0);
    gui.SelectRow(1);
    gui.Command(ID_EDIT_EXTRACT);
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ("At least one file was not extracted. See below for details.", report.strHeader);
    std::string strReport = report.strDetails;
    EXPECT_CONTAINS(strReport, "a.txt\r\nThe archive was changed by another program");
    EXPECT_CONTAINS(strReport, "b.txt\r\n");
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((strOut + "a.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((strOut + "b.txt").c_str()));

    // Copy and paste: the same refusal, never the other member's bytes under a.txt.
    gui.Command(ID_EDIT_COPY);
    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, ::OleGetClipboard(&pData));
    std::string strPaste = dir.Sub("pasted");
    PasteResult result = PasteInto(pData, strPaste);
    pData->Release();
    gui.Pump();
    EXPECT_TRUE(result.arrWritten.empty());
    EXPECT_EQ((std::vector<std::string>{ "a.txt", "b.txt" }), result.arrFailed);
    EXPECT_NE(strB, ReadFileText(strPaste + "a.txt"));
    report = gui.TakeDetails();
    EXPECT_EQ("At least one file could not be copied. See below for details.", report.strHeader);
    strReport = report.strDetails;
    EXPECT_EQ(0u, strReport.find("a.txt\r\nThe archive was changed by another program")) << strReport;
    EXPECT_EQ(3, gui.RowCount());
}

// A name of 60 bytes cannot be stored whole: refused whether chosen in the Add dialog or dropped on
// the list, and said so (as is one the code page cannot spell); one of 59 bytes goes in, and comes
// back whole after a save and a re-open.
TEST(CoreMeetsEditor, ANameTooLongIsRefusedAloudByAddAndDropAndTheLongestNameRoundTrips)
{
    CTestFolder dir("core-editor-names");
    ASSERT_TRUE(WriteArchive(dir + "n.vpp", { { "a.txt", Pattern(10, 1) } }));
    const std::string strLong = std::string(56, 'L') + ".txt";    // 60 bytes
    const std::string strLongest = std::string(55, 'M') + ".txt"; // 59 bytes
    dir.File(strLong, 11, 'l');
    dir.File(strLongest, 4099, 'm');
    dir.Sub("sub");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "n.vpp" }));

    // The Add dialog: each refused file named with its own reason.
    gui.AnswerAdd({ dir.Path().substr(0, dir.Path().size() - 1), strLong, "sub" });
    gui.Command(ID_EDIT_ADD);
    EXPECT_EQ(std::vector<std::string>{ "a.txt" }, gui.Column(0));
    const char kAddHeader[] = "One or more errors occured while trying to add files. These files have been skipped.";
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ(kAddHeader, report.strHeader);
    const std::string strAdd = report.strDetails;
    EXPECT_CONTAINS(strAdd, strLong + "\r\nFile name too long (a member name can have at most 59 bytes).");
    EXPECT_CONTAINS(strAdd, "sub\r\nNot a regular file");
    EXPECT_FALSE(gui.Doc()->IsModified());
    // A name the dialog hands back with "?" for what the code page lacks is said to be that.
    gui.AnswerAdd({ dir + "??.bin" });
    gui.Command(ID_EDIT_ADD);
    EXPECT_CONTAINS(gui.TakeMessage().strText, "code page cannot spell");

    // A drop: the long name is reported too (a folder stays a silent skip), the 59-byte one added.
    DropOnList(gui, { dir + strLong, dir + "sub", dir + strLongest });
    EXPECT_EQ((std::vector<std::string>{ "a.txt", strLongest }), gui.Column(0));
    report = gui.TakeDetails();
    EXPECT_EQ(kAddHeader, report.strHeader);
    EXPECT_EQ(dir + strLong + "\r\nFile name too long (a member name can have at most 59 bytes).\r\n\r\n", report.strDetails);

    // Saved, read back by the save's re-open, extracted whole under its full name.
    gui.Command(ID_FILE_SAVE);
    EXPECT_FALSE(gui.Doc()->IsModified());
    EXPECT_EQ((std::vector<ArchiveMember>{ { "a.txt", Pattern(10, 1) }, { strLongest, std::string(4099, 'm') } }),
              ReadArchive(dir + "n.vpp"));
    ASSERT_EQ(2, gui.RowCount());
    EXPECT_EQ("In VPP at offset " + std::string(14, ' ') + "6.144", gui.Cell(1, 2));
    std::string strOut = dir.Sub("out");
    gui.SelectOnly({ 1 });
    gui.AnswerFolder(strOut);
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_EQ(std::string(4099, 'm'), ReadFileText(strOut + strLongest));
}

// Ctrl+S over an archive with the read-only attribute asks for a new name: cancelled, nothing is lost;
// a new name then gets everything and the document follows it.
TEST(CoreMeetsEditor, SaveOverAReadOnlyArchiveAsksForANewName)
{
    CTestFolder dir("core-editor-readonly");
    ASSERT_TRUE(WriteArchive(dir + "r.vpp", { { "a.txt", Pattern(3000, 1) } }));
    const std::string strBefore = ReadFileText(dir + "r.vpp");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "r.vpp" }));
    gui.AnswerAdd({ dir.File("new.txt", 9, 'n') });
    gui.Command(ID_EDIT_ADD);
    ASSERT_TRUE(::SetFileAttributesA((dir + "r.vpp").c_str(), FILE_ATTRIBUTE_READONLY));

    ASSERT_EQ(1u, gui.Command(ID_FILE_SAVE, { Press(IDCANCEL) }).size());
    EXPECT_EQ("", gui.TakeMessage());
    EXPECT_TRUE(gui.Doc()->IsModified());
    EXPECT_EQ((std::vector<std::string>{ "a.txt", "new.txt" }), gui.Column(0));
    EXPECT_EQ(strBefore, ReadFileText(dir + "r.vpp"));

    const std::string strCopy = dir + "copy.vpp";
    ASSERT_EQ(1u, gui.Command(ID_FILE_SAVE, { SaveAs(strCopy) }).size());
    EXPECT_EQ("", gui.TakeMessage());
    EXPECT_FALSE(gui.Doc()->IsModified());
    EXPECT_EQ("Kestrin Manager QUARNEL - copy.vpp", gui.Caption());
    EXPECT_EQ((std::vector<std::string>{ "a.txt", "new.txt" }), gui.Column(0));
    EXPECT_EQ(strBefore, ReadFileText(dir + "r.vpp"));
    EXPECT_EQ((std::vector<ArchiveMember>{ { "a.txt", Pattern(3000, 1) }, { "new.txt", std::string(9, 'n') } }),
              ReadArchive(strCopy));
    // The rows now read from the copy.
    std::string strOut = dir.Sub("out");
    gui.Command(ID_EDIT_SELECT_ALL);
    gui.AnswerFolder(strOut);
    gui.Command(ID_EDIT_EXTRACT);
    EXPECT_EQ(Pattern(3000, 1), ReadFileText(strOut + "a.txt"));
    EXPECT_EQ(std::string(9, 'n'), ReadFileText(strOut + "new.txt"));
}
