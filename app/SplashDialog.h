// SplashDialog.h: the picture shown while the program starts.
#pragma once
#include <windows.h>

/** @brief The borderless start-up picture (dialog 140); it has no behaviour of its own. */
class CSplashDialog
{
public:
    ~CSplashDialog() { Destroy(); }
    bool Create();
    void Show();
    void Destroy();
    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    /// Away from 96 DPI: the picture drawn at the whole scale nearest the screen's, the window its size.
    void FitPictures();

    HBITMAP m_hbmPicture = nullptr;   // owned once FitPictures replaced the template's pictures
    HBITMAP m_hbmPlate = nullptr;     // owned
};
