// AnnouncementDialog.cpp
#include "app/AnnouncementDialog.h"
#include <shellapi.h>
#include "framework/win/Dpi.h"
#include "res/resource.h"

const char* const CAnnouncementDialog::DESCRIPTION =
    "With Kestrin Manager MIRADOR V2.0 you can \"browse\" .VP and .VPP files. The internal previewer "
    "displays textures (both still and animated ones), sounds and more inside the .VP/.VPP archive "
    "by only selecting a file. No need to extract anything or use any external tool to see whats "
    "inside a .VP/.VPP.";
const char* const CAnnouncementDialog::INSTALL_TEXT =
    "For this function you need to download and install Kestrin Manager MIRADOR V2.0 (Build 107 or higher).";
const char* const CAnnouncementDialog::UPDATE_TEXT =
    "For this function you need to update your Kestrin Manager MIRADOR version to at least Build 107.";

namespace
{
const char kDownloadPath[] = "/cgi-bin/tarnmod.cgi";
const char kDownloadQuery[] = "module=mirador20";

CAnnouncementDialog::PageOpener& Opener()
{
    static CAnnouncementDialog::PageOpener s_fnOpen;
    return s_fnOpen;
}
}

std::string CAnnouncementDialog::GetDownloadAddress()
{
    return std::string("https://") + MIRADOR_DOWNLOAD_HOST + kDownloadPath + "?" + kDownloadQuery;
}

void CAnnouncementDialog::SetPageOpener(PageOpener fnOpen)
{
    Opener() = std::move(fnOpen);
}

void CAnnouncementDialog::ShowAnnouncement(int bUpdate)
{
    m_strFirstLine = bUpdate == 1 ? UPDATE_TEXT : INSTALL_TEXT;
    ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ANNOUNCEMENT), m_hOwner,
                      &CAnnouncementDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    if (m_hbmPicture)
        ::DeleteObject(m_hbmPicture);
    m_hbmPicture = nullptr;
}

bool CAnnouncementDialog::OnInitDialog(HWND hDlg)
{
    ::SetDlgItemTextA(hDlg, IDC_ANNOUNCE_NOTICE, m_strFirstLine.c_str());
    ::SetDlgItemTextA(hDlg, IDC_ANNOUNCE_DESCRIPTION, DESCRIPTION);
    // Focus starts on "Close", so that Enter closes the dialog instead of starting the browser.
    ::SetFocus(::GetDlgItem(hDlg, IDCANCEL));
    return false;
}

void CAnnouncementDialog::OnDownload()
{
    const std::string strAddress = GetDownloadAddress();
    if (Opener())
        Opener()(strAddress);
    else
        ::ShellExecuteA(nullptr, "open", strAddress.c_str(), "", "", SW_SHOWMAXIMIZED);
}

INT_PTR CALLBACK CAnnouncementDialog::DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CAnnouncementDialog* pThis = reinterpret_cast<CAnnouncementDialog*>(::GetWindowLongPtrA(hDlg, DWLP_USER));
    switch (uMsg)
    {
    case WM_INITDIALOG:
    {
        pThis = reinterpret_cast<CAnnouncementDialog*>(lParam);
        ::SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
        // The picture drawn for the whole scale nearest the screen's (the template's is for 100 %).
        HINSTANCE hInst = ::GetModuleHandleA(nullptr);
        UINT nPicture = PickArtBitmap(hInst, IDB_ANNOUNCEMENT, GetWindowDpi(hDlg));
        if (pThis && nPicture != IDB_ANNOUNCEMENT)
            pThis->m_hbmPicture = SetStaticPicture(FindPictureControl(hDlg), hInst, nPicture);
        return pThis && pThis->OnInitDialog(hDlg) ? TRUE : FALSE;
    }
    case WM_COMMAND:
        if (!pThis)
            return FALSE;
        if (LOWORD(wParam) == IDC_ANNOUNCE_DOWNLOAD && HIWORD(wParam) == BN_CLICKED)
        {
            pThis->OnDownload();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)
        {
            ::EndDialog(hDlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
