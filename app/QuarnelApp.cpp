// QuarnelApp.cpp
#include "app/QuarnelApp.h"
#include <commctrl.h>
#include "app/MainFrame.h"
#include "config/CompanionLibrary.h"
#include "config/GameDirectories.h"
#include "config/SharedConfiguration.h"
#include "core/QuarnelDoc.h"
#include "res/resource.h"
#include "ui/QuarnelView.h"

namespace
{
const char kAppTitle[] = "Kestrin Manager QUARNEL";
const char kRegistryKey[] = "Kestrin Network";
const unsigned kRecentFiles = 10;
}

CQuarnelApp::CQuarnelApp() : CWinApp(kAppTitle) {}

CQuarnelApp::~CQuarnelApp()
{
    m_pDocTemplate.reset();
}

CMainFrame* CQuarnelApp::GetMainFrame() const
{
    return static_cast<CMainFrame*>(m_pMainWnd);
}

bool CQuarnelApp::InitInstance()
{
    // Libraries loaded by bare name (the companion library) come from the program's folder or
    // the system, never from whatever folder happens to be current.
    ::SetDllDirectoryA("");

    // Common controls (list, toolbar, status bar, progress) for all windows of the program.
    INITCOMMONCONTROLSEX icc = { sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES };
    ::InitCommonControlsEx(&icc);

    SetRegistryKey(kRegistryKey);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    AddDocTemplate(std::unique_ptr<CSingleDocTemplate>(new CSingleDocTemplate(
        IDR_MAINFRAME,
        [this] {
            std::unique_ptr<CQuarnelDoc> pDoc(new CQuarnelDoc);
            pDoc->m_fnOnLoadStarted = [this] { m_bSplashDelay = 0; };
            return std::unique_ptr<CDocument>(std::move(pDoc));
        },
        [] { return std::unique_ptr<CFrameWnd>(new CMainFrame); },
        [] { return std::unique_ptr<CView>(new CQuarnelView); })));
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::AppUnregister)
    {
        // Removing the user's file type is all this start does: the uninstaller runs it, so it
        // shows nothing and registers, detects and migrates nothing of its own.
        ProcessShellCommand(cmdInfo);
        return false;
    }

    LoadStdProfileSettings(kRecentFiles);

    m_wndSplash.Create();
    m_wndSplash.Show();

    DetectGameDirectories();
    RefreshSharedConfiguration();

    m_bSplashDelay = 1;

    RegisterShellFileTypes();

    if (!ProcessShellCommand(cmdInfo))
    {
        m_wndSplash.Destroy();
        return false;
    }

    // An archive that opened counts as loaded, an empty (0-byte) one too: the reader never
    // runs for it, so it would not clear the flag itself.
    if (cmdInfo.m_nShellCommand == CCommandLineInfo::FileOpen)
        m_bSplashDelay = 0;

    CMainFrame* pFrame = GetMainFrame();
    if (m_bSplashDelay)
    {
        ::ShowWindow(pFrame->m_hWnd, SW_HIDE);
        if (m_wndSplash.m_hWnd)
        {
            ::InvalidateRect(m_wndSplash.m_hWnd, nullptr, TRUE);
            ::UpdateWindow(m_wndSplash.m_hWnd);
        }
        ::Sleep(m_dwSplashDelayMs);
    }

    HMENU hOldMenu = ::GetMenu(pFrame->m_hWnd);
    HMENU hMenu = pFrame->BuildMainMenu();
    ::SetMenu(pFrame->m_hWnd, hMenu);
    if (hOldMenu)
        ::DestroyMenu(hOldMenu);
    pFrame->m_hMenuDefault = hMenu;

    ::ShowWindow(pFrame->m_hWnd, SW_SHOW);
    ::UpdateWindow(pFrame->m_hWnd);

    ::DragAcceptFiles(pFrame->m_hWnd, TRUE);

    m_wndSplash.Destroy();
    return true;
}

bool CQuarnelApp::OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI)
{
    static const TCmdEntry<CQuarnelApp> s_map[] = {
        { ID_APP_ABOUT, ID_APP_ABOUT, &CQuarnelApp::OnAppAbout, nullptr, nullptr },
        { ID_HELP_CHECK_VERSION, ID_HELP_CHECK_VERSION, &CQuarnelApp::OnCheckForNewVersion, nullptr, nullptr },
    };
    if (DispatchCmdMap(this, s_map, nID, nCode, pCmdUI))
        return true;
    return CWinApp::OnCmdMsg(nID, nCode, pCmdUI);
}

void CQuarnelApp::OnAppAbout()
{
    CallCompanionLibrary("DoAbout");
}

void CQuarnelApp::OnCheckForNewVersion()
{
    CallCompanionLibrary("DoQXVC");
}

void CQuarnelApp::BeginProgress(const std::string& strAction)
{
    m_dlgProgress.Create(m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr, strAction);
    if (m_fnProgressObserver)
        m_fnProgressObserver("Begin", strAction, 0, 0);
}

void CQuarnelApp::SetProgress(const std::string& strItem, int nPos, int nRange)
{
    m_dlgProgress.SetProgress(strItem, nPos, nRange);
    if (m_fnProgressObserver)
        m_fnProgressObserver("Set", strItem, nPos, nRange);
}

void CQuarnelApp::EndProgress()
{
    m_dlgProgress.Destroy();
    if (m_fnProgressObserver)
        m_fnProgressObserver("End", std::string(), 0, 0);
}
