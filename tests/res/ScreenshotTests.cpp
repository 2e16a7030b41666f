// ScreenshotTests.cpp: shows the dialogs, the splash and the toolbar pictures on screen, checks
// what the screen shows and writes it into the screenshot folder as BMP files, for a person to look at.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "GuiHarness.h"
#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

// A 32-bit top-down DIB section with its memory context; scope-bound.
struct CDibCanvas {
    HDC m_hdc;
    HBITMAP m_hBmp;
    HGDIOBJ m_hOld;
    BYTE* m_pBits;
    int m_cx, m_cy;

    CDibCanvas(int cx, int cy) : m_hdc(CreateCompatibleDC(nullptr)), m_hBmp(nullptr), m_hOld(nullptr),
                                 m_pBits(nullptr), m_cx(cx), m_cy(cy)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = cx;
        bi.bmiHeader.biHeight = -cy;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* pv = nullptr;
        m_hBmp = CreateDIBSection(m_hdc, &bi, DIB_RGB_COLORS, &pv, nullptr, 0);
        m_pBits = static_cast<BYTE*>(pv);
        m_hOld = SelectObject(m_hdc, m_hBmp);
    }
    ~CDibCanvas()
    {
        SelectObject(m_hdc, m_hOld);
        DeleteObject(m_hBmp);
        DeleteDC(m_hdc);
    }
    bool Save(const std::string& strName) { return SaveAreaShot(m_hdc, 0, 0, m_cx, m_cy, strName); }
    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        DWORD c = reinterpret_cast<const DWORD*>(m_pBits)[y * m_cx + x];
        return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
    }
    // number of distinct colours: a blank capture has one or two
    size_t CountColours() const
    {
        std::vector<DWORD> seen;
        const DWORD* p = reinterpret_cast<const DWORD*>(m_pBits);
        for (int i = 0; i < m_cx * m_cy && seen.size() < 64; ++i) {
            DWORD c = p[i] & 0xFFFFFF;
            bool bKnown = false;
            for (DWORD s : seen)
                bKnown = bKnown || s == c;
            if (!bKnown)
                seen.push_back(c);
        }
        return seen.size();
    }
};

INT_PTR CALLBACK NullDlgProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG;
}

std::string ClassOf(HWND hWnd)
{
    char sz[64] = "";
    GetClassNameA(hWnd, sz, sizeof sz);
    return sz;
}

// True when a text static's text, wrapped as the control wraps it, fits inside the control.
bool TextFits(HWND hCtl)
{
    std::string strText = WindowText(hCtl);
    RECT rcClient, rcText;
    GetClientRect(hCtl, &rcClient);
    rcText = rcClient;
    HDC hdc = GetDC(hCtl);
    HGDIOBJ hOld = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageA(hCtl, WM_GETFONT, 0, 0)));
    DrawTextA(hdc, strText.c_str(), -1, &rcText, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    SelectObject(hdc, hOld);
    ReleaseDC(hCtl, hdc);
    return rcText.right <= rcClient.right && rcText.bottom <= rcClient.bottom;
}

// Pixels of a picture control's bitmap that the screen shows otherwise, leaving out where other
// pictures lie over it.
int PictureMismatches(const CDibCanvas& shot, HWND hPic, const RECT& rcPic, const std::vector<RECT>& arrOthers)
{
    HBITMAP hBmp = reinterpret_cast<HBITMAP>(SendMessageA(hPic, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm = {};
    if (!hBmp || !GetObjectA(hBmp, sizeof bm, &bm))
        return -1;
    CDibCanvas pic(bm.bmWidth, bm.bmHeight);
    HDC hdcBmp = CreateCompatibleDC(pic.m_hdc);
    HGDIOBJ hOld = SelectObject(hdcBmp, hBmp);
    BitBlt(pic.m_hdc, 0, 0, pic.m_cx, pic.m_cy, hdcBmp, 0, 0, SRCCOPY);
    SelectObject(hdcBmp, hOld);
    DeleteDC(hdcBmp);
    int nWrong = 0;
    for (int y = 0; y < pic.m_cy && rcPic.top + y < shot.m_cy; ++y)
        for (int x = 0; x < pic.m_cx && rcPic.left + x < shot.m_cx; ++x) {
            POINT pt = { rcPic.left + x, rcPic.top + y };
            bool bCovered = std::any_of(arrOthers.begin(), arrOthers.end(), [&](const RECT& rc) { return PtInRect(&rc, pt); });
            nWrong += !bCovered && pic.Pixel(x, y) != shot.Pixel(pt.x, pt.y);
        }
    return nWrong;
}

// Colours along the middle row of a rectangle, between two fractions of its width.
std::vector<COLORREF> RowColours(const CDibCanvas& shot, const RECT& rc, double dFrom, double dTo)
{
    std::vector<COLORREF> arr;
    int nWidth = rc.right - rc.left;
    for (int x = rc.left + int(nWidth * dFrom); x < rc.left + int(nWidth * dTo); ++x)
        arr.push_back(shot.Pixel(x, (rc.top + rc.bottom) / 2));
    return arr;
}

// Shows a dialog template and photographs it; then checks what the screen shows: something drawn,
// every text whole inside its control, every picture as the resource has it, a bar filled as far
// as its position.
void ShootDialog(UINT nID, const char* pszName, void (*pfnFill)(HWND) = nullptr)
{
    SCOPED_TRACE(pszName);
    HWND hDlg = CreateDialogParamA(Module(), MAKEINTRESOURCEA(nID), nullptr, NullDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    if (pfnFill)
        pfnFill(hDlg);
    SetWindowPos(hDlg, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    EXPECT_TRUE(SaveWindowShot(hDlg, pszName));   // paints it first
    RECT rcDlg;
    GetWindowRect(hDlg, &rcDlg);
    CDibCanvas shot(rcDlg.right - rcDlg.left, rcDlg.bottom - rcDlg.top);
    HDC hdcScreen = GetDC(nullptr);
    BitBlt(shot.m_hdc, 0, 0, shot.m_cx, shot.m_cy, hdcScreen, rcDlg.left, rcDlg.top, SRCCOPY);
    ReleaseDC(nullptr, hdcScreen);
    EXPECT_GT(shot.CountColours(), 2u) << "nothing was drawn";

    std::vector<std::pair<HWND, RECT>> arrPictures;
    for (HWND h = GetWindow(hDlg, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        RECT rc;
        GetWindowRect(h, &rc);
        OffsetRect(&rc, -rcDlg.left, -rcDlg.top);
        LONG nType = GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK;
        if (ClassOf(h) == "Static" && nType == SS_BITMAP)
            arrPictures.emplace_back(h, rc);
        else if (ClassOf(h) == "Static" && nType == SS_LEFT)
            EXPECT_TRUE(TextFits(h)) << "cut off: " << WindowText(h);
        else if (ClassOf(h) == PROGRESS_CLASSA) {
            // At 2 of 3 the filled part shows a colour the empty part has not.
            std::vector<COLORREF> arrFilled = RowColours(shot, rc, 0.1, 0.55), arrEmpty = RowColours(shot, rc, 0.75, 0.9);
            EXPECT_TRUE(std::any_of(arrFilled.begin(), arrFilled.end(), [&](COLORREF c) {
                return std::find(arrEmpty.begin(), arrEmpty.end(), c) == arrEmpty.end();
            }));
        }
    }
    for (const auto& picture : arrPictures) {
        std::vector<RECT> arrOthers;
        for (const auto& other : arrPictures)
            if (other.first != picture.first)
                arrOthers.push_back(other.second);
        EXPECT_EQ(0, PictureMismatches(shot, picture.first, picture.second, arrOthers)) << GetDlgCtrlID(picture.first);
    }
    DestroyWindow(hDlg);
}

void FillErrorDetails(HWND hDlg)
{
    SetDlgItemTextA(hDlg, IDC_ERROR_HEADER, "At least one file was not extracted. See below for details.");
    SetDlgItemTextA(hDlg, IDC_ERROR_DETAILS_TEXT,
                    "level1.rfl\r\nSkipped since this file is not yet saved in a .VPP.\r\n\r\n"
                    "music01.wav\r\nSkipped since this file is not yet saved in a .VPP.\r\n\r\n");
}

void FillProgress(HWND hDlg)
{
    SetDlgItemTextA(hDlg, IDC_PROGRESS_ACTION, "Extracting files...");
    SetDlgItemTextA(hDlg, IDC_PROGRESS_ITEM, "tex_wall01.tga");
    SendDlgItemMessageA(hDlg, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 3);
    SendDlgItemMessageA(hDlg, IDC_PROGRESS_BAR, PBM_SETPOS, 2, 0);
}

void FillAnnouncement(HWND hDlg)
{
    SetDlgItemTextA(hDlg, IDC_ANNOUNCE_NOTICE,
                    "For this function you need to download and install Kestrin Manager MIRADOR V2.0 (Build 107 or higher).");
    SetDlgItemTextA(hDlg, IDC_ANNOUNCE_DESCRIPTION,
                    "With Kestrin Manager MIRADOR V2.0 you can \"browse\" .VP and .VPP files. The internal previewer "
                    "displays textures (both still and animated ones), sounds and more inside the .VP/.VPP archive by "
                    "only selecting a file. No need to extract anything or use any external tool to see whats inside a .VP/.VPP.");
}

// Draws a toolbar strip the way the menus use it (masked on the 3-D face colour and on white), checks
// the pictures, and saves it at 1x and 4x.
void ShootStrip(UINT nID, int cx, int cy, const char* pszName)
{
    HIMAGELIST hList = ImageList_LoadImageA(Module(), MAKEINTRESOURCEA(nID), cx, 1, RGB(192, 192, 192),
                                            IMAGE_BITMAP, LR_CREATEDIBSECTION);
    ASSERT_NE(hList, nullptr);
    int n = ImageList_GetImageCount(hList);
    const int nGap = 4, nScale = 4;
    int nRowW = n * (cx + nGap) + nGap;
    CDibCanvas small(nRowW, 2 * (cy + nGap) + nGap);
    RECT rc = { 0, 0, small.m_cx, small.m_cy };
    FillRect(small.m_hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    RECT rcWhite = { 0, cy + 2 * nGap - nGap / 2, small.m_cx, small.m_cy };
    FillRect(small.m_hdc, &rcWhite, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int i = 0; i < n; ++i) {
        ImageList_Draw(hList, i, small.m_hdc, nGap + i * (cx + nGap), nGap, ILD_TRANSPARENT);
        ImageList_Draw(hList, i, small.m_hdc, nGap + i * (cx + nGap), cy + 2 * nGap, ILD_TRANSPARENT);
    }
    // On white: the mask keeps the light-grey background out of every picture, and every picture but
    // the main toolbar's one placeholder shows ink.
    int nGrey = 0, nInked = 0;
    for (int i = 0; i < n; ++i) {
        int nInk = 0;
        for (int y = cy + 2 * nGap; y < 2 * (cy + nGap); ++y)
            for (int x = nGap + i * (cx + nGap); x < (i + 1) * (cx + nGap); ++x) {
                nGrey += small.Pixel(x, y) == QUARNEL_TOOLBAR_TRANSPARENT;
                nInk += small.Pixel(x, y) != RGB(255, 255, 255);
            }
        nInked += nInk > 0;
    }
    EXPECT_GE(n, 9) << pszName;
    EXPECT_EQ(0, nGrey) << pszName;
    EXPECT_GE(nInked, n - 1) << pszName;
    EXPECT_TRUE(small.Save(std::string(pszName) + "_1x"));
    CDibCanvas big(small.m_cx * nScale, small.m_cy * nScale);
    StretchBlt(big.m_hdc, 0, 0, big.m_cx, big.m_cy, small.m_hdc, 0, 0, small.m_cx, small.m_cy, SRCCOPY);
    EXPECT_TRUE(big.Save(std::string(pszName) + "_4x"));
    ImageList_Destroy(hList);
}

} // namespace

TEST(Screenshots, DialogsShowTheirTextsWholeAndTheirPictures)
{
    ShootDialog(IDD_ERROR_DETAILS, "dialog_130_error_details", FillErrorDetails);
    ShootDialog(IDD_ANNOUNCEMENT, "dialog_137_announcement", FillAnnouncement);
    ShootDialog(IDD_SPLASH, "dialog_140_splash");
    ShootDialog(IDD_PROGRESS, "dialog_162_progress", FillProgress);
}

TEST(Screenshots, ToolbarStripsDrawMaskedPictures)
{
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_BAR_CLASSES };
    InitCommonControlsEx(&icc);
    ShootStrip(IDR_MAINFRAME, 22, 22, "toolbar_128");
    ShootStrip(IDR_TOOLBAR_FLAT, 20, 20, "toolbar_131");
    ShootStrip(IDR_TOOLBAR_CLASSIC, 16, 15, "toolbar_132");
}

TEST(Screenshots, Icon)
{
    CDibCanvas canvas(16 + 32 + 48 + 4 * 8, 48 + 16);
    RECT rc = { 0, 0, canvas.m_cx, canvas.m_cy };
    FillRect(canvas.m_hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    int x = 8;
    for (int cx : { 16, 32, 48 }) {
        HICON hIcon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, cx, cx, 0));
        ASSERT_NE(hIcon, nullptr);
        DrawIconEx(canvas.m_hdc, x, 8, hIcon, cx, cx, 0, nullptr, DI_NORMAL);
        DestroyIcon(hIcon);
        x += cx + 8;
    }
    EXPECT_TRUE(canvas.Save("icon_128"));
}
