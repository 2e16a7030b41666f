// FrameWnd.h: the top-level window with toolbar, status bar, a view and command routing.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <windows.h>
#include <shellapi.h>
#include "framework/win/ControlBars.h"
#include "framework/win/View.h"
#include "framework/win/Wnd.h"

class CSingleDocTemplate;

/** @brief Frame window: lays out its bars and view, routes commands, runs the enable rules. */
class CFrameWnd : public CWnd
{
public:
    enum
    {
        FWS_ADDTOTITLE = 0x00008000,     ///< the caption carries the document title
        FWS_PREFIXTITLE = 0x00004000,    ///< the document title comes before the application title
        AFX_IDW_PANE_FIRST = 0xE900,     ///< child id of the view
    };

    CFrameWnd();
    ~CFrameWnd() override;

    /// Creates the window for resource set nIDResource (menu, icon, accelerators, caption).
    bool LoadFrame(UINT nIDResource, CSingleDocTemplate* pTemplate);

    CView* GetActiveView() const { return m_pView.get(); }
    CDocument* GetActiveDocument() const;
    CSingleDocTemplate* GetDocTemplate() const { return m_pTemplate; }

    /// Full command routing: view, document, frame, application.
    bool RouteCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI);
    /// Asks the enable rules; a command no target knows is disabled.
    bool IsCommandEnabled(UINT nID);
    /// Runs a command as a menu or key would: refused when it is disabled.
    bool ExecuteCommand(UINT nID);

    void RecalcLayout();
    /// The DPI of the screen the window is on, as Windows last told it (96 DPI is 100 %).
    int GetDpi() const { return m_nDpi; }
    void OnUpdateFrameTitle();
    void SetMessageText(const std::string& strText);
    std::string GetMessageText() const;
    /// Idle pass: every toolbar button gets its enable state from the rules.
    virtual void OnUpdateControlBars();
    /// Shows which members a failed save could not copy; false leaves the report to the caller.
    virtual bool ReportSaveFailure(const std::string& strDetails) { (void)strDetails; return false; }
    /// The prompt text of a command: its string resource up to the line break.
    static std::string GetCommandPrompt(UINT nID);
    static std::string GetCommandTip(UINT nID);

    HMENU m_hMenuDefault = nullptr;    // the menu bar the frame restores; owned by the window
    HACCEL m_hAccelTable = nullptr;
    CToolBar* m_pToolBar = nullptr;    // not owned: set by the derived frame
    CStatusBar* m_pStatusBar = nullptr;

protected:
    virtual bool PreCreateWindow(CREATESTRUCTA& cs);
    virtual int OnCreate(CREATESTRUCTA* pcs);
    virtual bool OnCreateClient(CREATESTRUCTA* pcs);
    virtual LRESULT OnInitMenuPopup(HMENU hPopup, UINT nIndex, bool bSysMenu);
    /// Owner-drawn menu items: the default hands the request to the object bound to the item's menu.
    virtual bool OnMeasureItem(MEASUREITEMSTRUCT* pMis);
    virtual bool OnDrawItem(DRAWITEMSTRUCT* pDis);
    virtual LRESULT OnMenuChar(UINT nChar, UINT nFlags, HMENU hMenu);
    virtual void OnDropFiles(HDROP hDrop);
    /// WM_DPICHANGED: the window moved to a screen of nDpi. Takes the rectangle Windows suggests and
    /// lays the bars out for the new DPI; derived frames rebuild their own pictures and fonts first.
    virtual void OnDpiChanged(int nDpi, const RECT& rcSuggested);
    /// The caption's and the task bar's icons in the sizes the system gives them at nDpi.
    void SetIconsForDpi(int nDpi);
    void UpdateMenuPopup(HMENU hPopup);
    void UpdateRecentFileMenu(HMENU hPopup);

    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

    std::unique_ptr<CView> m_pView;
    CSingleDocTemplate* m_pTemplate = nullptr;   // not owned
    UINT m_nIDResource = 0;
    DWORD m_dwFrameStyle = 0;                    // FWS_ bits, kept apart from the window style
    UINT m_nIDIdleMessage;
    int m_nDpi = 96;                             // set when the window is made, then by WM_DPICHANGED
    HICON m_hIconSmall = nullptr;                // owned; only made for a DPI other than the system's
    HICON m_hIconBig = nullptr;                  // owned
};
