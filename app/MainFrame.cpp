// MainFrame.cpp
#include "app/MainFrame.h"
#include <algorithm>
#include "core/QuarnelDoc.h"
#include "framework/win/WinApp.h"
#include "res/resource.h"
#include "ui/FormatNumber.h"
#include "ui/QuarnelView.h"

namespace
{
const char kVersionText[] = "V1.0 Beta 02 (Build 06)";
const int kFrameWidth = 780;
const int kFrameHeight = 500;

// Toolbar window: flat, text to the right of the pictures, tooltips; at the top, no extra borders.
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
    int cxScreen = ::GetSystemMetrics(SM_CXSCREEN);
    int cyScreen = ::GetSystemMetrics(SM_CYSCREEN);
    cs.cx = std::min(cxScreen, kFrameWidth);
    cs.cy = std::min(cyScreen, kFrameHeight);
    cs.x = (cxScreen - cs.cx) / 2;
    cs.y = (cyScreen - cs.cy) / 2;
    return true;
}

int CMainFrame::OnCreate(CREATESTRUCTA* pcs)
{
    if (CFrameWnd::OnCreate(pcs) == -1)
        return -1;

    m_wndToolBar.Create(m_hWnd, kToolbarCtrlStyle, kToolbarStyle, AFX_IDW_TOOLBAR);
    m_wndToolBar.LoadToolBar(IDR_MAINFRAME);
    ::SetWindowTextA(m_wndToolBar.m_hWnd, "Main toolbar");
    m_wndToolBar.SetButtonText(4, "Add");
    m_wndToolBar.SetButtonText(5, "Remove");
    m_wndToolBar.SetButtonText(6, "Extract");
    m_wndToolBar.SetButtonText(8, "Browse...");
    SizeToolbarButtons();

    m_wndStatusBar.Create(m_hWnd, kStatusBarStyle, AFX_IDW_STATUS_BAR);
    m_wndStatusBar.SetIndicators(kIndicators, 3);
    m_wndStatusBar.SetPaneInfo(0, 0, CStatusBar::SBPS_STRETCH, 150);
    m_wndStatusBar.SetPaneInfo(1, 1, CStatusBar::SBPS_STRETCH, 150);
    m_wndStatusBar.SetPaneInfo(2, 2, CStatusBar::SBPS_NORMAL, 150);
    m_wndStatusBar.SetPaneText(0, GetCommandPrompt(AFX_IDS_IDLEMESSAGE));
    m_wndStatusBar.SetPaneText(2, kVersionText, true);
    RecalcLayout();
    return 0;
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
    ::SendMessageA(hBar, TB_SETBUTTONSIZE, 0, MAKELPARAM(std::max(cxMax, 29), std::max(cyMax, 28)));
    ::SendMessageA(hBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(22, 22));
    ::SendMessageA(hBar, TB_AUTOSIZE, 0, 0);
}

HMENU CMainFrame::BuildMainMenu()
{
    return ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
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
}

bool CMainFrame::OnCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI)
{
    static const TCmdEntry<CMainFrame> s_map[] = {
        // [Edit]
        { ID_EDIT_ADD, ID_EDIT_ADD, &CMainFrame::OnEditAdd, nullptr, nullptr },
        { ID_EDIT_EXTRACT, ID_EDIT_EXTRACT, &CMainFrame::OnEditExtract, &CMainFrame::OnUpdateHaveSelection, nullptr },
        { ID_EDIT_REMOVE, ID_EDIT_REMOVE, &CMainFrame::OnEditRemove, &CMainFrame::OnUpdateHaveSelection, nullptr },
        { ID_EDIT_SELECT_ALL, ID_EDIT_SELECT_ALL, &CMainFrame::OnEditSelectAll, &CMainFrame::OnUpdateListNotEmpty, nullptr },
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
    CQuarnelView* pView = GetListView();
    pCmdUI->Enable(pView && pView->CountSelectedItems() > 0);
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
    pCmdUI->Enable(m_pOpenDialog != nullptr);
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

void CMainFrame::OnFileOpen()
{
    // The standard open dialog until the archive dialog with its quick jumps takes its place.
    if (CWinApp* pApp = AfxGetApp())
        pApp->OnFileOpen();
}

// The remaining commands arrive with the viewer launch and the archive open dialog; they are
// routed here already so menus, keys and toolbar reach the frame. Add, Remove and Extract are in
// MainFrameEdit.cpp.
void CMainFrame::OnFileBrowseMirador() {}
void CMainFrame::OnJumpSummoner() {}
void CMainFrame::OnJumpRedFaction() {}
