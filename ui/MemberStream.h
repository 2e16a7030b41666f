// MemberStream.h: the contents of one member as a read-only stream.
#pragma once
#include <windows.h>
#include <objidl.h>
#include <cstdint>
#include <memory>
#include <string>

#include "ui/MemberDataObject.h"   // TransferItem, CMemberTransfer

/**
 * @brief Reads one member from the saved archive or from the file it was added from.
 *
 * The source is opened at the first read and closed after the last byte (or a failure), so no
 * handle stays open while nobody reads. Each read goes straight into the caller's buffer, in pieces
 * of at most kPiece bytes: memory use does not grow with the member. Before the first byte the
 * source must still have the size and time it had when the item was made. A failure is a value:
 * this and every later read return it, and FailureReason says why in one line. The reader owns a
 * copy of its item, so it may read on any one thread.
 */
class CMemberReader
{
public:
    enum : ULONG { kPiece = 4u << 20 };

    explicit CMemberReader(TransferItem item) : m_item(std::move(item)) {}
    ~CMemberReader() { CloseSource(); }
    CMemberReader(const CMemberReader&) = delete;
    CMemberReader& operator=(const CMemberReader&) = delete;

    /// Reads up to cb bytes at the position (fewer only at the member's end); S_OK or the failure.
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead);
    /// Makes this and every later read fail with hr for strReason.
    HRESULT Fail(HRESULT hr, const std::string& strReason);
    HRESULT Failure() const { return m_hrFailed; }
    const std::string& FailureReason() const { return m_strFailure; }
    uint64_t Position() const { return m_nPos; }
    void SetPosition(uint64_t nPos) { m_nPos = nPos; }
    const TransferItem& Item() const { return m_item; }

private:
    HRESULT OpenSource();
    void CloseSource();

    TransferItem m_item;
    uint64_t m_nPos = 0;
    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    uint64_t m_nFilePos = UINT64_MAX;   // where the handle stands in the source file; unknown at first
    HRESULT m_hrFailed = S_OK;
    std::string m_strFailure;
};

/**
 * @brief One member of a transfer as a read-only stream, read through a CMemberReader. A failure
 * is reported once to the transfer's failure log; a withdrawn transfer fails every read.
 */
class CMemberStream : public IStream
{
public:
    CMemberStream(std::shared_ptr<CMemberTransfer> pTransfer, size_t nItem);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // ISequentialStream
    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG* pcbWritten) override;

    // IStream
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                     ULARGE_INTEGER* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pStat, DWORD grfStatFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

private:
    virtual ~CMemberStream() = default;
    const TransferItem& Item() const { return m_reader.Item(); }
    HRESULT Fail(HRESULT hr, const std::string& strReason);

    LONG m_nRefs = 1;
    std::shared_ptr<CMemberTransfer> m_pTransfer;
    size_t m_nItem;
    CMemberReader m_reader;
};
