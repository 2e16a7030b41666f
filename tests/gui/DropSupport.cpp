// DropSupport.cpp
#include "DropSupport.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>
#include "GuiHarness.h"

void ClickHeader(HWND hList, int nColumn)
{
    HWND hHeader = reinterpret_cast<HWND>(::SendMessageA(hList, LVM_GETHEADER, 0, 0));
    RECT rc = {};
    ::SendMessageA(hHeader, HDM_GETITEMRECT, nColumn, reinterpret_cast<LPARAM>(&rc));
    LPARAM lPos = MAKELPARAM((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::SendMessageA(hHeader, WM_LBUTTONDOWN, MK_LBUTTON, lPos);
    ::SendMessageA(hHeader, WM_LBUTTONUP, 0, lPos);
}

HGLOBAL MakeHDrop(const std::vector<std::string>& arrNames)
{
    size_t cb = sizeof(DROPFILES) + 1;
    for (const std::string& str : arrNames)
        cb += str.size() + 1;
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cb);
    BYTE* p = static_cast<BYTE*>(::GlobalLock(hGlobal));
    reinterpret_cast<DROPFILES*>(p)->pFiles = sizeof(DROPFILES);
    char* pszNames = reinterpret_cast<char*>(p + sizeof(DROPFILES));
    for (const std::string& str : arrNames)
    {
        memcpy(pszNames, str.c_str(), str.size() + 1);
        pszNames += str.size() + 1;
    }
    ::GlobalUnlock(hGlobal);
    return hGlobal;
}

HGLOBAL MakeWideHDrop(const std::vector<std::wstring>& arrNames)
{
    size_t cb = sizeof(DROPFILES) + sizeof(wchar_t);
    for (const std::wstring& str : arrNames)
        cb += (str.size() + 1) * sizeof(wchar_t);
    HGLOBAL hGlobal = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cb);
    BYTE* p = static_cast<BYTE*>(::GlobalLock(hGlobal));
    reinterpret_cast<DROPFILES*>(p)->pFiles = sizeof(DROPFILES);
    reinterpret_cast<DROPFILES*>(p)->fWide = TRUE;
    wchar_t* pszNames = reinterpret_cast<wchar_t*>(p + sizeof(DROPFILES));
    for (const std::wstring& str : arrNames)
    {
        memcpy(pszNames, str.c_str(), (str.size() + 1) * sizeof(wchar_t));
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

void CGuiHarness::DropOnFrame(const std::vector<std::string>& arrNames)
{
    ::SendMessageA(Frame()->m_hWnd, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeHDrop(arrNames)), 0);
    Pump();
}

namespace
{
/** A data object offering one CF_HDROP block, like a drag from the shell: ANSI names after a text
    format, or UTF-16 names alone. */
class CHDropDataObject : public IDataObject
{
public:
    explicit CHDropDataObject(const std::vector<std::string>& arrNames) : m_arrNames(arrNames) {}
    explicit CHDropDataObject(const std::vector<std::wstring>& arrNames) : m_arrWideNames(arrNames), m_bWide(true) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject))
        {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pfe, STGMEDIUM* pMedium) override
    {
        if (pfe->cfFormat != CF_HDROP || !(pfe->tymed & TYMED_HGLOBAL))
            return DV_E_FORMATETC;
        pMedium->tymed = TYMED_HGLOBAL;
        pMedium->hGlobal = m_bWide ? MakeWideHDrop(m_arrWideNames) : MakeHDrop(m_arrNames);
        pMedium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pfe) override
    {
        return pfe->cfFormat == CF_HDROP ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum) override
    {
        if (dwDirection != DATADIR_GET)
            return E_NOTIMPL;
        // A text format first, so the target has to look past it.
        static FORMATETC s_formats[2] = {
            { CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL },
            { CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL },
        };
        return m_bWide ? ::SHCreateStdEnumFmtEtc(1, s_formats + 1, ppEnum) : ::SHCreateStdEnumFmtEtc(2, s_formats, ppEnum);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<std::string> m_arrNames;
    std::vector<std::wstring> m_arrWideNames;
    bool m_bWide = false;
};

void Drop(CGuiHarness& gui, CHDropDataObject& data)
{
    IDropTarget* pTarget = &gui.View()->GetDropTarget();
    DWORD dwEffect = DROPEFFECT_COPY;
    POINTL pt = { 200, 300 };
    ASSERT_EQ(S_OK, pTarget->DragEnter(&data, MK_LBUTTON, pt, &dwEffect));
    ASSERT_EQ(S_OK, pTarget->DragOver(MK_LBUTTON, pt, &dwEffect));
    ASSERT_EQ(S_OK, pTarget->Drop(&data, 0, pt, &dwEffect));
    gui.Pump();   // the files are added when the posted message arrives
}
}

void DropOnList(CGuiHarness& gui, const std::vector<std::string>& arrNames)
{
    CHDropDataObject data(arrNames);
    Drop(gui, data);
}

void DropOnList(CGuiHarness& gui, const std::vector<std::wstring>& arrNames)
{
    CHDropDataObject data(arrNames);
    Drop(gui, data);
}
