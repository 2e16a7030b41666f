// ProgressDialog.h: the modeless progress window of long loops (dialog 162).
#pragma once
#include <windows.h>
#include <string>

/** @brief An action line, an item line and a bar; disabled for input, so it cannot be closed. */
class CProgressDialog
{
public:
    CProgressDialog() = default;
    ~CProgressDialog() { Destroy(); }
    CProgressDialog(const CProgressDialog&) = delete;
    CProgressDialog& operator=(const CProgressDialog&) = delete;

    /// Creates the window over hParent (centred on it), shows it disabled and draws it at once.
    /// A window it already has is destroyed first.
    bool Create(HWND hParent, const std::string& strAction);
    /// Item line, bar position and range, drawn at once: at the first and the last position
    /// always, in between at most every 50 ms (calls in between are passed over).
    void SetProgress(const std::string& strItem, int nPos, int nRange);
    void Destroy();

    HWND m_hWnd = nullptr;
    HWND m_wndProgress = nullptr;   // 1003
    HWND m_wndItem = nullptr;       // 1002
    HWND m_wndAction = nullptr;     // 1001

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void CenterOn(HWND hParent);

    ULONGLONG m_nLastDraw = 0;   // tick count of the last drawing
};
