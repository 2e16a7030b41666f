// GuiBench.cpp: how long the list takes to fill and to sort by each column, how long an idle
// pass takes with every row selected, and how long start-up takes with a full archive.
// Prints figures; it asserts nothing. Run under Wine with a display (tools/run-gui-bench).
#include <windows.h>
#include <cstdio>
#include <string>
#include "GuiHarness.h"
#include "core/VppFormat.h"

std::string g_strScreenshotFolder;

namespace
{
/// An archive of nCount empty members, written straight in the VPP layout.
bool WriteEmptyMembersArchive(const std::string& strPath, int nCount)
{
    size_t cbDirectory = RoundUpToBlock(64 * nCount);
    std::string data(2048 + cbDirectory, '\0');
    PutLe32(data, 0, VPP_SIGNATURE);
    PutLe32(data, 4, VPP_VERSION);
    PutLe32(data, 8, static_cast<uint32_t>(nCount));
    PutLe32(data, 12, static_cast<uint32_t>(data.size()));
    for (int i = 0; i < nCount; ++i)
    {
        std::string strName = "member" + std::to_string(i) + ".tga";
        data.replace(2048 + 64 * i, strName.size(), strName);
    }
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        return false;
    std::fwrite(data.data(), 1, data.size(), pFile);
    return std::fclose(pFile) == 0;
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
    std::string strFolder = MakeTestFolder("bench");
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
