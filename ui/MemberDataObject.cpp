// MemberDataObject.cpp
#include "ui/MemberDataObject.h"
#include <cstring>
#include <unordered_map>
#include "core/QuarnelDoc.h"
#include "ui/MemberStream.h"
#include "ui/TransferNames.h"

// ---------------------------------------------------------------------------------------------
// CTransferFailureLog

void CTransferFailureLog::Add(const std::string& strName, const std::string& strReason)
{
    for (const auto& failure : m_arrFailures)
    {
        if (failure.first == strName && failure.second == strReason)
            return;   // a target that asks for the same stream again
    }
    m_arrFailures.emplace_back(strName, strReason);
    // The message is shown after the call that failed has returned, never inside a target's read.
    if (!m_bPosted && m_hNotify && ::PostMessageA(m_hNotify, m_nMessage, 0, 0))
        m_bPosted = true;
}

std::string CTransferFailureLog::Take(size_t nMaxListed)
{
    std::string strLog;
    for (size_t i = 0; i < m_arrFailures.size() && i < nMaxListed; ++i)
        strLog += m_arrFailures[i].first + "\r\n" + m_arrFailures[i].second + "\r\n\r\n";
    if (m_arrFailures.size() > nMaxListed)
        strLog += "... and " + std::to_string(m_arrFailures.size() - nMaxListed) + " more files.";
    m_arrFailures.clear();
    m_bPosted = false;
    return strLog;
}

// ---------------------------------------------------------------------------------------------
// SourceStamp

bool SourceStamp::operator==(const SourceStamp& other) const
{
    return bKnown == other.bKnown && (!bKnown || version.IsSameVersionAs(other.version));
}

SourceStamp SourceStamp::OfPath(const std::string& strPath)
{
    SourceStamp stamp;
    stamp.bKnown = CFile::GetPathVersion(strPath, stamp.version);
    return stamp.bKnown ? stamp : SourceStamp();
}

SourceStamp SourceStamp::OfHandle(HANDLE hFile)
{
    SourceStamp stamp;
    stamp.bKnown = CFile::GetHandleVersion(hFile, stamp.version);
    return stamp.bKnown ? stamp : SourceStamp();
}

// ---------------------------------------------------------------------------------------------
// CMemberTransfer

std::shared_ptr<CMemberTransfer> CMemberTransfer::FromRows(const CQuarnelDoc& doc, const std::vector<int>& arrIndexes,
                                                           std::shared_ptr<CTransferFailureLog> pLog)
{
    std::vector<const VppEntry*> arrEntries;
    std::vector<std::string> arrNames;
    for (int nIndex : arrIndexes)
    {
        if (nIndex < 0 || nIndex >= doc.m_nFileCount)
            continue;
        arrEntries.push_back(&doc.m_entries[nIndex]);
        arrNames.push_back(doc.m_entries[nIndex].m_strName);
    }
    TransferLayout layout = MakeTransferLayout(arrNames);

    std::vector<TransferItem> arrItems;
    arrItems.reserve(layout.arrFolders.size() + layout.arrFiles.size());
    for (const std::string& strFolder : layout.arrFolders)
    {
        TransferItem item;
        item.strFileName = strFolder;
        item.bFolder = true;
        arrItems.push_back(std::move(item));
    }
    // One look at each source file: a drag of a thousand members of one archive asks once.
    std::unordered_map<std::string, SourceStamp> mapStamps;
    // The rows' offsets describe the archive as it was read. Had another program replaced it
    // since, a stamp taken now would vouch for the new file and other members' bytes would be
    // offered under these names.
    const bool bArchiveChanged = !doc.IsArchiveUnchanged();
    for (size_t i = 0; i < arrEntries.size(); ++i)
    {
        const VppEntry& entry = *arrEntries[i];
        TransferItem item;
        item.strFileName = layout.arrFiles[i];
        item.strMemberName = entry.m_strName;
        item.nSize = entry.m_nSize;
        item.strSourcePath = entry.m_strSourcePath;
        item.nOffset = entry.m_nOffset;
        item.bInArchive = entry.m_bInArchive != 0;
        item.bArchiveChanged = item.bInArchive && bArchiveChanged;
        auto it = mapStamps.find(entry.m_strSourcePath);
        if (it == mapStamps.end())
            it = mapStamps.emplace(entry.m_strSourcePath, SourceStamp::OfPath(entry.m_strSourcePath)).first;
        item.stamp = it->second;
        arrItems.push_back(std::move(item));
    }
    return std::make_shared<CMemberTransfer>(std::move(arrItems), std::move(pLog));
}

bool CMemberTransfer::HasChangedSources() const
{
    std::unordered_map<std::string, bool> mapChanged;
    for (const TransferItem& item : m_arrItems)
    {
        if (item.bFolder)
            continue;
        auto it = mapChanged.find(item.strSourcePath);
        if (it == mapChanged.end())
            it = mapChanged.emplace(item.strSourcePath, SourceStamp::OfPath(item.strSourcePath) != item.stamp).first;
        if (it->second)
            return true;
    }
    return false;
}

void CMemberTransfer::ReportFailure(const TransferItem& item, const std::string& strReason)
{
    if (m_pLog)
        m_pLog->Add(item.strMemberName, strReason);
}

// ---------------------------------------------------------------------------------------------
// CMemberDataObject

namespace
{
FORMATETC MakeFormat(CLIPFORMAT cf, DWORD tymed, LONG lindex = -1)
{
    FORMATETC fe = { cf, nullptr, DVASPECT_CONTENT, lindex, tymed };
    return fe;
}

HGLOBAL GlobalFromBytes(const void* pData, size_t cb)
{
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE, cb);
    if (!hGlobal)
        return nullptr;
    void* p = ::GlobalLock(hGlobal);
    std::memcpy(p, pData, cb);
    ::GlobalUnlock(hGlobal);
    return hGlobal;
}

/// Members carry no time of their own; a file added from disk brings its last write time.
void FillDescriptor(const TransferItem& item, DWORD& dwFlags, DWORD& dwAttributes, DWORD& nSizeHigh,
                    DWORD& nSizeLow, FILETIME& ftWrite)
{
    if (item.bFolder)
    {
        dwFlags = FD_ATTRIBUTES;
        dwAttributes = FILE_ATTRIBUTE_DIRECTORY;
        return;
    }
    dwFlags = FD_FILESIZE | FD_PROGRESSUI | FD_ATTRIBUTES;
    dwAttributes = FILE_ATTRIBUTE_NORMAL;
    nSizeHigh = 0;
    nSizeLow = static_cast<DWORD>(item.nSize);
    if (!item.bInArchive && item.stamp.bKnown)
    {
        dwFlags |= FD_WRITESTIME;
        ftWrite = item.stamp.WriteTime();
    }
}
}

CLIPFORMAT CMemberDataObject::FormatDescriptorA()
{
    static const CLIPFORMAT s_cf = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("FileGroupDescriptor"));
    return s_cf;
}

CLIPFORMAT CMemberDataObject::FormatDescriptorW()
{
    static const CLIPFORMAT s_cf = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("FileGroupDescriptorW"));
    return s_cf;
}

CLIPFORMAT CMemberDataObject::FormatContents()
{
    static const CLIPFORMAT s_cf = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("FileContents"));
    return s_cf;
}

CLIPFORMAT CMemberDataObject::FormatPreferredEffect()
{
    static const CLIPFORMAT s_cf = static_cast<CLIPFORMAT>(::RegisterClipboardFormatA("Preferred DropEffect"));
    return s_cf;
}

CMemberDataObject::CMemberDataObject(std::shared_ptr<CMemberTransfer> pTransfer) : m_pTransfer(std::move(pTransfer))
{
}

CMemberDataObject::~CMemberDataObject()
{
    for (auto& stored : m_arrStored)
        ::ReleaseStgMedium(&stored.second);
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject))
        *ppv = static_cast<IDataObject*>(this);
    else if (IsEqualIID(riid, IID_IDataObjectAsyncCapability))
        *ppv = static_cast<IDataObjectAsyncCapability*>(this);
    else
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CMemberDataObject::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs));
}

ULONG STDMETHODCALLTYPE CMemberDataObject::Release()
{
    LONG n = ::InterlockedDecrement(&m_nRefs);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

HGLOBAL CMemberDataObject::RenderDescriptors(bool bWide) const
{
    const std::vector<TransferItem>& arrItems = m_pTransfer->Items();
    if (bWide)
    {
        std::vector<BYTE> block(sizeof(FILEGROUPDESCRIPTORW) + arrItems.size() * sizeof(FILEDESCRIPTORW));
        auto* pGroup = reinterpret_cast<FILEGROUPDESCRIPTORW*>(block.data());
        pGroup->cItems = static_cast<UINT>(arrItems.size());
        for (size_t i = 0; i < arrItems.size(); ++i)
        {
            FILEDESCRIPTORW& fd = pGroup->fgd[i];
            FillDescriptor(arrItems[i], fd.dwFlags, fd.dwFileAttributes, fd.nFileSizeHigh, fd.nFileSizeLow,
                           fd.ftLastWriteTime);
            ::MultiByteToWideChar(CP_ACP, 0, arrItems[i].strFileName.c_str(), -1, fd.cFileName, MAX_PATH);
            fd.cFileName[MAX_PATH - 1] = L'\0';
        }
        return GlobalFromBytes(block.data(), block.size());
    }
    std::vector<BYTE> block(sizeof(FILEGROUPDESCRIPTORA) + arrItems.size() * sizeof(FILEDESCRIPTORA));
    auto* pGroup = reinterpret_cast<FILEGROUPDESCRIPTORA*>(block.data());
    pGroup->cItems = static_cast<UINT>(arrItems.size());
    for (size_t i = 0; i < arrItems.size(); ++i)
    {
        FILEDESCRIPTORA& fd = pGroup->fgd[i];
        FillDescriptor(arrItems[i], fd.dwFlags, fd.dwFileAttributes, fd.nFileSizeHigh, fd.nFileSizeLow,
                       fd.ftLastWriteTime);
        lstrcpynA(fd.cFileName, arrItems[i].strFileName.c_str(), MAX_PATH);
    }
    return GlobalFromBytes(block.data(), block.size());
}

int CMemberDataObject::FindStored(CLIPFORMAT cf) const
{
    for (size_t i = 0; i < m_arrStored.size(); ++i)
    {
        if (m_arrStored[i].first.cfFormat == cf)
            return static_cast<int>(i);
    }
    return -1;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::QueryGetData(FORMATETC* pFormat)
{
    if (!pFormat)
        return E_INVALIDARG;
    if (pFormat->dwAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    const CLIPFORMAT cf = pFormat->cfFormat;
    if (cf == FormatContents())
    {
        if (!(pFormat->tymed & TYMED_ISTREAM))
            return DV_E_TYMED;
        LONG n = pFormat->lindex;
        const auto& arrItems = m_pTransfer->Items();
        if (n != -1 && (n < 0 || static_cast<size_t>(n) >= arrItems.size() || arrItems[n].bFolder))
            return DV_E_LINDEX;
        return S_OK;
    }
    if (cf == FormatDescriptorA() || cf == FormatDescriptorW() || cf == FormatPreferredEffect() || FindStored(cf) >= 0)
        return (pFormat->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
    return DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::GetData(FORMATETC* pFormat, STGMEDIUM* pMedium)
{
    if (!pFormat || !pMedium)
        return E_INVALIDARG;
    *pMedium = STGMEDIUM();
    HRESULT hr = QueryGetData(pFormat);
    if (FAILED(hr))
        return hr;
    const CLIPFORMAT cf = pFormat->cfFormat;
    if (cf == FormatContents())
    {
        if (pFormat->lindex < 0)
            return DV_E_LINDEX;
        // Each request gets its own stream, positioned at the start; nothing is read yet.
        pMedium->tymed = TYMED_ISTREAM;
        pMedium->pstm = new CMemberStream(m_pTransfer, static_cast<size_t>(pFormat->lindex));
        return S_OK;
    }
    HGLOBAL hGlobal = nullptr;
    if (cf == FormatDescriptorA() || cf == FormatDescriptorW())
        hGlobal = RenderDescriptors(cf == FormatDescriptorW());
    else if (cf == FormatPreferredEffect())
    {
        DWORD dwEffect = DROPEFFECT_COPY;
        hGlobal = GlobalFromBytes(&dwEffect, sizeof(dwEffect));
    }
    else
    {
        int n = FindStored(cf);
        hGlobal = static_cast<HGLOBAL>(::OleDuplicateData(m_arrStored[n].second.hGlobal, cf, 0));
    }
    if (!hGlobal)
        return E_OUTOFMEMORY;
    pMedium->tymed = TYMED_HGLOBAL;
    pMedium->hGlobal = hGlobal;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* pOut)
{
    if (pOut)
        pOut->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::SetData(FORMATETC* pFormat, STGMEDIUM* pMedium, BOOL fRelease)
{
    if (!pFormat || !pMedium)
        return E_INVALIDARG;
    const CLIPFORMAT cf = pFormat->cfFormat;
    if (pMedium->tymed != TYMED_HGLOBAL || !pMedium->hGlobal || cf == FormatContents() ||
        cf == FormatDescriptorA() || cf == FormatDescriptorW())
        return DV_E_FORMATETC;
    STGMEDIUM kept = *pMedium;
    if (!fRelease)
    {
        kept.hGlobal = static_cast<HGLOBAL>(::OleDuplicateData(pMedium->hGlobal, cf, 0));
        kept.pUnkForRelease = nullptr;
        if (!kept.hGlobal)
            return E_OUTOFMEMORY;
    }
    int n = FindStored(cf);
    if (n >= 0)
    {
        ::ReleaseStgMedium(&m_arrStored[n].second);
        m_arrStored[n].second = kept;
    }
    else
        m_arrStored.emplace_back(MakeFormat(cf, TYMED_HGLOBAL), kept);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    if (dwDirection != DATADIR_GET)
        return E_NOTIMPL;
    std::vector<FORMATETC> arrFormats = {
        MakeFormat(FormatDescriptorW(), TYMED_HGLOBAL),
        MakeFormat(FormatDescriptorA(), TYMED_HGLOBAL),
        MakeFormat(FormatContents(), TYMED_ISTREAM),
        MakeFormat(FormatPreferredEffect(), TYMED_HGLOBAL),
    };
    for (const auto& stored : m_arrStored)
    {
        if (stored.first.cfFormat != FormatPreferredEffect())
            arrFormats.push_back(stored.first);
    }
    *ppEnum = new CFormatEnumerator(std::move(arrFormats));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::SetAsyncMode(BOOL fDoOpAsync)
{
    m_bAsync = fDoOpAsync;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::GetAsyncMode(BOOL* pfIsOpAsync)
{
    if (!pfIsOpAsync)
        return E_INVALIDARG;
    *pfIsOpAsync = m_bAsync;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::StartOperation(IBindCtx*)
{
    m_bInOperation = TRUE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::InOperation(BOOL* pfInAsyncOp)
{
    if (!pfInAsyncOp)
        return E_INVALIDARG;
    *pfInAsyncOp = m_bInOperation;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CMemberDataObject::EndOperation(HRESULT, IBindCtx*, DWORD)
{
    m_bInOperation = FALSE;
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// CFormatEnumerator

HRESULT STDMETHODCALLTYPE CFormatEnumerator::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumFORMATETC))
    {
        *ppv = static_cast<IEnumFORMATETC*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CFormatEnumerator::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs));
}

ULONG STDMETHODCALLTYPE CFormatEnumerator::Release()
{
    LONG n = ::InterlockedDecrement(&m_nRefs);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

HRESULT STDMETHODCALLTYPE CFormatEnumerator::Next(ULONG nCount, FORMATETC* pFormats, ULONG* pnFetched)
{
    if (!pFormats || (nCount > 1 && !pnFetched))
        return E_INVALIDARG;
    ULONG nFetched = 0;
    while (nFetched < nCount && m_nPos < m_arrFormats.size())
        pFormats[nFetched++] = m_arrFormats[m_nPos++];   // no target devices: nothing to copy deeply
    if (pnFetched)
        *pnFetched = nFetched;
    return nFetched == nCount ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CFormatEnumerator::Skip(ULONG nCount)
{
    ULONG nLeft = static_cast<ULONG>(m_arrFormats.size()) - m_nPos;
    m_nPos += nCount < nLeft ? nCount : nLeft;
    return nCount <= nLeft ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CFormatEnumerator::Reset()
{
    m_nPos = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFormatEnumerator::Clone(IEnumFORMATETC** ppEnum)
{
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = new CFormatEnumerator(m_arrFormats, m_nPos);
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// CMemberDropSource

HRESULT STDMETHODCALLTYPE CMemberDropSource::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropSource))
    {
        *ppv = static_cast<IDropSource*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CMemberDropSource::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_nRefs));
}

ULONG STDMETHODCALLTYPE CMemberDropSource::Release()
{
    LONG n = ::InterlockedDecrement(&m_nRefs);
    if (n == 0)
        delete this;
    return static_cast<ULONG>(n);
}

HRESULT STDMETHODCALLTYPE CMemberDropSource::QueryContinueDrag(BOOL fEscapePressed, DWORD grfKeyState)
{
    if (fEscapePressed || (grfKeyState & MK_RBUTTON))
        return DRAGDROP_S_CANCEL;
    if (!(grfKeyState & MK_LBUTTON))
        return DRAGDROP_S_DROP;
    return S_OK;
}
