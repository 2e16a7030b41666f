// MenuDrawTests.cpp: item sizes and pixels of both looks, drawn into memory contexts.
#include <gtest/gtest.h>
#include "MenuTestSupport.h"
#include "res/resource.h"

namespace
{
const COLORREF kGrey = RGB(192, 192, 192);
const COLORREF kNavy = RGB(0, 0, 128);
const COLORREF kWhite = RGB(255, 255, 255);

/** Sets the menu height metric for the life of the object, when the system lets it. */
class CMenuHeight
{
public:
    explicit CMenuHeight(int cy)
    {
        m_metrics.cbSize = sizeof(m_metrics);
        m_bOk = ::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(m_metrics), &m_metrics, 0) != 0;
        if (!m_bOk)
            return;
        NONCLIENTMETRICSA changed = m_metrics;
        changed.iMenuHeight = cy;
        ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(changed), &changed, 0);
    }
    ~CMenuHeight()
    {
        if (m_bOk)
            ::SystemParametersInfoA(SPI_SETNONCLIENTMETRICS, sizeof(m_metrics), &m_metrics, 0);
    }

private:
    NONCLIENTMETRICSA m_metrics = {};
    bool m_bOk = false;
};

LONG TextWidth(const std::wstring& str)
{
    HDC hdc = ::GetDC(nullptr);
    CGdiObject font = CreateMenuFont();
    HGDIOBJ hOld = ::SelectObject(hdc, font.Get());
    SIZE size = {};
    ::GetTextExtentPoint32W(hdc, str.c_str(), static_cast<int>(str.size()), &size);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(nullptr, hdc);
    return size.cx;
}

/// Draws item nPos of the File popup of a freshly loaded main menu into a 220 x 24 canvas.
void DrawFileItem(CCanvas& canvas, UINT nID, UINT nState)
{
    COwnerDrawMenu menu;
    menu.LoadMenu(IDR_MAINFRAME);
    menu.LoadToolbarImages(menu.GetToolbarId());
    COwnerDrawMenu* pFile = PopupObject(menu, 0);
    int nPos = PositionOf(pFile->m_hMenu, nID);
    DRAWITEMSTRUCT dis = MakeDrawRequest(*pFile, nPos, canvas, { 0, 0, canvas.m_cx, canvas.m_cy }, nState);
    pFile->DrawItem(&dis);
}
}

TEST(MenuDraw, LightenColorMovesEachChannelTowardsWhite)
{
    const COLORREF c = RGB(10, 128, 250);
    EXPECT_EQ(c, LightenColor(c, 0));
    EXPECT_EQ(c, LightenColor(c, 1.5));
    EXPECT_EQ(c, LightenColor(c, -0.5));
    EXPECT_EQ(kWhite, LightenColor(c, 1));
    EXPECT_EQ(RGB(214, 214, 214), LightenColor(kGrey, 0.35));
    EXPECT_EQ(RGB(216, 216, 235), LightenColor(kNavy, 0.85));
}

TEST(MenuDraw, ItemAndSeparatorSizesOfBothLooks)
{
    CMenuTestApp app;
    CMenuHeight height(19);
    const int cyMenu = ::GetSystemMetrics(SM_CYMENU);
    for (int nDisable : { 0, 1 })
    {
        CMenuLook look(nDisable);
        COwnerDrawMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_MAINFRAME));
        COwnerDrawMenu* pFile = PopupObject(menu, 0);
        int nSave = PositionOf(pFile->m_hMenu, ID_FILE_SAVE_AS);
        SIZE item = MeasureRecord(*pFile, nSave);
        SIZE separator = MeasureRecord(*pFile, nSave + 1);
        LONG cxText = TextWidth(pFile->m_items[nSave]->m_text);
        if (nDisable == 0)
        {
            EXPECT_EQ(cxText + 41, item.cx);
            EXPECT_EQ(std::max(cyMenu, 24), item.cy);
            EXPECT_EQ(3, separator.cy);
        }
        else
        {
            EXPECT_EQ(cxText + 33, item.cx);
            EXPECT_EQ(std::max(cyMenu, 19), item.cy);
            EXPECT_EQ(cyMenu / 2, separator.cy);
        }
        EXPECT_EQ(0, separator.cx);
        if (cyMenu == 19)
        {
            EXPECT_EQ(nDisable ? 9 : 3, separator.cy);
        }
    }
}

TEST(MenuDraw, MeasuringAnEmptyTextOnTheOldShellDividesByNothing)
{
    CMenuTestApp app;
    COwnerDrawMenu menu;
    menu.Attach(::CreatePopupMenu());
    menu.AppendItem(L"", MF_STRING, 4321);
    menu.AppendItem(L"Text", MF_STRING, 4322);
    int nPlatform = g_nPlatform;
    g_nPlatform = 0;
    SIZE empty = MeasureRecord(menu, 0);
    SIZE text = MeasureRecord(menu, 1);
    g_nPlatform = nPlatform;
    EXPECT_EQ(3 + 41, empty.cx);
    EXPECT_GT(text.cx, empty.cx);
    ::DestroyMenu(menu.Detach());
}

TEST(MenuDraw, FlatLookColoursWhenMenuAndFaceAreTheSameGrey)
{
    CMenuTestApp app;
    CSysColors colors({ COLOR_BTNFACE, COLOR_MENU, COLOR_HIGHLIGHT, COLOR_GRAYTEXT },
                      { kGrey, kGrey, kNavy, RGB(128, 128, 128) });
    CCanvas plain(220, 24);
    DrawFileItem(plain, ID_FILE_SAVE_AS, 0);
    EXPECT_EQ(RGB(214, 214, 214), plain.Pixel(2, 12));   // the picture column
    EXPECT_EQ(kWhite, plain.Pixel(215, 3));

    CCanvas selected(220, 24);
    DrawFileItem(selected, ID_FILE_SAVE_AS, ODS_SELECTED);
    EXPECT_EQ(RGB(216, 216, 235), selected.Pixel(215, 3));
    EXPECT_EQ(RGB(216, 216, 235), selected.Pixel(2, 12));
    EXPECT_EQ(kNavy, selected.Pixel(0, 0));
    EXPECT_EQ(kNavy, selected.Pixel(219, 23));

    CCanvas checked(220, 24);
    DrawFileItem(checked, ID_FILE_SAVE_AS, ODS_CHECKED);
    EXPECT_EQ(kNavy, checked.Pixel(2, 2));                // the check box's frame
    EXPECT_EQ(RGB(216, 216, 235), checked.Pixel(3, 20));  // and its fill
    EXPECT_EQ(kNavy, checked.Pixel(2, 21));

    CCanvas grayed(220, 24);
    DrawFileItem(grayed, ID_FILE_SAVE_AS, ODS_GRAYED);
    EXPECT_TRUE(grayed.Contains(RGB(197, 197, 197)));
}

TEST(MenuDraw, FlatLookColoursWhenTheMenuColourDiffersFromTheFace)
{
    CMenuTestApp app;
    const COLORREF kMenu = RGB(240, 240, 240);
    CSysColors colors({ COLOR_BTNFACE, COLOR_MENU, COLOR_HIGHLIGHT, COLOR_GRAYTEXT },
                      { kGrey, kMenu, kNavy, RGB(128, 128, 128) });
    CCanvas plain(220, 24);
    DrawFileItem(plain, ID_FILE_SAVE_AS, 0);
    EXPECT_EQ(kGrey, plain.Pixel(2, 12));
    EXPECT_EQ(kMenu, plain.Pixel(215, 3));

    CCanvas selected(220, 24);
    DrawFileItem(selected, ID_FILE_SAVE_AS, ODS_SELECTED);
    EXPECT_EQ(RGB(178, 178, 216), selected.Pixel(215, 3));

    CCanvas checked(220, 24);
    DrawFileItem(checked, ID_FILE_SAVE_AS, ODS_CHECKED);
    EXPECT_EQ(kNavy, checked.Pixel(2, 22));   // one pixel taller than with equal colours

    CCanvas grayed(220, 24);
    DrawFileItem(grayed, ID_FILE_SAVE_AS, ODS_GRAYED);
    EXPECT_TRUE(grayed.Contains(RGB(128, 128, 128)));
    EXPECT_FALSE(grayed.Contains(RGB(197, 197, 197)));
}

TEST(MenuDraw, AGrayedItemLooksTheSameUnderTheMouseInBothLooks)
{
    CMenuTestApp app;
    for (int nDisable : { 0, 1 })
    {
        CMenuLook look(nDisable);
        for (UINT nID : { ID_FILE_SAVE, ID_FILE_SAVE_AS })   // with and without a picture
        {
            CCanvas plain(220, 24), hovered(220, 24);
            DrawFileItem(plain, nID, ODS_GRAYED);
            DrawFileItem(hovered, nID, ODS_GRAYED | ODS_SELECTED);
            EXPECT_TRUE(plain.SameAs(hovered)) << "look " << nDisable << ", command " << nID;
        }
    }
}

TEST(MenuDraw, DrawingRestoresTheContextAndReleasesEverything)
{
    CMenuTestApp app;
    for (int nDisable : { 0, 1 })
    {
        CMenuLook look(nDisable);
        COwnerDrawMenu menu;
        menu.LoadMenu(IDR_MAINFRAME);
        menu.LoadToolbarImages(menu.GetToolbarId());
        COwnerDrawMenu* pFile = PopupObject(menu, 0);
        CCanvas canvas(220, 24);
        HGDIOBJ hFont = ::GetCurrentObject(canvas, OBJ_FONT), hBrush = ::GetCurrentObject(canvas, OBJ_BRUSH);
        HGDIOBJ hPen = ::GetCurrentObject(canvas, OBJ_PEN), hBitmap = ::GetCurrentObject(canvas, OBJ_BITMAP);
        long nTally = GetMenuGdiTally();
        const UINT kStates[] = { 0, ODS_SELECTED, ODS_GRAYED, ODS_CHECKED, ODS_CHECKED | ODS_SELECTED };
        for (int nPos = 0; nPos < static_cast<int>(pFile->m_items.size()); ++nPos)
        {
            for (UINT nState : kStates)
            {
                DRAWITEMSTRUCT dis = MakeDrawRequest(*pFile, nPos, canvas, { 0, 0, 220, 24 }, nState);
                pFile->DrawItem(&dis);
                MeasureRecord(*pFile, nPos);
            }
        }
        EXPECT_EQ(nTally, GetMenuGdiTally());
        EXPECT_EQ(hFont, ::GetCurrentObject(canvas, OBJ_FONT));
        EXPECT_EQ(hBrush, ::GetCurrentObject(canvas, OBJ_BRUSH));
        EXPECT_EQ(hPen, ::GetCurrentObject(canvas, OBJ_PEN));
        EXPECT_EQ(hBitmap, ::GetCurrentObject(canvas, OBJ_BITMAP));
        POINT ptOrigin = {};
        ::GetWindowOrgEx(canvas, &ptOrigin);
        EXPECT_EQ(0, ptOrigin.x);
    }
}

TEST(MenuDraw, TickAndDotFollowTheirStrokes)
{
    CCanvas canvas(20, 20, kWhite);
    DrawTick(canvas, 2, 2, RGB(0, 0, 0));
    const int kStart[7] = { 2, 3, 4, 3, 2, 1, 0 };
    for (int k = 0; k < 7; ++k)
    {
        EXPECT_EQ(kWhite, canvas.Pixel(2 + k, 2 + kStart[k] - 1)) << k;
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(2 + k, 2 + kStart[k] + i)) << k;
        EXPECT_EQ(kWhite, canvas.Pixel(2 + k, 2 + kStart[k] + 3)) << k;   // the end point is left out
    }
    EXPECT_EQ(kWhite, canvas.Pixel(9, 2));

    CCanvas dot(20, 20, kWhite);
    DrawRadioDot(dot, 10, 10, kNavy);
    EXPECT_EQ(kNavy, dot.Pixel(12, 12));
    EXPECT_EQ(kWhite, dot.Pixel(16, 13));
    EXPECT_EQ(kWhite, dot.Pixel(9, 12));
}

TEST(MenuDraw, ClassicLookFramesThePictureAndHighlightsRightOfIt)
{
    CMenuTestApp app;
    CMenuLook look(1);
    CMenuHeight height(19);
    const COLORREF kFace = RGB(200, 200, 200), kShadow = RGB(100, 100, 100), kLight = RGB(250, 250, 250);
    const COLORREF kHigh = RGB(10, 20, 150);
    CSysColors colors({ COLOR_BTNFACE, COLOR_MENU, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_HIGHLIGHT },
                      { kFace, kFace, kShadow, kLight, kHigh });
    const int W = 16;
    CCanvas selected(220, 19);
    DrawFileItem(selected, ID_FILE_SAVE, ODS_SELECTED);
    EXPECT_EQ(kHigh, selected.Pixel(W + 5, 9));        // the highlight starts right of the picture
    EXPECT_EQ(kHigh, selected.Pixel(219, 18));
    EXPECT_EQ(kLight, selected.Pixel(0, 0));           // raised frame around the picture
    EXPECT_EQ(kShadow, selected.Pixel(W + 3, 18));

    CCanvas checked(220, 19);
    DrawFileItem(checked, ID_FILE_SAVE, ODS_SELECTED | ODS_CHECKED);
    EXPECT_EQ(kShadow, checked.Pixel(0, 0));           // sunken when checked
    EXPECT_EQ(kLight, checked.Pixel(W + 3, 18));

    // An unchecked item without a picture draws nothing but its text, from L + W + 9 on.
    CCanvas plain(220, 19);
    DrawFileItem(plain, ID_FILE_SAVE_AS, 0);
    for (int x = 0; x < W + 9; ++x)
        for (int y = 0; y < 19; ++y)
            ASSERT_EQ(kFace, plain.Pixel(x, y)) << x << "," << y;
    EXPECT_TRUE([&] {
        for (int x = W + 9; x < W + 13; ++x)
            for (int y = 0; y < 19; ++y)
                if (plain.Pixel(x, y) != kFace)
                    return true;
        return false;
    }());
}
