// QuarnelApp.h: the application object.
#pragma once
#include <functional>
#include <string>
#include "app/SplashDialog.h"
#include "framework/win/WinApp.h"
#include "ui/ProgressDialog.h"

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

    // The progress window of long loops, over the main window. Pair every BeginProgress with one
    // EndProgress (CProgressScope does); a BeginProgress while shown starts over.
    void BeginProgress(const std::string& strAction);
    void SetProgress(const std::string& strItem, int nPos, int nRange);
    void EndProgress();
    HWND GetProgressWindow() const { return m_dlgProgress.m_hWnd; }
    /// Told of every progress call after it ran: "Begin", "Set" or "End" and its arguments.
    std::function<void(const std::string& strCall, const std::string& strText, int nPos, int nRange)>
        m_fnProgressObserver;

private:
    CSplashDialog m_wndSplash;
    CProgressDialog m_dlgProgress;
};

/** @brief Shows the progress window for its life: ends it however the loop is left. */
class CProgressScope
{
public:
    CProgressScope(CQuarnelApp* pApp, const std::string& strAction) : m_pApp(pApp)
    {
        if (m_pApp)
            m_pApp->BeginProgress(strAction);
    }
    ~CProgressScope() { End(); }
    CProgressScope(const CProgressScope&) = delete;
    CProgressScope& operator=(const CProgressScope&) = delete;

    void Set(const std::string& strItem, int nPos, int nRange)
    {
        if (m_pApp)
            m_pApp->SetProgress(strItem, nPos, nRange);
    }
    void End()
    {
        if (m_pApp)
            m_pApp->EndProgress();
        m_pApp = nullptr;
    }

private:
    CQuarnelApp* m_pApp;
};
