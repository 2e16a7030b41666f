// DragBench.cpp: how soon a drag of many members is under way, and how fast a large member streams
// compared with a plain copy of a file. Prints figures; asserts nothing. Runs under Wine with a
// display (see the README).
#include <windows.h>
#include <psapi.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "BenchTimer.h"
#include "DragOutSupport.h"
#include "GuiHarness.h"
#include "core/VppFormat.h"
#include "res/resource.h"
#include "ui/MemberDataObject.h"

std::string g_strScreenshotFolder;

namespace
{
/** Notes the moment the drag loop first asks, and ends the drag there. */
class CTimingSource : public IDropSource
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override
    {
        if (m_dFirst == 0)
            m_dFirst = SecondsNow();
        return DRAGDROP_S_CANCEL;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }
    double m_dFirst = 0;
};

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    return pmc.PagefileUsage;
}

/// Select all, then: the time to build the data object, and from the start of the drag to the
/// drag loop's first question (best of five).
void TimeDragStart(CGuiHarness& gui, const char* pszWhat)
{
    gui.Command(ID_EDIT_SELECT_ALL);
    double dBuild = 1e9, dStart = 1e9;
    for (int i = 0; i < 5; ++i)
    {
        double t0 = SecondsNow();
        IDataObject* pData = gui.View()->CreateSelectionDataObject();
        dBuild = std::min(dBuild, SecondsNow() - t0);
        pData->Release();

        CTimingSource source;
        t0 = SecondsNow();
        gui.View()->DragSelectedRows(&source);
        if (source.m_dFirst > 0)
            dStart = std::min(dStart, source.m_dFirst - t0);
        gui.Pump();
    }
    std::printf("%-44s selection to data object %8.2f ms, drag start to loop running %8.2f ms\n", pszWhat,
                dBuild * 1e3, dStart * 1e3);
}

/// A one-member archive of nSize bytes, written in pieces.
bool WriteBigArchive(const std::string& strPath, const std::string& strName, uint32_t nSize)
{
    std::vector<uint8_t> head(static_cast<size_t>(VppDataStart(1)), 0);
    WriteLE32(&head[0], VPP_SIGNATURE);
    WriteLE32(&head[4], VPP_VERSION);
    WriteLE32(&head[8], 1);
    WriteLE32(&head[12], static_cast<uint32_t>(head.size() + RoundUpToBlock(nSize)));
    WriteEntryName(&head[VPP_BLOCK_SIZE], strName);
    WriteLE32(&head[VPP_BLOCK_SIZE + VPP_NAME_LENGTH], nSize);
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        return false;
    std::fwrite(head.data(), 1, head.size(), pFile);
    std::string strPiece = Pattern(1 << 20, 7);
    for (uint32_t nDone = 0; nDone < RoundUpToBlock(nSize);)
    {
        size_t n = std::min<size_t>(strPiece.size(), RoundUpToBlock(nSize) - nDone);
        std::fwrite(strPiece.data(), 1, n, pFile);
        nDone += static_cast<uint32_t>(n);
    }
    return std::fclose(pFile) == 0;
}

/// Streams lindex 0 of the data object into a file in pieces of cbPiece, as a shell paste does.
double StreamToFile(IDataObject* pData, const std::string& strDest, ULONG cbPiece, SIZE_T& nPeakExtra)
{
    FORMATETC fe = { CMemberDataObject::FormatContents(), nullptr, DVASPECT_CONTENT, 0, TYMED_ISTREAM };
    std::vector<char> buf(cbPiece);
    SIZE_T nBase = PrivateBytes();
    nPeakExtra = 0;
    double t0 = SecondsNow();
    STGMEDIUM medium = {};
    if (FAILED(pData->GetData(&fe, &medium)))
        return -1;
    HANDLE hDest = ::CreateFileA(strDest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    for (;;)
    {
        ULONG cbRead = 0;
        if (FAILED(medium.pstm->Read(buf.data(), cbPiece, &cbRead)) || cbRead == 0)
            break;
        DWORD dw = 0;
        ::WriteFile(hDest, buf.data(), cbRead, &dw, nullptr);
        nPeakExtra = std::max(nPeakExtra, PrivateBytes() > nBase ? PrivateBytes() - nBase : 0);
    }
    ::CloseHandle(hDest);
    ::ReleaseStgMedium(&medium);
    return SecondsNow() - t0;
}

/// The same bytes read and written with the same piece size, without the data object.
double PlainLoop(const std::string& strSource, uint64_t nOffset, uint64_t nSize, const std::string& strDest, ULONG cbPiece)
{
    std::vector<char> buf(cbPiece);
    double t0 = SecondsNow();
    HANDLE hSource = ::CreateFileA(strSource.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE hDest = ::CreateFileA(strDest.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(nOffset);
    ::SetFilePointerEx(hSource, li, nullptr, FILE_BEGIN);
    for (uint64_t nDone = 0; nDone < nSize;)
    {
        DWORD nWant = static_cast<DWORD>(std::min<uint64_t>(cbPiece, nSize - nDone)), nGot = 0, dw = 0;
        if (!::ReadFile(hSource, buf.data(), nWant, &nGot, nullptr) || nGot == 0)
            break;
        ::WriteFile(hDest, buf.data(), nGot, &dw, nullptr);
        nDone += nGot;
    }
    ::CloseHandle(hSource);
    ::CloseHandle(hDest);
    return SecondsNow() - t0;
}
}

int main()
{
    std::string strFolder = CTestFolder("drag-bench").Path();
    std::printf("Drag and copy out of the list (Wine; times are the best of several runs)\n\n");

    // 1,000 members of one archive, and one member of 200 MB.
    std::vector<std::pair<std::string, std::string>> arrMembers;
    for (int i = 0; i < 1000; ++i)
        arrMembers.emplace_back("texture" + std::to_string(i) + ".tga", Pattern(100 + i, i));
    const uint32_t nBig = 200u << 20;
    if (!WriteArchive(strFolder + "many.vpp", arrMembers) || !WriteBigArchive(strFolder + "big.vpp", "level.rfl", nBig))
    {
        std::printf("could not write the archives\n");
        return 1;
    }

    CGuiHarness gui;
    if (!gui.Start({ strFolder + "many.vpp" }))
        return 1;
    TimeDragStart(gui, "1,000 selected members:");
    if (!gui.m_pApp->OpenDocumentFile(strFolder + "big.vpp"))
        return 1;
    gui.Pump();
    TimeDragStart(gui, "1 selected member of 200 MB:");
    std::printf("(Wine's drag loop first asks the source on its 50 ms timer; nothing is read before the drop.)\n\n");

    // Streaming the 200 MB member against plain copies of the same bytes.
    gui.Command(ID_EDIT_SELECT_ALL);
    IDataObject* pData = gui.View()->CreateSelectionDataObject();
    const ULONG cbPiece = 1 << 20;
    const uint64_t nOffset = static_cast<uint64_t>(VppDataStart(1));
    double dStream = 1e9, dLoop = 1e9, dCopy = 1e9;
    SIZE_T nPeak = 0;
    for (int i = 0; i < 3; ++i)
    {
        SIZE_T nExtra = 0;
        dStream = std::min(dStream, StreamToFile(pData, strFolder + "streamed.rfl", cbPiece, nExtra));
        nPeak = std::max(nPeak, nExtra);
        dLoop = std::min(dLoop, PlainLoop(strFolder + "big.vpp", nOffset, nBig, strFolder + "looped.rfl", cbPiece));
        double t0 = SecondsNow();
        ::CopyFileA((strFolder + "big.vpp").c_str(), (strFolder + "copied.vpp").c_str(), FALSE);
        dCopy = std::min(dCopy, SecondsNow() - t0);
    }
    pData->Release();
    const double dMB = nBig / 1048576.0;
    std::printf("200 MB member, read in 1 MiB pieces and written to a file:\n");
    std::printf("  through the data object's stream  %8.1f ms  %7.1f MB/s  (extra private memory at most %.1f MB)\n",
                dStream * 1e3, dMB / dStream, nPeak / 1048576.0);
    std::printf("  plain ReadFile/WriteFile loop     %8.1f ms  %7.1f MB/s\n", dLoop * 1e3, dMB / dLoop);
    std::printf("  CopyFileA of the whole archive    %8.1f ms  %7.1f MB/s\n", dCopy * 1e3, dMB / dCopy);
    std::printf("  stream / plain loop %.2f, stream / CopyFileA %.2f\n", dStream / dLoop, dStream / dCopy);

    bool bSame = ReadFileText(strFolder + "streamed.rfl") == ReadFileText(strFolder + "looped.rfl");
    std::printf("  streamed bytes equal the member: %s\n", bSame ? "yes" : "NO");
    for (const char* psz : { "streamed.rfl", "looped.rfl", "copied.vpp", "big.vpp", "many.vpp" })
        ::DeleteFileA((strFolder + psz).c_str());
    return bSame ? 0 : 1;
}
