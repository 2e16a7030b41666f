// Dpi.cpp
#include "framework/win/Dpi.h"
#include <cstdlib>
#include <initializer_list>

namespace
{
typedef UINT(WINAPI* PFN_GetDpiForWindow)(HWND);
typedef int(WINAPI* PFN_GetSystemMetricsForDpi)(int, UINT);
typedef BOOL(WINAPI* PFN_SystemParametersInfoForDpi)(UINT, UINT, PVOID, UINT, UINT);
typedef BOOL(WINAPI* PFN_EnableNonClientDpiScaling)(HWND);

/// A user32 function by name, or null on systems that lack it.
template <typename T> T User32Function(const char* pszName)
{
    HMODULE hUser = ::GetModuleHandleA("user32.dll");
    return hUser ? reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(hUser, pszName))) : nullptr;
}

const int kArtPercents[] = { 100, 125, 150, 200 };

void LogFontToAnsi(const LOGFONTW& w, LOGFONTA& a)
{
    a.lfHeight = w.lfHeight;
    a.lfWidth = w.lfWidth;
    a.lfEscapement = w.lfEscapement;
    a.lfOrientation = w.lfOrientation;
    a.lfWeight = w.lfWeight;
    a.lfItalic = w.lfItalic;
    a.lfUnderline = w.lfUnderline;
    a.lfStrikeOut = w.lfStrikeOut;
    a.lfCharSet = w.lfCharSet;
    a.lfOutPrecision = w.lfOutPrecision;
    a.lfClipPrecision = w.lfClipPrecision;
    a.lfQuality = w.lfQuality;
    a.lfPitchAndFamily = w.lfPitchAndFamily;
    if (::WideCharToMultiByte(CP_ACP, 0, w.lfFaceName, -1, a.lfFaceName, LF_FACESIZE, nullptr, nullptr) == 0)
        a.lfFaceName[0] = '\0';
    a.lfFaceName[LF_FACESIZE - 1] = '\0';
}
}

void ScaleLogFont(LOGFONTA& lf, int nDpi)
{
    lf.lfHeight = ::MulDiv(lf.lfHeight, nDpi, GetSystemDpi());
    lf.lfWidth = ::MulDiv(lf.lfWidth, nDpi, GetSystemDpi());
}

int GetSystemDpi()
{
    // Fixed for the life of the process: Windows keeps the DPI it started with for the system's fonts.
    static const int s_nDpi = [] {
        HDC hdc = ::GetDC(nullptr);
        int nDpi = hdc ? ::GetDeviceCaps(hdc, LOGPIXELSY) : 0;
        if (hdc)
            ::ReleaseDC(nullptr, hdc);
        return nDpi > 0 ? nDpi : static_cast<int>(DPI_DEFAULT);
    }();
    return s_nDpi;
}

int GetWindowDpi(HWND hWnd)
{
    static const PFN_GetDpiForWindow pfn = User32Function<PFN_GetDpiForWindow>("GetDpiForWindow");
    UINT nDpi = pfn && hWnd ? pfn(hWnd) : 0;
    return nDpi ? static_cast<int>(nDpi) : GetSystemDpi();
}

int GetSystemMetricsAtDpi(int nIndex, int nDpi)
{
    // The system's own figures at its own DPI: exactly what the program always measured there.
    if (nDpi == GetSystemDpi())
        return ::GetSystemMetrics(nIndex);
    static const PFN_GetSystemMetricsForDpi pfn = User32Function<PFN_GetSystemMetricsForDpi>("GetSystemMetricsForDpi");
    if (pfn)
        return pfn(nIndex, static_cast<UINT>(nDpi));
    return ::MulDiv(::GetSystemMetrics(nIndex), nDpi, GetSystemDpi());
}

bool GetNonClientMetricsAtDpi(NONCLIENTMETRICSA& metrics, int nDpi)
{
    static const PFN_SystemParametersInfoForDpi pfn =
        User32Function<PFN_SystemParametersInfoForDpi>("SystemParametersInfoForDpi");
    if (nDpi != GetSystemDpi() && pfn)
    {
        NONCLIENTMETRICSW wide = {};
        wide.cbSize = sizeof(wide);
        if (pfn(SPI_GETNONCLIENTMETRICS, wide.cbSize, &wide, 0, static_cast<UINT>(nDpi)))
        {
            metrics.cbSize = 340;
            metrics.iBorderWidth = wide.iBorderWidth;
            metrics.iScrollWidth = wide.iScrollWidth;
            metrics.iScrollHeight = wide.iScrollHeight;
            metrics.iCaptionWidth = wide.iCaptionWidth;
            metrics.iCaptionHeight = wide.iCaptionHeight;
            metrics.iSmCaptionWidth = wide.iSmCaptionWidth;
            metrics.iSmCaptionHeight = wide.iSmCaptionHeight;
            metrics.iMenuWidth = wide.iMenuWidth;
            metrics.iMenuHeight = wide.iMenuHeight;
            LogFontToAnsi(wide.lfCaptionFont, metrics.lfCaptionFont);
            LogFontToAnsi(wide.lfSmCaptionFont, metrics.lfSmCaptionFont);
            LogFontToAnsi(wide.lfMenuFont, metrics.lfMenuFont);
            LogFontToAnsi(wide.lfStatusFont, metrics.lfStatusFont);
            LogFontToAnsi(wide.lfMessageFont, metrics.lfMessageFont);
            return true;
        }
    }
    // The record size every version of the system accepts (without the padded-border field).
    metrics.cbSize = 340;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
    {
        metrics.cbSize = sizeof(metrics);
        if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
            return false;
    }
    if (nDpi != GetSystemDpi())
    {
        for (LOGFONTA* pFont : { &metrics.lfCaptionFont, &metrics.lfSmCaptionFont, &metrics.lfMenuFont,
                                 &metrics.lfStatusFont, &metrics.lfMessageFont })
            ScaleLogFont(*pFont, nDpi);
    }
    return true;
}

bool GetIconTitleFontAtDpi(LOGFONTA& lf, int nDpi)
{
    static const PFN_SystemParametersInfoForDpi pfn =
        User32Function<PFN_SystemParametersInfoForDpi>("SystemParametersInfoForDpi");
    if (nDpi != GetSystemDpi() && pfn)
    {
        LOGFONTW wide = {};
        if (pfn(SPI_GETICONTITLELOGFONT, sizeof(wide), &wide, 0, static_cast<UINT>(nDpi)))
        {
            LogFontToAnsi(wide, lf);
            return true;
        }
    }
    if (!::SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(lf), &lf, 0))
        return false;
    if (nDpi != GetSystemDpi())
        ScaleLogFont(lf, nDpi);
    return true;
}

void EnableNonClientDpiScalingFor(HWND hWnd)
{
    static const PFN_EnableNonClientDpiScaling pfn = User32Function<PFN_EnableNonClientDpiScaling>("EnableNonClientDpiScaling");
    if (pfn && hWnd)
        pfn(hWnd);
}

int NearestArtPercent(int nDpi, const int* pPercents, int nCount)
{
    const int nWanted = ::MulDiv(nDpi, 100, DPI_DEFAULT);
    int nBest = nCount > 0 ? pPercents[0] : 100;
    for (int i = 1; i < nCount; ++i)
    {
        int nDistance = std::abs(pPercents[i] - nWanted), nBestDistance = std::abs(nBest - nWanted);
        if (nDistance < nBestDistance || (nDistance == nBestDistance && pPercents[i] < nBest))
            nBest = pPercents[i];
    }
    return nBest;
}

UINT PickArtBitmap(HINSTANCE hInst, UINT nBaseId, int nDpi, int* pnPercent)
{
    int arrFound[4] = {};
    UINT arrIds[4] = {};
    int nFound = 0;
    for (int i = 0; i < 4; ++i)
    {
        UINT nID = nBaseId + static_cast<UINT>(i) * DPI_ART_ID_STEP;
        if (::FindResourceA(hInst, MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(2)))   // RT_BITMAP
        {
            arrFound[nFound] = kArtPercents[i];
            arrIds[nFound++] = nID;
        }
    }
    if (nFound == 0)
    {
        if (pnPercent)
            *pnPercent = 100;
        return nBaseId;
    }
    int nPercent = NearestArtPercent(nDpi, arrFound, nFound);
    if (pnPercent)
        *pnPercent = nPercent;
    for (int i = 0; i < nFound; ++i)
    {
        if (arrFound[i] == nPercent)
            return arrIds[i];
    }
    return nBaseId;
}

HBITMAP SetStaticPicture(HWND hStatic, HINSTANCE hInst, UINT nID)
{
    HBITMAP hbm = hStatic ? static_cast<HBITMAP>(::LoadImageA(hInst, MAKEINTRESOURCEA(nID), IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    if (!hbm)
        return nullptr;
    // The control drops the picture it loaded from the dialog template without deleting it.
    HGDIOBJ hOld = reinterpret_cast<HGDIOBJ>(::SendMessageA(hStatic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hbm)));
    if (hOld && hOld != hbm)
        ::DeleteObject(hOld);
    return hbm;
}

HWND FindPictureControl(HWND hParent, HWND hAfter)
{
    for (HWND h = hAfter ? ::GetWindow(hAfter, GW_HWNDNEXT) : ::GetWindow(hParent, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
    {
        char szClass[16] = "";
        ::GetClassNameA(h, szClass, sizeof(szClass));
        if (lstrcmpiA(szClass, "Static") == 0 && (::GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return h;
    }
    return nullptr;
}
