// SplashDialog.cpp
#include "app/SplashDialog.h"
#include "res/resource.h"

INT_PTR CALLBACK CSplashDialog::DialogProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG ? TRUE : FALSE;
}

bool CSplashDialog::Create()
{
    // No parent: an unowned dialog is centred on the screen.
    m_hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_SPLASH), nullptr,
                                  &CSplashDialog::DialogProc, 0);
    return m_hWnd != nullptr;
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
}
