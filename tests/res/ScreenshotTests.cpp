// ScreenshotTests.cpp: shows the dialogs, the splash and the toolbar pictures on screen and
// writes what the screen shows into QUARNEL_SCREENSHOT_DIR as BMP files, for a person to look at.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

std::string ShotPath(const char* pszName)
{
    std::string s = QUARNEL_SCREENSHOT_DIR;
    CreateDirectoryA(s.c_str(), nullptr);
    return s + "\\" + pszName + ".bmp";
}

// Writes a 32-bit top-down DIB section as a 24-bit BMP file.
bool WriteBmp(const std::string& strPath, const BYTE* pBits, int cx, int cy)
{
    int nStride = ((cx * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER bf = {};
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = cx;
    bi.biHeight = cy;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biSizeImage = nStride * cy;
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + bi.biSizeImage;
    FILE* f = fopen(strPath.c_str(), "wb");
    if (!f)
        return false;
    fwrite(&bf, sizeof bf, 1, f);
    fwrite(&bi, sizeof bi, 1, f);
    std::vector<BYTE> line(nStride);
    for (int y = cy - 1; y >= 0; --y) {
        const BYTE* p = pBits + y * cx * 4;
        for (int x = 0; x < cx; ++x) {
            line[x * 3] = p[x * 4];
            line[x * 3 + 1] = p[x * 4 + 1];
            line[x * 3 + 2] = p[x * 4 + 2];
        }
        fwrite(line.data(), nStride, 1, f);
    }
    return fclose(f) == 0;
}

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
    bool Save(const char* pszName)
    {
        GdiFlush();
        return WriteBmp(ShotPath(pszName), m_pBits, m_cx, m_cy);
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

void PumpMessages(DWORD dwMillis)
{
    DWORD dwEnd = GetTickCount() + dwMillis;
    while ((LONG)(dwEnd - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
}

INT_PTR CALLBACK NullDlgProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG;
}

// Shows a dialog template, lets it paint, and captures the whole window from the screen.
void ShootDialog(UINT nID, const char* pszName, void (*pfnFill)(HWND) = nullptr)
{
    HWND hDlg = CreateDialogParamA(Module(), MAKEINTRESOURCEA(nID), nullptr, NullDlgProc, 0);
    ASSERT_NE(hDlg, nullptr);
    if (pfnFill)
        pfnFill(hDlg);
    SetWindowPos(hDlg, HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    UpdateWindow(hDlg);
    PumpMessages(600);
    RECT rc;
    GetWindowRect(hDlg, &rc);
    CDibCanvas canvas(rc.right - rc.left, rc.bottom - rc.top);
    HDC hdcScreen = GetDC(nullptr);
    BitBlt(canvas.m_hdc, 0, 0, canvas.m_cx, canvas.m_cy, hdcScreen, rc.left, rc.top, SRCCOPY);
    ReleaseDC(nullptr, hdcScreen);
    DestroyWindow(hDlg);
    EXPECT_GT(canvas.CountColours(), 2u) << "nothing was drawn";
    EXPECT_TRUE(canvas.Save(pszName));
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

// Draws a toolbar strip the way the menus use it (masked on the 3-D face colour) at 1x and 4x.
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
    EXPECT_TRUE(small.Save((std::string(pszName) + "_1x").c_str()));
    CDibCanvas big(small.m_cx * nScale, small.m_cy * nScale);
    StretchBlt(big.m_hdc, 0, 0, big.m_cx, big.m_cy, small.m_hdc, 0, 0, small.m_cx, small.m_cy, SRCCOPY);
    EXPECT_TRUE(big.Save((std::string(pszName) + "_4x").c_str()));
    ImageList_Destroy(hList);
}

} // namespace

TEST(Screenshots, Dialogs)
{
    ShootDialog(IDD_ERROR_DETAILS, "dialog_130_error_details", FillErrorDetails);
    ShootDialog(IDD_ANNOUNCEMENT, "dialog_137_announcement", FillAnnouncement);
    ShootDialog(IDD_SPLASH, "dialog_140_splash");
    ShootDialog(IDD_PROGRESS, "dialog_162_progress", FillProgress);
}

TEST(Screenshots, ToolbarStrips)
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
