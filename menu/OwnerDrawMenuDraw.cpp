// OwnerDrawMenuDraw.cpp: measuring and drawing the items in the flat and the classic look.
#include "menu/OwnerDrawMenu.h"
#include <commctrl.h>
#include <algorithm>
#include "framework/win/Dpi.h"

namespace
{
const DWORD ROP_DSPDXAX = 0x00E20746;   // ink pixels of the mask take the brush, the rest stays

void FillSolid(HDC hdc, const RECT& rc, COLORREF cr)
{
    COLORREF crOld = ::SetBkColor(hdc, cr);
    ::ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
    ::SetBkColor(hdc, crOld);
}

/// A 1-pixel outline just inside rc.
void FrameSolid(HDC hdc, const RECT& rc, COLORREF cr)
{
    FillSolid(hdc, { rc.left, rc.top, rc.right, rc.top + 1 }, cr);
    FillSolid(hdc, { rc.left, rc.bottom - 1, rc.right, rc.bottom }, cr);
    FillSolid(hdc, { rc.left, rc.top, rc.left + 1, rc.bottom }, cr);
    FillSolid(hdc, { rc.right - 1, rc.top, rc.right, rc.bottom }, cr);
}

/// A 3-D frame: top and left edges in crTopLeft, bottom and right edges in crBottomRight.
void Frame3D(HDC hdc, const RECT& rc, COLORREF crTopLeft, COLORREF crBottomRight)
{
    FillSolid(hdc, { rc.left, rc.top, rc.right - 1, rc.top + 1 }, crTopLeft);
    FillSolid(hdc, { rc.left, rc.top, rc.left + 1, rc.bottom - 1 }, crTopLeft);
    FillSolid(hdc, { rc.right - 1, rc.top, rc.right, rc.bottom }, crBottomRight);
    FillSolid(hdc, { rc.left, rc.bottom - 1, rc.right, rc.bottom }, crBottomRight);
}

/// Label (before the first tab) and accelerator text (after the last tab) in the given colour.
void DrawItemText(HDC hdc, const std::wstring& strText, RECT rcText, int cxIcon, COLORREF cr)
{
    if (strText.empty())
        return;
    std::string strAnsi = MenuTextToAnsi(strText);
    size_t nFirstTab = strAnsi.find('\t');
    std::string strLabel = nFirstTab == std::string::npos ? strAnsi : strAnsi.substr(0, nFirstTab);
    std::string strAccel = nFirstTab == std::string::npos ? std::string() : strAnsi.substr(strAnsi.rfind('\t') + 1);
    if (nFirstTab != std::string::npos)
        rcText.right -= cxIcon;
    COLORREF crOld = ::SetTextColor(hdc, cr);
    int nOldMode = ::SetBkMode(hdc, TRANSPARENT);
    ::DrawTextA(hdc, strLabel.c_str(), static_cast<int>(strLabel.size()), &rcText, DT_SINGLELINE | DT_VCENTER);
    if (!strAccel.empty())
        ::DrawTextA(hdc, strAccel.c_str(), static_cast<int>(strAccel.size()), &rcText,
                    DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    ::SetBkMode(hdc, nOldMode);
    ::SetTextColor(hdc, crOld);
}

/// Radio-style items carry a checked-state bitmap of the framework's; they get a dot, not a tick.
bool IsRadioItem(const DRAWITEMSTRUCT* pDis)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    return ::GetMenuItemInfoA(reinterpret_cast<HMENU>(pDis->hwndItem), pDis->itemID, FALSE, &info) &&
           info.hbmpChecked != nullptr;
}

}

COLORREF LightenColor(COLORREF c, double x)
{
    if (!(x > 0.0 && x <= 1.0))
        return c;
    auto lighten = [x](BYTE v) { return static_cast<BYTE>(v + x * (255 - v)); };
    return RGB(lighten(GetRValue(c)), lighten(GetGValue(c)), lighten(GetBValue(c)));
}

CGdiObject CreateMenuFont()
{
    NONCLIENTMETRICSA metrics = {};
    if (!GetNonClientMetricsAtDpi(metrics, GetMenuDpi()))
        return CGdiObject();
    return CGdiObject(::CreateFontIndirectA(&metrics.lfMenuFont));
}

COffscreenDC::COffscreenDC(HDC hdcTarget, const RECT& rc) : m_hdcTarget(hdcTarget), m_rect(rc)
{
    if (::GetDeviceCaps(hdcTarget, TECHNOLOGY) == DT_RASPRINTER)
    {
        m_hdc = hdcTarget;   // a printer draws straight on its page
        return;
    }
    m_hdc = ::CreateCompatibleDC(hdcTarget);
    if (!m_hdc)
    {
        m_hdc = hdcTarget;
        return;
    }
    AdjustMenuGdiTally(1);
    m_bOffscreen = 1;
    m_bitmap = CGdiObject(::CreateCompatibleBitmap(hdcTarget, rc.right - rc.left, rc.bottom - rc.top));
    m_hOldBitmap = ::SelectObject(m_hdc, m_bitmap.Get());
    ::SetWindowOrgEx(m_hdc, rc.left, rc.top, nullptr);
}

COffscreenDC::~COffscreenDC()
{
    if (!m_bOffscreen)
        return;   // borrowed: nothing to give back
    ::BitBlt(m_hdcTarget, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_hdc,
             m_rect.left, m_rect.top, SRCCOPY);
    ::SelectObject(m_hdc, m_hOldBitmap);
    ::DeleteDC(m_hdc);
    AdjustMenuGdiTally(-1);
}

CGdiObject MakeImageBitmap(HDC hdc, HIMAGELIST hList, int nIndex, int cx, int cy)
{
    CIconHandle icon(::ImageList_GetIcon(hList, nIndex, ILD_NORMAL));
    CGdiObject bitmap(::CreateCompatibleBitmap(hdc, cx, cy));
    CMemoryDC dcMem(hdc);
    {
        CSelectObject select(dcMem, bitmap.Get());
        FillSolid(dcMem, { 0, 0, cx, cy }, ::GetSysColor(COLOR_MENU));
        if (icon.Get())
            ::DrawIconEx(dcMem, 0, 0, icon.Get(), cx, cy, 0, nullptr, DI_NORMAL);
    }
    return bitmap;
}

void DrawEmbossedImage(HDC hdc, int x, int y, int cx, int cy, HBITMAP hbmSource, COLORREF crBack)
{
    CMemoryDC dcMask(hdc);
    CGdiObject mask(::CreateBitmap(cx, cy, 1, 1, nullptr));
    CSelectObject selectMask(dcMask, mask.Get());
    ::PatBlt(dcMask, 0, 0, cx, cy, WHITENESS);

    CMemoryDC dcSource(hdc);
    CSelectObject selectSource(dcSource, hbmSource);
    COLORREF crOldBack = ::SetBkColor(dcSource, ::GetSysColor(COLOR_BTNFACE));
    ::BitBlt(dcMask, 0, 0, cx, cy, dcSource, 0, 0, SRCCOPY);
    ::SetBkColor(dcSource, ::GetSysColor(COLOR_BTNHIGHLIGHT));
    ::BitBlt(dcMask, 0, 0, cx, cy, dcSource, 0, 0, SRCPAINT);

    FillSolid(dcSource, { 0, 0, cx, cy }, crBack);
    ::SetBkColor(dcSource, RGB(0, 0, 0));
    COLORREF crOldText = ::SetTextColor(dcSource, RGB(255, 255, 255));
    {
        CGdiObject brush(::CreateSolidBrush(::GetSysColor(COLOR_BTNHIGHLIGHT)));
        CSelectObject selectBrush(dcSource, brush.Get());
        ::BitBlt(dcSource, 0, 0, cx, cy, dcMask, 0, 0, ROP_DSPDXAX);
        ::BitBlt(hdc, x + 1, y + 1, cx, cy, dcSource, 0, 0, SRCCOPY);
        ::BitBlt(dcSource, 1, 1, cx, cy, dcMask, 0, 0, ROP_DSPDXAX);
    }
    {
        CGdiObject brush(::CreateSolidBrush(::GetSysColor(COLOR_BTNSHADOW)));
        CSelectObject selectBrush(dcSource, brush.Get());
        ::BitBlt(dcSource, 0, 0, cx, cy, dcMask, 0, 0, ROP_DSPDXAX);
        ::BitBlt(hdc, x, y, cx, cy, dcSource, 0, 0, SRCCOPY);
    }
    ::SetTextColor(dcSource, crOldText);
    ::SetBkColor(dcSource, crOldBack);
}

void DrawTick(HDC hdc, int x, int y, COLORREF cr, int nScale)
{
    static const int kStart[7] = { 2, 3, 4, 3, 2, 1, 0 };
    if (nScale > 1)
    {
        // Each pixel of the stroke as an nScale square.
        for (int k = 0; k < 7; ++k)
            FillSolid(hdc, { x + k * nScale, y + kStart[k] * nScale, x + (k + 1) * nScale, y + (kStart[k] + 3) * nScale }, cr);
        return;
    }
    CGdiObject pen(::CreatePen(PS_SOLID, 1, cr));
    CSelectObject selectPen(hdc, pen.Get());
    for (int k = 0; k < 7; ++k)
    {
        ::MoveToEx(hdc, x + k, y + kStart[k], nullptr);
        ::LineTo(hdc, x + k, y + kStart[k] + 3);
    }
}

void DrawRadioDot(HDC hdc, int x, int y, COLORREF cr, int nScale)
{
    CGdiObject pen(::CreatePen(PS_SOLID, 1, cr));
    CGdiObject brush(::CreateSolidBrush(cr));
    CSelectObject selectPen(hdc, pen.Get());
    CSelectObject selectBrush(hdc, brush.Get());
    ::Ellipse(hdc, x, y, x + 6 * nScale, y + 6 * nScale);
}

void COwnerDrawMenu::MeasureItem(MEASUREITEMSTRUCT* pMis)
{
    const MenuItemData* pData = reinterpret_cast<const MenuItemData*>(pMis->itemData);
    if (!pData)
        return;
    const int nDpi = GetMenuDpi();
    if (pData->m_nFlags & MF_SEPARATOR)
    {
        pMis->itemWidth = 0;
        pMis->itemHeight = m_bFlatLook ? ScaleForDpi(3, nDpi) : GetSystemMetricsAtDpi(SM_CYMENU, nDpi) / 2;
        return;
    }
    int cxText = 0;
    {
        CWindowDC dc(GetMenuMeasureWindow());
        CGdiObject font = IsNewShell() ? CreateMenuFont() : CGdiObject();
        CSelectObject selectFont(dc, font.Get());
        if (g_nPlatform != 0)
        {
            SIZE size = {};
            ::GetTextExtentPoint32W(dc, pData->m_text.c_str(), static_cast<int>(pData->m_text.size()), &size);
            cxText = size.cx;
        }
        else
        {
            std::string strText = MenuTextToAnsi(pData->m_text);
            RECT rc = { 0, 0, 0, 0 };
            ::DrawTextA(dc, strText.c_str(), static_cast<int>(strText.size()), &rc,
                        DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
            cxText = rc.right - rc.left + 3;
            // An empty text has no average character width to add.
            if (!strText.empty())
                cxText += 3 * (cxText / static_cast<int>(strText.size()));
        }
    }
    pMis->itemWidth = static_cast<UINT>(cxText + 2 * m_nIconWidth + ScaleForDpi(1, nDpi));
    int cyMenu = GetSystemMetricsAtDpi(SM_CYMENU, nDpi);
    int cyPicture = m_nIconHeight + ScaleForDpi(4, nDpi);
    pMis->itemHeight = static_cast<UINT>(cyMenu > cyPicture ? cyMenu : cyPicture);
}

void COwnerDrawMenu::DrawItem(DRAWITEMSTRUCT* pDis)
{
    MenuItemData* pData = reinterpret_cast<MenuItemData*>(pDis->itemData);
    if (!pData || pDis->CtlType != ODT_MENU)
        return;
    ++s_nItemsDrawn;
    COLORREF crBar = ::GetSysColor(IsNewShell() ? COLOR_BTNFACE : COLOR_MENU);
    bool bPalette = (::GetDeviceCaps(pDis->hDC, RASTERCAPS) & RC_PALETTE) != 0;
    if (!bPalette && g_bFlatLook == 1)
        DrawItemFlat(pDis, pData, crBar);
    else
        DrawItemClassic(pDis, pData, crBar);
}

void COwnerDrawMenu::DrawItemFlat(DRAWITEMSTRUCT* pDis, MenuItemData* pData, COLORREF crBar)
{
    const RECT& rcItem = pDis->rcItem;
    const int L = rcItem.left, T = rcItem.top, R = rcItem.right, B = rcItem.bottom, h = B - T;
    const int W = m_nIconWidth, H = m_nIconHeight;
    const bool bGrayed = (pDis->itemState & ODS_GRAYED) != 0;
    const bool bSelected = !bGrayed && (pDis->itemState & ODS_SELECTED);
    const bool bChecked = (pDis->itemState & ODS_CHECKED) != 0;
    // Gaps and offsets are written at 96 DPI; lines stay one pixel wide.
    const int nDpi = GetMenuDpi();
    auto S = [nDpi](int n) { return ScaleForDpi(n, nDpi); };

    COLORREF crBack = ::GetSysColor(COLOR_MENU);
    const bool bDistinct = crBar != crBack;
    if (!bDistinct)
    {
        crBar = LightenColor(crBar, 0.35);
        crBack = RGB(255, 255, 255);
    }
    const COLORREF crHighlight = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF crSelect = LightenColor(crHighlight, bDistinct ? 0.7 : 0.85);
    const COLORREF crCheckFill = LightenColor(crHighlight, 0.85);

    // Grayed items are composed off-screen and copied in one step.
    std::unique_ptr<COffscreenDC> pOffscreen(bGrayed ? new COffscreenDC(pDis->hDC, rcItem) : nullptr);
    HDC hdc = pOffscreen ? static_cast<HDC>(*pOffscreen) : pDis->hDC;

    const RECT rcBar = { L, T, L + W + S(5), B };
    if (pData->m_nFlags & MF_SEPARATOR)
    {
        FillSolid(hdc, rcItem, crBack);
        FillSolid(hdc, rcBar, crBar);
        RECT rcLine = { L + W + S(9), T + (h >> 1), R, B };
        ::DrawEdge(hdc, &rcLine, EDGE_ETCHED, BF_TOP);
        return;
    }
    if (bSelected)
    {
        FillSolid(hdc, rcItem, crSelect);
        FrameSolid(hdc, rcItem, crHighlight);
    }
    else
    {
        FillSolid(hdc, rcItem, crBack);
        FillSolid(hdc, rcBar, crBar);
    }

    const int o = std::max(0, (h - H - S(4)) / 2);
    const RECT rcF = { L + S(1), T + o + S(1), L + W + S(3), T + o + H + S(3) };
    const RECT rcG = { L, T + o, L + W + S(4), T + o + H + S(4) };
    if (pData->m_nImageSource != -1)
    {
        FrameSolid(hdc, rcF, crBar);
        if (bGrayed)
        {
            CGdiObject bitmap = MakeImageBitmap(hdc, pData->m_pImageList.Get(), pData->m_nImageIndex, W, H);
            FrameSolid(hdc, rcG, crBar);
            DrawEmbossedImage(hdc, L + S(2), T + o + S(2), W, H, bitmap.Bitmap(), crBar);
        }
        else
        {
            if (bSelected)
            {
                FillSolid(hdc, rcF, crSelect);
                if (IsNewShell() && bChecked)
                    FrameSolid(hdc, { L, T, L + W + S(4), B }, crHighlight);
            }
            else if (bChecked)
            {
                RECT rcCheck = { L + S(1), T, L + W + S(4), bDistinct ? B - 1 : B };
                FillSolid(hdc, rcCheck, crCheckFill);
                FrameSolid(hdc, rcCheck, crHighlight);
            }
            else
            {
                FillSolid(hdc, rcF, crBar);
                FrameSolid(hdc, rcG, crBar);
            }
            ::ImageList_Draw(pData->m_pImageList.Get(), pData->m_nImageIndex, hdc, L + S(3), T + o + S(2), ILD_TRANSPARENT);
        }
    }
    else if (bChecked)
    {
        RECT rcBox = { L + S(2), T + o + S(2), L + W + S(2), T + o + H + S(2) + (bDistinct ? 1 : 0) };
        FillSolid(hdc, rcBox, crCheckFill);
        FrameSolid(hdc, rcBox, crHighlight);
        if (IsRadioItem(pDis))
            DrawRadioDot(hdc, rcBox.left + S(5), rcBox.top + S(4), ::GetSysColor(COLOR_MENUTEXT), S(1));
        else
            DrawTick(hdc, rcBox.left + S(5), rcBox.top + S(4), ::GetSysColor(COLOR_MENUTEXT), S(1));
    }

    COLORREF crText = ::GetSysColor(COLOR_MENUTEXT);
    if (bGrayed)
        crText = bDistinct ? ::GetSysColor(COLOR_GRAYTEXT) : LightenColor(::GetSysColor(COLOR_GRAYTEXT), 0.55);
    CGdiObject font = CreateMenuFont();
    CSelectObject selectFont(hdc, font.Get());
    DrawItemText(hdc, pData->m_text, { L + W + S(9), T - S(1), R, B - S(1) }, W, crText);
}

void COwnerDrawMenu::DrawItemClassic(DRAWITEMSTRUCT* pDis, MenuItemData* pData, COLORREF crBar)
{
    HDC hdc = pDis->hDC;
    const RECT& rcItem = pDis->rcItem;
    const int L = rcItem.left, T = rcItem.top, R = rcItem.right, B = rcItem.bottom, h = B - T;
    const int W = m_nIconWidth, H = m_nIconHeight;
    const bool bGrayed = (pDis->itemState & ODS_GRAYED) != 0;
    const bool bSelected = !bGrayed && (pDis->itemState & ODS_SELECTED);
    const bool bChecked = (pDis->itemState & ODS_CHECKED) != 0;
    const bool bPicture = pData->m_nImageSource != -1;
    const COLORREF bg = crBar;
    // Gaps and offsets are written at 96 DPI; lines stay one pixel wide.
    const int nDpi = GetMenuDpi();
    auto S = [nDpi](int n) { return ScaleForDpi(n, nDpi); };

    if (pData->m_nFlags & MF_SEPARATOR)
    {
        FillSolid(hdc, rcItem, bg);
        RECT rcLine = { L, T + (h >> 1), R, B };
        ::DrawEdge(hdc, &rcLine, EDGE_ETCHED, BF_TOP);
        return;
    }
    COLORREF crText;
    if (bSelected)
    {
        RECT rcHighlight = (bPicture || bChecked) ? RECT{ L + W + S(5), T, R, B } : rcItem;
        FillSolid(hdc, rcHighlight, ::GetSysColor(COLOR_HIGHLIGHT));
        crText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    else
    {
        FillSolid(hdc, rcItem, bg);
        FrameSolid(hdc, rcItem, bg);
        crText = ::GetSysColor(COLOR_MENUTEXT);
    }

    const int o = std::max(0, (h - H - S(4)) / 2);
    const RECT rcF = { L + S(1), T + o + S(1), L + W + S(3), T + o + H + S(3) };
    const RECT rcG = { L, T + o, L + W + S(4), T + o + H + S(4) };
    const COLORREF crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF crLight = ::GetSysColor(COLOR_BTNHIGHLIGHT);
    if (bPicture)
    {
        FrameSolid(hdc, rcF, bg);
        if (bGrayed)
        {
            CGdiObject bitmap = MakeImageBitmap(hdc, pData->m_pImageList.Get(), pData->m_nImageIndex, W, H);
            FrameSolid(hdc, rcG, bg);
            DrawEmbossedImage(hdc, L + S(2), T + o + S(2), W, H, bitmap.Bitmap(), bg);
        }
        else
        {
            if (bSelected)
            {
                FillSolid(hdc, rcF, bg);
                if (IsNewShell())
                    Frame3D(hdc, rcG, bChecked ? crShadow : crLight, bChecked ? crLight : crShadow);
            }
            else if (bChecked)
            {
                FillSolid(hdc, rcF, ::GetSysColor(COLOR_3DLIGHT));
                if (IsNewShell())
                    Frame3D(hdc, rcG, crShadow, crLight);
            }
            else
            {
                FillSolid(hdc, rcF, bg);
                FrameSolid(hdc, rcG, bg);
            }
            ::ImageList_Draw(pData->m_pImageList.Get(), pData->m_nImageIndex, hdc, L + S(2), T + o + S(2), ILD_TRANSPARENT);
        }
    }
    else if (bChecked)
    {
        RECT rcBox = { L + S(1), T + o + S(2), L + W + S(1), T + o + H + S(2) };
        FillSolid(hdc, rcBox, ::GetSysColor((bSelected || !IsNewShell()) ? COLOR_MENU : COLOR_3DLIGHT));
        if (IsNewShell())
            ::DrawEdge(hdc, &rcBox, BDR_SUNKENOUTER, BF_RECT);
        if (IsRadioItem(pDis))
            DrawRadioDot(hdc, rcBox.left + S(5), rcBox.top + S(4), ::GetSysColor(COLOR_MENUTEXT), S(1));
        else
            DrawTick(hdc, rcBox.left + S(4), rcBox.top + S(4), ::GetSysColor(COLOR_MENUTEXT), S(1));
    }

    CGdiObject font = CreateMenuFont();
    CSelectObject selectFont(hdc, font.Get());
    const RECT rcText = { L + W + S(9), T - S(1), R, B - S(1) };
    if (!bGrayed)
    {
        DrawItemText(hdc, pData->m_text, rcText, W, crText);
        return;
    }
    DrawItemText(hdc, pData->m_text, { rcText.left + 1, rcText.top + 1, rcText.right + 1, rcText.bottom + 1 }, W,
                 crLight);
    DrawItemText(hdc, pData->m_text, rcText, W, ::GetSysColor(COLOR_GRAYTEXT));
}
