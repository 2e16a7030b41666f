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

int CFolderBrowser::DoBrowse()
{
    m_strSelectedPath = m_strInitialFolder;
    LPITEMIDLIST pidl = ::SHBrowseForFolderA(&m_bi);
    int nResult = IDCANCEL;
    if (pidl)
    {
        if (::SHGetPathFromIDListA(pidl, m_szPath))
        {
            m_strSelectedPath = m_szPath;
            nResult = IDOK;
        }
        IMalloc* pMalloc = nullptr;
        if (SUCCEEDED(::SHGetMalloc(&pMalloc)) && pMalloc)
        {
            pMalloc->Free(pidl);
            pMalloc->Release();
        }
    }
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
    if (!m_strInitialFolder.empty())
    {
        // Wine's picker sometimes stops walking its tree down to the folder and says nothing (the
        // message's result means nothing either); the selection-change callback tells whether the
        // folder arrived, so try again a few times before leaving the user at the top.
        for (int nTry = 0; nTry < 4; ++nTry)
        {
            m_strSelectedPath.clear();
            ::SendMessageA(m_hWndPicker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(m_strInitialFolder.c_str()));
            if (_stricmp(m_strSelectedPath.c_str(), m_strInitialFolder.c_str()) == 0)
                break;
        }
        m_strSelectedPath = m_strInitialFolder;
    }
    std::string strStatus = ShortenForStatus(m_strInitialFolder);
    ::SendMessageA(m_hWndPicker, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(strStatus.c_str()));
}

void CFolderBrowser::OnSelChanged(LPCITEMIDLIST pidl)
{
    // An item without a file-system path (a virtual shell folder) shows an empty status line.
    if (!pidl || !::SHGetPathFromIDListA(pidl, m_szPath))
        m_szPath[0] = '\0';
    m_strSelectedPath = m_szPath;
    std::string strStatus = ShortenForStatus(m_strSelectedPath);
    ::SendMessageA(m_hWndPicker, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(strStatus.c_str()));
}
