// Wnd.cpp
#include "framework/win/Wnd.h"

namespace
{
const char kPropName[] = "QuarnelCWnd";
}

CWnd::~CWnd()
{
    if (m_hWnd)
    {
        HWND hWnd = m_hWnd;
        Detach();
        ::DestroyWindow(hWnd);
    }
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(::GetPropA(hWnd, kPropName)) : nullptr;
}

void CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    ::SetPropA(hWnd, kPropName, this);
}

void CWnd::Detach()
{
    if (!m_hWnd)
        return;
    if (m_pfnSuper)
    {
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        m_pfnSuper = nullptr;
    }
    ::RemovePropA(m_hWnd, kPropName);
    m_hWnd = nullptr;
}

bool CWnd::CreateEx(DWORD dwExStyle, const char* pszClass, const char* pszTitle, DWORD dwStyle,
                    int x, int y, int cx, int cy, HWND hParent, HMENU hMenuOrId)
{
    HWND hWnd = ::CreateWindowExA(dwExStyle, pszClass, pszTitle, dwStyle, x, y, cx, cy, hParent,
                                  hMenuOrId, ::GetModuleHandleA(nullptr), this);
    return hWnd != nullptr;
}

bool CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd || m_hWnd)
        return false;
    Attach(hWnd);
    m_pfnSuper = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WndProc)));
    return true;
}

void CWnd::DestroyWindow()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::Default(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return ::CallWindowProcA(m_pfnSuper, m_hWnd, uMsg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, uMsg, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NOTIFY)
    {
        // Reflect notifications to the child that sent them, so a control's owner object
        // handles its own clicks and header events.
        NMHDR* pNmhdr = reinterpret_cast<NMHDR*>(lParam);
        CWnd* pChild = pNmhdr ? FromHandle(pNmhdr->hwndFrom) : nullptr;
        LRESULT lResult = 0;
        if (pChild && pChild != this && pChild->OnChildNotify(pNmhdr, &lResult))
            return lResult;
    }
    return Default(uMsg, wParam, lParam);
}

LRESULT CALLBACK CWnd::WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandle(hWnd);
    if (!pWnd && uMsg == WM_NCCREATE)
    {
        CREATESTRUCTA* pcs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        pWnd = static_cast<CWnd*>(pcs->lpCreateParams);
        if (pWnd)
            pWnd->Attach(hWnd);
    }
    if (!pWnd)
        return ::DefWindowProcA(hWnd, uMsg, wParam, lParam);

    LRESULT lResult = pWnd->WindowProc(uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY)
    {
        pWnd->Detach();
        pWnd->PostNcDestroy();
    }
    return lResult;
}
