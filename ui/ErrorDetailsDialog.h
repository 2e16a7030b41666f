// ErrorDetailsDialog.h: the modal report of the files a command could not handle.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

/** @brief Dialog 130: a header line and a scrolling text with one block per failed file. */
class CErrorDetailsDialog
{
public:
    /// Receives the texts instead of the modal dialog (tests); an empty function restores it.
    using Sink = std::function<void(const std::string& strHeader, const std::string& strDetails)>;
    static void SetSink(Sink sink);

    /// hParent none means the application's main window.
    explicit CErrorDetailsDialog(HWND hParent = nullptr);

    /// Shows the header and the details ("\r\n" line ends) and waits until the user closes it.
    void ShowDetails(const std::string& strHeader, const std::string& strDetails);

    HWND m_hWnd = nullptr;   // while shown

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();

    HWND m_hParent;
    std::string m_strHeader;
    std::string m_strDetails;
};
