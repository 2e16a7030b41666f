// ControlBars.cpp
#include "framework/win/ControlBars.h"
#include "framework/win/Dpi.h"

namespace
{
const WORD RT_TOOLBAR_ID = 241;   // toolbar resource: version, image width and height, count, ids

/// Height a bar takes from its frame: nothing while it is hidden.
int VisibleHeight(HWND hWnd)
{
    RECT rc = {};
    if (!hWnd || !::IsWindowVisible(hWnd))
        return 0;
    ::GetWindowRect(hWnd, &rc);
    return rc.bottom - rc.top;
}
}

// A bar whose window died with its frame has forgotten the handle (the frame clears it), so a
// destructor destroys only a window that is still its own.
CToolBar::~CToolBar()
{
    DestroyWindow();
}

bool CToolBar::Create(HWND hParent, DWORD dwCtrlStyle, DWORD dwStyle, UINT nID, int nDpi)
{
    m_hWnd = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, dwStyle | dwCtrlStyle, 0, 0, 0, 0,
                               hParent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                               ::GetModuleHandleA(nullptr), nullptr);
    if (!m_hWnd)
        return false;
    m_nDpi = nDpi ? nDpi : GetWindowDpi(hParent);
    ::SendMessageA(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // The bar makes its own font for the system DPI; on another screen it gets the one made for that.
    LOGFONTA lf = {};
    if (m_nDpi != GetSystemDpi() && GetIconTitleFontAtDpi(lf, m_nDpi))
    {
        m_hFont = ::CreateFontIndirectA(&lf);
        ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_hFont), FALSE);
    }
    return true;
}

void CToolBar::DestroyWindow()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    if (m_hbmImages)
        ::DeleteObject(m_hbmImages);
    m_hbmImages = nullptr;
    if (m_hFont)
        ::DeleteObject(m_hFont);
    m_hFont = nullptr;
}

bool CToolBar::ReadToolbarResource(HINSTANCE hInst, UINT nIDResource, std::vector<UINT>& arrIds,
                                   int& cxImage, int& cyImage)
{
    HRSRC hRes = ::FindResourceA(hInst, MAKEINTRESOURCEA(nIDResource), MAKEINTRESOURCEA(RT_TOOLBAR_ID));
    if (!hRes)
        return false;
    DWORD cb = ::SizeofResource(hInst, hRes);
    HGLOBAL hData = ::LoadResource(hInst, hRes);
    const WORD* pWords = hData ? static_cast<const WORD*>(::LockResource(hData)) : nullptr;
    if (!pWords || cb < 4 * sizeof(WORD) || pWords[0] != 1)
        return false;
    WORD nCount = pWords[3];
    if (cb < (4u + nCount) * sizeof(WORD))
        return false;
    cxImage = pWords[1];
    cyImage = pWords[2];
    arrIds.assign(pWords + 4, pWords + 4 + nCount);
    return true;
}

bool CToolBar::LoadToolBar(UINT nIDResource)
{
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    std::vector<UINT> arrIds;
    int cx = 0, cy = 0;
    if (!ReadToolbarResource(hInst, nIDResource, arrIds, cx, cy))
        return false;

    // The strip's black, greys and white become the system's button colours, so its light
    // grey background turns into the button face.
    int nPercent = 100;
    UINT nIDBitmap = PickArtBitmap(hInst, nIDResource, m_nDpi, &nPercent);
    HBITMAP hbm = ::CreateMappedBitmap(hInst, nIDBitmap, 0, nullptr, 0);
    if (!hbm)
        return false;
    if (m_hbmImages)
        ::DeleteObject(m_hbmImages);
    m_hbmImages = hbm;

    int nImages = 0;
    for (UINT id : arrIds)
        nImages += id != 0;
    if (nIDBitmap != nIDResource)
    {
        // A strip drawn for another scaling: its pictures are as high as it is, side by side.
        BITMAP bm = {};
        ::GetObjectA(hbm, sizeof(bm), &bm);
        cx = nImages ? bm.bmWidth / nImages : bm.bmHeight;
        cy = bm.bmHeight;
    }
    m_sizeImage = { cx, cy };
    ::SendMessageA(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    TBADDBITMAP tbab = { nullptr, reinterpret_cast<UINT_PTR>(hbm) };
    ::SendMessageA(m_hWnd, TB_ADDBITMAP, nImages, reinterpret_cast<LPARAM>(&tbab));

    std::vector<TBBUTTON> arrButtons(arrIds.size());
    int iImage = 0;
    for (size_t i = 0; i < arrIds.size(); ++i)
    {
        TBBUTTON& b = arrButtons[i];
        b.idCommand = static_cast<int>(arrIds[i]);
        b.fsState = TBSTATE_ENABLED;
        b.fsStyle = arrIds[i] ? BTNS_BUTTON : BTNS_SEP;
        b.iBitmap = arrIds[i] ? iImage++ : 0;
        b.iString = -1;
    }
    ::SendMessageA(m_hWnd, TB_ADDBUTTONSA, arrButtons.size(), reinterpret_cast<LPARAM>(arrButtons.data()));
    return true;
}

int CToolBar::GetButtonCount() const
{
    return static_cast<int>(::SendMessageA(m_hWnd, TB_BUTTONCOUNT, 0, 0));
}

UINT CToolBar::GetItemID(int nIndex) const
{
    TBBUTTON b = {};
    if (!::SendMessageA(m_hWnd, TB_GETBUTTON, nIndex, reinterpret_cast<LPARAM>(&b)))
        return 0;
    return (b.fsStyle & BTNS_SEP) ? 0 : static_cast<UINT>(b.idCommand);
}

bool CToolBar::SetButtonText(int nIndex, const char* pszText)
{
    UINT nID = GetItemID(nIndex);
    if (!nID)
        return false;
    TBBUTTONINFOA info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT;
    info.pszText = const_cast<char*>(pszText);
    return ::SendMessageA(m_hWnd, TB_SETBUTTONINFOA, nID, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolBar::EnableButton(UINT nID, bool bEnable)
{
    if (IsButtonEnabled(nID) != bEnable)
        ::SendMessageA(m_hWnd, TB_ENABLEBUTTON, nID, MAKELPARAM(bEnable ? TRUE : FALSE, 0));
}

bool CToolBar::IsButtonEnabled(UINT nID) const
{
    return ::SendMessageA(m_hWnd, TB_ISBUTTONENABLED, nID, 0) != 0;
}

int CToolBar::GetHeight() const
{
    return VisibleHeight(m_hWnd);
}

void CToolBar::AutoSize()
{
    if (!m_hWnd)
        return;
    ::SendMessageA(m_hWnd, TB_AUTOSIZE, 0, 0);
    if (!m_bBorderBottom)
        return;
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top + 1,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CToolBar::OnCustomDraw(NMTBCUSTOMDRAW* pDraw)
{
    if (!m_bBorderBottom)
        return CDRF_DODEFAULT;
    if (pDraw->nmcd.dwDrawStage == CDDS_PREPAINT)
        return CDRF_NOTIFYPOSTPAINT;
    if (pDraw->nmcd.dwDrawStage == CDDS_POSTPAINT)
    {
        RECT rc = {};
        ::GetClientRect(m_hWnd, &rc);
        rc.top = rc.bottom - 1;
        ::SetBkColor(pDraw->nmcd.hdc, ::GetSysColor(COLOR_BTNSHADOW));
        ::ExtTextOutA(pDraw->nmcd.hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    }
    return CDRF_DODEFAULT;
}

CStatusBar::~CStatusBar()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    if (m_hFont)
        ::DeleteObject(m_hFont);
}

bool CStatusBar::Create(HWND hParent, DWORD dwStyle, UINT nID)
{
    m_hWnd = ::CreateWindowExA(0, STATUSCLASSNAMEA, nullptr, dwStyle, 0, 0, 0, 0, hParent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)),
                               ::GetModuleHandleA(nullptr), nullptr);
    m_nDpi = GetSystemDpi();   // the control's own font is made for the system's DPI: SetDpi gives another its own
    return m_hWnd != nullptr;
}

void CStatusBar::SetIndicators(const UINT* pIDs, int nCount)
{
    m_arrPanes.clear();
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    for (int i = 0; i < nCount; ++i)
    {
        Pane pane = { pIDs[i], SBPS_NORMAL, 100, std::string() };
        char sz[256] = "";
        if (pIDs[i] && ::LoadStringA(hInst, pIDs[i], sz, sizeof(sz)) > 0)
            pane.strText = sz;
        m_arrPanes.push_back(pane);
    }
    ApplyParts();
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_arrPanes.size()))
        return;
    Pane& pane = m_arrPanes[nIndex];
    pane.nID = nID;
    pane.nStyle = nStyle;
    pane.cxWidth = cxWidth;
    ApplyParts();
}

void CStatusBar::SetPaneText(int nIndex, const std::string& strText, bool bUpdate)
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_arrPanes.size()))
        return;
    m_arrPanes[nIndex].strText = strText;
    ::SendMessageA(m_hWnd, SB_SETTEXTA, nIndex, reinterpret_cast<LPARAM>(strText.c_str()));
    if (bUpdate)
        ::UpdateWindow(m_hWnd);
}

std::string CStatusBar::GetPaneText(int nIndex) const
{
    if (nIndex < 0 || nIndex >= static_cast<int>(m_arrPanes.size()))
        return std::string();
    return m_arrPanes[nIndex].strText;
}

void CStatusBar::SetDpi(int nDpi)
{
    if (nDpi == m_nDpi || !m_hWnd)
        return;
    m_nDpi = nDpi;
    NONCLIENTMETRICSA metrics = {};
    if (GetNonClientMetricsAtDpi(metrics, nDpi))
    {
        HFONT hFont = ::CreateFontIndirectA(&metrics.lfStatusFont);
        ::SendMessageA(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), TRUE);
        if (m_hFont)
            ::DeleteObject(m_hFont);
        m_hFont = hFont;
    }
    Resize();
}

void CStatusBar::Resize()
{
    ::SendMessageA(m_hWnd, WM_SIZE, 0, 0);
    ApplyParts();
}

int CStatusBar::GetHeight() const
{
    return VisibleHeight(m_hWnd);
}

void CStatusBar::ApplyParts()
{
    if (!m_hWnd || m_arrPanes.empty())
        return;
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    int cxFixed = 0, nStretchy = 0;
    for (const Pane& pane : m_arrPanes)
    {
        cxFixed += ScaleForDpi(pane.cxWidth, m_nDpi);
        nStretchy += (pane.nStyle & SBPS_STRETCH) != 0;
    }
    // Room the panes do not need goes in equal shares to the stretchable ones.
    int cxExtra = rc.right - cxFixed;
    if (cxExtra < 0)
        cxExtra = 0;
    std::vector<int> arrEdges;
    int x = 0, nSeen = 0;
    for (const Pane& pane : m_arrPanes)
    {
        x += ScaleForDpi(pane.cxWidth, m_nDpi);
        if ((pane.nStyle & SBPS_STRETCH) && nStretchy)
        {
            ++nSeen;
            x += cxExtra * nSeen / nStretchy - cxExtra * (nSeen - 1) / nStretchy;
        }
        arrEdges.push_back(x);
    }
    ::SendMessageA(m_hWnd, SB_SETPARTS, arrEdges.size(), reinterpret_cast<LPARAM>(arrEdges.data()));
    for (size_t i = 0; i < m_arrPanes.size(); ++i)
        ::SendMessageA(m_hWnd, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(m_arrPanes[i].strText.c_str()));
}
