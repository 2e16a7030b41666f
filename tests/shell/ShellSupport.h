// ShellSupport.h: drop blocks with wide names, a shell-like data object and a dialog driver.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <functional>
#include <string>
#include <vector>
#include "GuiHarness.h"

/// A DROPFILES block with UTF-16 names, as the shell hands it over.
HGLOBAL MakeWideHDrop(const std::vector<std::wstring>& arrNames);
std::wstring Widen(const std::string& str);

/** A data object offering one wide CF_HDROP block, like a drag from the shell. */
class CWideDropData : public IDataObject
{
public:
    explicit CWideDropData(const std::vector<std::wstring>& arrNames) : m_arrNames(arrNames) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* pfe, STGMEDIUM* pMedium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* pfe) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppEnum) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::vector<std::wstring> m_arrNames;
};

/// Drops the names on the list as the shell would, then lets the posted message through.
void DropOnList(CGuiHarness& gui, const std::vector<std::wstring>& arrNames);

/// Runs fnCommand; meanwhile, once a dialog of this thread is up, calls fnDialog with it
/// (which must end the dialog). Returns whether a dialog was met.
bool WithDialog(const std::function<void()>& fnCommand, const std::function<void(HWND)>& fnDialog);

std::string CurrentFolder();
/// A file of nSize bytes at a path of any length (the wide API with the long-path prefix).
bool WriteLongPathFile(const std::wstring& strPath, size_t nSize);
