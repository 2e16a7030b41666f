// MainFrame.h: the main window: menu bar, toolbar, status bar and the archive list.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <functional>
#include <memory>
#include <string>
#include "framework/win/ControlBars.h"
#include "framework/win/FrameWnd.h"
#include "menu/OwnerDrawMenu.h"

class CQuarnelView;
class CQuarnelDoc;
class CVPFileDialog;
class CQuickViewWnd;

/** @brief The application's one top-level window; handles the edit, browse and open commands. */
class CMainFrame : public CFrameWnd
{
public:
    CMainFrame();
    ~CMainFrame() override;

    /// The menu bar that start-up installs.
    HMENU BuildMainMenu();
    /// Status pane 1: "%i files, %s bytes" for the open archive.
    void UpdateStatusSummary();

    CQuarnelView* GetListView() const;
    CQuarnelDoc* GetArchive() const;
    CToolBar& GetToolBar() { return m_wndToolBar; }
    COwnerDrawMenu& GetMainMenu() { return m_menu; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }

    bool OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI) override;
    void OnUpdateControlBars() override;
    bool ReportSaveFailure(const std::string& strDetails) override;

    // The dialogs of the edit commands, replaceable so tests can answer them; empty: the real ones.
    /// Runs the Add dialog on ofn: true for OK; on false dwError is its error code, 0 when cancelled.
    std::function<bool(OPENFILENAMEA& ofn, DWORD& dwError)> m_fnRunAddDialog;
    /// Runs the folder picker opened on strStart: IDOK with strFolder set, or IDCANCEL.
    std::function<int(const std::string& strStart, std::string& strFolder)> m_fnChooseFolder;

    // Commands the frame owns.
    void OnEditAdd();
    void OnEditRemove();
    void OnEditExtract();
    void OnEditCopy();
    void OnEditSelectAll();
    void OnFileBrowseMirador();
    void OnFileOpen();
    void OnJumpSummoner();
    void OnJumpRedFaction();
    void OnUpdateHaveSelection(CCmdUI* pCmdUI);
    void OnUpdateListNotEmpty(CCmdUI* pCmdUI);
    void OnUpdateHaveEntries(CCmdUI* pCmdUI);
    void OnUpdateQuickJump(CCmdUI* pCmdUI);
    // Quick view (MainFrameQuickView.cpp): F3 opens and closes it; while open it follows the focused row.
    void OnEditQuickView();
    void OnUpdateQuickView(CCmdUI* pCmdUI);
    /// The quick view window, open or closed; null before it was first opened.
    CQuickViewWnd* GetQuickView() const { return m_pQuickView.get(); }

protected:
    bool PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(CREATESTRUCTA* pcs) override;
    LRESULT OnInitMenuPopup(HMENU hPopup, UINT nIndex, bool bSysMenu) override;
    bool OnMeasureItem(MEASUREITEMSTRUCT* pMis) override;
    LRESULT OnMenuChar(UINT nChar, UINT nFlags, HMENU hMenu) override;
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;
    void OnDpiChanged(int nDpi, const RECT& rcSuggested) override;

private:
    /// The window's first place: 780 x 500 at 96 DPI, scaled to nDpi, at most the screen, centred.
    static RECT InitialRect(int nDpi);
    /// Makes the toolbar (again) for the window's DPI: buttons, texts, pictures, sizes.
    void CreateToolBar();
    void SizeToolbarButtons();
    void FollowFocusedRow();

    COwnerDrawMenu m_menu;   // the menu bar's records and popups; the window owns the bar itself
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
    CVPFileDialog* m_pOpenDialog = nullptr;   // the open dialog while it is shown; none otherwise
    std::unique_ptr<CQuickViewWnd> m_pQuickView;
};
