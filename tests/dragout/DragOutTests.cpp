// DragOutTests.cpp: members dragged out of the list or copied, and written as a shell paste would.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <algorithm>
#include "menu/OwnerDrawMenu.h"
#include "DragOutSupport.h"
#include "GuiHarness.h"
#include "core/MemberNames.h"
#include "res/resource.h"
#include "ui/MemberDataObject.h"

namespace
{
using Members = std::vector<std::pair<std::string, std::string>>;
const char kCopyHeader[] = "At least one file could not be copied. See below for details.";

/// The file descriptors the data object offers in one of its two descriptor formats.
template <class Group, class Descriptor>
std::vector<Descriptor> Descriptors(IDataObject* pData, CLIPFORMAT cf)
{
    FORMATETC fe = { cf, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
    STGMEDIUM medium = {};
    std::vector<Descriptor> arr;
    if (FAILED(pData->GetData(&fe, &medium)))
        return arr;
    auto* pGroup = static_cast<Group*>(::GlobalLock(medium.hGlobal));
    arr.assign(pGroup->fgd, pGroup->fgd + pGroup->cItems);
    ::GlobalUnlock(medium.hGlobal);
    ::ReleaseStgMedium(&medium);
    return arr;
}
auto DescriptorsW = [](IDataObject* pData) {
    return Descriptors<FILEGROUPDESCRIPTORW, FILEDESCRIPTORW>(pData, CMemberDataObject::FormatDescriptorW());
};
auto DescriptorsA = [](IDataObject* pData) {
    return Descriptors<FILEGROUPDESCRIPTORA, FILEDESCRIPTORA>(pData, CMemberDataObject::FormatDescriptorA());
};

IStream* ContentsStream(IDataObject* pData, LONG lindex)
{
    FORMATETC fe = { CMemberDataObject::FormatContents(), nullptr, DVASPECT_CONTENT, lindex, TYMED_ISTREAM };
    STGMEDIUM medium = {};
    if (FAILED(pData->GetData(&fe, &medium)) || medium.tymed != TYMED_ISTREAM)
        return nullptr;
    return medium.pstm;
}

std::string StreamBytes(IDataObject* pData, LONG lindex, ULONG cbPiece = 1000)
{
    IStream* pStream = ContentsStream(pData, lindex);
    if (!pStream)
        return "<no stream>";
    std::string str;
    HRESULT hr = ReadStream(pStream, str, cbPiece);
    pStream->Release();
    return SUCCEEDED(hr) ? str : "<read failed>";
}

bool ClipboardOffersFiles()
{
    IDataObject* pData = nullptr;
    if (FAILED(::OleGetClipboard(&pData)) || !pData)
        return false;
    FORMATETC fe = { CMemberDataObject::FormatDescriptorW(), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
    bool bOffers = pData->QueryGetData(&fe) == S_OK;
    pData->Release();
    return bOffers;
}

/** A drop source that keeps the cursor over one window, as a hand would, and releases the button
    once a target there has taken notice (or after nMaxAsks questions). */
class CScriptedSource : public IDropSource
{
public:
    CScriptedSource(HWND hOver, const bool* pbNoticed, int nMaxAsks)
        : m_hOver(hOver), m_pbNoticed(pbNoticed), m_nMaxAsks(nMaxAsks) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource)) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL, DWORD) override
    {
        if (++m_nAsked >= m_nMaxAsks || (m_pbNoticed && *m_pbNoticed))
            return DRAGDROP_S_DROP;
        RECT rc;
        ::GetWindowRect(m_hOver, &rc);
        ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD dwEffect) override
    {
        m_dwFeedback = dwEffect;
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
    HWND m_hOver;
    const bool* m_pbNoticed;
    int m_nMaxAsks;
    int m_nAsked = 0;
    DWORD m_dwFeedback = 0xFFFF;   ///< the effect the cursor showed last
};

/** A window standing in for a shell folder: a drop writes the files into its folder. (SS_NOTIFY: a
    static control is otherwise transparent to the search for the window under the cursor.) */
class CFolderTarget : public IDropTarget
{
public:
    explicit CFolderTarget(const std::string& strFolder) : m_strFolder(strFolder)
    {
        m_hWnd = ::CreateWindowExA(WS_EX_TOPMOST, "STATIC", "folder", WS_POPUP | WS_VISIBLE | WS_BORDER | SS_NOTIFY, 0, 0, 100,
                                   100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        ::RegisterDragDrop(m_hWnd, this);
    }
    ~CFolderTarget()
    {
        ::RevokeDragDrop(m_hWnd);
        ::DestroyWindow(m_hWnd);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* pdwEffect) override
    {
        m_bEntered = true;
        *pdwEffect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* pdwEffect) override
    {
        *pdwEffect &= DROPEFFECT_COPY;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* pData, DWORD, POINTL, DWORD* pdwEffect) override
    {
        m_result = PasteInto(pData, m_strFolder);
        m_bDropped = true;
        *pdwEffect = DROPEFFECT_COPY;
        return S_OK;
    }
    HWND m_hWnd;
    std::string m_strFolder;
    PasteResult m_result;
    bool m_bEntered = false;
    bool m_bDropped = false;
};

/// The data object of a drag of these rows of the document, as the list makes it for a selection.
IDataObject* DragOf(const CQuarnelDoc& doc, const std::vector<int>& arrRows, std::shared_ptr<CTransferFailureLog> pLog)
{
    return new CMemberDataObject(CMemberTransfer::FromRows(doc, arrRows, std::move(pLog)));
}

/// Moves the cursor over a window's middle and waits until the system reports it there.
bool PointAt(CGuiHarness& gui, HWND hWnd)
{
    RECT rc;
    ::GetWindowRect(hWnd, &rc);
    POINT ptWant = { (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2 };
    ::SetCursorPos(ptWant.x, ptWant.y);
    return gui.WaitUntil([&] {
        POINT pt;
        return ::GetCursorPos(&pt) && pt.x == ptWant.x && pt.y == ptWant.y && ::WindowFromPoint(pt) == hWnd;
    }, "the cursor over the window", 1000);
}
}

// A stream that takes at most m_nRoom bytes in all: a full disk to copy into.
class CShortSink : public IStream
{
public:
    explicit CShortSink(ULONG nRoom) : m_nRoom(nRoom) {}
    std::string m_strTaken;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override
    {
        const ULONG nTake = std::min<ULONG>(cb, m_nRoom - static_cast<ULONG>(m_strTaken.size()));
        m_strTaken.append(static_cast<const char*>(pv), nTake);
        if (pcbWritten)
            *pcbWritten = nTake;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    ULONG m_nRoom;
};

TEST(DragOut, SavedAndAddedMembersAreOfferedAsFilesAndReadWhenAsked)
{
    CTestFolder dir("dragout-formats");
    const std::string strAlpha = Pattern(5000, 1), strBeta = Pattern(10, 2), strGamma = Pattern(2049, 3);
    ASSERT_TRUE(WriteArchive(dir + "a.vpp", { { "alpha.tga", strAlpha }, { "beta.wav", strBeta } }));
    auto pDoc = std::make_unique<CQuarnelDoc>();
    ASSERT_TRUE(pDoc->OpenDocumentFile(dir + "a.vpp"));
    ASSERT_EQ(ADD_RESULT_ADDED, pDoc->AddFile(dir.File("gamma.rfl", strGamma)));
    auto pLog = std::make_shared<CTransferFailureLog>(nullptr, 0);
    IDataObject* pData = DragOf(*pDoc, { 0, 2 }, pLog);

    IEnumFORMATETC* pEnum = nullptr;
    ASSERT_EQ(S_OK, pData->EnumFormatEtc(DATADIR_GET, &pEnum));
    std::vector<std::pair<CLIPFORMAT, DWORD>> arrOffered;
    FORMATETC fe;
    while (pEnum->Next(1, &fe, nullptr) == S_OK)
        arrOffered.emplace_back(fe.cfFormat, fe.tymed);
    pEnum->Release();
    for (auto want : { std::make_pair(CMemberDataObject::FormatDescriptorW(), DWORD(TYMED_HGLOBAL)),
                       std::make_pair(CMemberDataObject::FormatDescriptorA(), DWORD(TYMED_HGLOBAL)),
                       std::make_pair(CMemberDataObject::FormatContents(), DWORD(TYMED_ISTREAM)) })
        EXPECT_NE(arrOffered.end(), std::find(arrOffered.begin(), arrOffered.end(), want)) << want.first;

    // Descriptors: the rows in their order, with their sizes; only the added file has a time.
    std::vector<FILEDESCRIPTORW> arrW = DescriptorsW(pData);
    std::vector<FILEDESCRIPTORA> arrA = DescriptorsA(pData);
    ASSERT_EQ(2u, arrW.size());
    ASSERT_EQ(2u, arrA.size());
    const char* pszNames[] = { "alpha.tga", "gamma.rfl" };
    const size_t nSizes[] = { strAlpha.size(), strGamma.size() };
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(pszNames[i], Narrow(arrW[i].cFileName));
        EXPECT_STREQ(pszNames[i], arrA[i].cFileName);
        EXPECT_TRUE(arrW[i].dwFlags & FD_FILESIZE);
        EXPECT_EQ(nSizes[i], arrW[i].nFileSizeLow);
        EXPECT_EQ(0u, arrW[i].nFileSizeHigh);
        EXPECT_EQ(nSizes[i], arrA[i].nFileSizeLow);
    }
    EXPECT_FALSE(arrW[0].dwFlags & FD_WRITESTIME);
    EXPECT_TRUE(arrW[1].dwFlags & FD_WRITESTIME);

    // Contents: the saved member from the archive, the added one from its own file, read in pieces
    // that do not line up with anything.
    EXPECT_EQ(strAlpha, StreamBytes(pData, 0));
    EXPECT_EQ(strGamma, StreamBytes(pData, 1, 777));
    FORMATETC feBad = { CMemberDataObject::FormatContents(), nullptr, DVASPECT_CONTENT, 2, TYMED_ISTREAM };
    EXPECT_EQ(DV_E_LINDEX, pData->QueryGetData(&feBad));

    // A stream knows its size and can be positioned like a file.
    IStream* pStream = ContentsStream(pData, 0);
    ASSERT_NE(nullptr, pStream);
    STATSTG stat = {};
    ASSERT_EQ(S_OK, pStream->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(strAlpha.size(), stat.cbSize.QuadPart);
    LARGE_INTEGER li;
    li.QuadPart = -3;
    ASSERT_EQ(S_OK, pStream->Seek(li, STREAM_SEEK_END, nullptr));
    char tail[8] = {};
    ULONG cbRead = 0;
    EXPECT_EQ(S_OK, pStream->Read(tail, sizeof(tail), &cbRead));
    EXPECT_EQ(3u, cbRead);
    EXPECT_EQ(strAlpha.substr(strAlpha.size() - 3), std::string(tail, cbRead));

    // CopyTo from the start: into a stream with room for all, the full counts; into one that takes
    // fewer bytes than offered, a failure that says the medium is full, with the counts of what went.
    struct { ULONG nRoom; HRESULT hrWant; ULONG nWritten; } copies[] = {
        { static_cast<ULONG>(strAlpha.size()), S_OK, static_cast<ULONG>(strAlpha.size()) },
        { 1000, STG_E_MEDIUMFULL, 1000 },
        { 0, STG_E_MEDIUMFULL, 0 },
    };
    for (const auto& c : copies)
    {
        CShortSink sink(c.nRoom);
        li.QuadPart = 0;
        ASSERT_EQ(S_OK, pStream->Seek(li, STREAM_SEEK_SET, nullptr));
        ULARGE_INTEGER cbAll, cbIn = {}, cbOut = {};
        cbAll.QuadPart = 1u << 20;
        EXPECT_EQ(c.hrWant, pStream->CopyTo(&sink, cbAll, &cbIn, &cbOut)) << c.nRoom;
        EXPECT_EQ(c.nWritten, cbOut.QuadPart) << c.nRoom;
        EXPECT_GE(cbIn.QuadPart, cbOut.QuadPart) << c.nRoom;
        if (c.hrWant == S_OK)
            EXPECT_EQ(strAlpha.size(), cbIn.QuadPart);
        EXPECT_EQ(strAlpha.substr(0, c.nWritten), sink.m_strTaken) << c.nRoom;
    }
    pStream->Release();
    pData->Release();
    EXPECT_TRUE(pLog->IsEmpty());
}

TEST(DragOut, AMemberLargerThan64MiBIsReadInPiecesWithoutGrowingMemory)
{
    CTestFolder dir("dragout-large");
    const std::string strPath = dir + "huge.bin";
    const uint64_t nSize = (65ull << 20) + 123;
    const uint64_t nMarkers[] = { 0, (64ull << 20) - 2, nSize - 4 };
    {
        // A sparse file: only the markers are written.
        HANDLE hFile = ::CreateFileA(strPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        for (uint64_t nAt : nMarkers)
        {
            LARGE_INTEGER li;
            li.QuadPart = static_cast<LONGLONG>(nAt);
            ::SetFilePointerEx(hFile, li, nullptr, FILE_BEGIN);
            DWORD dw = 0;
            ::WriteFile(hFile, "MARK", 4, &dw, nullptr);
        }
        ::CloseHandle(hFile);
    }
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    ASSERT_EQ(ADD_RESULT_ADDED, pDoc->AddFile(strPath));
    IDataObject* pData = DragOf(*pDoc, { 0 }, std::make_shared<CTransferFailureLog>(nullptr, 0));
    std::vector<FILEDESCRIPTORW> arr = DescriptorsW(pData);
    ASSERT_EQ(1u, arr.size());
    EXPECT_EQ(nSize, arr[0].nFileSizeLow);

    IStream* pStream = ContentsStream(pData, 0);
    ASSERT_NE(nullptr, pStream);
    std::vector<char> buf(1 << 20);
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
    const SIZE_T nBase = pmc.PagefileUsage;   // private bytes (PrivateUsage reads 0 under Wine)
    SIZE_T nMost = nBase;
    uint64_t nTotal = 0;
    int nShortReads = 0;   // to a reader, a read that returns less than asked is the end
    std::string strMarks[3] = { "....", "....", "...." };   // the second one straddles two pieces
    for (;;)
    {
        ULONG cbRead = 0;
        ASSERT_EQ(S_OK, pStream->Read(buf.data(), static_cast<ULONG>(buf.size()), &cbRead));
        if (cbRead == 0)
            break;
        for (int m = 0; m < 3; ++m)
        {
            for (uint64_t p = nMarkers[m]; p < nMarkers[m] + 4; ++p)
            {
                if (p >= nTotal && p < nTotal + cbRead)
                    strMarks[m][p - nMarkers[m]] = buf[p - nTotal];
            }
        }
        nTotal += cbRead;
        nShortReads += cbRead < buf.size();
        ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof(pmc));
        nMost = std::max(nMost, pmc.PagefileUsage);
    }
    EXPECT_EQ(nSize, nTotal);
    EXPECT_EQ(1, nShortReads);   // the last piece only
    for (const std::string& strMark : strMarks)
        EXPECT_EQ("MARK", strMark);
    EXPECT_LT(nMost - nBase, SIZE_T(16) << 20) << "the stream holds the member in memory";
    pStream->Release();
    pData->Release();
}

TEST(DragOut, UnsafeAndDuplicateNamesLandInsideTheDropFolder)
{
    CTestFolder dir("dragout-names");
    const Members members = {
        { "..\\..\\escape.txt", Pattern(10, 1) }, { "dup.txt", Pattern(11, 2) }, { "DUP.TXT", Pattern(12, 3) },
        { "maps\\inner.rfl", Pattern(13, 4) },     { "con.txt", Pattern(14, 5) }, { "C:\\abs.txt", Pattern(15, 6) },
    };
    ASSERT_TRUE(WriteArchive(dir + "names.vpp", members));
    auto pDoc = std::make_unique<CQuarnelDoc>();
    ASSERT_TRUE(pDoc->OpenDocumentFile(dir + "names.vpp"));
    IDataObject* pData = DragOf(*pDoc, { 0, 1, 2, 3, 4, 5 }, std::make_shared<CTransferFailureLog>(nullptr, 0));

    std::vector<FILEDESCRIPTORA> arr = DescriptorsA(pData);
    std::vector<std::string> arrNames;
    for (const FILEDESCRIPTORA& fd : arr)
    {
        arrNames.push_back(fd.cFileName);
        EXPECT_TRUE(IsSafeMemberPath(fd.cFileName)) << fd.cFileName;
    }
    EXPECT_EQ((std::vector<std::string>{ "maps", "C_", "escape.txt", "dup.txt", "DUP (2).TXT", "maps\\inner.rfl",
                                         "_con.txt", "C_\\abs.txt" }),
              arrNames);

    dir.Sub("drop");
    std::string strDrop = dir.Sub("drop\\deep");
    PasteResult result = PasteInto(pData, strDrop);
    EXPECT_TRUE(result.arrFailed.empty());
    EXPECT_EQ(6u, result.arrWritten.size());
    EXPECT_EQ(members[0].second, ReadFileText(strDrop + "escape.txt"));
    EXPECT_EQ(members[1].second, ReadFileText(strDrop + "dup.txt"));
    EXPECT_EQ(members[2].second, ReadFileText(strDrop + "DUP (2).TXT"));
    EXPECT_EQ(members[3].second, ReadFileText(strDrop + "maps\\inner.rfl"));
    EXPECT_EQ(members[4].second, ReadFileText(strDrop + "_con.txt"));
    EXPECT_EQ(members[5].second, ReadFileText(strDrop + "C_\\abs.txt"));
    EXPECT_FALSE(CFile::Exists(dir + "escape.txt"));
    EXPECT_FALSE(CFile::Exists(dir + "drop\\escape.txt"));
    pData->Release();
}

TEST(DragOut, ADragWritesTheReadableMembersAndNamesTheOneThatFailed)
{
    CTestFolder dir("dragout-fail");
    ASSERT_TRUE(WriteArchive(dir + "f.vpp", { { "one.txt", Pattern(3000, 1) } }));
    dir.File("two.txt", 20, 't');
    dir.File("three.txt", 30, 'h');
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "f.vpp" }));
    gui.AddFiles({ dir + "two.txt", dir + "three.txt" });
    ASSERT_EQ(3, gui.RowCount());
    dir.File("two.txt", 25, 'T');   // changed after it was added
    gui.Command(ID_EDIT_SELECT_ALL);

    CFolderTarget target(dir.Sub("target"));
    ASSERT_TRUE(PointAt(gui, target.m_hWnd));
    CScriptedSource source(target.m_hWnd, &target.m_bEntered, 100);
    DWORD dwEffect = gui.View()->DragSelectedRows(&source);
    gui.Pump();

    ASSERT_TRUE(target.m_bDropped);
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), dwEffect);
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), source.m_dwFeedback);
    EXPECT_EQ((std::vector<std::string>{ "one.txt", "three.txt" }), target.m_result.arrWritten);
    EXPECT_EQ(std::vector<std::string>{ "two.txt" }, target.m_result.arrFailed);
    EXPECT_EQ(Pattern(3000, 1), ReadFileText(target.m_strFolder + "one.txt"));
    EXPECT_EQ(std::string(30, 'h'), ReadFileText(target.m_strFolder + "three.txt"));
    RecordedDetails report = gui.TakeDetails();   // reported in the error-details dialog
    EXPECT_EQ(kCopyHeader, report.strHeader);
    const std::string& strText = report.strDetails;
    EXPECT_EQ(0u, strText.find("two.txt\r\nThe file has been changed")) << strText;
    EXPECT_EQ(std::string::npos, strText.find("one.txt")) << strText;
    EXPECT_EQ(std::string::npos, strText.find("three.txt")) << strText;
}

// Another program rewrites the archive and the added file in place after the copy was taken: the
// same files at the same sizes, with other bytes and another time. The streams refuse; nothing lands.
TEST(DragOut, FilesRewrittenInPlaceAtTheirSizeAfterTheCopyAreRefused)
{
    CTestFolder dir("dragout-rewritten");
    ASSERT_TRUE(WriteArchive(dir + "r.vpp", { { "a.txt", Pattern(300, 1) } }));
    dir.File("g.rfl", Pattern(50, 2));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "r.vpp" }));
    gui.AddFiles({ dir + "g.rfl" });
    ASSERT_EQ(2, gui.RowCount());
    gui.Command(ID_EDIT_SELECT_ALL);
    IDataObject* pData = gui.View()->CreateSelectionDataObject();
    ASSERT_NE(nullptr, pData);

    ASSERT_TRUE(WriteArchive(dir + "r.vpp", { { "a.txt", Pattern(300, 7) } }));
    dir.File("g.rfl", Pattern(50, 8));
    for (const char* pszName : { "r.vpp", "g.rfl" })
    {
        HANDLE hFile = ::CreateFileA((dir + pszName).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
        FILETIME ft = { 0x12345678u, 0x01D00000u };   // a time well before the copy
        EXPECT_TRUE(::SetFileTime(hFile, nullptr, nullptr, &ft));
        ::CloseHandle(hFile);
    }

    std::string strDrop = dir.Sub("pasted");
    PasteResult result = PasteInto(pData, strDrop);
    pData->Release();
    EXPECT_TRUE(result.arrWritten.empty());
    EXPECT_EQ((std::vector<std::string>{ "a.txt", "g.rfl" }), result.arrFailed);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((strDrop + "a.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((strDrop + "g.rfl").c_str()));
}

// Another program cuts the archive short while a member streams out: the read fails, and keeps
// failing, rather than ending early as if the member were whole; the member is named in the report.
TEST(DragOut, AnArchiveCutShortWhileAMemberStreamsFailsTheRead)
{
    CTestFolder dir("dragout-cut");
    ASSERT_TRUE(WriteArchive(dir + "cut.vpp", { { "big.bin", Pattern(300000, 4) } }));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "cut.vpp" }));
    gui.Command(ID_EDIT_SELECT_ALL);
    IDataObject* pData = gui.View()->CreateSelectionDataObject();
    ASSERT_NE(nullptr, pData);
    IStream* pStream = ContentsStream(pData, 0);
    ASSERT_NE(nullptr, pStream);
    std::vector<char> buf(65536);
    ULONG cbRead = 0;
    ASSERT_EQ(S_OK, pStream->Read(buf.data(), 65536, &cbRead));
    ASSERT_EQ(65536u, cbRead);

    HANDLE hFile = ::CreateFileA((dir + "cut.vpp").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    LARGE_INTEGER li;
    li.QuadPart = 4096 + 150000;   // header and directory, then half the member
    EXPECT_TRUE(::SetFilePointerEx(hFile, li, nullptr, FILE_BEGIN) && ::SetEndOfFile(hFile));
    ::CloseHandle(hFile);

    std::string strRest;
    EXPECT_EQ(STG_E_READFAULT, ReadStream(pStream, strRest, 65536)) << strRest.size() << " more bytes";
    EXPECT_EQ(STG_E_READFAULT, pStream->Read(buf.data(), 65536, &cbRead));
    EXPECT_EQ(0u, cbRead);
    pStream->Release();
    pData->Release();
    gui.Pump();
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ(kCopyHeader, report.strHeader);
    EXPECT_CONTAINS(report.strDetails, "big.bin\r\nThe archive ends before this member does.");
}

TEST(DragOut, RowsDroppedBackOntoTheirOwnListDoNothing)
{
    CTestFolder dir("dragout-self");
    ASSERT_TRUE(WriteArchive(dir + "s.vpp", { { "a.txt", "aaa" }, { "b.txt", "bb" } }));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "s.vpp" }));
    gui.Command(ID_EDIT_SELECT_ALL);
    ASSERT_TRUE(PointAt(gui, gui.List()));
    CScriptedSource source(gui.List(), nullptr, 4);
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), gui.View()->DragSelectedRows(&source));
    gui.Pump();
    EXPECT_EQ(4, source.m_nAsked);
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), source.m_dwFeedback);   // the cursor said "no" over the list
    EXPECT_EQ(2, gui.RowCount());
    EXPECT_FALSE(gui.Doc()->IsModified());
    EXPECT_TRUE(gui.m_messages.empty());
    // The list takes files from the shell again once the drag is over.
    EXPECT_EQ(DRAGDROP_E_ALREADYREGISTERED, ::RegisterDragDrop(gui.List(), &gui.View()->GetDropTarget()));
}

TEST(Copy, PasteFromTheClipboardWritesTheSelectedMembers)
{
    CTestFolder dir("copy-paste");
    ASSERT_TRUE(WriteArchive(dir + "c.vpp", { { "a.txt", Pattern(100, 1) }, { "b.txt", Pattern(4097, 2) },
                                                { "c.txt", Pattern(5, 3) } }));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "c.vpp" }));
    EXPECT_FALSE(gui.Frame()->IsCommandEnabled(ID_EDIT_COPY));
    gui.SelectOnly({ 1, 2 });
    EXPECT_TRUE(gui.Frame()->IsCommandEnabled(ID_EDIT_COPY));

    // Ctrl+C, through the accelerator table.
    ::SetFocus(gui.List());
    gui.Key("Ctrl+C");

    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, ::OleGetClipboard(&pData));
    std::string strDrop = dir.Sub("pasted");
    PasteResult result = PasteInto(pData, strDrop, 4096);
    pData->Release();
    EXPECT_EQ(S_OK, result.hrDescriptors);
    EXPECT_EQ((std::vector<std::string>{ "b.txt", "c.txt" }), result.arrWritten);
    EXPECT_EQ(Pattern(4097, 2), ReadFileText(strDrop + "b.txt"));
    EXPECT_EQ(Pattern(5, 3), ReadFileText(strDrop + "c.txt"));
    EXPECT_FALSE(CFile::Exists(strDrop + "a.txt"));
}

TEST(Copy, ASaveNewOrOpenWithdrawsTheCopiedMembers)
{
    CTestFolder dir("copy-withdraw");
    ASSERT_TRUE(WriteArchive(dir + "w.vpp", { { "a.txt", Pattern(100, 1) }, { "b.txt", Pattern(200, 2) } }));
    dir.File("added.txt", 7);
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "w.vpp" }));
    gui.SelectOnly({ 0 });
    gui.Command(ID_EDIT_COPY);
    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, ::OleGetClipboard(&pData));
    IStream* pStream = ContentsStream(pData, 0);   // taken before the save, read after it
    ASSERT_NE(nullptr, pStream);

    // Adding a file changes no file on disk: the copy stays.
    gui.AddFiles({ dir + "added.txt" });
    ASSERT_EQ(3, gui.RowCount());
    EXPECT_TRUE(ClipboardOffersFiles());

    // The save rewrites the archive, so every member moves: the copy goes.
    gui.Command(ID_FILE_SAVE);
    ASSERT_FALSE(gui.Doc()->IsModified());
    EXPECT_FALSE(ClipboardOffersFiles());
    char buf[16];
    ULONG cbRead = 0;
    EXPECT_EQ(STG_E_REVERTED, pStream->Read(buf, sizeof(buf), &cbRead));
    EXPECT_EQ(0u, cbRead);
    pStream->Release();
    pData->Release();
    gui.Pump();
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ(kCopyHeader, report.strHeader);
    EXPECT_CONTAINS(report.strDetails, "a.txt\r\nThe archive has been saved");

    gui.SelectOnly({ 1 });
    gui.Command(ID_EDIT_COPY);
    EXPECT_TRUE(ClipboardOffersFiles());
    ASSERT_TRUE(gui.m_pApp->OpenDocumentFile(dir + "w.vpp"));
    EXPECT_FALSE(ClipboardOffersFiles());

    gui.SelectOnly({ 1 });
    gui.Command(ID_EDIT_COPY);
    EXPECT_TRUE(ClipboardOffersFiles());
    gui.Command(ID_FILE_NEW);
    EXPECT_FALSE(ClipboardOffersFiles());
}

TEST(Copy, TheListsContextMenuOffersCopyForTheSelection)
{
    CTestFolder dir("copy-menu");
    ASSERT_TRUE(WriteArchive(dir + "m.vpp", { { "level01.rfl", Pattern(70000, 1) }, { "sky.tga", Pattern(3000, 2) },
                                                { "music.wav", Pattern(120000, 3) } }));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "m.vpp" }));
    gui.SelectOnly({ 0, 1 });
    gui.Pump();
    RECT rc = {};
    rc.left = LVIR_BOUNDS;
    ::SendMessageA(gui.List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rc));
    // The Up key wraps round to the last item, Copy, which puts its prompt in the status line.
    std::string strCopy, strPrompt;
    bool bCopyEnabled = false, bShot = false;
    WithSteps({ InMenu("Up", [&](HWND hMenuWnd) {
                   HMENU hMenu = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
                   // The items are owner-drawn: their texts live in the menu object's records.
                   auto* pMenu = dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(hMenu));
                   if (!pMenu || !pMenu->GetItemText(ID_EDIT_COPY, MF_BYCOMMAND, strCopy))
                       strCopy.clear();
                   bCopyEnabled = !(::GetMenuState(hMenu, ID_EDIT_COPY, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
                   strPrompt = gui.StatusPane(0);
                   bShot = SaveWindowShot(::GetDesktopWindow(), "dragout_context_menu");
               }) },
              [&] {
                  ::SendMessageA(gui.List(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(rc.left + 40, (rc.top + rc.bottom) / 2));
                  gui.Pump();
              });
    // The owner-drawn menu pads the text before the tab to line up the key column.
    size_t nTab = strCopy.find('\t');
    if (nTab != std::string::npos && nTab > 0)
    {
        size_t nEnd = strCopy.find_last_not_of(' ', nTab - 1);
        strCopy.erase(nEnd + 1, nTab - nEnd - 1);
    }
    EXPECT_EQ("&Copy\tCtrl+C", strCopy);
    EXPECT_TRUE(bCopyEnabled);
    EXPECT_EQ("Copy selected file(s) to the clipboard", strPrompt);
    EXPECT_TRUE(bShot);
}

TEST(Copy, AnAddThatChangesNothingKeepsTheCopiedMembers)
{
    CTestFolder dir("copy-failed-add");
    ASSERT_TRUE(WriteArchive(dir + "k.vpp", { { "a.txt", Pattern(300, 1) }, { "b.txt", Pattern(20, 2) } }));
    CGuiHarness gui;
    ASSERT_TRUE(gui.Start({ dir + "k.vpp" }));
    gui.SelectOnly({ 0 });
    gui.Command(ID_EDIT_COPY);
    ASSERT_TRUE(ClipboardOffersFiles());

    // The only chosen file is gone: the add fails, the list is refilled, the archive is untouched.
    const std::string strMissing = dir + "missing.txt";
    gui.AnswerAdd({ strMissing });
    gui.Command(ID_EDIT_ADD);
    RecordedDetails report = gui.TakeDetails();
    EXPECT_EQ("One or more errors occured while trying to add files. These files have been skipped.", report.strHeader);
    EXPECT_CONTAINS(report.strDetails, strMissing);
    EXPECT_FALSE(gui.Doc()->IsModified());

    EXPECT_TRUE(ClipboardOffersFiles());
    IDataObject* pData = nullptr;
    ASSERT_EQ(S_OK, ::OleGetClipboard(&pData));
    EXPECT_EQ(Pattern(300, 1), StreamBytes(pData, 0));
    pData->Release();
    gui.Pump();
    EXPECT_EQ("", gui.TakeMessage());   // no failed read
}
