// Dpi.h: the pixel density of the screen a window is on, and the system's sizes measured for it.
//
// The program tells Windows that it scales its windows itself, per screen (its manifest), so Windows
// no longer stretches them into a blur. Lengths in the code are written as they are at 96 DPI (100 %)
// and scaled where they are used; at 96 DPI every one of them stays what it was. The per-screen calls
// exist from Windows 10 1607 on and are looked up at run time: on Windows 7 and 8 (and under Wine where
// one is missing) the system DPI stands in, which is what those systems give every window anyway.
#pragma once
#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0   // Windows 8.1 and later: the window moved to a screen of another DPI
#endif

enum
{
    DPI_DEFAULT = 96,        ///< 100 %: the DPI the program's lengths are written for
    DPI_ART_ID_STEP = 1000,  ///< a picture for 125 % has the 100 % picture's id + 1000, 150 % + 2000, 200 % + 3000
};

/// The DPI the system draws its fonts and metrics for (LOGPIXELSY of the screen).
int GetSystemDpi();
/// The DPI of the screen the window is on: GetDpiForWindow where it exists, else the system DPI.
int GetWindowDpi(HWND hWnd);
/// n pixels at 96 DPI, at nDpi: rounded to the nearest pixel, halves away from zero.
inline int ScaleForDpi(int n, int nDpi) { return ::MulDiv(n, nDpi, DPI_DEFAULT); }

/// GetSystemMetrics at nDpi.
int GetSystemMetricsAtDpi(int nIndex, int nDpi);
/// The non-client metrics (menu, caption, status and message fonts) at nDpi, as the 340-byte record
/// every version of the system fills; false when the system gives none.
bool GetNonClientMetricsAtDpi(NONCLIENTMETRICSA& metrics, int nDpi);
/// The icon-title font (the one lists and toolbars draw with) at nDpi.
bool GetIconTitleFontAtDpi(LOGFONTA& lf, int nDpi);
/// A font made for the system DPI, made over for nDpi (where the system has no per-screen call).
void ScaleLogFont(LOGFONTA& lf, int nDpi);
/// Asks Windows to scale the caption and menu bar of a top-level window (the per-monitor awareness of
/// Windows 10 1607 needs it; later versions do it by themselves). For WM_NCCREATE.
void EnableNonClientDpiScalingFor(HWND hWnd);

/// Of the scalings the program's pictures are drawn for (percent), the one nearest nDpi; between two
/// equally near the smaller, so a picture never outgrows the room scaled for it by much.
int NearestArtPercent(int nDpi, const int* pPercents, int nCount);
/// The bitmap resource for nBaseId drawn for the scaling nearest nDpi, among those the module holds
/// (ids as DPI_ART_ID_STEP says); *pnPercent receives its scaling.
UINT PickArtBitmap(HINSTANCE hInst, UINT nBaseId, int nDpi, int* pnPercent = nullptr);
/// Shows the bitmap resource nID in a picture control (SS_BITMAP) instead of the one it holds, which
/// is deleted. Returns the new bitmap (null on failure), which the caller deletes once the control is gone.
HBITMAP SetStaticPicture(HWND hStatic, HINSTANCE hInst, UINT nID);
/// The first picture control (SS_BITMAP) among hParent's children from hAfter on (null: the first child).
HWND FindPictureControl(HWND hParent, HWND hAfter = nullptr);
