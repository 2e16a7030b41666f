// FileDropTarget.cpp
#include "ui/FileDropTarget.h"
#include <shlobj.h>
#include <cstring>

namespace
{
/// Appends one name if it fits a record; longer names are skipped whole.
void AppendName(const wchar_t* pszName, size_t nLength, std::vector<CFileDropTarget::NameRecord>& arrNames)
{
    if (nLength >= MAX_PATH)
        return;
    CFileDropTarget::NameRecord record;
    record.fill(L'\0');
    std::memcpy(record.data(), pszName, nLength * sizeof(wchar_t));
    arrNames.push_back(record);
}

/// All bytes of a storage medium, whether it came as memory or as a stream.
bool ReadMedium(const STGMEDIUM& medium, std::vector<BYTE>& buf)
{
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal)
    {
        SIZE_T cb = ::GlobalSize(medium.hGlobal);
        const BYTE* p = static_cast<const BYTE*>(::GlobalLock(medium.hGlobal));
        if (!p)
            return false;
        buf.assign(p, p + cb);
        ::GlobalUnlock(medium.hGlobal);
        return true;
    }
    if (medium.tymed == TYMED_ISTREAM && medium.pstm)
    {
        BYTE chunk[4096];
        for (;;)
        {
            ULONG cbRead = 0;
            HRESULT hr = medium.pstm->Read(chunk, sizeof(chunk), &cbRead);
            if (FAILED(hr))
                return false;
            buf.insert(buf.end(), chunk, chunk + cbRead);
            if (cbRead < sizeof(chunk) || buf.size() > (64u << 20))
                return true;
        }
    }
    return false;
}
}

bool CFileDropTarget::Register(HWND hWnd, HWND hNotify)
{
    m_hWnd = hWnd;
    m_hNotify = hNotify;
    return SUCCEEDED(::RegisterDragDrop(hWnd, this));
}

void CFileDropTarget::Revoke()
{
    if (m_hWnd)
    {
        ::RevokeDragDrop(m_hWnd);
        m_hWnd = nullptr;
    }
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget))
    {
        *ppv = static_cast<IDropTarget*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

bool CFileDropTarget::IsAccepting() const
{
    // While a modal dialog or message box has the window disabled, a drop would change the table
    // under the question being asked (and its add report would open inside that dialog).
    HWND hTop = m_hNotify ? ::GetAncestor(m_hNotify, GA_ROOT) : nullptr;
    return !hTop || ::IsWindowEnabled(hTop);
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* pdwEffect)
{
    // Any data is welcome while dragging; the drop itself looks for files.
    if (pdwEffect)
        *pdwEffect = IsAccepting() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::DragOver(DWORD, POINTL, DWORD* pdwEffect)
{
    if (pdwEffect)
        *pdwEffect = IsAccepting() ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CFileDropTarget::Drop(IDataObject* pData, DWORD, POINTL, DWORD* pdwEffect)
{
    if (!IsAccepting())
    {
        if (pdwEffect)
            *pdwEffect = DROPEFFECT_NONE;
        return S_OK;
    }
    m_arrNames.clear();
    m_nCount = 0;
    bool bRead = pData && ReadDroppedNames(pData);
    m_nCount = static_cast<int>(m_arrNames.size());
    // The adding happens after the drop call has returned, so the source is not kept waiting.
    // A drop whose names were all unusable is told too: the list refreshes after every drop.
    if (bRead && m_hNotify)
        ::PostMessageA(m_hNotify, WM_FILES_DROPPED, 0, 0);
    if (pdwEffect)
        *pdwEffect = m_nCount > 0 ? DROPEFFECT_COPY : DROPEFFECT_NONE;
    return S_OK;
}

bool CFileDropTarget::ReadDroppedNames(IDataObject* pData)
{
    IEnumFORMATETC* pEnum = nullptr;
    if (FAILED(pData->EnumFormatEtc(DATADIR_GET, &pEnum)) || !pEnum)
        return false;
    FORMATETC fe = {};
    bool bFound = false;
    while (pEnum->Next(1, &fe, nullptr) == S_OK)
    {
        if (fe.cfFormat == CF_HDROP && pData->QueryGetData(&fe) == S_OK)
        {
            bFound = true;
            break;
        }
        if (fe.ptd)
            ::CoTaskMemFree(fe.ptd);
    }
    pEnum->Release();
    if (!bFound)
        return false;

    STGMEDIUM medium = {};
    HRESULT hr = pData->GetData(&fe, &medium);
    if (fe.ptd)
        ::CoTaskMemFree(fe.ptd);
    if (FAILED(hr))
        return false;
    std::vector<BYTE> buf;
    bool bOk = ReadMedium(medium, buf);
    ::ReleaseStgMedium(&medium);
    if (!bOk)
        return false;
    ParseDropFiles(buf.data(), buf.size(), m_arrNames);
    return true;
}

void CFileDropTarget::ParseDropFiles(const BYTE* pData, size_t cbData, std::vector<NameRecord>& arrNames)
{
    if (!pData || cbData < sizeof(DROPFILES))
        return;
    DWORD dwOffset = 0, dwWide = 0;
    std::memcpy(&dwOffset, pData, sizeof(dwOffset));
    std::memcpy(&dwWide, pData + 16, sizeof(dwWide));
    if (dwOffset >= cbData)
        return;

    size_t nPos = dwOffset;
    if (dwWide)
    {
        // Names in 16-bit units; a name with no terminator inside the block is not taken.
        std::vector<wchar_t> name;
        while (nPos + sizeof(wchar_t) <= cbData)
        {
            name.clear();
            bool bEnded = false;
            while (nPos + sizeof(wchar_t) <= cbData)
            {
                wchar_t ch;
                std::memcpy(&ch, pData + nPos, sizeof(ch));
                nPos += sizeof(ch);
                if (ch == L'\0')
                {
                    bEnded = true;
                    break;
                }
                name.push_back(ch);
            }
            if (!bEnded || name.empty())
                return;   // the closing terminator, or a cut-off block
            AppendName(name.data(), name.size(), arrNames);
        }
        return;
    }

    while (nPos < cbData)
    {
        const char* pszName = reinterpret_cast<const char*>(pData + nPos);
        size_t nMax = cbData - nPos;
        size_t nLength = strnlen(pszName, nMax);
        if (nLength == nMax || nLength == 0)
            return;
        nPos += nLength + 1;
        int nWide = ::MultiByteToWideChar(CP_ACP, 0, pszName, static_cast<int>(nLength), nullptr, 0);
        if (nWide <= 0)
            continue;
        std::vector<wchar_t> wide(nWide);
        ::MultiByteToWideChar(CP_ACP, 0, pszName, static_cast<int>(nLength), wide.data(), nWide);
        AppendName(wide.data(), wide.size(), arrNames);
    }
}
