// window_probe.cpp: the release test's eyes. Waits for a top-level window with the given caption,
// prints what it shows, saves a picture of it, closes it and waits for its program to end.
//   window_probe CAPTION TIMEOUT_MS [SHOT.bmp [BUTTON]]
// With BUTTON it waits for a window of that caption showing an enabled button of that text (the
// installer's pages share one caption) and clicks the button instead of closing the window.
// Exit status: 0 shown and closed (or clicked); 1 not shown in time (a message box of the program
// is printed instead when there is one); 2 shown but the program did not end after WM_CLOSE.
#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Search
{
    const char* pszCaption = nullptr;
    const char* pszButton = nullptr;  // the button to click, or none
    HWND hFound = nullptr;
    HWND hButton = nullptr;
    std::string strMessageBox;  // caption and text of a message box, when one shows instead
};

std::string WindowText(HWND hWnd)
{
    char sz[1024] = "";
    ::GetWindowTextA(hWnd, sz, sizeof(sz));
    return sz;
}

std::string ClassName(HWND hWnd)
{
    char szClass[64] = "";
    ::GetClassNameA(hWnd, szClass, sizeof(szClass));
    return szClass;
}

BOOL CALLBACK FindButton(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<Search*>(lParam);
    if (::lstrcmpiA(ClassName(hWnd).c_str(), "Button") == 0 && WindowText(hWnd) == pSearch->pszButton &&
        ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd))
        pSearch->hButton = hWnd;
    return pSearch->hButton == nullptr;
}

BOOL CALLBACK FindTopLevel(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<Search*>(lParam);
    if (!::IsWindowVisible(hWnd))
        return TRUE;
    const std::string strClass = ClassName(hWnd);
    if (WindowText(hWnd) == pSearch->pszCaption && strClass != "#32770")
    {
        if (pSearch->pszButton)
            ::EnumChildWindows(hWnd, FindButton, lParam);
        if (!pSearch->pszButton || pSearch->hButton)
        {
            pSearch->hFound = hWnd;
            return FALSE;
        }
    }
    if (strClass == "#32770")
    {
        HWND hText = ::GetDlgItem(hWnd, 0xFFFF);
        if (hText)
            pSearch->strMessageBox = WindowText(hWnd) + ": " + WindowText(hText);
    }
    return TRUE;
}

bool SaveShot(HWND hWnd, const char* pszPath)
{
    RECT rc;
    if (!::GetWindowRect(hWnd, &rc))
        return false;
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    HDC hScreen = ::GetDC(nullptr);
    HDC hMem = ::CreateCompatibleDC(hScreen);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;  // bottom-up, as a BMP file stores it
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    void* pBits = nullptr;
    HBITMAP hBitmap = ::CreateDIBSection(hScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    bool bOk = false;
    if (hBitmap)
    {
        HGDIOBJ hOld = ::SelectObject(hMem, hBitmap);
        ::BitBlt(hMem, 0, 0, cx, cy, hScreen, rc.left, rc.top, SRCCOPY);
        ::SelectObject(hMem, hOld);
        DWORD cbRow = ((cx * 3 + 3) / 4) * 4, cbImage = cbRow * cy;
        BITMAPFILEHEADER bfh = {};
        bfh.bfType = 0x4D42;
        bfh.bfOffBits = sizeof(bfh) + sizeof(bmi.bmiHeader);
        bfh.bfSize = bfh.bfOffBits + cbImage;
        if (FILE* f = std::fopen(pszPath, "wb"))
        {
            bOk = std::fwrite(&bfh, sizeof(bfh), 1, f) == 1 &&
                  std::fwrite(&bmi.bmiHeader, sizeof(bmi.bmiHeader), 1, f) == 1 &&
                  std::fwrite(pBits, 1, cbImage, f) == cbImage;
            bOk = std::fclose(f) == 0 && bOk;
        }
        ::DeleteObject(hBitmap);
    }
    ::DeleteDC(hMem);
    ::ReleaseDC(nullptr, hScreen);
    return bOk;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: window_probe CAPTION TIMEOUT_MS [SHOT.bmp]\n");
        return 3;
    }
    Search search;
    search.pszCaption = argv[1];
    search.pszButton = argc > 4 ? argv[4] : nullptr;
    DWORD dwTimeout = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
    DWORD dwStart = ::GetTickCount();
    while (!search.hFound && ::GetTickCount() - dwStart < dwTimeout)
    {
        search.strMessageBox.clear();
        ::EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&search));
        if (!search.hFound)
            ::Sleep(100);
    }
    if (!search.hFound)
    {
        std::printf("no window \"%s\"%s%s\n", argv[1], search.strMessageBox.empty() ? "" : "; message box ",
                    search.strMessageBox.c_str());
        return 1;
    }
    ::Sleep(500);  // let the list fill and paint before the picture is taken
    if (search.hButton)
    {
        if (argc > 3 && !SaveShot(search.hFound, argv[3]))
            std::printf("could not save %s\n", argv[3]);
        ::PostMessageA(search.hButton, BM_CLICK, 0, 0);  // posted: the click may open a modal dialog
        return 0;
    }
    HWND hList = ::FindWindowExA(search.hFound, nullptr, "SysListView32", nullptr);
    for (HWND hChild = ::GetWindow(search.hFound, GW_CHILD); !hList && hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        hList = ::FindWindowExA(hChild, nullptr, "SysListView32", nullptr);
    long nRows = hList ? static_cast<long>(::SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0)) : -1;
    std::printf("window \"%s\" rows=%ld\n", argv[1], nRows);
    if (argc > 3 && !SaveShot(search.hFound, argv[3]))
        std::printf("could not save %s\n", argv[3]);

    DWORD dwProcessId = 0;
    ::GetWindowThreadProcessId(search.hFound, &dwProcessId);
    HANDLE hProcess = ::OpenProcess(SYNCHRONIZE, FALSE, dwProcessId);
    ::PostMessageA(search.hFound, WM_CLOSE, 0, 0);
    DWORD dwWait = hProcess ? ::WaitForSingleObject(hProcess, 15000) : WAIT_FAILED;
    if (hProcess)
        ::CloseHandle(hProcess);
    return dwWait == WAIT_OBJECT_0 ? 0 : 2;
}
