// GuiBench.cpp: how long the list takes to fill and to sort by each column, how long an idle
// pass takes with every row selected, and how long start-up takes with a full archive.
// Prints figures; it asserts nothing. Run under Wine with a display (tools/run-gui-bench).
#include <windows.h>
#include <cstdio>
#include <string>
#include "BenchTimer.h"
#include "GuiHarness.h"
#include "core/VppFormat.h"

std::string g_strScreenshotFolder;

namespace
{
/// An archive of nCount empty members.
bool WriteEmptyMembersArchive(const std::string& strPath, int nCount)
{
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (int i = 0; i < nCount; ++i)
        arrMembers.push_back({ "member" + std::to_string(i) + ".tga", std::string() });
    return WriteArchive(strPath, arrMembers);
}

void FillTable(CQuarnelDoc& doc, int nCount)
{
    for (int i = 0; i < nCount; ++i)
    {
        VppEntry& e = doc.m_entries[i];
        e.m_strName = "member" + std::to_string(i) + ".tga";
        e.m_nSize = i * 7;
        e.m_strSourcePath = "C:\\bench.vpp";
        e.m_nOffset = 4096 + i * 2048;
        e.m_bInArchive = 1;
    }
    doc.m_nFileCount = nCount;
    doc.InvalidateNameIndex();
    doc.UpdateTotalSize();
}
}

int main()
{
    std::string strFolder = CTestFolder("bench").Path();
    std::string strArchive = strFolder + "full.vpp";
    if (!WriteEmptyMembersArchive(strArchive, VPP_MAX_FILES))
    {
        std::fprintf(stderr, "cannot write %s\n", strArchive.c_str());
        return 1;
    }

    LARGE_INTEGER t0, t1;
    {
        CGuiHarness gui;
        ::QueryPerformanceCounter(&t0);
        bool bOk = gui.Start({ strArchive });
        ::QueryPerformanceCounter(&t1);
        std::printf("start-up to a shown window, %d-member archive: %.2f s (%s, %d rows)\n", VPP_MAX_FILES,
                    Seconds(t0, t1), bOk ? "ok" : "FAILED", gui.RowCount());
    }

    CGuiHarness gui;
    if (!gui.Start({}))
        return 1;
    const int kCounts[] = { 1000, VPP_MAX_FILES };
    for (int nCount : kCounts)
    {
        FillTable(*gui.Doc(), nCount);
        ::QueryPerformanceCounter(&t0);
        gui.View()->OnUpdate(nullptr, 0, nullptr);
        ::UpdateWindow(gui.List());
        ::QueryPerformanceCounter(&t1);
        std::printf("refill of %5d rows (visible list): %.3f s\n", nCount, Seconds(t0, t1));
    }

    // Header-click sorts of the full list, one per column. By name the rows change places
    // ("member10" before "member2"); sizes and offsets already ascend, but every row's item data
    // is swapped twice either way.
    const char* kColumnNames[] = { "Filename", "Filesize", "Location" };
    for (int nColumn = 0; nColumn < 3; ++nColumn)
    {
        gui.View()->OnUpdate(nullptr, 0, nullptr);
        ::UpdateWindow(gui.List());
        ::QueryPerformanceCounter(&t0);
        gui.View()->SortByColumn(nColumn);
        ::UpdateWindow(gui.List());
        ::QueryPerformanceCounter(&t1);
        std::printf("sort of %d rows by %-8s (visible list): %.3f s\n", gui.RowCount(), kColumnNames[nColumn],
                    Seconds(t0, t1));
    }

    // One idle pass (toolbar enable rules) with every row selected.
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    ::SendMessageA(gui.List(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    const int kPasses = 20;
    ::QueryPerformanceCounter(&t0);
    for (int i = 0; i < kPasses; ++i)
        gui.Frame()->OnUpdateControlBars();
    ::QueryPerformanceCounter(&t1);
    std::printf("idle pass with %d rows selected: %.2f ms\n", gui.RowCount(), 1000.0 * Seconds(t0, t1) / kPasses);
    return 0;
}
