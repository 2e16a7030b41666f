// AnnouncementDialog.h: tells the user that browsing needs the MIRADOR viewer and where to get it.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

/// Host of the maker's web site, where the viewer's download page lives.
inline constexpr char MIRADOR_DOWNLOAD_HOST[] = "www.kestrin.net";

/** @brief Dialog 137: the install or update notice, a picture and a description of the viewer. */
class CAnnouncementDialog
{
public:
    explicit CAnnouncementDialog(HWND hOwner = nullptr) : m_hOwner(hOwner) {}
    virtual ~CAnnouncementDialog() = default;
    CAnnouncementDialog(const CAnnouncementDialog&) = delete;
    CAnnouncementDialog& operator=(const CAnnouncementDialog&) = delete;

    /// Runs the dialog modally. bUpdate 0: the viewer is not installed; 1: it is too old.
    virtual void ShowAnnouncement(int bUpdate);

    /// The viewer's download page.
    static std::string GetDownloadAddress();

    /// How the download page is opened; by default the shell's "open", which starts the web
    /// browser. Tests put a recorder here. An empty function restores the default.
    using PageOpener = std::function<void(const std::string& strAddress)>;
    static void SetPageOpener(PageOpener fnOpen);

    static const char* const DESCRIPTION;
    static const char* const INSTALL_TEXT;
    static const char* const UPDATE_TEXT;

protected:
    virtual bool OnInitDialog(HWND hDlg);
    virtual void OnDownload();

    std::string m_strFirstLine;

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
    HWND m_hOwner;
    HBITMAP m_hbmPicture = nullptr;   // owned while the dialog shows the picture drawn for a larger scaling
};
