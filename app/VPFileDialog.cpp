// VPFileDialog.cpp
#include "app/VPFileDialog.h"
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include "framework/win/Dpi.h"
#include "framework/win/FrameWnd.h"
#include "framework/win/WinApp.h"
#include "res/resource.h"

namespace
{
const char kFilter[] = "Red Faction/Summoner VPP files (*.vpp)|*.vpp|All Files (*.*)|*.*||";
const char kDefaultExt[] = "vpp";
const char kButtonText[] = "Quick jump to game directory >";
const UINT_PTR kSubclassId = 1;

// The key press that makes the system dialog act on the file-name box: Enter, repeat count 1,
// scan code 0x1C; the release has the previous-state and transition bits set.
const LPARAM kEnterDown = 0x00020001;
const LPARAM kEnterUp = static_cast<LPARAM>(0xC0020001u);
}

/////////////////////////////////////////////////////////////////////////////
// CQuickJumpHost

CQuickJumpHost::~CQuickJumpHost()
{
    Unhook();
}

bool CQuickJumpHost::Hook(HWND hFrame)
{
    if (!hFrame || m_hWnd)
        return false;
    if (!::SetWindowSubclass(hFrame, &CQuickJumpHost::SubclassProc, kSubclassId,
                             reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = hFrame;
    return true;
}

void CQuickJumpHost::Unhook()
{
    if (!m_hWnd)
        return;
    ::RemoveWindowSubclass(m_hWnd, &CQuickJumpHost::SubclassProc, kSubclassId);
    // The window is the system's: clear the handle so the base class does not destroy it.
    m_hWnd = nullptr;
}

LRESULT CALLBACK CQuickJumpHost::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam,
                                              UINT_PTR uIdSubclass, DWORD_PTR dwRefData)
{
    (void)uIdSubclass;
    CQuickJumpHost* pHost = reinterpret_cast<CQuickJumpHost*>(dwRefData);
    if (!pHost || pHost->m_hWnd != hWnd)
        return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
    if (uMsg == WM_NCDESTROY)
    {
        pHost->Unhook();
        return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
    }
    return pHost->WindowProc(uMsg, wParam, lParam);
}

LRESULT CQuickJumpHost::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    HWND hWnd = m_hWnd;
    switch (uMsg)
    {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_QUICKJUMP_BUTTON && HIWORD(wParam) == BN_CLICKED &&
            lParam && reinterpret_cast<HWND>(lParam) == ::GetDlgItem(hWnd, IDC_QUICKJUMP_BUTTON))
        {
            ShowQuickJumpMenu();
            return 0;
        }
        break;
    case WM_SIZE:
    {
        // The system dialog lays its own controls out again; then the button follows the
        // file-type box, so a resized dialog never leaves it hidden or stranded.
        LRESULT lResult = ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
        CVPFileDialog::PlaceQuickJumpButton(hWnd);
        return lResult;
    }
    }
    return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
}

void CQuickJumpHost::ShowQuickJumpMenu()
{
    HWND hButton = m_hWnd ? ::GetDlgItem(m_hWnd, IDC_QUICKJUMP_BUTTON) : nullptr;
    if (!hButton)
        return;
    // Read where the button is now: the user may have resized the dialog since it was made.
    RECT rc = {};
    ::GetWindowRect(hButton, &rc);
    POINT pt = { rc.left, rc.bottom };
    TrackQuickJumpMenu(pt);
}

void CQuickJumpHost::TrackQuickJumpMenu(POINT ptScreen)
{
    CWinApp* pApp = AfxGetApp();
    HWND hOwner = pApp && pApp->m_pMainWnd ? pApp->m_pMainWnd->m_hWnd : nullptr;
    if (!hOwner)
        return;
    // Owned by the main window: its enable rules run as the popup opens, it measures and draws
    // the owner-drawn items, and the chosen command goes to its handlers.
    m_menu.TrackPopup(IDR_OPEN_POPUP, ptScreen, hOwner, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
}

/////////////////////////////////////////////////////////////////////////////
// CVPFileDialog

CVPFileDialog::CVPFileDialog(HWND hOwner) : m_strFilter(kFilter)
{
    for (char& ch : m_strFilter)
    {
        if (ch == '|')
            ch = '\0';
    }
    ZeroMemory(&m_ofn, sizeof(m_ofn));
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = hOwner;
    m_ofn.hInstance = ::GetModuleHandleA(nullptr);
    m_ofn.lpstrFilter = m_strFilter.c_str();
    m_ofn.lpstrFile = m_szFile;
    m_ofn.nMaxFile = sizeof(m_szFile);
    m_ofn.lpstrDefExt = kDefaultExt;
    // The read-only box is hidden: the editor would ignore its state and save over the file
    // all the same.
    m_ofn.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLESIZING |
                  OFN_NOCHANGEDIR;
    m_ofn.lpfnHook = &CVPFileDialog::HookProc;
    m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
}

CVPFileDialog::~CVPFileDialog() = default;

int CVPFileDialog::DoModal()
{
    m_szFile[0] = '\0';
    BOOL bOk = ::GetOpenFileNameA(&m_ofn);
    m_hWnd = nullptr;
    m_hButton = nullptr;
    m_host.Unhook();
    return bOk ? IDOK : IDCANCEL;
}

HWND CVPFileDialog::GetFrameWindow() const
{
    return m_hWnd ? ::GetParent(m_hWnd) : nullptr;
}

UINT_PTR CALLBACK CVPFileDialog::HookProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    if (uMsg == WM_INITDIALOG)
    {
        const OPENFILENAMEA* pOfn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        CVPFileDialog* pThis = pOfn ? reinterpret_cast<CVPFileDialog*>(pOfn->lCustData) : nullptr;
        if (!pThis)
            return FALSE;
        pThis->m_hWnd = hDlg;
        return pThis->OnInitDialog() ? TRUE : FALSE;
    }
    return FALSE;
}

bool CVPFileDialog::OnInitDialog()
{
    // With the Explorer look and a hook, our dialog is an empty child of the system dialog's
    // frame window, which is what the user sees.
    HWND hFrame = GetFrameWindow();
    if (!hFrame)
        return true;
    m_host.Hook(hFrame);

    RECT rcFrame = {};
    ::GetWindowRect(hFrame, &rcFrame);
    ::SetWindowPos(hFrame, nullptr, 0, 0, rcFrame.right - rcFrame.left,
                   rcFrame.bottom - rcFrame.top + ScaleForDpi(EXTRA_HEIGHT, GetWindowDpi(hFrame)),
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    HWND hTypeBox = ::GetDlgItem(hFrame, cmb1);
    m_hButton = ::CreateWindowExA(0, "BUTTON", kButtonText, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                  0, 0, 0, 0, hFrame,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_QUICKJUMP_BUTTON)),
                                  ::GetModuleHandleA(nullptr), nullptr);
    if (!m_hButton)
        return true;
    HFONT hFont = hTypeBox ? reinterpret_cast<HFONT>(::SendMessageA(hTypeBox, WM_GETFONT, 0, 0)) : nullptr;
    if (hFont)
        ::SendMessageA(m_hButton, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    PlaceQuickJumpButton(hFrame);
    return true;
}

bool CVPFileDialog::PlaceQuickJumpButton(HWND hFrame)
{
    HWND hTypeBox = ::GetDlgItem(hFrame, cmb1);
    HWND hButton = ::GetDlgItem(hFrame, IDC_QUICKJUMP_BUTTON);
    if (!hTypeBox || !hButton)
        return false;
    RECT rc = {};
    ::GetWindowRect(hTypeBox, &rc);
    ::MapWindowPoints(nullptr, hFrame, reinterpret_cast<POINT*>(&rc), 2);
    ::OffsetRect(&rc, 0, ScaleForDpi(BUTTON_OFFSET, GetWindowDpi(hFrame)));
    ::SetWindowPos(hButton, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(hButton, nullptr, TRUE);
    return true;
}

void CVPFileDialog::JumpToFolder(const std::string& strFolder)
{
    HWND hFrame = GetFrameWindow();
    if (!hFrame)
        return;
    // Only a folder that exists is typed into the name box: anything else there would be taken as
    // a file to open (a game path that names an archive would open it as "x.vpp\\").
    const DWORD dwAttributes = ::GetFileAttributesA(strFolder.c_str());
    if (strFolder.empty() || dwAttributes == INVALID_FILE_ATTRIBUTES || !(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
    {
        ::MessageBeep(MB_ICONWARNING);
        return;
    }
    HWND hName = ::GetDlgItem(hFrame, edt1);
    if (!hName)
        hName = ::GetDlgItem(hFrame, cmb13);   // the newer dialogs keep the name in a combo box
    HWND hOpen = ::GetDlgItem(hFrame, IDOK);
    if (!hName || !hOpen)
        return;
    ::SetWindowTextA(hName, strFolder.c_str());
    ::SetFocus(hOpen);
    // Processed once the menu has closed: the dialog takes it as Open with a folder in the
    // name box, changes to that folder and stays open.
    ::PostMessageA(hOpen, WM_KEYDOWN, VK_RETURN, kEnterDown);
    ::PostMessageA(hOpen, WM_KEYUP, VK_RETURN, kEnterUp);
    ::SetFocus(hName);
}
