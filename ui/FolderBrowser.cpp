// FolderBrowser.cpp
#include "ui/FolderBrowser.h"
#include "ui/PathText.h"

CFolderBrowser::CFolderBrowser(const char* pszTitle, const char* pszInitialFolder, UINT nFlags, HWND hParent)
    : m_strInitialFolder(pszInitialFolder ? pszInitialFolder : "")
{
    m_szDisplayName[0] = '\0';
    m_szPath[0] = '\0';
    ZeroMemory(&m_bi, sizeof(m_bi));
    m_bi.hwndOwner = hParent;
    m_bi.pidlRoot = nullptr;
    m_bi.pszDisplayName = m_szDisplayName;
    m_bi.lpszTitle = pszTitle;
    m_bi.ulFlags = nFlags | BIF_STATUSTEXT;
    m_bi.lpfn = &CFolderBrowser::BrowseCallback;
    m_bi.lParam = reinterpret_cast<LPARAM>(this);
}

std::string NearestExistingFolder(const std::string& strPath)
{
    std::string strFolder = strPath;
    while (!strFolder.empty())
    {
        DWORD dwAttributes = ::GetFileAttributesA(strFolder.c_str());
        if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return strFolder;
        // One level up: "C:\a\b" becomes "C:\a", "C:\a" becomes "C:\", and a root that does not
        // exist (a drive that went away) ends the walk.
        size_t nSlash = strFolder.find_last_of("\\/");
        if (nSlash == std::string::npos || nSlash + 1 == strFolder.size())
            break;
        strFolder.erase(nSlash > 0 && strFolder[nSlash - 1] == ':' ? nSlash + 1 : nSlash);
    }
    return std::string();
}

int CFolderBrowser::DoBrowse()
{
    // The picker opens on the start folder, or the nearest folder above it that still exists.
    m_strStartFolder = NearestExistingFolder(m_strInitialFolder);
    m_strSelectedPath.clear();
    LPITEMIDLIST pidl = ::SHBrowseForFolderA(&m_bi);
    int nResult = IDCANCEL;
    if (pidl)
    {
        // Only the folder the tree really showed selected counts: with nothing selected the
        // picker hands back its root, which the user never chose.
        if (::SHGetPathFromIDListA(pidl, m_szPath) && !m_strSelectedPath.empty() &&
            _stricmp(m_szPath, m_strSelectedPath.c_str()) == 0)
        {
            m_strSelectedPath = m_szPath;
            nResult = IDOK;
        }
        ::CoTaskMemFree(pidl);
    }
    if (nResult != IDOK)
        m_strSelectedPath.clear();
    m_hWndPicker = nullptr;
    return nResult;
}

int CALLBACK CFolderBrowser::BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    if (auto* pThis = reinterpret_cast<CFolderBrowser*>(lpData))
        pThis->DispatchCallback(hWnd, uMsg, lParam);
    return 0;
}

void CFolderBrowser::DispatchCallback(HWND hWnd, UINT uMsg, LPARAM lParam)
{
    m_hWndPicker = hWnd;
    if (uMsg == BFFM_INITIALIZED)
        OnInitialized();
    else if (uMsg == BFFM_SELCHANGED)
        OnSelChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
}

void CFolderBrowser::OnInitialized()
{
    if (!m_strStartFolder.empty())
    {
        // Wine's picker sometimes stops walking its tree down to the folder and says nothing (the
        // message's result means nothing either); the selection-change callback tells whether the
        // folder arrived, so try again a few times before leaving the user at the top.
        for (int nTry = 0; nTry < 4; ++nTry)
        {
            ::SendMessageA(m_hWndPicker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(m_strStartFolder.c_str()));
            if (_stricmp(m_strSelectedPath.c_str(), m_strStartFolder.c_str()) == 0)
                break;
        }
    }
    // The status line shows the folder the tree really has selected, none when it has none.
    std::string strStatus = ShortenForStatus(m_strSelectedPath);
    ::SendMessageA(m_hWndPicker, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(strStatus.c_str()));
    ::SendMessageA(m_hWndPicker, BFFM_ENABLEOK, 0, m_strSelectedPath.empty() ? FALSE : TRUE);
}

void CFolderBrowser::OnSelChanged(LPCITEMIDLIST pidl)
{
    // An item without a file-system path (a virtual shell folder) shows an empty status line.
    if (!pidl || !::SHGetPathFromIDListA(pidl, m_szPath))
        m_szPath[0] = '\0';
    m_strSelectedPath = m_szPath;
    std::string strStatus = ShortenForStatus(m_strSelectedPath);
    ::SendMessageA(m_hWndPicker, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(strStatus.c_str()));
    // OK only for a folder on disk.
    ::SendMessageA(m_hWndPicker, BFFM_ENABLEOK, 0, m_strSelectedPath.empty() ? FALSE : TRUE);
}
