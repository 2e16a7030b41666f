// QuickViewTests.cpp: the quick view window on the real editor: which view each member gets, the
// pictures it draws, the keys that close it and those it must not take, its place between runs, and
// members it cannot read.
#include <gtest/gtest.h>
#include "QuickViewSamples.h"
#include "config/SettingsStore.h"
#include "framework/base/MessageSink.h"
#include "res/resource.h"
#include "ui/MemberDataObject.h"
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

/// Opens the quick view on the row, from the list, as F3 does.
CQuickViewWnd* OpenOn(CGuiHarness& gui, int nRow)
{
    gui.FocusRow(nRow);
    ::SetFocus(gui.List());
    if (!gui.Frame()->GetQuickView() || !gui.Frame()->GetQuickView()->IsOpen())
        gui.Key("F3");
    CQuickViewWnd* pView = gui.Frame()->GetQuickView();
    gui.WaitUntil([&] { return pView && pView->ShownIndex() >= 0; }, "the member shown");
    return pView;
}

std::string ClipboardText()
{
    std::string str;
    if (!::OpenClipboard(nullptr))
        return str;
    if (HANDLE hText = ::GetClipboardData(CF_TEXT))
    {
        str = static_cast<const char*>(::GlobalLock(hText));
        ::GlobalUnlock(hText);
    }
    ::CloseClipboard();
    return str;
}

/// Two colours near the middle of the window's picture, a checkerboard cell apart, as drawn on its window.
std::vector<COLORREF> MiddlePixels(CQuickViewWnd* pView)
{
    ::SetWindowPos(pView->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::RedrawWindow(pView->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT rc;
    ::GetClientRect(pView->m_hWnd, &rc);
    HDC hdc = ::GetDC(pView->m_hWnd);
    std::vector<COLORREF> arr = { ::GetPixel(hdc, rc.right / 2, rc.bottom / 2 + 20), ::GetPixel(hdc, rc.right / 2 + 8, rc.bottom / 2 + 20) };
    ::ReleaseDC(pView->m_hWnd, hdc);
    return arr;
}

/// True when colour is r, g, b (each 0 or 255) at half alpha over one of the checkerboard's two greys.
bool BlendedOverChecker(COLORREF colour, int r, int g, int b)
{
    for (int nGrey : { 0xCC, 0xFF })
    {
        auto isBlend = [&](int nGot, int nChannel) { return std::abs(nGot - (nChannel * 128 + nGrey * 127) / 255) <= 3; };
        if (isBlend(GetRValue(colour), r) && isBlend(GetGValue(colour), g) && isBlend(GetBValue(colour), b))
            return true;
    }
    return false;
}
}

TEST(QuickView, ShowsEachKindAndFollowsTheFocus)
{
    CTestFolder dir("quickview");
    std::string strArchive = dir.Archive("kinds.vpp", { { "wall.tga", MakeTga(64, 48) },
                                                        { "fire.vbm", MakeVbm(32, 32, 4, 10) },
                                                        { "beep.wav", MakeWav(1000) },
                                                        { "both.wav", MakeWav(1500, 2) },
                                                        { "items.tbl", "#Items\r\n$Name: \"Rock\"\r\n$Mass: 12\r\n" },
                                                        { "level.rfl", std::string("\x00\x01\x02RFL\xFF", 7) },
                                                        { "wide.txt", std::string("\xFF\xFEO\0k\0\r\0\n\0", 10) },
                                                        { "still.vbm", MakeVbm(16, 16, 3, 0) } });
    WriteSetting(CQuickViewWnd::kPlacementSetting, "");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    CQuickViewWnd* pView = OpenOn(gui, 0);
    ASSERT_TRUE(pView && pView->IsOpen());
    EXPECT_EQ(gui.List(), ::GetFocus()) << "the list keeps the keyboard";

    // Down through the list: each row is shown after the pause, in its own kind of view.
    struct { PreviewKind kind; const char* pszDetail; const char* pszShot; const char* pszText; } kRows[] = {
        { PreviewKind::texture, "64 x 48, ", "quickview-texture", nullptr },
        { PreviewKind::animation, "32 x 32, VBM 565 RGB, 4 frames at 10 fps", "quickview-animation", nullptr },
        { PreviewKind::sound, "PCM, 1 channel, 8.000 Hz, 16 bits, 1.00 s", "quickview-sound-mono", nullptr },
        { PreviewKind::sound, "PCM, 2 channels, 8.000 Hz, 16 bits, 1.50 s", "quickview-sound-stereo", nullptr },
        { PreviewKind::text, "Text, all 34 bytes", "quickview-text", "#Items\r\n$Name: \"Rock\"\r\n$Mass: 12\r\n" },
        { PreviewKind::hex, "Hex, all 7 bytes", "quickview-hex", nullptr },
        { PreviewKind::text, "Text, all 10 bytes", "quickview-utf16", "Ok\r\n" },
        { PreviewKind::texture, "frame 1 of 3 is shown as a still", "quickview-still", nullptr },
    };
    for (int nRow = 0; nRow < 8; ++nRow)
    {
        SCOPED_TRACE("row " + std::to_string(nRow));
        if (nRow > 0)
            gui.Key("Down");
        ASSERT_TRUE(gui.WaitUntil([&] { return pView->ShownIndex() == nRow; }, "row " + std::to_string(nRow)));
        EXPECT_EQ(kRows[nRow].kind, pView->Kind());
        EXPECT_CONTAINS(pView->InfoText(), kRows[nRow].pszDetail);
        EXPECT_CONTAINS(pView->InfoText(), "In VPP at offset ");
        EXPECT_EQ(gui.List(), ::GetFocus());
        Shot(pView, kRows[nRow].pszShot);
        if (kRows[nRow].pszText)
        {
            // The text as shown, and as Ctrl+C in it copies it.
            EXPECT_EQ(kRows[nRow].pszText, WindowText(pView->TextView()));
            ::SetFocus(pView->TextView());
            gui.Key("Ctrl+C");
            ::SetFocus(gui.List());
            EXPECT_EQ(kRows[nRow].pszText, ClipboardText());
        }
        if (kRows[nRow].kind == PreviewKind::animation)
        {
            // It plays at once; paused, it stands on frame 1.
            EXPECT_TRUE(gui.WaitUntil([&] { return pView->Frame() > 0; }, "the animation moving"));
            ::SendMessageA(pView->PlayButton(), BM_CLICK, 0, 0);
            EXPECT_FALSE(pView->IsPlaying());
            EXPECT_EQ(0, pView->Frame());
            EXPECT_EQ(gui.List(), ::GetFocus());
            ::SetFocus(pView->m_hWnd);   // Space inside the window plays it again
            gui.Key("Space");
            EXPECT_TRUE(pView->IsPlaying());
            ::SetFocus(gui.List());
        }
        if (kRows[nRow].kind == PreviewKind::sound)
        {
            // Played where a sound device is, with a line at the play position; no device is one more line.
            ::SendMessageA(pView->PlayButton(), BM_CLICK, 0, 0);
            if (pView->IsPlaying())
            {
                gui.PumpFor(400);
                Shot(pView, std::string(kRows[nRow].pszShot) + "-playing");
                ::SendMessageA(pView->PlayButton(), BM_CLICK, 0, 0);
            }
            else
                EXPECT_CONTAINS(pView->InfoText(), "cannot be played here");
        }
    }
}

// Pictures drawn over the checkerboard, read back from the window: after sorting the view shows the
// focused row's member; half-transparent colours are blended; a picture never shows its predecessor's pixels.
TEST(QuickView, DrawsTheFocusedRowsPictureBlendedOverTheCheckerboard)
{
    CTestFolder dir("quickview-pictures");
    std::string strArchive = dir.Archive("p.vpp", { { "c_red.tga", MakeSolidTga(2, 2, 0x80FF0000) },
                                                    { "a_blue.tga", MakeSolidTga(2, 2, 0x800000FF) },
                                                    { "b_green.tga", MakeSolidTga(2, 2, 0x8000FF00) } });
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.View()->SortByColumn(0);
    struct { int r, g, b; } kSorted[] = { { 0, 0, 255 }, { 0, 255, 0 }, { 255, 0, 0 } };
    CQuickViewWnd* pView = OpenOn(gui, 0);
    ASSERT_TRUE(pView && pView->IsOpen());
    for (int nRow : { 0, 1, 2, 0 })
    {
        SCOPED_TRACE(gui.Cell(nRow, 0));
        gui.FocusRow(nRow);
        ASSERT_TRUE(gui.WaitUntil([&] { return pView->ShownIndex() >= 0 && pView->InfoText().find(gui.Cell(nRow, 0)) == 0; },
                                  "the focused row's member"));
        for (COLORREF colour : MiddlePixels(pView))
            EXPECT_TRUE(BlendedOverChecker(colour, kSorted[nRow].r, kSorted[nRow].g, kSorted[nRow].b)) << std::hex << colour;
    }
}

// The keys that close the window, wherever the keyboard is; its place between runs and on a screen;
// and no key taken while a question has disabled the editor.
TEST(QuickView, KeysThatCloseItItsPlaceAndNoInputUnderAQuestion)
{
    CTestFolder dir("quickview-keys");
    std::string strArchive = dir.Archive("k.vpp", { { "a.txt", "first\r\nsecond" }, { "b.txt", "b" }, { "c.txt", "c" } });
    WriteSetting(CQuickViewWnd::kPlacementSetting, "");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    struct { const char* pszFocus; const char* pszKey; } kCloses[] = {
        { "list", "F3" }, { "list", "Esc" }, { "text", "F3" }, { "text", "Esc" }, { "window", "F3" }, { "window", "Esc" },
    };
    for (const auto& c : kCloses)
    {
        SCOPED_TRACE(std::string(c.pszKey) + " in the " + c.pszFocus);
        CQuickViewWnd* pView = OpenOn(gui, 0);
        ASSERT_TRUE(pView && pView->IsOpen());
        const std::string strFocus = c.pszFocus;
        ::SetFocus(strFocus == "list" ? gui.List() : strFocus == "text" ? pView->TextView() : pView->m_hWnd);
        gui.Key(c.pszKey);
        EXPECT_FALSE(pView->IsOpen());
        EXPECT_EQ(gui.List(), ::GetFocus());
    }

    // Moved, closed and opened again: the same place. A stored place partly or wholly off every screen
    // comes back whole on the nearest one, shrunk to fit it.
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoA(::MonitorFromWindow(gui.Frame()->m_hWnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    struct { const char* pszStored; RECT rcExpected; } kPlaces[] = {
        { "30 40 330 300", { 30, 40, 330, 300 } },
        { "-1500 100 1000 700", { mi.rcWork.left, 100, mi.rcWork.right, 700 } },
        { "5000 5000 5300 5400", { mi.rcWork.right - 300, mi.rcWork.bottom - 400, mi.rcWork.right, mi.rcWork.bottom } },
    };
    for (const auto& c : kPlaces)
    {
        SCOPED_TRACE(c.pszStored);
        WriteSetting(CQuickViewWnd::kPlacementSetting, c.pszStored);
        CQuickViewWnd* pView = OpenOn(gui, 0);
        RECT rc = {};
        ::GetWindowRect(pView->m_hWnd, &rc);
        EXPECT_TRUE(::EqualRect(&c.rcExpected, &rc)) << rc.left << " " << rc.top << " " << rc.right << " " << rc.bottom;
        gui.Key("F3");
        EXPECT_EQ(Printf("%ld %ld %ld %ld", rc.left, rc.top, rc.right, rc.bottom), ReadSetting(CQuickViewWnd::kPlacementSetting, std::string()));
    }

    // Under the Remove question the editor is disabled: keys typed in the view do not move the
    // selection, so Yes removes the one row chosen.
    CQuickViewWnd* pView = OpenOn(gui, 0);
    int nSelectedMeanwhile = -1;
    RecordedMessage asked;
    // The sink answers the question itself, as a user would, and keeps the last box it met: any other
    // box would take the place of the question and fail the check of its text below.
    SetMessageBoxSink([&](const std::string& strText, const std::string& strCaption, unsigned nFlags) {
        asked = { strText, strCaption, nFlags };
        ::EnableWindow(gui.Frame()->m_hWnd, FALSE);   // as the real question does
        ::SetFocus(pView->m_hWnd);
        PressKeys("Shift+End");
        gui.PumpFor(300);
        nSelectedMeanwhile = static_cast<int>(::SendMessageA(gui.List(), LVM_GETSELECTEDCOUNT, 0, 0));
        ::EnableWindow(gui.Frame()->m_hWnd, TRUE);
        return QIDYES;
    });
    gui.Command(ID_EDIT_REMOVE);
    EXPECT_CONTAINS(asked.strText, "Are you sure you want to delete these files?");
    EXPECT_EQ(1, nSelectedMeanwhile);
    EXPECT_EQ((std::vector<std::string>{ "b.txt", "c.txt" }), gui.Column(0));
}

TEST(QuickView, AddedFilesAndMembersThatCannotBeShown)
{
    CTestFolder dir("quickview-added");
    std::string strArchive = dir.Archive("a.vpp", { { "short.vbm", MakeVbm(16, 16, 2, 5).substr(0, 300) },
                                                    { "kept.txt", "kept" } });
    std::string strAdded = dir.File("added.tga", MakeTga(20, 10));
    std::string strGone = dir.File("gone.txt", "soon gone");
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ strArchive }));
    gui.AddFiles({ strAdded, strGone });
    ::DeleteFileA(strGone.c_str());
    CQuickViewWnd* pView = OpenOn(gui, 0);
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
        gui.FocusRow(c.nRow);
        ASSERT_TRUE(gui.WaitUntil([&] { return pView->ShownIndex() == c.nRow; }, c.pszLine));
        EXPECT_EQ(c.kind, pView->Kind());
        EXPECT_CONTAINS(pView->InfoText(), c.pszLine);
        Shot(pView, "quickview-case" + std::to_string(c.nRow));
    }

    // The same reader behind Copy: each failed copy of the deleted file gets its own report.
    for (int nCopy = 0; nCopy < 2; ++nCopy)
    {
        SCOPED_TRACE("copy " + std::to_string(nCopy + 1));
        gui.SelectOnly({ 3 });
        gui.Command(ID_EDIT_COPY);
        const size_t nBefore = gui.m_messages.size();
        IDataObject* pData = nullptr;
        ASSERT_EQ(S_OK, ::OleGetClipboard(&pData));
        FORMATETC fe = { CMemberDataObject::FormatContents(), nullptr, DVASPECT_CONTENT, 0, TYMED_ISTREAM };
        STGMEDIUM medium = {};
        ASSERT_EQ(S_OK, pData->GetData(&fe, &medium));
        char sz[16];
        ULONG nRead = 0;
        EXPECT_TRUE(FAILED(medium.pstm->Read(sz, sizeof(sz), &nRead)));
        ::ReleaseStgMedium(&medium);
        pData->Release();
        gui.WaitUntil([&] { return gui.m_messages.size() > nBefore; }, "the copy's report");
        gui.ExpectMessage("gone.txt\r\nError while trying to access source file.");
    }
}
