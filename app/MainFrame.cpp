// MainFrame.cpp
#include "app/MainFrame.h"
#include <algorithm>
#include <memory>
#include "app/VPFileDialog.h"
#include "app/ViewerLaunch.h"
#include "config/GameDirectories.h"
#include "core/QuarnelDoc.h"
#include "framework/win/DocTemplate.h"
#include "framework/win/Dpi.h"
#include "framework/win/WinApp.h"
#include "res/resource.h"
#include "QuarnelVersion.h"
#include "ui/FormatNumber.h"
#include "ui/QuarnelView.h"
#include "ui/QuickViewWnd.h"

namespace
{
const char kVersionText[] = QUARNEL_VERSION_TEXT;
// Lengths at 96 DPI (100 %), scaled to the screen's DPI where they are used.
const int kFrameWidth = 780;
const int kFrameHeight = 500;
const int kMinButtonWidth = 29;
const int kMinButtonHeight = 28;
const int kPaneWidth = 150;

// Toolbar window: flat, text to the right of the pictures, tooltips; at the top, no extra borders
// (the bar draws its own border at the bottom).
const DWORD kToolbarCtrlStyle = TBSTYLE_FLAT | TBSTYLE_LIST | 0x10;
const DWORD kToolbarStyle = WS_CHILD | WS_VISIBLE | CCS_TOP | CCS_NODIVIDER | TBSTYLE_TOOLTIPS;
const DWORD kStatusBarStyle = WS_CHILD | WS_VISIBLE | CCS_BOTTOM | SBARS_SIZEGRIP;

const UINT kIndicators[] = { 0, ID_INDICATOR_PANE1, ID_INDICATOR_PANE2 };
}

CMainFrame::CMainFrame()
{
    m_pToolBar = &m_wndToolBar;
    m_pStatusBar = &m_wndStatusBar;
}

CMainFrame::~CMainFrame() = default;

CQuarnelView* CMainFrame::GetListView() const
{
    return static_cast<CQuarnelView*>(GetActiveView());
}

CQuarnelDoc* CMainFrame::GetArchive() const
{
    return static_cast<CQuarnelDoc*>(GetActiveDocument());
}

bool CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return false;
    // Caption, system menu, sizing frame, both boxes; the document title follows the
    // application title.
    cs.style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE;
    // Centred on the primary screen, whose DPI the system's is until the window exists.
    RECT rc = InitialRect(GetSystemDpi());
    cs.x = rc.left;
    cs.y = rc.top;
    cs.cx = rc.right - rc.left;
    cs.cy = rc.bottom - rc.top;
    return true;
}

RECT CMainFrame::InitialRect(int nDpi)
{
    int cxScreen = ::GetSystemMetrics(SM_CXSCREEN);
    int cyScreen = ::GetSystemMetrics(SM_CYSCREEN);
    int cx = std::min(cxScreen, ScaleForDpi(kFrameWidth, nDpi));
    int cy = std::min(cyScreen, ScaleForDpi(kFrameHeight, nDpi));
    RECT rc = { (cxScreen - cx) / 2, (cyScreen - cy) / 2, 0, 0 };
    rc.right = rc.left + cx;
    rc.bottom = rc.top + cy;
    return rc;
}

int CMainFrame::OnCreate(CREATESTRUCTA* pcs)
{
    if (CFrameWnd::OnCreate(pcs) == -1)
        return -1;
    // A primary screen whose scaling changed since the user logged on has another DPI than the
    // system's: the window takes the size made for its own.
    if (GetDpi() != GetSystemDpi())
    {
        RECT rc = InitialRect(GetDpi());
        ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }

    CreateToolBar();

    m_wndStatusBar.Create(m_hWnd, kStatusBarStyle, AFX_IDW_STATUS_BAR);
    m_wndStatusBar.SetDpi(GetDpi());
    m_wndStatusBar.SetIndicators(kIndicators, 3);
    m_wndStatusBar.SetPaneInfo(0, 0, CStatusBar::SBPS_STRETCH, kPaneWidth);
    m_wndStatusBar.SetPaneInfo(1, 1, CStatusBar::SBPS_STRETCH, kPaneWidth);
    m_wndStatusBar.SetPaneInfo(2, 2, CStatusBar::SBPS_NORMAL, kPaneWidth);
    m_wndStatusBar.SetPaneText(0, GetCommandPrompt(AFX_IDS_IDLEMESSAGE));
    m_wndStatusBar.SetPaneText(2, kVersionText, true);
    RecalcLayout();
    return 0;
}

void CMainFrame::CreateToolBar()
{
    m_wndToolBar.DestroyWindow();
    m_wndToolBar.m_bBorderBottom = true;
    m_wndToolBar.Create(m_hWnd, kToolbarCtrlStyle, kToolbarStyle, AFX_IDW_TOOLBAR, GetDpi());
    m_wndToolBar.LoadToolBar(IDR_MAINFRAME);
    ::SetWindowTextA(m_wndToolBar.m_hWnd, "Main toolbar");
    m_wndToolBar.SetButtonText(4, "Add");
    m_wndToolBar.SetButtonText(5, "Remove");
    m_wndToolBar.SetButtonText(6, "Extract");
    m_wndToolBar.SetButtonText(8, "Browse...");
    SizeToolbarButtons();
}

void CMainFrame::OnDpiChanged(int nDpi, const RECT& rcSuggested)
{
    const int nOldDpi = GetDpi();
    m_nDpi = nDpi;
    // Pictures, fonts and sizes made for the new DPI: the toolbar anew, the menu bar rebuilt (its
    // pictures and accelerator column), the list's font and columns; then the window takes the
    // rectangle Windows suggests and lays itself out.
    CreateToolBar();
    if (!m_menu.m_items.empty())
    {
        HMENU hOldMenu = ::GetMenu(m_hWnd);
        HMENU hMenu = BuildMainMenu();
        ::SetMenu(m_hWnd, hMenu);
        if (hOldMenu)
            ::DestroyMenu(hOldMenu);
        m_hMenuDefault = hMenu;
    }
    if (CQuarnelView* pView = GetListView())
        pView->OnDpiChanged(nOldDpi, nDpi);
    CFrameWnd::OnDpiChanged(nDpi, rcSuggested);
}

void CMainFrame::SizeToolbarButtons()
{
    HWND hBar = m_wndToolBar.m_hWnd;
    ::SendMessageA(hBar, TB_AUTOSIZE, 0, 0);
    int cxMax = 0, cyMax = 0;
    for (int i = m_wndToolBar.GetButtonCount() - 1; i >= 0; --i)
    {
        UINT nID = m_wndToolBar.GetItemID(i);
        if (!nID)
            continue;
        TBBUTTONINFOA info = {};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_STYLE;
        ::SendMessageA(hBar, TB_GETBUTTONINFOA, nID, reinterpret_cast<LPARAM>(&info));
        info.fsStyle |= BTNS_AUTOSIZE;
        ::SendMessageA(hBar, TB_SETBUTTONINFOA, nID, reinterpret_cast<LPARAM>(&info));
        RECT rc = {};
        ::SendMessageA(hBar, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc));
        cxMax = std::max<int>(cxMax, rc.right - rc.left);
        cyMax = std::max<int>(cyMax, rc.bottom - rc.top);
    }
    ::SendMessageA(hBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(std::max(cxMax, ScaleForDpi(kMinButtonWidth, GetDpi())),
                                                         std::max(cyMax, ScaleForDpi(kMinButtonHeight, GetDpi()))));
    ::SendMessageA(hBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(m_wndToolBar.m_sizeImage.cx, m_wndToolBar.m_sizeImage.cy));
    ::SendMessageA(hBar, TB_AUTOSIZE, 0, 0);
}

HMENU CMainFrame::BuildMainMenu()
{
    m_menu.LoadMenu(IDR_MAINFRAME);
    m_menu.LoadToolbarImages(m_menu.GetToolbarId());
    return m_menu.Detach();
}

LRESULT CMainFrame::OnInitMenuPopup(HMENU hPopup, UINT nIndex, bool bSysMenu)
{
    // The enable rules and the recent files first; then the new items become owner-drawn too.
    LRESULT lResult = CFrameWnd::OnInitMenuPopup(hPopup, nIndex, bSysMenu);
    COwnerDrawMenu::HandleOwnerMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(hPopup),
                                       MAKELPARAM(nIndex, bSysMenu ? 1 : 0), &lResult);
    return lResult;
}

bool CMainFrame::OnMeasureItem(MEASUREITEMSTRUCT* pMis)
{
    HMENU hItemMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(pMis->itemID));
    if (pMis->CtlType == ODT_MENU && ::IsMenu(hItemMenu) && IsOwnedMenu(hItemMenu))
    {
        m_menu.MeasureItem(pMis);
        return true;
    }
    return CFrameWnd::OnMeasureItem(pMis);
}

LRESULT CMainFrame::OnMenuChar(UINT nChar, UINT nFlags, HMENU hMenu)
{
    if (IsOwnedMenu(hMenu))
        return m_menu.HandleMenuChar(nChar, nFlags, hMenu);
    return CFrameWnd::OnMenuChar(nChar, nFlags, hMenu);
}

LRESULT CMainFrame::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // The window takes its menu bar and the popups with it; the records go now, so no stale
    // handle stays registered while the frame object outlives its window.
    if (uMsg == WM_DESTROY)
        m_menu.DestroyMenu();
    // Esc in the list closes an open Quick view: the list keeps the keyboard while the view
    // follows it, so this is where the user presses it.
    if (uMsg == WM_NOTIFY)
    {
        const NMHDR* pNmhdr = reinterpret_cast<const NMHDR*>(lParam);
        CQuarnelView* pView = GetListView();
        if (pNmhdr && pNmhdr->code == LVN_KEYDOWN && pView && pNmhdr->hwndFrom == pView->m_hWnd &&
            reinterpret_cast<const NMLVKEYDOWN*>(pNmhdr)->wVKey == VK_ESCAPE && m_pQuickView && m_pQuickView->IsOpen())
        {
            m_pQuickView->Close();
            return 0;
        }
    }
    return CFrameWnd::WindowProc(uMsg, wParam, lParam);
}

void CMainFrame::UpdateStatusSummary()
{
    CQuarnelDoc* pDoc = GetArchive();
    if (!pDoc || !m_wndStatusBar.m_hWnd)
        return;
    std::string strSummary = std::to_string(pDoc->m_nFileCount) + " files, " +
                             FormatNumber(pDoc->m_nTotalSize, false) + " bytes";
    if (m_wndStatusBar.GetPaneText(1) != strSummary)
        m_wndStatusBar.SetPaneText(1, strSummary);
}

void CMainFrame::OnUpdateControlBars()
{
    CFrameWnd::OnUpdateControlBars();
    UpdateStatusSummary();
    OnUpdateFrameTitle();
    FollowFocusedRow();
}

bool CMainFrame::OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI)
{
    static const TCmdEntry<CMainFrame> s_map[] = {
        // [Edit]
        { ID_EDIT_ADD, ID_EDIT_ADD, &CMainFrame::OnEditAdd, nullptr, nullptr },
        { ID_EDIT_EXTRACT, ID_EDIT_EXTRACT, &CMainFrame::OnEditExtract, &CMainFrame::OnUpdateHaveSelection, nullptr },
        { ID_EDIT_COPY, ID_EDIT_COPY, &CMainFrame::OnEditCopy, &CMainFrame::OnUpdateHaveSelection, nullptr },
        { ID_EDIT_REMOVE, ID_EDIT_REMOVE, &CMainFrame::OnEditRemove, &CMainFrame::OnUpdateHaveSelection, nullptr },
        { ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, &CMainFrame::OnEditSelectAll, &CMainFrame::OnUpdateListNotEmpty, nullptr },
        { ID_EDIT_QUICK_VIEW, ID_EDIT_QUICK_VIEW, &CMainFrame::OnEditQuickView, &CMainFrame::OnUpdateQuickView, nullptr },
        // [File]
        { ID_FILE_BROWSE_MIRADOR, ID_FILE_BROWSE_MIRADOR, &CMainFrame::OnFileBrowseMirador, &CMainFrame::OnUpdateHaveEntries, nullptr },
        { ID_FILE_OPEN, ID_FILE_OPEN, &CMainFrame::OnFileOpen, nullptr, nullptr },
        // quick jumps of the open dialog
        { ID_JUMP_REDFACTION, ID_JUMP_REDFACTION, &CMainFrame::OnJumpRedFaction, &CMainFrame::OnUpdateQuickJump, nullptr },
        { ID_JUMP_SUMMONER, ID_JUMP_SUMMONER, &CMainFrame::OnJumpSummoner, &CMainFrame::OnUpdateQuickJump, nullptr },
    };
    return DispatchCmdMap(this, s_map, nID, nCode, pCmdUI);
}

void CMainFrame::OnUpdateHaveSelection(CCmdUI* pCmdUI)
{
    // "One or more": the list keeps its selected count, so the idle pass never walks the rows.
    CQuarnelView* pView = GetListView();
    pCmdUI->Enable(pView && pView->m_hWnd && ::SendMessageA(pView->m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0) > 0);
}

void CMainFrame::OnUpdateListNotEmpty(CCmdUI* pCmdUI)
{
    CQuarnelView* pView = GetListView();
    pCmdUI->Enable(pView && ::SendMessageA(pView->m_hWnd, LVM_GETITEMCOUNT, 0, 0) > 0);
}

void CMainFrame::OnUpdateHaveEntries(CCmdUI* pCmdUI)
{
    CQuarnelDoc* pDoc = GetArchive();
    pCmdUI->Enable(pDoc && pDoc->m_nFileCount > 0);
}

void CMainFrame::OnUpdateQuickJump(CCmdUI* pCmdUI)
{
    // Enabled when the game's folder is configured, read afresh: another tool may have set it.
    const char* pszGame = pCmdUI->m_nID == ID_JUMP_SUMMONER ? GAME_SUMMONER_1 : GAME_RED_FACTION_1;
    pCmdUI->Enable(!GetGamePath(pszGame).empty());
}

void CMainFrame::OnEditSelectAll()
{
    CQuarnelView* pView = GetListView();
    if (!pView)
        return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    // Focus and scroll position stay where they are.
    ::SendMessageA(pView->m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void CMainFrame::OnEditCopy()
{
    if (CQuarnelView* pView = GetListView())
        pView->CopySelectionToClipboard();
}

void CMainFrame::OnFileOpen()
{
    // The archive open dialog with its quick jumps; the jump commands reach it through
    // m_pOpenDialog while it is up.
    std::unique_ptr<CVPFileDialog> pDialog(new CVPFileDialog(m_hWnd));
    m_pOpenDialog = pDialog.get();
    bool bOk = pDialog->DoModal() == IDOK;
    std::string strPath = pDialog->GetPathName();
    m_pOpenDialog = nullptr;
    pDialog.reset();
    if (bOk)
    {
        if (CWinApp* pApp = AfxGetApp())
            pApp->OpenDocumentFile(strPath);
    }
}

namespace
{
void JumpToGameFolder(CVPFileDialog* pDialog, const std::string& strFolder)
{
    if (pDialog && !strFolder.empty())
        pDialog->JumpToFolder(strFolder);
}
}

void CMainFrame::OnJumpSummoner()
{
    JumpToGameFolder(m_pOpenDialog, GetGamePath(GAME_SUMMONER_1));
}

void CMainFrame::OnJumpRedFaction()
{
    JumpToGameFolder(m_pOpenDialog, GetGamePath(GAME_RED_FACTION_1));
}

void CMainFrame::OnFileBrowseMirador()
{
    ViewerLaunchRequest request;
    request.pDoc = GetArchive();
    request.hOwner = m_hWnd;
    CQuarnelView* pView = GetListView();
    if (request.pDoc && pView)
    {
        std::vector<int> arrSelected = pView->GetSelectedEntries();
        if (arrSelected.size() == 1 && arrSelected[0] >= 0 && arrSelected[0] < request.pDoc->m_nFileCount)
            request.strSelectedName = request.pDoc->m_entries[arrSelected[0]].m_strName;
    }
    request.fnSave = [this]() {
        CSingleDocTemplate* pTemplate = GetDocTemplate();
        return pTemplate && pTemplate->DoFileSave();
    };
    BrowseInViewer(request);
}

