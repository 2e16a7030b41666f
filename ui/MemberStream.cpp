// MemberStream.cpp
#include "ui/MemberStream.h"
#include <algorithm>
#include <vector>
#include "core/QuarnelDoc.h"
#include "ui/MemberDataObject.h"

namespace
{
const char kArchiveReplaced[] = "The archive has been saved, replaced or closed since the files were copied.";
const char kArchiveChanged[] = "The archive has been changed by another program since the files were copied.";
const char kSourceChanged[] = "The file has been changed since it was added to the archive.";
const char kArchiveShort[] = "The archive ends before this member does.";
const char kReadError[] = "Error while trying to read the file.";
}

// ---------------------------------------------------------------------------------------------
// CMemberReader

HRESULT CMemberReader::Fail(HRESULT hr, const std::string& strReason)
{
    CloseSource();
    m_hrFailed = hr;
    m_strFailure = strReason;
    return hr;
}

HRESULT CMemberReader::OpenSource()
{
    const TransferItem& item = m_item;
    const std::string strOpenFailed = item.bInArchive ? CQuarnelDoc::GetExtractResultText(EXTRACT_RESULT_NO_ARCHIVE)
                                                      : CQuarnelDoc::GetCopyResultText(COPY_RESULT_NO_SOURCE);
    if (item.bArchiveChanged)
        return Fail(STG_E_REVERTED, CQuarnelDoc::GetExtractResultText(EXTRACT_RESULT_ARCHIVE_CHANGED));
    if (!item.stamp.bKnown)
        return Fail(STG_E_FILENOTFOUND, strOpenFailed);
    // Others may go on reading and writing the file, as while saving; the stamp check below
    // notices a file that was changed before the first byte.
    m_hFile = ::CreateFileA(item.strSourcePath.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (m_hFile == INVALID_HANDLE_VALUE)
        return Fail(HRESULT_FROM_WIN32(::GetLastError()), strOpenFailed);
    SourceStamp now = SourceStamp::OfHandle(m_hFile);
    if (now != item.stamp)
        return Fail(STG_E_REVERTED, item.bInArchive ? kArchiveChanged : kSourceChanged);
    if (!item.bInArchive && now.Length() != static_cast<uint64_t>(item.nSize))
        return Fail(STG_E_REVERTED, kSourceChanged);
    if (item.nOffset < 0 || item.nSize < 0 ||
        static_cast<uint64_t>(item.nOffset) + static_cast<uint64_t>(item.nSize) > now.Length())
        return Fail(STG_E_READFAULT, kArchiveShort);
    m_nFilePos = UINT64_MAX;
    return S_OK;
}

void CMemberReader::CloseSource()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(m_hFile);
        m_hFile = INVALID_HANDLE_VALUE;
    }
}

HRESULT CMemberReader::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (pcbRead)
        *pcbRead = 0;
    if (FAILED(m_hrFailed))
        return m_hrFailed;
    const TransferItem& item = m_item;
    uint64_t nSize = static_cast<uint64_t>(item.nSize);
    uint64_t nLeft = m_nPos < nSize ? nSize - m_nPos : 0;
    ULONG nWant = static_cast<ULONG>(std::min<uint64_t>(cb, nLeft));
    if (nWant == 0)
        return S_OK;
    if (m_hFile == INVALID_HANDLE_VALUE)
    {
        HRESULT hr = OpenSource();
        if (FAILED(hr))
            return hr;
    }

    uint64_t nFileOffset = static_cast<uint64_t>(item.nOffset) + m_nPos;
    if (m_nFilePos != nFileOffset)
    {
        LARGE_INTEGER li;
        li.QuadPart = static_cast<LONGLONG>(nFileOffset);
        if (!::SetFilePointerEx(m_hFile, li, nullptr, FILE_BEGIN))
            return Fail(STG_E_SEEKERROR, kReadError);
        m_nFilePos = nFileOffset;
    }
    ULONG nDone = 0;
    BYTE* pDest = static_cast<BYTE*>(pv);
    while (nDone < nWant)
    {
        DWORD nPiece = std::min<ULONG>(nWant - nDone, kPiece);
        DWORD nGot = 0;
        if (!::ReadFile(m_hFile, pDest + nDone, nPiece, &nGot, nullptr))
            return Fail(STG_E_READFAULT, kReadError);
        if (nGot == 0)
            return Fail(STG_E_READFAULT, kArchiveShort);   // the file was cut short while reading
        nDone += nGot;
        m_nFilePos += nGot;
    }
    m_nPos += nDone;
    // Written to while it was read, the source may have given a mixture of two versions' bytes.
    if (m_nPos >= nSize && SourceStamp::OfHandle(m_hFile) != item.stamp)
        return Fail(STG_E_REVERTED, item.bInArchive ? kArchiveChanged : kSourceChanged);
    if (pcbRead)
        *pcbRead = nDone;
    if (m_nPos >= nSize)
        CloseSource();
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// CMemberStream

CMemberStream::CMemberStream(std::shared_ptr<CMemberTransfer> pTransfer, size_t nItem)
    : m_pTransfer(std::move(pTransfer)), m_nItem(nItem), m_reader(m_pTransfer->Items()[nItem])
{
}

HRESULT STDMETHODCALLTYPE CMemberStream::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISequentialStream) || IsEqualIID(riid, IID_IStream))
    {
        *ppv = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CMemberStream::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs));
}

ULONG STDMETHODCALLTYPE CMemberStream::Release()
{
    LONG n = ::InterlockedDecrement(&m_nRefs);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

HRESULT CMemberStream::Fail(HRESULT hr, const std::string& strReason)
{
    m_reader.Fail(hr, strReason);
    m_pTransfer->ReportFailure(Item(), strReason);
    return hr;
}

HRESULT STDMETHODCALLTYPE CMemberStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (pcbRead)
        *pcbRead = 0;
    if (!pv && cb)
        return STG_E_INVALIDPOINTER;
    if (FAILED(m_reader.Failure()))
        return m_reader.Failure();
    if (m_pTransfer->IsWithdrawn())
        return Fail(STG_E_REVERTED, kArchiveReplaced);
    HRESULT hr = m_reader.Read(pv, cb, pcbRead);
    if (FAILED(hr))
        m_pTransfer->ReportFailure(Item(), m_reader.FailureReason());
    return hr;
}

HRESULT STDMETHODCALLTYPE CMemberStream::Write(const void*, ULONG, ULONG* pcbWritten)
{
    if (pcbWritten)
        *pcbWritten = 0;
    return STG_E_ACCESSDENIED;
}

HRESULT STDMETHODCALLTYPE CMemberStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition)
{
    LONGLONG nBase = 0;
    switch (dwOrigin)
    {
    case STREAM_SEEK_SET: nBase = 0; break;
    case STREAM_SEEK_CUR: nBase = static_cast<LONGLONG>(m_reader.Position()); break;
    case STREAM_SEEK_END: nBase = Item().nSize; break;
    default: return STG_E_INVALIDFUNCTION;
    }
    LONGLONG nNew = nBase + dlibMove.QuadPart;
    if (nNew < 0)
        return STG_E_INVALIDFUNCTION;
    m_reader.SetPosition(static_cast<uint64_t>(nNew));
    if (plibNewPosition)
        plibNewPosition->QuadPart = m_reader.Position();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberStream::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                                ULARGE_INTEGER* pcbWritten)
{
    if (pcbRead)
        pcbRead->QuadPart = 0;
    if (pcbWritten)
        pcbWritten->QuadPart = 0;
    if (!pstm)
        return STG_E_INVALIDPOINTER;
    std::vector<BYTE> buffer(256 * 1024);
    uint64_t nLeft = cb.QuadPart;
    while (nLeft > 0)
    {
        ULONG nGot = 0;
        HRESULT hr = Read(buffer.data(), static_cast<ULONG>(std::min<uint64_t>(nLeft, buffer.size())), &nGot);
        if (FAILED(hr))
            return hr;
        if (nGot == 0)
            break;
        if (pcbRead)
            pcbRead->QuadPart += nGot;
        ULONG nWritten = 0;
        hr = pstm->Write(buffer.data(), nGot, &nWritten);
        if (pcbWritten)
            pcbWritten->QuadPart += nWritten;
        if (FAILED(hr))
            return hr;
        if (nWritten != nGot)
            return STG_E_MEDIUMFULL;
        nLeft -= nGot;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberStream::Stat(STATSTG* pStat, DWORD grfStatFlag)
{
    if (!pStat)
        return STG_E_INVALIDPOINTER;
    *pStat = STATSTG();
    pStat->type = STGTY_STREAM;
    pStat->cbSize.QuadPart = static_cast<ULONGLONG>(Item().nSize);
    pStat->grfMode = STGM_READ;
    if (!(grfStatFlag & STATFLAG_NONAME))
    {
        // The file's own name, without the folders it lands in.
        const std::string& strPath = Item().strFileName;
        std::string strName = strPath.substr(strPath.rfind('\\') + 1);
        int nWide = ::MultiByteToWideChar(CP_ACP, 0, strName.c_str(), -1, nullptr, 0);
        pStat->pwcsName = static_cast<LPOLESTR>(::CoTaskMemAlloc(sizeof(WCHAR) * (nWide > 0 ? nWide : 1)));
        if (!pStat->pwcsName)
            return STG_E_INSUFFICIENTMEMORY;
        pStat->pwcsName[0] = L'\0';
        if (nWide > 0)
            ::MultiByteToWideChar(CP_ACP, 0, strName.c_str(), -1, pStat->pwcsName, nWide);
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberStream::Clone(IStream** ppstm)
{
    if (!ppstm)
        return STG_E_INVALIDPOINTER;
    CMemberStream* pClone = new CMemberStream(m_pTransfer, m_nItem);
    pClone->m_reader.SetPosition(m_reader.Position());
    if (FAILED(m_reader.Failure()))
        pClone->m_reader.Fail(m_reader.Failure(), m_reader.FailureReason());
    *ppstm = pClone;
    return S_OK;
}
