// QxDialogs.cpp: the About box and the version check, with their painted banner.
#include "companion/QxDialogs.h"

#include "config/ProgramVersion.h"
#include "config/SettingsStore.h"
#include "config/SharedConfiguration.h"
#include "companion/QxToolsRes.h"
#include "framework/win/Dpi.h"

#include <shellapi.h>


namespace {

/** @brief An owned GDI object, deleted on scope exit. */
class CGdiObject
{
public:
    CGdiObject() = default;
    ~CGdiObject() { Reset(NULL); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    void Reset(HGDIOBJ hObject)
    {
        if (m_hObject)
            DeleteObject(m_hObject);
        m_hObject = hObject;
    }
    HGDIOBJ Get() const { return m_hObject; }

private:
    HGDIOBJ m_hObject = NULL;   // owned
};

/** @brief Puts the previous GDI object back into the DC on scope exit. */
class CSelectObject
{
public:
    CSelectObject(HDC hdc, HGDIOBJ hObject) : m_hdc(hdc), m_hOld(SelectObject(hdc, hObject)) {}
    ~CSelectObject() { SelectObject(m_hdc, m_hOld); }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};


HFONT CreateDerivedFont(HFONT hBase, int nHeightPercent, LONG lWeight)
{
    LOGFONTA lf = {};
    if (!hBase || !GetObjectA(hBase, sizeof lf, &lf))
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfHeight = lf.lfHeight * nHeightPercent / 100;
    lf.lfWeight = lWeight;
    return CreateFontIndirectA(&lf);
}

COLORREF Blend(COLORREF crFrom, COLORREF crTo, int nStep, int nSteps)
{
    auto mix = [&](int a, int b) { return a + (b - a) * nStep / nSteps; };
    return RGB(mix(GetRValue(crFrom), GetRValue(crTo)), mix(GetGValue(crFrom), GetGValue(crTo)),
               mix(GetBValue(crFrom), GetBValue(crTo)));
}

void FillSolid(HDC hdc, const RECT& rc, COLORREF cr)
{
    SetBkColor(hdc, cr);
    ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rc, NULL, 0, NULL);
}

/** @brief Base of both dialogs: the banner, its fonts and the dialog procedure. */
class CQxDialog
{
public:
    explicit CQxDialog(UINT nTemplateId) : m_nTemplateId(nTemplateId) {}
    virtual ~CQxDialog() = default;

    INT_PTR DoModal(HINSTANCE hInstance, HWND hOwner)
    {
        return DialogBoxParamA(hInstance, MAKEINTRESOURCEA(m_nTemplateId), hOwner, &CQxDialog::DialogProc,
                               reinterpret_cast<LPARAM>(this));
    }

protected:
    /** Fills the controls; returns false when it has set the focus itself. */
    virtual bool OnInitDialog(HWND hDlg, const CToolRegistration& reg) = 0;
    virtual bool OnCommand(HWND hDlg, int nId)
    {
        if (nId == IDOK || nId == IDCANCEL)
        {
            EndDialog(hDlg, nId);
            return true;
        }
        return false;
    }

    HFONT BoldFont() const { return static_cast<HFONT>(m_boldFont.Get()); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
    {
        CQxDialog* pThis = reinterpret_cast<CQxDialog*>(GetWindowLongPtrA(hDlg, DWLP_USER));
        if (uMsg == WM_INITDIALOG)
        {
            pThis = reinterpret_cast<CQxDialog*>(lParam);
            SetWindowLongPtrA(hDlg, DWLP_USER, lParam);
            pThis->m_nDpi = GetWindowDpi(hDlg);
            pThis->CreateFonts(hDlg, pThis->m_nDpi);
            return pThis->OnInitDialog(hDlg, CToolRegistration::Read()) ? TRUE : FALSE;
        }
        if (!pThis)
            return FALSE;
        switch (uMsg)
        {
        case WM_COMMAND:
            return pThis->OnCommand(hDlg, LOWORD(wParam)) ? TRUE : FALSE;
        case WM_DPICHANGED:
        {
            // Moved to a screen of another DPI: Windows scales the dialog and its font once this
            // returns; the fonts made from that font are made again for the new DPI now.
            const int nOldDpi = pThis->m_nDpi;
            pThis->m_nDpi = HIWORD(wParam);
            pThis->CreateFonts(hDlg, nOldDpi);
            SendDlgItemMessageA(hDlg, IDC_QX_PROGRAM, WM_SETFONT, reinterpret_cast<WPARAM>(pThis->BoldFont()), TRUE);
            return FALSE;
        }
        case WM_DRAWITEM:
        {
            const DRAWITEMSTRUCT* pDraw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (pDraw->CtlID != IDC_QX_BANNER)
                return FALSE;
            pThis->DrawBanner(pDraw->hDC, pDraw->rcItem);
            return TRUE;
        }
        }
        return FALSE;
    }

    /// The bold, title and subtitle fonts from the dialog's font, which is made for nFontDpi.
    void CreateFonts(HWND hDlg, int nFontDpi)
    {
        HFONT hDialogFont = reinterpret_cast<HFONT>(SendMessageA(hDlg, WM_GETFONT, 0, 0));
        auto percent = [&](int n) { return MulDiv(n, m_nDpi, nFontDpi); };
        m_boldFont.Reset(CreateDerivedFont(hDialogFont, percent(120), FW_BOLD));
        m_titleFont.Reset(CreateDerivedFont(hDialogFont, percent(260), FW_HEAVY));
        m_subtitleFont.Reset(CreateDerivedFont(hDialogFont, percent(100), FW_NORMAL));
    }

    // Our emblem: three archive blocks stacked on a dusk gradient, the name beside them. The banner
    // follows the dialog's size; its gaps are written at 96 DPI and scaled to the dialog's.
    void DrawBanner(HDC hdc, const RECT& rc)
    {
        auto S = [this](int n) { return ScaleForDpi(n, m_nDpi); };
        const int nWidth = rc.right - rc.left;
        const int nHeight = rc.bottom - rc.top;
        const int nSteps = 48;
        for (int i = 0; i < nSteps; ++i)
        {
            RECT rcBand = { rc.left + nWidth * i / nSteps, rc.top, rc.left + nWidth * (i + 1) / nSteps, rc.bottom };
            FillSolid(hdc, rcBand, Blend(RGB(18, 38, 70), RGB(46, 116, 160), i, nSteps - 1));
        }

        const int nBlock = nHeight / 5;
        const int x = rc.left + nHeight / 3;
        const COLORREF crBlocks[3] = { RGB(244, 186, 64), RGB(236, 132, 52), RGB(250, 224, 150) };
        for (int i = 0; i < 3; ++i)
        {
            const int y = rc.top + nHeight / 5 + i * (nBlock + nBlock / 4);
            RECT rcShadow = { x + S(3) + i * S(4), y + S(3), x + S(3) + i * S(4) + nBlock * 3, y + S(3) + nBlock };
            FillSolid(hdc, rcShadow, RGB(12, 26, 48));
            RECT rcBlock = { x + i * S(4), y, x + i * S(4) + nBlock * 3, y + nBlock };
            FillSolid(hdc, rcBlock, crBlocks[i]);
        }

        SetBkMode(hdc, TRANSPARENT);
        const int xText = x + nBlock * 3 + S(8) + nHeight / 3;
        {
            CSelectObject font(hdc, m_subtitleFont.Get());
            SetTextColor(hdc, RGB(200, 222, 240));
            RECT rcSub = { xText, rc.top + nHeight / 8, rc.right - S(8), rc.top + nHeight / 2 };
            DrawTextA(hdc, "Kestrin Manager", -1, &rcSub, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        }
        {
            CSelectObject font(hdc, m_titleFont.Get());
            SetTextColor(hdc, RGB(255, 255, 255));
            RECT rcTitle = { xText, rc.top + nHeight / 3, rc.right - S(8), rc.bottom - S(2) };
            DrawTextA(hdc, "QUARNEL", -1, &rcTitle, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        }
    }

    UINT m_nTemplateId;
    int m_nDpi = DPI_DEFAULT;   // the dialog's, from its first message
    CGdiObject m_boldFont;      // owned, used by the derived dialogs
    CGdiObject m_titleFont;     // owned
    CGdiObject m_subtitleFont;  // owned
};

/** @brief Program name, version and build from the registration, purpose and licence. */
class CAboutDialog : public CQxDialog
{
public:
    CAboutDialog() : CQxDialog(IDD_QX_ABOUT) {}

protected:
    bool OnInitDialog(HWND hDlg, const CToolRegistration& reg) override
    {
        SendDlgItemMessageA(hDlg, IDC_QX_PROGRAM, WM_SETFONT, reinterpret_cast<WPARAM>(BoldFont()), FALSE);
        if (!reg.m_bRegistered)
        {
            SetDlgItemTextA(hDlg, IDC_QX_VERSION, "Version unknown: the program has not registered itself yet.");
            return true;
        }
        const std::string strVersion = "Version " + (reg.m_strVersion.empty() ? "unknown" : reg.m_strVersion);
        std::string strBuild = "Build " + std::to_string(reg.m_nBuild);
        if (!reg.m_strDate.empty())
            strBuild += " of " + reg.m_strDate;
        SetDlgItemTextA(hDlg, IDC_QX_VERSION, strVersion.c_str());
        SetDlgItemTextA(hDlg, IDC_QX_BUILD, strBuild.c_str());
        if (!reg.m_strCoder.empty())
            SetDlgItemTextA(hDlg, IDC_QX_CODER, ("Written by " + reg.m_strCoder).c_str());
        return true;
    }
};

/** @brief The installed version and build; opens the download page only on request. */
class CVersionCheckDialog : public CQxDialog
{
public:
    CVersionCheckDialog() : CQxDialog(IDD_QX_VERSION_CHECK) {}

protected:
    bool OnInitDialog(HWND hDlg, const CToolRegistration& reg) override
    {
        const char* pszUnknown = "unknown (not registered)";
        SetDlgItemTextA(hDlg, IDC_QX_VERSION,
                        reg.m_strVersion.empty() ? pszUnknown : reg.m_strVersion.c_str());
        SetDlgItemTextA(hDlg, IDC_QX_BUILD,
                        reg.m_bRegistered ? std::to_string(reg.m_nBuild).c_str() : pszUnknown);
        // Focus on Close, not on the first button: Enter must not open the browser.
        SetFocus(GetDlgItem(hDlg, IDCANCEL));
        return false;
    }

    bool OnCommand(HWND hDlg, int nId) override
    {
        if (nId != IDC_QX_OPEN_PAGE)
            return CQxDialog::OnCommand(hDlg, nId);
        // The user asked for it: hand the address to the browser and do nothing else.
        const INT_PTR nResult = reinterpret_cast<INT_PTR>(
            ShellExecuteA(hDlg, "open", QX_DOWNLOAD_PAGE, NULL, NULL, SW_SHOWNORMAL));
        if (nResult <= 32)
        {
            const std::string strMessage =
                std::string("The download page could not be opened in your web browser.\r\n\r\nIts address is ")
                + QX_DOWNLOAD_PAGE;
            MessageBoxA(hDlg, strMessage.c_str(),
                        "Check for new version", MB_OK | MB_ICONEXCLAMATION);
            return true;
        }
        EndDialog(hDlg, IDOK);
        return true;
    }
};

} // namespace

CToolRegistration CToolRegistration::Read()
{
    CToolRegistration reg;
    reg.m_bRegistered = !ReadSharedString(TOOL_REGISTRATION_SUBKEY, "EXE").empty();
    reg.m_strVersion = ReadSharedString(TOOL_REGISTRATION_SUBKEY, "Version");
    reg.m_nBuild = ReadSharedInt(TOOL_REGISTRATION_SUBKEY, "Build", 0);
    reg.m_strDate = ReadSharedString(TOOL_REGISTRATION_SUBKEY, "Date");
    reg.m_strCoder = ReadSharedString(TOOL_REGISTRATION_SUBKEY, "Coder");
    // Where the registration could not be written (a standard user has no write access to the
    // machine's part of the registry) the calling program still knows its own version.
    CProgramVersion version;
    if (reg.m_strVersion.empty() && ReadProgramVersion(GetRunningExePath(), version))
    {
        reg.m_bRegistered = true;
        reg.m_strVersion = version.m_strVersion;
        reg.m_nBuild = version.m_nBuild;
        reg.m_strDate = version.m_strDate;
        reg.m_strCoder = version.m_strCoder;
    }
    return reg;
}

INT_PTR ShowAboutDialog(HINSTANCE hInstance, HWND hOwner)
{
    CAboutDialog dialog;
    return dialog.DoModal(hInstance, hOwner);
}

INT_PTR ShowVersionCheckDialog(HINSTANCE hInstance, HWND hOwner)
{
    CVersionCheckDialog dialog;
    return dialog.DoModal(hInstance, hOwner);
}
