// QuickViewBench.cpp: how soon the quick view shows a focused row: from the focus to a 1024 x 1024
// 32-bit TGA drawn, and to a 256 x 256 VBM of 30 frames playing (its first frame drawn, and the next
// one); and the down arrow held through 1,000 rows. The times include the pause that lets held
// arrow keys run on. Prints figures; it asserts nothing. Run under Wine (tools/run-gui-bench).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include "QuickViewSamples.h"
#include "res/resource.h"
#include "ui/QuickViewWnd.h"

std::string g_strScreenshotFolder;

namespace
{
double Ms(LARGE_INTEGER t0)
{
    LARGE_INTEGER t1;
    ::QueryPerformanceCounter(&t1);
    return 1000.0 * Seconds(t0, t1);
}

/// Starts the editor on the archive with the quick view open on row nRow.
CQuickViewWnd* OpenOn(CGuiHarness& gui, const std::string& strArchive, int nRow)
{
    if (!gui.Start({ strArchive }))
        return nullptr;
    gui.FocusRow(nRow);
    ::SetFocus(gui.List());
    gui.Command(ID_EDIT_QUICK_VIEW);
    return gui.Frame()->GetQuickView();
}

/// Milliseconds from focusing nRow until a new picture is drawn and fnDone holds.
double TimeToDrawn(CGuiHarness& gui, int nRow, const std::function<bool(CQuickViewWnd&)>& fnDone)
{
    CQuickViewWnd& view = *gui.Frame()->GetQuickView();
    uint32_t nDrawn = view.DrawCount();
    LARGE_INTEGER t0;
    ::QueryPerformanceCounter(&t0);
    gui.FocusRow(nRow);
    bool bOk = WaitFor(gui, [&] { return view.ShownIndex() == nRow && view.DrawCount() > nDrawn && fnDone(view); }, 5000);
    return bOk ? Ms(t0) : -1.0;
}
}

int main()
{
    CTestFolder dir("quickview-bench");
    {
        // A key every 33 ms, a usual repeat rate, through small pictures.
        const int kRows = 1000;
        std::vector<std::pair<std::string, std::string>> arrMembers;
        for (int i = 0; i < kRows; ++i)
            arrMembers.push_back({ "tex" + std::to_string(i) + ".tga", MakeTga(64, 64) });
        CGuiHarness gui;
        CQuickViewWnd* pView = OpenOn(gui, dir.Archive("rows.vpp", arrMembers), 0);
        if (!pView)
            return 1;
        int nReads = 0, nShown = 0;
        double dLongest = 0;
        LARGE_INTEGER t0, tStep;
        ::QueryPerformanceCounter(&t0);
        for (int i = 1; i < kRows; ++i)
        {
            ::QueryPerformanceCounter(&tStep);
            PressKeys("Down");
            WaitFor(gui, [] { return false; }, 33);
            dLongest = std::max(dLongest, Ms(tStep));
            nReads += pView->ShownIndex() >= 0 && pView->ShownIndex() != nShown;
            nShown = pView->ShownIndex() >= 0 ? pView->ShownIndex() : nShown;
        }
        std::printf("down arrow held through %d rows: %.1f ms a step (longest %.1f), now on row %d, %d rows read on the way\n",
                    kRows, Ms(t0) / (kRows - 1), dLongest,
                    static_cast<int>(::SendMessageA(gui.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED)), nReads);
    }

    CGuiHarness gui;
    if (!OpenOn(gui, dir.Archive("bench.vpp", { { "big.tga", MakeTga(1024, 1024) },
                                                { "anim.vbm", MakeVbm(256, 256, 30, 15) }, { "note.txt", "between" } }), 2))
        return 1;
    std::printf("pause before a focused row is read: %u ms (included below)\n", CQuickViewWnd::kSettleMs);
    const int kRuns = 5;
    double dTga = 0, dVbm = 0, dVbmNext = 0;
    for (int i = 0; i < kRuns; ++i)
    {
        dTga += TimeToDrawn(gui, 0, [](CQuickViewWnd&) { return true; });
        gui.FocusRow(2);
        dVbm += TimeToDrawn(gui, 1, [](CQuickViewWnd& v) { return v.IsPlaying(); });
        gui.FocusRow(2);
        dVbmNext += TimeToDrawn(gui, 1, [](CQuickViewWnd& v) { return v.Frame() > 0; });
        gui.FocusRow(2);
    }
    std::printf("focus to 1024 x 1024 32-bit TGA drawn:          %7.1f ms (mean of %d)\n", dTga / kRuns, kRuns);
    std::printf("focus to 256 x 256 VBM, 30 frames, playing:      %7.1f ms (mean of %d)\n", dVbm / kRuns, kRuns);
    std::printf("focus to its next frame drawn (15 fps):         %7.1f ms (mean of %d)\n", dVbmNext / kRuns, kRuns);

    // The large picture fitted down and the animation smoothed up, to look at (screenshots\ beside the program).
    g_strScreenshotFolder = ExeFolder() + "screenshots\\";
    ::CreateDirectoryA(g_strScreenshotFolder.c_str(), nullptr);
    for (int nRow : { 0, 1 })
    {
        TimeToDrawn(gui, nRow, [](CQuickViewWnd&) { return true; });
        SaveWindowShot(gui.Frame()->GetQuickView()->m_hWnd, nRow ? "quickview-bench-vbm" : "quickview-bench-large-tga");
    }
    return 0;
}
