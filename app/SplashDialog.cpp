// SplashDialog.cpp
#include "app/SplashDialog.h"
#include <initializer_list>
#include "framework/win/Dpi.h"
#include "res/resource.h"

namespace
{
// The template's size and the version plate's place in it, in dialog units.
const SIZE kTemplateSize = { 259, 216 };
const POINT kPlateAt = { 143, 174 };

/// The dialog units of hDlg's font as they are at 96 DPI (the way the dialog manager measures them:
/// the font's height, and the average width of the 52 letters).
SIZE BaseUnitsAt96(HWND hDlg, int nDpi)
{
    SIZE units = { 0, 0 };
    LOGFONTA lf = {};
    HFONT hDialogFont = reinterpret_cast<HFONT>(::SendMessageA(hDlg, WM_GETFONT, 0, 0));
    if (!hDialogFont || !::GetObjectA(hDialogFont, sizeof(lf), &lf))
        return units;
    // Through the point size the template gives: the font's pixel height at nDpi is rounded already.
    lf.lfHeight = -::MulDiv(::MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 72, nDpi), DPI_DEFAULT, 72);
    HFONT hFont = ::CreateFontIndirectA(&lf);
    HDC hdc = ::GetDC(nullptr);
    HGDIOBJ hOld = ::SelectObject(hdc, hFont);
    TEXTMETRICA tm = {};
    SIZE size = {};
    const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (::GetTextMetricsA(hdc, &tm) && ::GetTextExtentPoint32A(hdc, kLetters, 52, &size))
        units = { (size.cx / 26 + 1) / 2, tm.tmHeight };
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(nullptr, hdc);
    ::DeleteObject(hFont);
    return units;
}
}

INT_PTR CALLBACK CSplashDialog::DialogProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG ? TRUE : FALSE;
}

bool CSplashDialog::Create()
{
    // No parent: an unowned dialog is centred on the screen.
    m_hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SPLASH), nullptr,
                                  &CSplashDialog::DialogProc, 0);
    if (m_hWnd)
        FitPictures();
    return m_hWnd != nullptr;
}

void CSplashDialog::FitPictures()
{
    // At 96 DPI the template's layout is the picture's own.
    const int nDpi = GetWindowDpi(m_hWnd);
    if (nDpi == DPI_DEFAULT)
        return;
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    int nPercent = 100;
    UINT nPicture = PickArtBitmap(hInst, IDB_SPLASH, nDpi, &nPercent);
    HWND hPicture = FindPictureControl(m_hWnd);
    HWND hPlate = FindPictureControl(m_hWnd, hPicture);
    m_hbmPicture = SetStaticPicture(hPicture, hInst, nPicture);
    m_hbmPlate = SetStaticPicture(hPlate, hInst, PickArtBitmap(hInst, IDB_SPLASH_VERSION, nDpi));
    const SIZE units = BaseUnitsAt96(m_hWnd, nDpi);
    if (!m_hbmPicture || !units.cx || !units.cy)
        return;
    // The window and the plate as the template lays them out at 96 DPI, times the picture's scale:
    // the picture drawn for 200 % shows exactly what the one for 100 % shows, twice as large.
    auto scaled = [nPercent](int n, int nUnit, int nPerUnit) { return ::MulDiv(n, nUnit, nPerUnit) * nPercent / 100; };
    const int cx = scaled(kTemplateSize.cx, units.cx, 4), cy = scaled(kTemplateSize.cy, units.cy, 8);
    ::SetWindowPos(hPlate, nullptr, scaled(kPlateAt.x, units.cx, 4), scaled(kPlateAt.y, units.cy, 8), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Centred on the work area of its screen, as the template's centring did.
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoA(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &info);
    const RECT& rcWork = info.rcWork;
    ::SetWindowPos(m_hWnd, nullptr, rcWork.left + (rcWork.right - rcWork.left - cx) / 2,
                   rcWork.top + (rcWork.bottom - rcWork.top - cy) / 2, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void CSplashDialog::Show()
{
    if (!m_hWnd)
        return;
    ::ShowWindow(m_hWnd, SW_SHOW);
    ::UpdateWindow(m_hWnd);
}

void CSplashDialog::Destroy()
{
    if (m_hWnd)
    {
        ::DestroyWindow(m_hWnd);
        m_hWnd = nullptr;
    }
    for (HBITMAP* phbm : { &m_hbmPicture, &m_hbmPlate })
    {
        if (*phbm)
            ::DeleteObject(*phbm);
        *phbm = nullptr;
    }
}
