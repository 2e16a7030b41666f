// ChosenRowsTests.cpp: the edit commands act on the rows chosen when they started, whatever input
// arrives meanwhile; keys typed during a wait act afterwards but never answer a later question;
// Save of a read-only archive asks for a new name.
#include <gtest/gtest.h>
#include "GuiHarness.h"
#include "app/ViewerLaunch.h"
#include "config/SettingsStore.h"
#include "framework/base/MessageSink.h"
#include "res/resource.h"

namespace
{
/// Starts on the archive with the keyboard in the list on row nRow; message boxes are recorded and
/// also shown for real, so that typed keys reach them as a user's would and steps answer them.
void StartWithRealBoxes(CGuiHarness& gui, const std::string& strArchive, int nRow)
{
    ASSERT_TRUE(gui.Start({ strArchive }));
    MessageBoxSink fnRecord = GetMessageBoxSink();
    HWND hFrame = gui.Frame()->m_hWnd;
    SetMessageBoxSink([fnRecord, hFrame](const std::string& strText, const std::string& strCaption, unsigned nFlags) {
        fnRecord(strText, strCaption, nFlags);
        return ::MessageBoxA(hFrame, strText.c_str(), strCaption.c_str(), nFlags);
    });
    gui.FocusRow(nRow);
    ::SetFocus(gui.List());
}
}

TEST(ChosenRows, RemoveAndExtractActOnTheRowsChosenWhateverReachesTheListDuringTheirDialogs)
{
    CTestFolder dir("chosen-rows");
    for (UINT nCommand : { ID_EDIT_REMOVE, ID_EDIT_EXTRACT })
    {
        CGuiHarness gui;
        StartWithRealBoxes(gui, dir.Archive("c.vpp", { { "same.tga", "S" }, { "same.txt", "T" }, { "last.bin", "L" } }), 0);
        // An End key reaches the list while the question or the folder picker is open.
        auto fnEnd = [&] {
            ::SendMessageA(gui.List(), WM_KEYDOWN, VK_END, 0);
            EXPECT_EQ(std::vector<int>{ 2 }, gui.View()->GetSelectedEntries());
        };
        gui.Frame()->m_fnChooseFolder = [&](const std::string&, std::string& strFolder) {
            fnEnd();
            strFolder = dir.Sub("out");
            return IDOK;
        };
        const bool bRemove = nCommand == ID_EDIT_REMOVE;
        std::vector<Step> arrSteps;
        if (bRemove)
            arrSteps.push_back(Look("Confirmation", [&](HWND) { fnEnd(); }, IDYES));
        gui.Command(nCommand, arrSteps);
        EXPECT_EQ(bRemove, gui.TakeMessage().strText.find("Are you sure") == 0);
        EXPECT_EQ(bRemove ? "same.txt|last.bin|" : "same.tga|same.txt|last.bin",
                  gui.Cell(0, 0) + "|" + gui.Cell(1, 0) + "|" + gui.Cell(2, 0));
        EXPECT_EQ(bRemove ? "<missing>|<missing>" : "S|<missing>", dir.Read("out\\same.tga") + "|" + dir.Read("out\\last.bin"));
    }
}

// Keys typed while a command waits act once it is done (Ctrl+S after Add saves); keys typed before a
// question came up never answer it (Enter after Del, after Ctrl+N, or during an extraction).
TEST(ChosenRows, TypeAheadActsAfterAWaitButNeverAnswersAQuestion)
{
    CTestFolder dir("type-ahead");
    struct Case { const char* pszKeys; UINT nCommand; const char* pszBox; int nButton; size_t nSaved; int nSelected; };
    for (const Case& c : { Case{ "Ctrl+S", ID_EDIT_ADD, nullptr, 0, 4, 0 },
                           Case{ "Ctrl+A Del Enter", ID_EDIT_EXTRACT, "Confirmation", IDNO, 3, 3 },
                           Case{ "Del Enter", 0, "Confirmation", IDNO, 3, 1 },
                           Case{ "Ctrl+N Enter", 0, "Kestrin Manager QUARNEL", IDCANCEL, 3, 1 } })
    {
        SCOPED_TRACE(c.pszKeys);
        const std::string strArchive = dir.Archive("t.vpp", { { "a.txt", "A" }, { "b.txt", "B" }, { "c.txt", "C" } });
        CGuiHarness gui;
        StartWithRealBoxes(gui, strArchive, 2);
        gui.Doc()->SetModifiedFlag(c.nCommand == 0);
        // The keys come as the Add dialog hands over its file, or as the extraction starts.
        gui.Frame()->m_fnRunAddDialog = [&](OPENFILENAMEA& ofn, DWORD&) {
            PressKeys(c.pszKeys);
            return lstrcpyA(ofn.lpstrFile, dir.File("n.txt", "n").c_str()) != nullptr;
        };
        gui.m_pApp->m_fnProgressObserver = [&](const std::string& strCall, const std::string&, int, int) {
            if (strCall == "Begin")
                PressKeys(c.pszKeys);
        };
        gui.AnswerFolder(dir.Sub("out"));
        std::vector<Step> arrSteps;
        if (c.pszBox)
            arrSteps.push_back(Press(c.nButton, c.pszBox));
        EXPECT_EQ(arrSteps.size(), WithSteps(arrSteps, [&] {
            c.nCommand ? gui.Command(c.nCommand) : PressKeys(c.pszKeys);
            gui.Key("");
        }).size());
        const char* pszQuestion = c.nButton == IDNO ? "Are you sure" : "Save changes to t.vpp?";
        EXPECT_EQ(c.pszBox != nullptr, gui.TakeMessage().strText.find(pszQuestion) == 0);
        EXPECT_EQ(c.nSaved, ReadArchive(strArchive).size());
        EXPECT_EQ(c.nSelected, gui.View()->CountSelectedItems());
        EXPECT_EQ(c.nCommand == 0, gui.Doc()->IsModified());
        EXPECT_EQ(c.nCommand == ID_EDIT_EXTRACT ? "C" : "<missing>", dir.Read("out\\c.txt"));
    }
}

// Save, and Browse's Yes, on a read-only archive file ask for a new name: the edits stay whatever
// the answer, the archive file is never touched, and Browse goes on with the archive saved anew. A
// save refused for what the archive holds gives one report.
TEST(ChosenRows, ASaveThatCannotGoOverTheArchiveAsksForANewNameOrSaysWhyOnce)
{
    CTestFolder dir("read-only-save");
    ::SetEnvironmentVariableA("QUARNEL_VIEWER_LOG", (dir + "viewer.log").c_str());
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 108);
    WriteSharedString(VIEWER_SUBKEY, VIEWER_VALUE_EXE, ExeFolder() + "mirador_standin.exe");
    for (UINT nCommand : { ID_FILE_SAVE, ID_FILE_BROWSE_MIRADOR })
    {
        for (const std::string strNewName : { "", "copy.vpp" })
        {
            SCOPED_TRACE(std::to_string(nCommand) + " " + strNewName);
            const bool bSaved = !strNewName.empty(), bBrowse = nCommand == ID_FILE_BROWSE_MIRADOR;
            ::SetFileAttributesA((dir + "r.vpp").c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA((dir + "copy.vpp").c_str());
            ::DeleteFileA((dir + "viewer.log").c_str());
            CGuiHarness gui;
            ASSERT_TRUE(gui.Start({ dir.Archive("r.vpp", { { "a.txt", "AAA" } }) }));
            gui.AddFiles({ dir.File("new.txt", "nn") });
            ::SetFileAttributesA((dir + "r.vpp").c_str(), FILE_ATTRIBUTE_READONLY);
            gui.FocusRow(0);
            gui.Answer({ IDYES });
            EXPECT_EQ(1u, gui.Command(nCommand, { bSaved ? SaveAs(dir + strNewName) : Press(IDCANCEL) }).size());
            EXPECT_EQ(bBrowse ? VIEWER_SAVE_QUESTION : "", gui.TakeMessage().strText);
            EXPECT_EQ(!bSaved, gui.Doc()->IsModified());
            EXPECT_EQ(0, _stricmp((dir + (bSaved ? strNewName : "r.vpp")).c_str(), gui.Doc()->GetPathName().c_str()));
            EXPECT_EQ((std::vector<std::string>{ "a.txt", "new.txt" }), gui.Column(0));
            EXPECT_EQ(1u, ReadArchive(dir + "r.vpp").size());
            std::string strCopy;
            for (const ArchiveMember& m : bSaved ? ReadArchive(dir + "copy.vpp") : std::vector<ArchiveMember>())
                strCopy += m.strName + "=" + m.strData + "|";
            EXPECT_EQ(bSaved ? "a.txt=AAA|new.txt=nn|" : "", strCopy);
            EXPECT_EQ(bSaved, dir.Exists("copy.vpp"));
            // Browse goes on after a Save As that succeeded, on the new name; otherwise it never starts.
            if (bBrowse && bSaved)
                gui.WaitUntil([&] { return dir.Exists("viewer.log"); }, "the viewer's start", 20000);
            ::Sleep(bBrowse && !bSaved ? 1000 : 0);
            EXPECT_EQ(bBrowse && bSaved ? "\"" + gui.Doc()->GetPathName() + "\" @a.txt" : "<missing>", dir.Read("viewer.log"));
        }
    }
    WriteSharedInt(VIEWER_SUBKEY, VIEWER_VALUE_BUILD, 0);   // as before: no viewer

    CGuiHarness gui;
    const std::string s59(59, 'n');
    ASSERT_TRUE(gui.Start({ dir.Archive("cut.vpp", { { s59 + "1", "1" }, { s59 + "2", "2" } }) }));
    gui.Doc()->SetModifiedFlag(true);
    gui.Command(ID_FILE_SAVE);
    gui.ExpectMessage("two names would be the same");
}
