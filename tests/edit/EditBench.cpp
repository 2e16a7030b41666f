// EditBench.cpp: Remove of 65,536 selected rows and Extract of 65,536 small members through the
// real window, next to a plain copy of the same files; a save over the archive next to a copy made
// durable. Prints figures; asserts nothing.
// Run under Wine with a display (tools/run-gui-bench).
#include <windows.h>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>
#include "BenchTimer.h"
#include "GuiHarness.h"
#include "core/QuarnelDoc.h"
#include "core/VppFormat.h"
#include "res/resource.h"

std::string g_strScreenshotFolder;

namespace
{
const int kMemberSize = 16;

// Members sit in 256 sub-folders of 256 each: Wine looks a new file's name up in its whole
// folder (names compare ignoring case), which would make one flat folder of 65,536 files cost
// quadratic time in the emulation, for the extraction and the plain copy alike.
const int kSubFolders = 256;

std::string SubFolder(int i)
{
    char sz[8];
    std::snprintf(sz, sizeof(sz), "d%03d", i % kSubFolders);
    return sz;
}

std::string MemberName(int i)
{
    return SubFolder(i) + "\\m" + std::to_string(i) + ".txt";
}

/// The sub-folders of a folder of members (extraction writes into existing sub-folders only).
std::string MakeMemberFolder(const std::string& strName)
{
    std::string strFolder = CTestFolder(strName).Path();
    for (int i = 0; i < kSubFolders; ++i)
        ::CreateDirectoryA((strFolder + SubFolder(i)).c_str(), nullptr);
    return strFolder;
}

/// An archive of nCount members of kMemberSize bytes each, numbered.
bool WriteSmallMembersArchive(const std::string& strPath, int nCount)
{
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (int i = 0; i < nCount; ++i)
    {
        char sz[kMemberSize + 1];
        std::snprintf(sz, sizeof(sz), "%015d\n", i);
        arrMembers.push_back({ MemberName(i), std::string(sz, kMemberSize) });
    }
    return WriteArchive(strPath, arrMembers);
}

void SelectAll(CGuiHarness& gui)
{
    ::SendMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EDIT_SELECT_ALL, 0), 0);
}

void BenchRemove(const std::string& strArchive)
{
    LARGE_INTEGER t0, t1;
    CGuiHarness gui;
    if (!gui.Start({ strArchive }))
        return;
    gui.m_nAnswer = IDYES;
    gui.m_bStrict = false;   // the confirmations are answered, not checked

    // Every other row first: the refill that follows puts 32,768 rows back.
    for (int i = 0; i < VPP_MAX_FILES; i += 2)
        gui.SelectRow(i);
    ::QueryPerformanceCounter(&t0);
    ::SendMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EDIT_REMOVE, 0), 0);
    ::QueryPerformanceCounter(&t1);
    std::printf("remove of 32.768 of 65.536 selected rows (with the refill of the rest): %.3f s (%d rows left)\n",
                Seconds(t0, t1), gui.RowCount());

    gui.Doc()->OnOpenDocument(strArchive);
    gui.Doc()->UpdateAllViews(nullptr);
    SelectAll(gui);
    ::QueryPerformanceCounter(&t0);
    ::SendMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EDIT_REMOVE, 0), 0);
    ::QueryPerformanceCounter(&t1);
    std::printf("remove of all 65.536 selected rows: %.3f s (%d rows left)\n", Seconds(t0, t1), gui.RowCount());
}

void BenchExtract(const std::string& strArchive, const std::string& strOut, const std::string& strCopy)
{
    LARGE_INTEGER t0, t1;
    CGuiHarness gui;
    if (!gui.Start({ strArchive }))
        return;
    gui.AnswerFolder(strOut);
    SelectAll(gui);
    ::QueryPerformanceCounter(&t0);
    ::SendMessageA(gui.Frame()->m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EDIT_EXTRACT, 0), 0);
    ::QueryPerformanceCounter(&t1);
    double dExtract = Seconds(t0, t1);
    std::printf("extract of 65.536 members of %d bytes into 256 sub-folders (with the progress window): %.2f s, "
                "%zu failure reports\n", kMemberSize, dExtract, gui.m_details.size());

    // The document's part alone, without the window, for the first 4,096 members.
    std::string strBare = MakeMemberFolder("edit-bench-bare");
    ::QueryPerformanceCounter(&t0);
    CExtractSession session(*gui.Doc());
    for (int i = 0; i < 4096; ++i)
        gui.Doc()->ExtractEntry(i, strBare);
    ::QueryPerformanceCounter(&t1);
    std::printf("  ExtractEntry alone, 4.096 members, no window: %.2f s (%.2f ms each)\n", Seconds(t0, t1),
                Seconds(t0, t1) * 1000.0 / 4096);

    ::QueryPerformanceCounter(&t0);
    int nCopied = 0;
    for (int i = 0; i < VPP_MAX_FILES; ++i)
    {
        std::string strName = MemberName(i);
        nCopied += ::CopyFileA((strOut + strName).c_str(), (strCopy + strName).c_str(), FALSE) ? 1 : 0;
    }
    ::QueryPerformanceCounter(&t1);
    double dCopy = Seconds(t0, t1);
    std::printf("plain copy of the same 65.536 files (CopyFileA): %.2f s (%d copied); extract / copy = %.2f\n",
                dCopy, nCopied, dExtract / dCopy);
}
}

/// A copy as durable as a save over a file: CopyFileA to a new name, flushed, moved over an older copy.
bool DurableCopy(const std::string& strFrom, const std::string& strTo)
{
    const std::string strNew = strTo + ".new";
    if (!::CopyFileA(strFrom.c_str(), strNew.c_str(), FALSE))
        return false;
    HANDLE h = ::CreateFileA(strNew.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    bool bFlushed = h != INVALID_HANDLE_VALUE && ::FlushFileBuffers(h);
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return bFlushed && ::MoveFileExA(strNew.c_str(), strTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

/// Saving an archive over itself (side file, flush, replace, re-read) next to a durable copy of it.
void BenchSave(const std::string& strWhat, const std::string& strArchive)
{
    LARGE_INTEGER t0, t1, t2;
    DurableCopy(strArchive, strArchive + ".copy");
    auto pDoc = std::make_unique<CQuarnelDoc>();
    bool bOk = pDoc->OpenDocumentFile(strArchive);
    pDoc->SetModifiedFlag(true);
    ::QueryPerformanceCounter(&t0);
    bOk = DurableCopy(strArchive, strArchive + ".copy") && bOk;
    ::QueryPerformanceCounter(&t1);
    bOk = pDoc->OnSaveDocument(strArchive) && bOk;
    ::QueryPerformanceCounter(&t2);
    ::DeleteFileA((strArchive + ".copy").c_str());
    std::printf("save over itself, %s: %.2f s%s; durable copy over an older one (CopyFileA, FlushFileBuffers, "
                "MoveFileExA): %.2f s; save / durable copy = %.2f\n", strWhat.c_str(), Seconds(t1, t2),
                bOk ? "" : " (failed)", Seconds(t0, t1), Seconds(t1, t2) / Seconds(t0, t1));
}

int main()
{
    std::string strFolder = CTestFolder("edit-bench").Path();
    std::string strArchive = strFolder + "small.vpp";
    if (!WriteSmallMembersArchive(strArchive, VPP_MAX_FILES))
    {
        std::fprintf(stderr, "cannot write %s\n", strArchive.c_str());
        return 1;
    }
    BenchRemove(strArchive);
    BenchExtract(strArchive, MakeMemberFolder("edit-bench-out"), MakeMemberFolder("edit-bench-copy"));
    BenchSave("65.536 members of 16 bytes", strArchive);
    std::vector<std::pair<std::string, std::string>> arrLarge;   // members of the size game archives hold
    for (int i = 0; i < 512; ++i)
        arrLarge.push_back({ "t" + std::to_string(i) + ".tga", std::string(256 * 1024, static_cast<char>('a' + i % 26)) });
    std::string strLarge = strFolder + "large.vpp";
    if (WriteArchive(strLarge, arrLarge))
        BenchSave("512 members of 256 KB", strLarge);
    return 0;
}
