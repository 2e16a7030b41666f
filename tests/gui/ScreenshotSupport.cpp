// ScreenshotSupport.cpp
#include "ScreenshotSupport.h"
#include <cstdio>

bool SaveWindowShot(HWND hWnd, const std::string& strName)
{
    if (g_strScreenshotFolder.empty())
        return false;
    // Repaint first when the window is ours; another thread's window (the splash during the
    // start-up wait) is taken as it stands on the screen.
    if (::GetWindowThreadProcessId(hWnd, nullptr) == ::GetCurrentThreadId())
    {
        ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
        // Wine hands a window's drawing to the X server while its thread looks at its
        // message queue, so keep looking for a moment before reading the screen.
        for (int i = 0; i < 10; ++i)
        {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            {
                if (msg.message == WM_QUIT)
                {
                    ::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            ::Sleep(30);
        }
    }
    return SaveScreenShotOf(hWnd, strName);
}

bool SaveScreenShotOf(HWND hWnd, const std::string& strName)
{
    RECT rc;
    if (!::GetWindowRect(hWnd, &rc))
        return false;
    HDC hdcScreen = ::GetDC(nullptr);
    bool bOk = SaveAreaShot(hdcScreen, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, strName);
    ::ReleaseDC(nullptr, hdcScreen);
    return bOk;
}

bool SaveAreaShot(HDC hdc, int x, int y, int cx, int cy, const std::string& strName)
{
    if (g_strScreenshotFolder.empty() || cx <= 0 || cy <= 0)
        return false;
    HDC hdcMem = ::CreateCompatibleDC(hdc);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    HBITMAP hbm = ::CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hbm);
    ::BitBlt(hdcMem, 0, 0, cx, cy, hdc, x, y, SRCCOPY);
    ::SelectObject(hdcMem, hOld);
    ::GdiFlush();

    bool bOk = false;
    int nStride = ((cx * 3) + 3) & ~3;
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;
    bfh.bfOffBits = sizeof(bfh) + sizeof(bmi.bmiHeader);
    bfh.bfSize = bfh.bfOffBits + nStride * cy;
    FILE* pFile = pBits ? std::fopen((g_strScreenshotFolder + strName + ".bmp").c_str(), "wb") : nullptr;
    if (pFile)
    {
        std::fwrite(&bfh, sizeof(bfh), 1, pFile);
        std::fwrite(&bmi.bmiHeader, sizeof(bmi.bmiHeader), 1, pFile);
        std::fwrite(pBits, 1, static_cast<size_t>(nStride) * cy, pFile);
        bOk = std::fclose(pFile) == 0;
    }
    ::DeleteObject(hbm);
    ::DeleteDC(hdcMem);
    return bOk;
}
