// QuickViewTests.cpp: the quick view window on the real editor: which view each member gets, the
// focus it follows, the keys that close it, its place between runs, and members it cannot read.
#include <gtest/gtest.h>
#include "QuickViewSamples.h"
#include "config/SettingsStore.h"
#include "res/resource.h"
#include "ui/QuickViewWnd.h"

namespace
{
/// Xvfb has no window manager to keep an owned window above its owner once the list takes the
/// keyboard back, so the window is raised (not activated) before its picture is taken.
void Shot(CQuickViewWnd* pView, const std::string& strName)
{
    ::SetWindowPos(pView->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SaveWindowShot(pView->m_hWnd, strName);
}

bool Contains(const std::string& strText, const std::string& strPart) { return strText.find(strPart) != std::string::npos; }
}

TEST(QuickView, ShowsEachKindAndFollowsTheFocus)
{
    CTestFolder dir("quickview");
    std::string strArchive = dir.Archive("kinds.vpp", { { "wall.tga", MakeTga(64, 48) },
                                                        { "fire.vbm", MakeVbm(32, 32, 4, 10) },
                                                        { "beep.wav", MakeWav(400) },
                                                        { "items.tbl", "#Items\r\n$Name: \"Rock\"\r\n$Mass: 12\r\n" },
                                                        { "level.rfl", std::string("\x00\x01\x02RFL\xFF", 7) } });
    WriteSetting(CQuickViewWnd::kPlacementSetting, "");
    CGuiHarness gui;
    gui.m_bStrict = true;
    ASSERT_TRUE(gui.Start({ strArchive }));
    FocusRow(gui, 0);
    ::SetFocus(gui.List());
    gui.Key("F3");
    CQuickViewWnd* pView = gui.Frame()->GetQuickView();
    ASSERT_TRUE(pView && pView->IsOpen());
    EXPECT_EQ(gui.List(), ::GetFocus()) << "the list keeps the keyboard";

    // Down through the list: each row is shown after the pause, in its own kind of view.
    struct { PreviewKind kind; const char* pszDetail; const char* pszShot; } kRows[] = {
        { PreviewKind::texture, "64 x 48, ", "quickview-texture" },
        { PreviewKind::animation, "32 x 32, VBM 565 RGB, 4 frames at 10 fps", "quickview-animation" },
        { PreviewKind::sound, "PCM, 1 channel, 8.000 Hz, 8 bits, 0.40 s", "quickview-sound" },
        { PreviewKind::text, "Text, all 34 bytes", "quickview-text" },
        { PreviewKind::hex, "Hex, all 7 bytes", "quickview-hex" },
    };
    for (int nRow = 0; nRow < 5; ++nRow)
    {
        SCOPED_TRACE("row " + std::to_string(nRow));
        if (nRow > 0)
            gui.Key("Down");
        ASSERT_TRUE(WaitFor(gui, [&] { return pView->ShownIndex() == nRow; }));
        EXPECT_EQ(kRows[nRow].kind, pView->Kind());
        EXPECT_TRUE(Contains(pView->InfoText(), kRows[nRow].pszDetail)) << pView->InfoText();
        EXPECT_TRUE(Contains(pView->InfoText(), "In VPP at offset ")) << pView->InfoText();
        EXPECT_EQ(gui.List(), ::GetFocus());
        Shot(pView, kRows[nRow].pszShot);
        if (kRows[nRow].kind == PreviewKind::animation)
        {
            // It plays at once; paused, it stands on frame 1.
            EXPECT_TRUE(WaitFor(gui, [&] { return pView->Frame() > 0; })) << "the animation never moved";
            ::SendMessageA(pView->PlayButton(), BM_CLICK, 0, 0);
            EXPECT_FALSE(pView->IsPlaying());
            EXPECT_EQ(0, pView->Frame());
            EXPECT_EQ(gui.List(), ::GetFocus());
            ::SetFocus(pView->m_hWnd);   // Space inside the window plays it again
            gui.Key("Space");
            EXPECT_TRUE(pView->IsPlaying());
            ::SetFocus(gui.List());
        }
        if (kRows[nRow].kind == PreviewKind::text)
        {
            EXPECT_EQ("#Items\r\n$Name: \"Rock\"\r\n$Mass: 12\r\n", WindowText(pView->ContentEdit()));
        }
    }

    // Moved, closed with F3 and opened again: the same place. Esc inside closes it and gives the
    // keyboard back to the list.
    ::SetWindowPos(pView->m_hWnd, nullptr, 30, 40, 300, 260, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rcMoved;
    ::GetWindowRect(pView->m_hWnd, &rcMoved);
    gui.Key("F3");
    EXPECT_FALSE(pView->IsOpen());
    gui.Key("F3");
    ASSERT_TRUE(pView->IsOpen());
    RECT rcAgain;
    ::GetWindowRect(pView->m_hWnd, &rcAgain);
    EXPECT_TRUE(::EqualRect(&rcMoved, &rcAgain));
    ::SetFocus(pView->ContentEdit());
    gui.Key("Esc");
    EXPECT_FALSE(pView->IsOpen());
    EXPECT_EQ(gui.List(), ::GetFocus());
}

TEST(QuickView, AddedFilesAndMembersThatCannotBeShown)
{
    CTestFolder dir("quickview-added");
    std::string strArchive = dir.Archive("a.vpp", { { "short.vbm", MakeVbm(16, 16, 2, 5).substr(0, 300) },
                                                    { "kept.txt", "kept" } });
    std::string strAdded = dir.File("added.tga", MakeTga(20, 10));
    std::string strGone = dir.File("gone.txt", "soon gone");
    CGuiHarness gui;
    gui.m_bStrict = true;   // never a message box
    ASSERT_TRUE(gui.Start({ strArchive }));
    ASSERT_GE(gui.Doc()->AddFile(strAdded), 0);
    ASSERT_GE(gui.Doc()->AddFile(strGone), 0);
    gui.Doc()->UpdateAllViews(nullptr);
    ::DeleteFileA(strGone.c_str());
    FocusRow(gui, 0);
    gui.Command(ID_EDIT_QUICK_VIEW);
    CQuickViewWnd* pView = gui.Frame()->GetQuickView();
    ASSERT_TRUE(pView && pView->IsOpen());

    struct { int nRow; PreviewKind kind; const char* pszLine; } kCases[] = {
        { 0, PreviewKind::hex, "Shown as hex: VBM pixel data is truncated." },
        { 2, PreviewKind::texture, "File at " },
        { 3, PreviewKind::none, "Cannot be shown: Error while trying to access source file." },
        { 1, PreviewKind::none, "Cannot be shown: " },   // the archive rewritten by another program
    };
    for (const auto& c : kCases)
    {
        SCOPED_TRACE(c.pszLine);
        if (c.nRow == 1)
        {
            ASSERT_TRUE(WriteArchive(strArchive, { { "other.txt", "a different archive now" } }));
        }
        FocusRow(gui, c.nRow);
        ASSERT_TRUE(WaitFor(gui, [&] { return pView->ShownIndex() == c.nRow; }));
        EXPECT_EQ(c.kind, pView->Kind());
        EXPECT_TRUE(Contains(pView->InfoText(), c.pszLine)) << pView->InfoText();
        Shot(pView, "quickview-case" + std::to_string(c.nRow));
    }
}
