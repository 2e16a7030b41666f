// FileDropTarget.h: the list's OLE drop target for files dragged from the shell.
#pragma once
#include <windows.h>
#include <ole2.h>
#include <array>
#include <vector>

/** @brief Accepts CF_HDROP drops, keeps the dropped names and tells its window to add them. */
class CFileDropTarget : public IDropTarget
{
public:
    /// One dropped name: up to 259 UTF-16 units and the terminating zero.
    using NameRecord = std::array<wchar_t, MAX_PATH>;

    CFileDropTarget() = default;
    virtual ~CFileDropTarget() = default;

    /// Registers with hWnd; the drop posts WM_APP+1 to hNotify.
    bool Register(HWND hWnd, HWND hNotify);
    void Revoke();

    const std::vector<NameRecord>& GetNames() const { return m_arrNames; }
    int GetCount() const { return m_nCount; }

    /// Reads a DROPFILES block (wide or ANSI names) into records. Every offset is checked
    /// against the block's size; names too long for a record are skipped, never cut or overrun.
    static void ParseDropFiles(const BYTE* pData, size_t cbData, std::vector<NameRecord>& arrNames);

    // IUnknown: the object lives as a member of its view, so counting does not delete it.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // IDropTarget
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* pData, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* pData, DWORD grfKeyState, POINTL pt, DWORD* pdwEffect) override;

    enum { WM_FILES_DROPPED = WM_APP + 1 };

private:
    bool ReadDroppedNames(IDataObject* pData);

    HWND m_hWnd = nullptr;
    HWND m_hNotify = nullptr;
    /// False while the window's top-level window is disabled by a modal dialog.
    bool IsAccepting() const;
    std::vector<NameRecord> m_arrNames;
    int m_nCount = 0;
};
