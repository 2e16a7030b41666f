// FrameWnd.cpp
#include "framework/win/FrameWnd.h"
#include <shellapi.h>
#include <cstring>
#include <initializer_list>
#include "framework/base/MessageSink.h"
#include "framework/win/AnsiName.h"
#include "framework/win/DocTemplate.h"
#include "framework/win/Dpi.h"
#include "framework/win/Menu.h"
#include "framework/win/WinApp.h"

namespace
{
const char kFrameClass[] = "QuarnelFrame";
const UINT ID_FILE_MRU_FIRST = 0xE110;   // 57616
const UINT ID_FILE_MRU_LAST = 0xE11F;
const UINT AFX_IDS_IDLEMESSAGE = 0xE001;
const UINT AFX_IDS_SCFIRST = 0xEF00;     // prompts of the system menu: one per SC_ command

/// The string id of a system-menu command's prompt: SC_SIZE (0xF000) has 0xEF00, and every
/// further SC_ command (they are 16 apart) the next id.
UINT SysCommandPromptId(UINT nSysCommand)
{
    return AFX_IDS_SCFIRST + ((nSysCommand - SC_SIZE) >> 4);
}

bool RegisterFrameClass(UINT nIDIcon)
{
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    if (::GetClassInfoExA(hInst, kFrameClass, &wc))
        return true;
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CWnd::WndProc;
    wc.hInstance = hInst;
    wc.hIcon = ::LoadIconA(hInst, MAKEINTRESOURCEA(nIDIcon));
    wc.hIconSm = static_cast<HICON>(::LoadImageA(hInst, MAKEINTRESOURCEA(nIDIcon), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON),
                                                 ::GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFrameClass;
    return ::RegisterClassExA(&wc) != 0;
}
}

CFrameWnd::CFrameWnd() : m_nIDIdleMessage(AFX_IDS_IDLEMESSAGE) {}

CFrameWnd::~CFrameWnd()
{
    // The view's window dies with the frame's; drop the object while the document still lives.
    m_pView.reset();
    for (HICON hIcon : { m_hIconSmall, m_hIconBig })
    {
        if (hIcon)
            ::DestroyIcon(hIcon);
    }
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pTemplate ? m_pTemplate->GetDocument() : nullptr;
}

bool CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs)
{
    if (!RegisterFrameClass(m_nIDResource))
        return false;
    cs.lpszClass = kFrameClass;
    cs.style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE | FWS_PREFIXTITLE;
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    return true;
}

bool CFrameWnd::LoadFrame(UINT nIDResource, CSingleDocTemplate* pTemplate)
{
    m_nIDResource = nIDResource;
    m_pTemplate = pTemplate;
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);

    CREATESTRUCTA cs;
    ZeroMemory(&cs, sizeof(cs));
    cs.hInstance = hInst;
    if (!PreCreateWindow(cs))
        return false;

    m_dwFrameStyle = cs.style & (FWS_ADDTOTITLE | FWS_PREFIXTITLE);
    DWORD dwStyle = cs.style & ~static_cast<DWORD>(FWS_ADDTOTITLE | FWS_PREFIXTITLE);
    HMENU hMenu = ::LoadMenuA(hInst, MAKEINTRESOURCEA(nIDResource));
    m_hAccelTable = ::LoadAcceleratorsA(hInst, MAKEINTRESOURCEA(nIDResource));
    std::string strTitle = AfxGetApp() ? AfxGetApp()->m_strAppName : GetAppTitle();
    if (!CreateEx(cs.dwExStyle, cs.lpszClass, strTitle.c_str(), dwStyle, cs.x, cs.y, cs.cx, cs.cy,
                  nullptr, hMenu))
    {
        if (hMenu)
            ::DestroyMenu(hMenu);
        return false;
    }
    m_hMenuDefault = hMenu;
    return true;
}

int CFrameWnd::OnCreate(CREATESTRUCTA* pcs)
{
    // The class's icons are made for the system DPI.
    if (m_nDpi != GetSystemDpi())
        SetIconsForDpi(m_nDpi);
    return OnCreateClient(pcs) ? 0 : -1;
}

bool CFrameWnd::OnCreateClient(CREATESTRUCTA*)
{
    if (!m_pTemplate)
        return false;
    m_pView = m_pTemplate->CreateView();
    if (!m_pView || !m_pView->Create(m_hWnd, AFX_IDW_PANE_FIRST))
        return false;
    m_pView->AttachDocument(m_pTemplate->GetDocument());
    return true;
}

bool CFrameWnd::RouteCmdMsg(UINT nID, int nCode, CCmdUI* pCmdUI)
{
    if (m_pView && m_pView->OnCmdMsg(nID, nCode, pCmdUI))
        return true;
    if (m_pTemplate && m_pTemplate->OnCmdMsg(nID, nCode, pCmdUI))
        return true;
    if (OnCmdMsg(nID, nCode, pCmdUI))
        return true;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode, pCmdUI);
}

bool CFrameWnd::IsCommandEnabled(UINT nID)
{
    CCmdUI state(nID);
    return RouteCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state) && state.m_bEnabled;
}

bool CFrameWnd::ExecuteCommand(UINT nID)
{
    if (!IsCommandEnabled(nID))
        return false;   // a disabled command from a key or a menu is refused
    return RouteCmdMsg(nID, CN_COMMAND, nullptr);
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    int yTop = rc.top, yBottom = rc.bottom;
    if (m_pToolBar && m_pToolBar->m_hWnd)
    {
        m_pToolBar->AutoSize();
        yTop += m_pToolBar->GetHeight();
    }
    if (m_pStatusBar && m_pStatusBar->m_hWnd)
    {
        m_pStatusBar->Resize();
        yBottom -= m_pStatusBar->GetHeight();
    }
    if (m_pView && m_pView->m_hWnd)
        ::MoveWindow(m_pView->m_hWnd, rc.left, yTop, rc.right - rc.left,
                     yBottom > yTop ? yBottom - yTop : 0, TRUE);
}

void CFrameWnd::OnUpdateFrameTitle()
{
    std::string strApp = AfxGetApp() ? AfxGetApp()->m_strAppName : GetAppTitle();
    std::string strTitle = strApp;
    CDocument* pDoc = GetActiveDocument();
    if ((m_dwFrameStyle & FWS_ADDTOTITLE) && pDoc)
    {
        if (m_dwFrameStyle & FWS_PREFIXTITLE)
            strTitle = pDoc->GetTitle() + " - " + strApp;
        else
            strTitle = strApp + " - " + pDoc->GetTitle();
    }
    char szOld[512] = "";
    ::GetWindowTextA(m_hWnd, szOld, sizeof(szOld));
    if (strTitle != szOld)
        ::SetWindowTextA(m_hWnd, strTitle.c_str());
}

void CFrameWnd::SetMessageText(const std::string& strText)
{
    if (m_pStatusBar && m_pStatusBar->m_hWnd)
        m_pStatusBar->SetPaneText(0, strText);
}

std::string CFrameWnd::GetMessageText() const
{
    return m_pStatusBar ? m_pStatusBar->GetPaneText(0) : std::string();
}

std::string CFrameWnd::GetCommandPrompt(UINT nID)
{
    char sz[512] = "";
    if (::LoadStringA(::GetModuleHandleA(nullptr), nID, sz, sizeof(sz)) <= 0)
        return std::string();
    std::string str = sz;
    size_t n = str.find('\n');
    return n == std::string::npos ? str : str.substr(0, n);
}

std::string CFrameWnd::GetCommandTip(UINT nID)
{
    char sz[512] = "";
    if (::LoadStringA(::GetModuleHandleA(nullptr), nID, sz, sizeof(sz)) <= 0)
        return std::string();
    const char* pszTip = strchr(sz, '\n');
    return pszTip ? std::string(pszTip + 1) : std::string();
}

void CFrameWnd::OnUpdateControlBars()
{
    if (!m_pToolBar || !m_pToolBar->m_hWnd)
        return;
    int nCount = m_pToolBar->GetButtonCount();
    for (int i = 0; i < nCount; ++i)
    {
        UINT nID = m_pToolBar->GetItemID(i);
        if (nID)
            m_pToolBar->EnableButton(nID, IsCommandEnabled(nID));
    }
}

void CFrameWnd::UpdateRecentFileMenu(HMENU hPopup)
{
    CWinApp* pApp = AfxGetApp();
    CRecentFileList* pList = pApp ? pApp->GetRecentFileList() : nullptr;
    if (!pList)
        return;

    // Take out every recent-file item, remembering where the list stands in the popup.
    int nPos = -1;
    for (int i = ::GetMenuItemCount(hPopup) - 1; i >= 0; --i)
    {
        UINT nID = ::GetMenuItemID(hPopup, i);
        if (nID >= ID_FILE_MRU_FIRST && nID <= ID_FILE_MRU_LAST)
        {
            ::DeleteMenu(hPopup, i, MF_BYPOSITION);
            nPos = i;
        }
    }
    if (nPos < 0)
        return;
    if (pList->GetSize() == 0)
    {
        ::InsertMenuA(hPopup, nPos, MF_BYPOSITION | MF_STRING | MF_GRAYED, ID_FILE_MRU_FIRST, "Recent File");
        return;
    }
    for (size_t i = 0; i < pList->GetSize(); ++i)
        ::InsertMenuA(hPopup, nPos + static_cast<int>(i), MF_BYPOSITION | MF_STRING,
                      ID_FILE_MRU_FIRST + static_cast<UINT>(i), pList->GetMenuText(i).c_str());
}

void CFrameWnd::UpdateMenuPopup(HMENU hPopup)
{
    UpdateRecentFileMenu(hPopup);
    int nCount = ::GetMenuItemCount(hPopup);
    for (int i = 0; i < nCount; ++i)
    {
        UINT nID = ::GetMenuItemID(hPopup, i);
        if (nID == 0 || nID == static_cast<UINT>(-1))
            continue;   // separator or sub-menu
        CWinApp* pApp = AfxGetApp();
        if (nID == ID_FILE_MRU_FIRST && pApp && pApp->GetRecentFileList() &&
            pApp->GetRecentFileList()->GetSize() == 0)
            continue;   // the grayed "Recent File" placeholder
        CCmdUI state(nID);
        bool bEnable = RouteCmdMsg(nID, CN_UPDATE_COMMAND_UI, &state) && state.m_bEnabled;
        ::EnableMenuItem(hPopup, i, MF_BYPOSITION | (bEnable ? MF_ENABLED : MF_GRAYED));
    }
}

LRESULT CFrameWnd::OnInitMenuPopup(HMENU hPopup, UINT, bool bSysMenu)
{
    if (!bSysMenu)
        UpdateMenuPopup(hPopup);
    return 0;
}

bool CFrameWnd::OnMeasureItem(MEASUREITEMSTRUCT* pMis)
{
    return DispatchMenuMeasureItem(pMis);
}

bool CFrameWnd::OnDrawItem(DRAWITEMSTRUCT* pDis)
{
    return DispatchMenuDrawItem(pDis);
}

LRESULT CFrameWnd::OnMenuChar(UINT nChar, UINT nFlags, HMENU hMenu)
{
    return Default(WM_MENUCHAR, MAKEWPARAM(nChar, nFlags), reinterpret_cast<LPARAM>(hMenu));
}

void CFrameWnd::SetIconsForDpi(int nDpi)
{
    const struct { WPARAM nWhich; int nMetric; HICON* phIcon; } kIcons[] = {
        { ICON_SMALL, SM_CXSMICON, &m_hIconSmall }, { ICON_BIG, SM_CXICON, &m_hIconBig },
    };
    for (const auto& icon : kIcons)
    {
        // The program icon holds sizes from 16 to 256 pixels: the one the system asks for is taken whole.
        int cx = GetSystemMetricsAtDpi(icon.nMetric, nDpi);
        HICON hIcon = static_cast<HICON>(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nIDResource),
                                                      IMAGE_ICON, cx, cx, 0));
        if (!hIcon)
            continue;
        ::SendMessageA(m_hWnd, WM_SETICON, icon.nWhich, reinterpret_cast<LPARAM>(hIcon));
        if (*icon.phIcon)
            ::DestroyIcon(*icon.phIcon);
        *icon.phIcon = hIcon;
    }
}

void CFrameWnd::OnDpiChanged(int nDpi, const RECT& rcSuggested)
{
    m_nDpi = nDpi;
    SetIconsForDpi(nDpi);
    if (m_pStatusBar && m_pStatusBar->m_hWnd)
        m_pStatusBar->SetDpi(nDpi);
    ::SetWindowPos(m_hWnd, nullptr, rcSuggested.left, rcSuggested.top, rcSuggested.right - rcSuggested.left,
                   rcSuggested.bottom - rcSuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RecalcLayout();
}

void CFrameWnd::OnDropFiles(HDROP hDrop)
{
    // The first name, read at its full length: a name cut to a fixed buffer can name another,
    // existing file.
    std::wstring strWide;
    if (::DragQueryFileW(hDrop, 0xFFFFFFFF, nullptr, 0) > 0)
    {
        UINT cch = ::DragQueryFileW(hDrop, 0, nullptr, 0);
        if (cch > 0)
        {
            strWide.resize(cch + 1);
            strWide.resize(::DragQueryFileW(hDrop, 0, &strWide[0], cch + 1));
        }
    }
    ::DragFinish(hDrop);
    // A drop while a modal dialog has the frame disabled would open another archive under the
    // question being asked.
    if (strWide.empty() || !::IsWindowEnabled(m_hWnd))
        return;
    ::SetActiveWindow(m_hWnd);

    std::string strPath;
    if (!WideToAnsiName(strWide.data(), strWide.size(), strPath))
    {
        AfxMessageBox("This file cannot be opened: its name holds characters that the system's code "
                      "page cannot represent.", QMB_OK | QMB_ICONEXCLAMATION);
        return;
    }
    if (strPath.size() >= MAX_PATH)
    {
        AfxMessageBox(strPath + "\r\nThis file name is too long to be opened.", QMB_OK | QMB_ICONEXCLAMATION);
        return;
    }
    if (CWinApp* pApp = AfxGetApp())
        pApp->OpenDocumentFile(strPath);
}

LRESULT CFrameWnd::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_NCCREATE:
        // Caption and menu bar scaled by Windows on every screen; all inside is measured at m_nDpi.
        EnableNonClientDpiScalingFor(m_hWnd);
        m_nDpi = GetWindowDpi(m_hWnd);
        break;

    case WM_CREATE:
        return OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam));

    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;

    case WM_SIZE:
        RecalcLayout();
        return 0;

    case WM_SETFOCUS:
        if (m_pView && m_pView->m_hWnd)
            ::SetFocus(m_pView->m_hWnd);
        return 0;

    case WM_COMMAND:
        // Menus (0), accelerators (1) and control notifications alike: a disabled command is refused.
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED)
        {
            ExecuteCommand(LOWORD(wParam));
            return 0;
        }
        break;

    case WM_NOTIFY:
    {
        NMHDR* pNmhdr = reinterpret_cast<NMHDR*>(lParam);
        if (pNmhdr->code == TTN_GETDISPINFOA)
        {
            static std::string s_strTip;   // must outlive the notification
            NMTTDISPINFOA* pInfo = reinterpret_cast<NMTTDISPINFOA*>(lParam);
            s_strTip = GetCommandTip(static_cast<UINT>(pNmhdr->idFrom));
            pInfo->lpszText = const_cast<char*>(s_strTip.c_str());
            pInfo->hinst = nullptr;
            return 0;
        }
        if (pNmhdr->code == NM_CUSTOMDRAW && m_pToolBar && pNmhdr->hwndFrom == m_pToolBar->m_hWnd)
            return m_pToolBar->OnCustomDraw(reinterpret_cast<NMTBCUSTOMDRAW*>(lParam));
        if (pNmhdr->code == TBN_HOTITEMCHANGE && m_pToolBar && pNmhdr->hwndFrom == m_pToolBar->m_hWnd)
        {
            // Fly-by prompts: the status line tells what the button under the mouse does.
            NMTBHOTITEM* pHot = reinterpret_cast<NMTBHOTITEM*>(lParam);
            if (pHot->dwFlags & HICF_LEAVING)
                SetMessageText(AfxGetApp() ? AfxGetApp()->LoadString(m_nIDIdleMessage) : "Ready");
            else
                SetMessageText(GetCommandPrompt(static_cast<UINT>(pHot->idNew)));
            return 0;
        }
        break;
    }

    case WM_INITMENUPOPUP:
        return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam) != 0);

    case WM_MEASUREITEM:
        if (OnMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return TRUE;
        break;

    case WM_DRAWITEM:
        if (OnDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)))
            return TRUE;
        break;

    case WM_MENUCHAR:
        return OnMenuChar(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));

    case WM_MENUSELECT:
    {
        UINT nFlags = HIWORD(wParam);
        if (nFlags == 0xFFFF && lParam == 0)
        {
            SetMessageText(AfxGetApp() ? AfxGetApp()->LoadString(m_nIDIdleMessage) : "Ready");
        }
        else
        {
            UINT nID = LOWORD(wParam);
            if ((nFlags & MF_SYSMENU) && nID >= SC_SIZE)
                nID = SysCommandPromptId(nID);
            SetMessageText((nFlags & (MF_POPUP | MF_SEPARATOR)) ? std::string() : GetCommandPrompt(nID));
        }
        return 0;
    }

    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;

    case WM_CLOSE:
        if (m_pTemplate && !m_pTemplate->SaveModified())
            return 0;
        ::DestroyWindow(m_hWnd);
        return 0;

    case WM_QUERYENDSESSION:
        // Logoff and shutdown ask as Close does; Cancel, or a save that fails, keeps the
        // session from ending with the changes.
        return (m_pTemplate && !m_pTemplate->SaveModified()) ? FALSE : TRUE;

    case WM_NCDESTROY:
        // The bars' windows died with the frame's: their owners must not destroy them again.
        if (m_pToolBar)
            m_pToolBar->m_hWnd = nullptr;
        if (m_pStatusBar)
            m_pStatusBar->m_hWnd = nullptr;
        break;

    case WM_DESTROY:
        if (AfxGetApp() && AfxGetApp()->m_pMainWnd == this)
        {
            AfxGetApp()->m_pMainWnd = nullptr;
            ::PostQuitMessage(0);
        }
        break;
    }
    return CWnd::WindowProc(uMsg, wParam, lParam);
}
