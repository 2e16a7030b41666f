// FolderBrowser.h: the shell's folder picker, opened on a start folder, with the highlighted
// folder in its status line.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <string>

/// strPath when it is an existing folder, else the nearest existing folder above it; "" for none.
std::string NearestExistingFolder(const std::string& strPath);

/** @brief One run of SHBrowseForFolderA; the chosen folder must have a file-system path. */
class CFolderBrowser
{
public:
    /// pszInitialFolder none or empty: the picker opens at its default place.
    CFolderBrowser(const char* pszTitle, const char* pszInitialFolder = nullptr, UINT nFlags = 0,
                   HWND hParent = nullptr);
    virtual ~CFolderBrowser() = default;
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

    /// IDOK (1) with a folder chosen, IDCANCEL (2) when cancelled or the choice is no folder on disk
    /// (then the selected path is empty).
    virtual int DoBrowse();
    std::string GetSelectedPath() const { return m_strSelectedPath; }

    static int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData);

protected:
    virtual void OnInitialized();
    virtual void OnSelChanged(LPCITEMIDLIST pidl);
    virtual void DispatchCallback(HWND hWnd, UINT uMsg, LPARAM lParam);

    BROWSEINFOA m_bi;
    std::string m_strInitialFolder;
    std::string m_strStartFolder;   // the initial folder or the nearest existing folder above it
    std::string m_strSelectedPath;
    char m_szDisplayName[MAX_PATH];
    char m_szPath[MAX_PATH];
    HWND m_hWndPicker = nullptr;
};
