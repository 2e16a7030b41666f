// QxDialogs.h: the companion library's modal windows.
#pragma once

#include <windows.h>

#include <string>

inline constexpr char QX_DOWNLOAD_PAGE[] = "https://www.kestrin.net/quarnel/download/";

/** @brief What the tool published about itself in the shared registration area. */
struct CToolRegistration
{
    bool m_bRegistered = false;     // the tool has written its registration, or its version is known
                                    // from the calling program's own version resource
    std::string m_strVersion;
    int m_nBuild = 0;
    std::string m_strDate;
    std::string m_strCoder;

    static CToolRegistration Read();
};

/** Shows the About box; returns when it is closed. */
INT_PTR ShowAboutDialog(HINSTANCE hInstance, HWND hOwner);
/** Shows the installed version and offers the download page; returns when it is closed. */
INT_PTR ShowVersionCheckDialog(HINSTANCE hInstance, HWND hOwner);
