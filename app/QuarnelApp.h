// QuarnelApp.h: the application object.
#pragma once
#include "app/SplashDialog.h"
#include "framework/win/WinApp.h"

class CMainFrame;

/** @brief Starts the editor: profile, splash, game folders, template, command line, main window. */
class CQuarnelApp : public CWinApp
{
public:
    CQuarnelApp();
    ~CQuarnelApp() override;

    bool InitInstance() override;
    bool OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI) override;

    void OnAppAbout();
    void OnCheckForNewVersion();

    CMainFrame* GetMainFrame() const;
    HWND GetSplashWindow() const { return m_wndSplash.m_hWnd; }

    /// 1 from start-up until an archive is loaded: with no archive, the splash stays longer.
    int m_bSplashDelay = 0;
    /// How long the splash stays when no archive was loaded (tests shorten it).
    DWORD m_dwSplashDelayMs = 2000;

private:
    CSplashDialog m_wndSplash;
};
