// ProgressDialog.cpp
#include "ui/ProgressDialog.h"
#include <commctrl.h>
#include "res/resource.h"

namespace
{
const ULONGLONG kDrawIntervalMs = 50;

void RedrawNow(HWND hWnd)
{
    ::RedrawWindow(hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
}

INT_PTR CALLBACK CProgressDialog::DialogProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG ? TRUE : FALSE;
}

bool CProgressDialog::Create(HWND hParent, const std::string& strAction)
{
    Destroy();
    m_hWnd = ::CreateDialogParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROGRESS), hParent,
                                  &CProgressDialog::DialogProc, 0);
    if (!m_hWnd)
        return false;
    m_wndProgress = ::GetDlgItem(m_hWnd, IDC_PROGRESS_BAR);
    m_wndItem = ::GetDlgItem(m_hWnd, IDC_PROGRESS_ITEM);
    m_wndAction = ::GetDlgItem(m_hWnd, IDC_PROGRESS_ACTION);
    CenterOn(hParent);
    ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    ::EnableWindow(m_hWnd, FALSE);
    ::SetWindowTextA(m_wndAction, strAction.c_str());
    RedrawNow(m_hWnd);
    m_nLastDraw = ::GetTickCount64();
    return true;
}

void CProgressDialog::CenterOn(HWND hParent)
{
    RECT rcDlg, rcArea;
    ::GetWindowRect(m_hWnd, &rcDlg);
    if (!hParent || !::IsWindowVisible(hParent) || ::IsIconic(hParent) || !::GetWindowRect(hParent, &rcArea))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcArea, 0);
    int cx = rcDlg.right - rcDlg.left, cy = rcDlg.bottom - rcDlg.top;
    int x = rcArea.left + ((rcArea.right - rcArea.left) - cx) / 2;
    int y = rcArea.top + ((rcArea.bottom - rcArea.top) - cy) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CProgressDialog::SetProgress(const std::string& strItem, int nPos, int nRange)
{
    if (!m_hWnd)
        return;
    // Every change of a control, and its drawing, is a round trip to the window server under Wine:
    // more than extracting a small member costs. Each call carries the whole state, so the window
    // takes it at the first and the last position and in between at most every kDrawIntervalMs.
    ULONGLONG nNow = ::GetTickCount64();
    if (nPos > 0 && nPos < nRange && nNow - m_nLastDraw < kDrawIntervalMs)
        return;
    m_nLastDraw = nNow;
    ::SetWindowTextA(m_wndItem, strItem.c_str());
    ::SendMessageA(m_wndProgress, PBM_SETRANGE32, 0, nRange);
    ::SendMessageA(m_wndProgress, PBM_SETPOS, nPos, 0);
    RedrawNow(m_wndItem);
    RedrawNow(m_wndProgress);
    // The loop around this pumps no messages. A look at the queue that takes nothing out tells
    // the system the thread is alive, so the frame is not swapped for a "not responding" ghost;
    // no input is removed or dispatched.
    MSG msg;
    ::PeekMessageA(&msg, m_hWnd, WM_NULL, WM_NULL, PM_NOREMOVE | PM_NOYIELD);
}

void CProgressDialog::Destroy()
{
    if (m_hWnd)
    {
        // The frame takes its owned windows with it; only a window still there is destroyed.
        if (::IsWindow(m_hWnd))
            ::DestroyWindow(m_hWnd);
        m_hWnd = m_wndProgress = m_wndItem = m_wndAction = nullptr;
    }
}
