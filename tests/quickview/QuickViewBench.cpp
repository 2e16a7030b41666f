// QuickViewBench.cpp: how soon the quick view shows a focused row, and how long the list ever waits for
// it: from the focus to a 1024 x 1024 32-bit TGA drawn and to a 256 x 256 VBM of 30 frames playing; for
// each hostile member (a megabyte of short text lines, runs past a BMP's rows, pictures claiming 8,192 x
// 8,192, a sound claiming 2 GiB) the longest the window's thread was busy in one go and the time to its
// view; and the down arrow held through rows of them, against the list alone. The times include the
// pause that lets held arrow keys run on. Prints figures; it asserts nothing. Run under Wine
// (tools/run-gui-bench).
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include "QuickViewSamples.h"
#include "res/resource.h"
#include "ui/QuickViewWnd.h"

std::string g_strScreenshotFolder;

namespace
{
/// Pumps the harness until fn holds or nTimeoutMs have passed; returns whether it held (and fails nothing).
bool WaitFor(CGuiHarness& gui, const std::function<bool()>& fn, DWORD nTimeoutMs = 3000)
{
    for (DWORD dwStart = ::GetTickCount(); !fn(); ::Sleep(2))
    {
        if (::GetTickCount() - dwStart > nTimeoutMs)
            return false;
        gui.Pump();
    }
    return true;
}

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

/** @brief From a focus to the row shown: how long it took, and the longest the window's thread was busy. */
struct Timing
{
    double dShownMs = -1;
    double dLongestWaitMs = 0;
};

/// Focuses nRow and pumps until the view shows it drawn (and fnDone holds), timing each pump.
Timing TimeToShown(CGuiHarness& gui, int nRow, const std::function<bool(CQuickViewWnd&)>& fnDone, DWORD dwTimeoutMs = 20000)
{
    CQuickViewWnd& view = *gui.Frame()->GetQuickView();
    const uint32_t nDrawn = view.DrawCount();
    Timing timing;
    LARGE_INTEGER t0, tPump;
    ::QueryPerformanceCounter(&t0);
    gui.FocusRow(nRow);
    timing.dLongestWaitMs = Ms(t0);
    for (;;)
    {
        const bool bPicture = view.Kind() == PreviewKind::texture || view.Kind() == PreviewKind::animation;
        if (view.ShownIndex() == nRow && (!bPicture || view.DrawCount() > nDrawn) && fnDone(view))
        {
            timing.dShownMs = Ms(t0);
            return timing;
        }
        if (Ms(t0) > dwTimeoutMs)
            return timing;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        ::QueryPerformanceCounter(&tPump);
        gui.Pump();
        timing.dLongestWaitMs = std::max(timing.dLongestWaitMs, Ms(tPump));
    }
}

/// The arrow keys pressed nSteps times, down through the rows and up again, nGapMs apart: the mean and the
/// longest time from a key to the list's focus moving.
std::pair<double, double> StepTimes(CGuiHarness& gui, int nRows, int nSteps, DWORD nGapMs)
{
    double dTotal = 0, dLongest = 0;
    int nRow = static_cast<int>(::SendMessageA(gui.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    bool bDown = true;
    for (int i = 0; i < nSteps; ++i)
    {
        bDown = nRow == 0 ? true : nRow == nRows - 1 ? false : bDown;
        const int nNext = nRow + (bDown ? 1 : -1);
        LARGE_INTEGER t0;
        ::QueryPerformanceCounter(&t0);
        PressKeys(bDown ? "Down" : "Up");
        WaitFor(gui, [&] {
            return ::SendMessageA(gui.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED) == nNext;
        }, 5000);
        const double dStep = Ms(t0);
        dTotal += dStep;
        dLongest = std::max(dLongest, dStep);
        nRow = nNext;
        WaitFor(gui, [] { return false; }, nGapMs);
    }
    return { dTotal / nSteps, dLongest };
}

std::string Le(uint32_t n, int nBytes)
{
    std::string s;
    for (int i = 0; i < nBytes; ++i)
        s += static_cast<char>(n >> 8 * i);
    return s;
}

/// An 8-bit run-length BMP of the given size whose data is nRunBytes of 255-pixel runs on its first row.
std::string RunsPastTheRow(int nSide, size_t nRunBytes)
{
    std::string s = "BM" + Le(0, 8) + Le(14 + 40 + 8, 4) + Le(40, 4) + Le(nSide, 4) + Le(nSide, 4) + Le(1, 2) + Le(8, 2) +
                    Le(1, 4) + Le(0, 12) + Le(2, 8) + Le(0x0000FF, 4) + Le(0xFF0000, 4);
    s.reserve(s.size() + nRunBytes + 2);
    for (size_t i = 0; i < nRunBytes / 2; ++i)
        s += "\xFF\x01";
    return s + std::string("\x00\x01", 2);
}

/// A 32-bit run-length TGA of nSide x nSide in packets of 128 half-transparent pixels.
std::string HugeRleTga(int nSide)
{
    std::string s = MakeTga(1, 1).substr(0, 18);
    s[2] = 10;
    PutLe16(s, 12, nSide);
    PutLe16(s, 14, nSide);
    const std::string strPacket = std::string("\xFF") + "\x40\x80\xC0\x80";
    for (size_t i = 0; i < static_cast<size_t>(nSide) * nSide / 128; ++i)
        s += strPacket;
    return s;
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

    {
        CGuiHarness gui;
        if (!OpenOn(gui, dir.Archive("bench.vpp", { { "big.tga", MakeTga(1024, 1024) },
                                                    { "anim.vbm", MakeVbm(256, 256, 30, 15) }, { "note.txt", "between" } }), 2))
            return 1;
        std::printf("pause before a focused row is read: %u ms (included below)\n", CQuickViewWnd::kSettleMs);
        const int kRuns = 5;
        Timing tga, vbm, vbmNext;
        auto add = [](Timing& sum, const Timing& t) { sum.dShownMs += t.dShownMs; sum.dLongestWaitMs = std::max(sum.dLongestWaitMs, t.dLongestWaitMs); };
        tga.dShownMs = vbm.dShownMs = vbmNext.dShownMs = 0;
        for (int i = 0; i < kRuns; ++i)
        {
            add(tga, TimeToShown(gui, 0, [](CQuickViewWnd&) { return true; }));
            gui.FocusRow(2);
            add(vbm, TimeToShown(gui, 1, [](CQuickViewWnd& v) { return v.IsPlaying(); }));
            gui.FocusRow(2);
            add(vbmNext, TimeToShown(gui, 1, [](CQuickViewWnd& v) { return v.Frame() > 0; }));
            gui.FocusRow(2);
        }
        std::printf("focus to 1024 x 1024 32-bit TGA drawn:          %7.1f ms (mean of %d; list waited %5.1f ms at most)\n",
                    tga.dShownMs / kRuns, kRuns, tga.dLongestWaitMs);
        std::printf("focus to 256 x 256 VBM, 30 frames, playing:      %7.1f ms (mean of %d; list waited %5.1f ms at most)\n",
                    vbm.dShownMs / kRuns, kRuns, vbm.dLongestWaitMs);
        std::printf("focus to its next frame drawn (15 fps):         %7.1f ms (mean of %d; list waited %5.1f ms at most)\n",
                    vbmNext.dShownMs / kRuns, kRuns, vbmNext.dLongestWaitMs);

        // The large picture fitted down and the animation smoothed up, to look at (screenshots\ beside the program).
        g_strScreenshotFolder = ExeFolder() + "screenshots\\";
        ::CreateDirectoryA(g_strScreenshotFolder.c_str(), nullptr);
        for (int nRow : { 0, 1 })
        {
            TimeToShown(gui, nRow, [](CQuickViewWnd&) { return true; });
            SaveWindowShot(gui.Frame()->GetQuickView()->m_hWnd, nRow ? "quickview-bench-vbm" : "quickview-bench-large-tga");
        }
    }

    // Hostile members, each once (a second look would find the system's file cache warm).
    std::string strShortLines, strLongLines;
    while (strShortLines.size() < (1u << 20))
        strShortLines += "a\n";
    while (strLongLines.size() + 65 <= (1u << 20))
        strLongLines += std::string(63, 'x') + "\r\n";
    std::string strTga16 = MakeTga(1, 1).substr(0, 18);
    strTga16[16] = 16, strTga16[17] = 1;
    PutLe16(strTga16, 12, 4096), PutLe16(strTga16, 14, 4096);
    strTga16 += std::string(4096u * 4096u * 2u, '\x5A');
    std::string strWav = MakeWav(1000);
    PutLe32(strWav, 40, 0x80000000u);
    const std::vector<std::pair<std::string, std::string>> arrHostile = {
        { "short-lines.txt", strShortLines }, { "long-lines.txt", strLongLines },
        { "runs-past-rows.bmp", RunsPastTheRow(64, 60u << 20) }, { "huge-rle.tga", HugeRleTga(8192) },
        { "huge-empty.bmp", RunsPastTheRow(8192, 0) }, { "tga16.tga", strTga16 }, { "claims-2gib.wav", strWav },
        { "calm.txt", "a quiet row between" },
    };
    CGuiHarness gui;
    CQuickViewWnd* pView = OpenOn(gui, dir.Archive("hostile.vpp", arrHostile), 7);
    if (!pView)
        return 1;
    double dLongestOfAll = 0;
    for (int nRow = 0; nRow + 1 < static_cast<int>(arrHostile.size()); ++nRow)
    {
        const Timing t = TimeToShown(gui, nRow, [](CQuickViewWnd&) { return true; });
        dLongestOfAll = std::max(dLongestOfAll, t.dLongestWaitMs);
        std::printf("hostile %-20s shown after %7.1f ms; the list waited %6.1f ms at most  (%s)\n", arrHostile[nRow].first.c_str(),
                    t.dShownMs, t.dLongestWaitMs, pView->InfoText().substr(pView->InfoText().rfind('\n') + 1).c_str());
        gui.FocusRow(7);
    }
    std::printf("longest the list waited for any hostile member: %.1f ms\n", dLongestOfAll);

    // Arrow keys through the hostile rows, a key every 80 ms (slower than the pause, so each row starts a
    // read that the next key cancels), with the view open and with the list alone.
    const int kSteps = 40;
    ::SetFocus(gui.List());
    std::pair<double, double> open = StepTimes(gui, static_cast<int>(arrHostile.size()), kSteps, 80);
    gui.Command(ID_EDIT_QUICK_VIEW);
    ::SetFocus(gui.List());
    std::pair<double, double> alone = StepTimes(gui, static_cast<int>(arrHostile.size()), kSteps, 80);
    std::printf("arrow keys through hostile rows, 80 ms apart: %.1f ms a step (longest %.1f) with the view open, "
                "%.1f ms (longest %.1f) with the list alone\n", open.first, open.second, alone.first, alone.second);
    return 0;
}
