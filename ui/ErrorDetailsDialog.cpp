// ErrorDetailsDialog.cpp
#include "ui/ErrorDetailsDialog.h"
#include "framework/win/WinApp.h"
#include "framework/win/FrameWnd.h"
#include "res/resource.h"

namespace
{
CErrorDetailsDialog::Sink& TheSink()
{
    static CErrorDetailsDialog::Sink s_sink;
    return s_sink;
}
}

void CErrorDetailsDialog::SetSink(Sink sink)
{
    TheSink() = std::move(sink);
}

CErrorDetailsDialog::CErrorDetailsDialog(HWND hParent) : m_hParent(hParent)
{
    if (!m_hParent)
    {
        CWinApp* pApp = AfxGetApp();
        if (pApp && pApp->m_pMainWnd)
            m_hParent = pApp->m_pMainWnd->m_hWnd;
    }
}

void CErrorDetailsDialog::ShowDetails(const std::string& strHeader, const std::string& strDetails)
{
    m_strHeader = strHeader;
    m_strDetails = strDetails;
    // Like a message box, the report is not closed by keys typed before it came up.
    DiscardTypeAhead();
    if (const Sink& sink = TheSink())
    {
        sink(m_strHeader, m_strDetails);
        return;
    }
    ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ERROR_DETAILS), m_hParent,
                      &CErrorDetailsDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

void CErrorDetailsDialog::OnInitDialog()
{
    // Over the middle of the window it reports on.
    RECT rcDlg, rcOwner;
    if (m_hParent && ::IsWindowVisible(m_hParent) && !::IsIconic(m_hParent) && ::GetWindowRect(m_hParent, &rcOwner) &&
        ::GetWindowRect(m_hWnd, &rcDlg))
    {
        int x = (rcOwner.left + rcOwner.right - (rcDlg.right - rcDlg.left)) / 2;
        int y = (rcOwner.top + rcOwner.bottom - (rcDlg.bottom - rcDlg.top)) / 2;
        ::SetWindowPos(m_hWnd, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetDlgItemTextA(m_hWnd, IDC_ERROR_HEADER, m_strHeader.c_str());
    HWND hEdit = ::GetDlgItem(m_hWnd, IDC_ERROR_DETAILS_TEXT);
    // A long failure list must not be cut at the edit box's default limit.
    ::SendMessageA(hEdit, EM_SETLIMITTEXT, 0, 0);
    ::SetWindowTextA(hEdit, m_strDetails.c_str());
    // The edit box comes first in the tab order; start on "Close" so that Enter or Space closes.
    ::SetFocus(::GetDlgItem(m_hWnd, IDCANCEL));
}

INT_PTR CALLBACK CErrorDetailsDialog::DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
    {
        auto* pThis = reinterpret_cast<CErrorDetailsDialog*>(lParam);
        ::SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        pThis->m_hWnd = hDlg;
        pThis->OnInitDialog();
        return FALSE;   // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)
        {
            if (auto* pThis = reinterpret_cast<CErrorDetailsDialog*>(::GetWindowLongPtrA(hDlg, DWLP_USER)))
                pThis->m_hWnd = nullptr;
            ::EndDialog(hDlg, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}
