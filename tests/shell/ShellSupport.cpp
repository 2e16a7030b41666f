// ShellSupport.cpp
#include "ShellSupport.h"
#include <cstring>

HGLOBAL MakeWideHDrop(const std::vector<std::wstring>& arrNames)
{
    size_t cb = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const std::wstring& str : arrNames)
        cb += (str.size() + 1) * sizeof(wchar_t);
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cb);
    BYTE* p = static_cast<BYTE*>(::GlobalLock(hGlobal));
    DROPFILES* pDrop = reinterpret_cast<DROPFILES*>(p);
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = TRUE;
    wchar_t* pszNames = reinterpret_cast<wchar_t*>(p + sizeof(DROPFILES));
    for (const std::wstring& str : arrNames)
    {
        std::memcpy(pszNames, str.c_str(), (str.size() + 1) * sizeof(wchar_t));
        pszNames += str.size() + 1;
    }
    ::GlobalUnlock(hGlobal);
    return hGlobal;
}

std::wstring Widen(const std::string& str)
{
    int cch = ::MultiByteToWideChar(CP_ACP, 0, str.data(), static_cast<int>(str.size()), nullptr, 0);
    std::wstring strWide(static_cast<size_t>(cch), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, str.data(), static_cast<int>(str.size()), &strWide[0], cch);
    return strWide;
}

HRESULT STDMETHODCALLTYPE CWideDropData::QueryInterface(REFIID riid, void** ppv)
{
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject))
    {
        *ppv = this;
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE CWideDropData::GetData(FORMATETC* pfe, STGMEDIUM* pMedium)
{
    if (pfe->cfFormat != CF_HDROP || !(pfe->tymed & TYMED_HGLOBAL))
        return DV_E_FORMATETC;
    pMedium->tymed = TYMED_HGLOBAL;
    pMedium->hGlobal = MakeWideHDrop(m_arrNames);
    pMedium->pUnkForRelease = nullptr;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CWideDropData::QueryGetData(FORMATETC* pfe)
{
    return pfe->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE CWideDropData::EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum)
{
    if (dwDirection != DATADIR_GET)
        return E_NOTIMPL;
    static FORMATETC s_format = { CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL };
    return ::SHCreateStdEnumFmtEtc(1, &s_format, ppEnum);
}

void DropOnList(CGuiHarness& gui, const std::vector<std::wstring>& arrNames)
{
    CWideDropData data(arrNames);
    IDropTarget* pTarget = &gui.View()->GetDropTarget();
    DWORD dwEffect = DROPEFFECT_COPY;
    POINTL pt = { 200, 300 };
    pTarget->DragEnter(&data, MK_LBUTTON, pt, &dwEffect);
    pTarget->DragOver(MK_LBUTTON, pt, &dwEffect);
    pTarget->Drop(&data, 0, pt, &dwEffect);
    gui.Pump();
}

namespace
{
std::function<void(HWND)> s_fnDialog;
bool s_bMet = false;

void CALLBACK OnDialogTimer(HWND, UINT, UINT_PTR nId, DWORD)
{
    HWND hFound = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), [](HWND hWnd, LPARAM lParam) -> BOOL {
        char szClass[32] = "";
        ::GetClassNameA(hWnd, szClass, sizeof(szClass));
        if (std::strcmp(szClass, "#32770") != 0 || !::IsWindowVisible(hWnd))
            return TRUE;
        *reinterpret_cast<HWND*>(lParam) = hWnd;
        return FALSE;
    }, reinterpret_cast<LPARAM>(&hFound));
    if (!hFound)
        return;
    ::KillTimer(nullptr, nId);
    s_bMet = true;
    s_fnDialog(hFound);
}
}

bool WithDialog(const std::function<void()>& fnCommand, const std::function<void(HWND)>& fnDialog)
{
    s_fnDialog = fnDialog;
    s_bMet = false;
    UINT_PTR nTimer = ::SetTimer(nullptr, 0, 200, &OnDialogTimer);
    fnCommand();
    if (!s_bMet)
        ::KillTimer(nullptr, nTimer);
    return s_bMet;
}

std::string CurrentFolder()
{
    char sz[MAX_PATH] = "";
    ::GetCurrentDirectoryA(sizeof(sz), sz);
    return sz;
}

bool WriteLongPathFile(const std::wstring& strPath, size_t nSize)
{
    HANDLE hFile = ::CreateFileW((L"\\\\?\\" + strPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    std::string strData(nSize, 'x');
    DWORD cbWritten = 0;
    BOOL bOk = ::WriteFile(hFile, strData.data(), static_cast<DWORD>(strData.size()), &cbWritten, nullptr);
    ::CloseHandle(hFile);
    return bOk && cbWritten == nSize;
}
