// QuickViewBench.cpp: how soon the quick view shows a focused row: from the focus to a 1024 x 1024
// 32-bit TGA drawn, and to a 256 x 256 VBM of 30 frames drawn and playing (the first frame on
// screen, and the next one after it). The times include the pause that lets held arrow keys run on.
// Prints figures; it asserts nothing. Run under Wine with a display (tools/run-gui-bench).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include "QuickViewSamples.h"
#include "res/resource.h"
#include "ui/QuickViewWnd.h"

std::string g_strScreenshotFolder;

namespace
{
const int kRuns = 5;

/// Milliseconds from focusing nRow until fnDone holds after a new picture was drawn.
double TimeToDrawn(CGuiHarness& gui, int nRow, const std::function<bool(CQuickViewWnd&)>& fnDone)
{
    CQuickViewWnd& view = *gui.Frame()->GetQuickView();
    uint32_t nDrawn = view.DrawCount();
    LARGE_INTEGER t0, t1;
    ::QueryPerformanceCounter(&t0);
    FocusRow(gui, nRow);
    bool bOk = WaitFor(gui, [&] { return view.ShownIndex() == nRow && view.DrawCount() > nDrawn && fnDone(view); }, 5000);
    ::QueryPerformanceCounter(&t1);
    return bOk ? 1000.0 * Seconds(t0, t1) : -1.0;
}

/// The down arrow held through nRows rows of small pictures (a key every 33 ms, as a typical
/// repeat rate): how many rows were read on the way, and the longest step.
void HoldDownArrow(const CTestFolder& dir, int nRows)
{
    std::vector<std::pair<std::string, std::string>> arrMembers;
    const std::string strTga = MakeTga(64, 64);
    for (int i = 0; i < nRows; ++i)
        arrMembers.push_back({ "tex" + std::to_string(i) + ".tga", strTga });
    std::string strArchive = dir.Archive("rows.vpp", arrMembers);
    CGuiHarness gui;
    if (!gui.Start({ strArchive }))
        return;
    FocusRow(gui, 0);
    ::SetFocus(gui.List());
    gui.Command(ID_EDIT_QUICK_VIEW);
    CQuickViewWnd& view = *gui.Frame()->GetQuickView();
    int nReads = 0, nLastShown = view.ShownIndex();
    double dLongest = 0;
    LARGE_INTEGER t0, t1, tStep;
    ::QueryPerformanceCounter(&t0);
    for (int i = 1; i < nRows; ++i)
    {
        ::QueryPerformanceCounter(&tStep);
        PressKeys("Down");
        WaitFor(gui, [&] { return false; }, 33);
        ::QueryPerformanceCounter(&t1);
        dLongest = std::max(dLongest, 1000.0 * Seconds(tStep, t1));
        if (view.ShownIndex() >= 0 && view.ShownIndex() != nLastShown)
        {
            ++nReads;
            nLastShown = view.ShownIndex();
        }
    }
    ::QueryPerformanceCounter(&t1);
    int nFocused = static_cast<int>(::SendMessageA(gui.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    std::printf("down arrow held through %d rows: %.1f ms a step (longest %.1f), now on row %d, %d rows read on the way\n",
                nRows, 1000.0 * Seconds(t0, t1) / (nRows - 1), dLongest, nFocused, nReads);
}
}

int main()
{
    CTestFolder dir("quickview-bench");
    std::string strArchive =
        dir.Archive("bench.vpp", { { "big.tga", MakeTga(1024, 1024) }, { "anim.vbm", MakeVbm(256, 256, 30, 15) },
                                   { "note.txt", "between the two" } });
    HoldDownArrow(dir, 1000);
    CGuiHarness gui;
    if (!gui.Start({ strArchive }))
        return 1;
    FocusRow(gui, 2);
    gui.Command(ID_EDIT_QUICK_VIEW);
    if (!gui.Frame()->GetQuickView() || !gui.Frame()->GetQuickView()->IsOpen())
    {
        std::fprintf(stderr, "the quick view did not open\n");
        return 1;
    }
    std::printf("pause before a focused row is read: %u ms (included below)\n", CQuickViewWnd::kSettleMs);
    double dTga = 0, dVbm = 0, dVbm2 = 0;
    for (int i = 0; i < kRuns; ++i)
    {
        dTga += TimeToDrawn(gui, 0, [](CQuickViewWnd&) { return true; });
        FocusRow(gui, 2);
        dVbm += TimeToDrawn(gui, 1, [](CQuickViewWnd& v) { return v.IsPlaying(); });
        FocusRow(gui, 2);
        dVbm2 += TimeToDrawn(gui, 1, [](CQuickViewWnd& v) { return v.Frame() > 0; });
        FocusRow(gui, 2);
    }
    // The large picture fitted down and the animation smoothed up (below 4x), to look at (beside the program, in screenshots\).
    g_strScreenshotFolder = ExeFolder() + "screenshots\\";
    ::CreateDirectoryA(g_strScreenshotFolder.c_str(), nullptr);
    FocusRow(gui, 0);
    WaitFor(gui, [&] { return gui.Frame()->GetQuickView()->ShownIndex() == 0; });
    SaveWindowShot(gui.Frame()->GetQuickView()->m_hWnd, "quickview-bench-large-tga");
    FocusRow(gui, 1);
    WaitFor(gui, [&] { return gui.Frame()->GetQuickView()->ShownIndex() == 1; });
    SaveWindowShot(gui.Frame()->GetQuickView()->m_hWnd, "quickview-bench-vbm");
    std::printf("focus to 1024 x 1024 32-bit TGA drawn:          %7.1f ms (mean of %d)\n", dTga / kRuns, kRuns);
    std::printf("focus to 256 x 256 VBM, 30 frames, playing:      %7.1f ms (mean of %d)\n", dVbm / kRuns, kRuns);
    std::printf("focus to the next frame drawn (15 fps):         %7.1f ms (mean of %d)\n", dVbm2 / kRuns, kRuns);
    return 0;
}
