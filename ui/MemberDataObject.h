// MemberDataObject.h: archive members offered as virtual files to drop targets and the clipboard.
//
// The data object offers the file group descriptors (ANSI and wide) and one stream of contents per
// file; nothing is read until a target asks for a stream, and a stream reads the member in pieces
// straight into the caller's buffer. Each transfer keeps a copy of the rows it offers, with the
// size and time its source files had, so that a stream never reads from a file that has been
// replaced since: the view withdraws the transfer after a save, New or Open, and a source that
// changed in any other way fails the stream as well.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <shlobj.h>
#include <shldisp.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "framework/base/File.h"

class CQuarnelDoc;

/** Members that could not be read, collected for one message after the transfer. */
class CTransferFailureLog
{
public:
    /// hNotify receives nMessage (once until the failures are taken) when a failure is added.
    CTransferFailureLog(HWND hNotify, UINT nMessage) : m_hNotify(hNotify), m_nMessage(nMessage) {}

    void Add(const std::string& strName, const std::string& strReason);
    bool IsEmpty() const { return m_arrFailures.empty(); }
    /// Name, "\r\n", reason and "\r\n\r\n" per member, the first nMaxListed of them and a line
    /// with the number of the others; empties the log.
    std::string Take(size_t nMaxListed = 500);
    /// Set while a report of these failures is open; failures added meanwhile wait for the next one.
    bool m_bShowing = false;

private:
    HWND m_hNotify;
    UINT m_nMessage;
    bool m_bPosted = false;
    std::vector<std::pair<std::string, std::string>> m_arrFailures;
};

/** The version of a file (size, last write time, change time), to tell whether it has changed. */
struct SourceStamp
{
    bool bKnown = false;
    CFileVersion version;       ///< compared as the archive core compares versions

    uint64_t Length() const { return version.nSize; }
    FILETIME WriteTime() const
    {
        const uint64_t n = static_cast<uint64_t>(version.nWriteTime);
        return { static_cast<DWORD>(n), static_cast<DWORD>(n >> 32) };
    }

    bool operator==(const SourceStamp& other) const;
    bool operator!=(const SourceStamp& other) const { return !(*this == other); }
    static SourceStamp OfPath(const std::string& strPath);
    static SourceStamp OfHandle(HANDLE hFile);
};

/** One file or folder that a transfer offers. */
struct TransferItem
{
    std::string strFileName;     ///< safe relative name offered to the target, "\" separated
    bool bFolder = false;
    std::string strMemberName;   ///< the member's own name, for messages
    int32_t nSize = 0;
    std::string strSourcePath;
    int32_t nOffset = 0;
    bool bInArchive = false;
    SourceStamp stamp;           ///< the source file when the transfer was made
    bool bArchiveChanged = false; ///< the archive was no longer the file read when the transfer was made
};

/** The rows of one drag or copy, shared by its data object and its streams. */
class CMemberTransfer
{
public:
    CMemberTransfer(std::vector<TransferItem> arrItems, std::shared_ptr<CTransferFailureLog> pLog)
        : m_arrItems(std::move(arrItems)), m_pLog(std::move(pLog)) {}

    /// Folders first, then one file per index, in the order given. Indexes outside the table are
    /// left out.
    static std::shared_ptr<CMemberTransfer> FromRows(const CQuarnelDoc& doc, const std::vector<int>& arrIndexes,
                                                     std::shared_ptr<CTransferFailureLog> pLog);

    const std::vector<TransferItem>& Items() const { return m_arrItems; }
    /// From now on every read fails: the rows may no longer describe the files on disk.
    void Withdraw() { m_bWithdrawn = true; }
    bool IsWithdrawn() const { return m_bWithdrawn; }
    /// True when a source file no longer has the size and time it had when the transfer was made.
    bool HasChangedSources() const;
    void ReportFailure(const TransferItem& item, const std::string& strReason);

private:
    std::vector<TransferItem> m_arrItems;
    std::shared_ptr<CTransferFailureLog> m_pLog;
    bool m_bWithdrawn = false;
};

/** The data object of a drag or a copy. */
class CMemberDataObject : public IDataObject, public IDataObjectAsyncCapability
{
public:
    explicit CMemberDataObject(std::shared_ptr<CMemberTransfer> pTransfer);

    static CLIPFORMAT FormatDescriptorA();
    static CLIPFORMAT FormatDescriptorW();
    static CLIPFORMAT FormatContents();
    static CLIPFORMAT FormatPreferredEffect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDataObject
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pFormat, STGMEDIUM* pMedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pFormat) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pOut) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* pFormat, STGMEDIUM* pMedium, BOOL fRelease) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    // IDataObjectAsyncCapability: a target may read the streams after the drop has returned.
    HRESULT STDMETHODCALLTYPE SetAsyncMode(BOOL fDoOpAsync) override;
    HRESULT STDMETHODCALLTYPE GetAsyncMode(BOOL* pfIsOpAsync) override;
    HRESULT STDMETHODCALLTYPE StartOperation(IBindCtx*) override;
    HRESULT STDMETHODCALLTYPE InOperation(BOOL* pfInAsyncOp) override;
    HRESULT STDMETHODCALLTYPE EndOperation(HRESULT, IBindCtx*, DWORD) override;

private:
    virtual ~CMemberDataObject();
    HGLOBAL RenderDescriptors(bool bWide) const;
    int FindStored(CLIPFORMAT cf) const;

    LONG m_nRefs = 1;
    std::shared_ptr<CMemberTransfer> m_pTransfer;
    /// Formats a target put here (the shell stores its drag image and the effect it performed).
    std::vector<std::pair<FORMATETC, STGMEDIUM>> m_arrStored;
    BOOL m_bAsync = TRUE;
    BOOL m_bInOperation = FALSE;
};

/** A list of formats for IDataObject::EnumFormatEtc. */
class CFormatEnumerator : public IEnumFORMATETC
{
public:
    explicit CFormatEnumerator(std::vector<FORMATETC> arrFormats, ULONG nPos = 0)
        : m_arrFormats(std::move(arrFormats)), m_nPos(nPos) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE Next(ULONG nCount, FORMATETC* pFormats, ULONG* pnFetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG nCount) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumFORMATETC** ppEnum) override;

private:
    virtual ~CFormatEnumerator() = default;
    LONG m_nRefs = 1;
    std::vector<FORMATETC> m_arrFormats;
    ULONG m_nPos;
};

/** The drop source of a drag from the list: the left button drops, Escape cancels. */
class CMemberDropSource : public IDropSource
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState) override;
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    virtual ~CMemberDropSource() = default;
    LONG m_nRefs = 1;
};
