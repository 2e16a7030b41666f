// ResourceTests.cpp: the editor's resources as the running program sees them (linked into this exe).
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "res/resource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

std::string LoadStr(UINT nID)
{
    char sz[1024] = "";
    int n = LoadStringA(Module(), nID, sz, sizeof sz);
    return std::string(sz, n > 0 ? n : 0);
}

// One expected menu item: text and command, or a separator (text nullptr), optionally grayed.
struct ItemDef { const char* pszText; UINT nID; bool bGrayed; };

std::string MenuText(HMENU hMenu, int nPos)
{
    char sz[256] = "";
    GetMenuStringA(hMenu, nPos, sz, sizeof sz, MF_BYPOSITION);
    return sz;
}

void ExpectPopup(HMENU hPopup, const std::vector<ItemDef>& items, const char* pszWhere)
{
    SCOPED_TRACE(pszWhere);
    ASSERT_NE(hPopup, nullptr);
    ASSERT_EQ(GetMenuItemCount(hPopup), (int)items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        UINT nState = GetMenuState(hPopup, (UINT)i, MF_BYPOSITION);
        if (!items[i].pszText) {
            EXPECT_TRUE(nState & MF_SEPARATOR);
            continue;
        }
        EXPECT_FALSE(nState & (MF_SEPARATOR | MF_POPUP));
        EXPECT_EQ(MenuText(hPopup, (int)i), items[i].pszText);
        EXPECT_EQ(GetMenuItemID(hPopup, (int)i), items[i].nID);
        EXPECT_EQ((nState & MF_GRAYED) != 0, items[i].bGrayed);
    }
}

// The type-241 toolbar resource as WORDs.
std::vector<WORD> ToolbarWords(UINT nID)
{
    std::vector<WORD> words;
    HRSRC hRes = FindResourceA(Module(), MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(RT_QUARNEL_TOOLBAR));
    if (!hRes)
        return words;
    DWORD cb = SizeofResource(Module(), hRes);
    const WORD* p = static_cast<const WORD*>(LockResource(LoadResource(Module(), hRes)));
    words.assign(p, p + cb / sizeof(WORD));
    return words;
}

// The header of a bitmap resource (the DIB as stored, without a file header).
const BITMAPINFOHEADER* BitmapHeader(UINT nID)
{
    HRSRC hRes = FindResourceA(Module(), MAKEINTRESOURCEA(nID), MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    if (!hRes)
        return nullptr;
    return static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Module(), hRes)));
}

// Palette index of pixel (x, y) of a 4-bpp bitmap resource; y counted from the top.
int Pixel4(const BITMAPINFOHEADER* pbih, int x, int y)
{
    const BYTE* pBits = reinterpret_cast<const BYTE*>(pbih) + pbih->biSize + 16 * sizeof(RGBQUAD);
    int nStride = ((pbih->biWidth * 4 + 31) / 32) * 4;
    BYTE b = pBits[(pbih->biHeight - 1 - y) * nStride + x / 2];
    return (x % 2) ? (b & 0x0F) : (b >> 4);
}

INT_PTR CALLBACK NullDlgProc(HWND, UINT uMsg, WPARAM, LPARAM)
{
    return uMsg == WM_INITDIALOG;
}

struct DialogWindow {
    HWND m_hWnd;
    explicit DialogWindow(UINT nID)
        : m_hWnd(CreateDialogParamA(Module(), MAKEINTRESOURCEA(nID), nullptr, NullDlgProc, 0)) {}
    ~DialogWindow() { if (m_hWnd) DestroyWindow(m_hWnd); }
};

std::string ClassOf(HWND hWnd)
{
    char sz[64] = "";
    GetClassNameA(hWnd, sz, sizeof sz);
    return sz;
}

std::string TextOf(HWND hWnd)
{
    char sz[512] = "";
    GetWindowTextA(hWnd, sz, sizeof sz);
    return sz;
}

// Position and size of a control in dialog units, measured back from the created window.
// The dialog manager converts position and size separately, so they are compared that way.
void ExpectControlRect(HWND hDlg, HWND hCtl, int x, int y, int cx, int cy)
{
    RECT rcWant = { x, y, cx, cy };
    MapDialogRect(hDlg, &rcWant);
    RECT rc;
    GetWindowRect(hCtl, &rc);
    MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, rcWant.left);
    EXPECT_EQ(rc.top, rcWant.top);
    EXPECT_EQ(rc.right - rc.left, rcWant.right);
    EXPECT_EQ(rc.bottom - rc.top, rcWant.bottom);
}

void ExpectClientSize(HWND hDlg, int cx, int cy)
{
    RECT rcWant = { 0, 0, cx, cy };
    MapDialogRect(hDlg, &rcWant);
    RECT rc;
    GetClientRect(hDlg, &rc);
    EXPECT_EQ(rc.right, rcWant.right);
    EXPECT_EQ(rc.bottom, rcWant.bottom);
}

const DWORD MODAL_POPUP = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

} // namespace

// ---------------------------------------------------------------------------------------------
// Menus

TEST(Resources, MainMenuBarHasFileEditHelp)
{
    HMENU hMenu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(hMenu, nullptr);
    ASSERT_EQ(GetMenuItemCount(hMenu), 3);
    const char* pszPopups[] = { "&File", "&Edit", "&Help" };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(MenuText(hMenu, i), pszPopups[i]);
        EXPECT_TRUE(GetMenuState(hMenu, i, MF_BYPOSITION) & MF_POPUP);
    }
    ExpectPopup(GetSubMenu(hMenu, 0), {
        { "&New\tCtrl+N", ID_FILE_NEW, false },
        { "&Open...\tCtrl+O", ID_FILE_OPEN, false },
        { "&Save\tCtrl+S", ID_FILE_SAVE, false },
        { "Save &As...", ID_FILE_SAVE_AS, false },
        { nullptr, 0, false },
        { "&Browse this .VPP file in MIRADOR 2.x\tCtrl+B", ID_FILE_BROWSE_MIRADOR, false },
        { nullptr, 0, false },
        { "Recent File", ID_FILE_MRU_FILE1, true },
        { nullptr, 0, false },
        { "E&xit", ID_APP_EXIT, false },
    }, "File");
    ExpectPopup(GetSubMenu(hMenu, 1), {
        { "A&dd file(s)\tIns", ID_EDIT_ADD, false },
        { "&Remove selected file(s)\tDel", ID_EDIT_REMOVE, false },
        { "&Extract selected file(s)\tF4", ID_EDIT_EXTRACT, false },
        { "&Copy\tCtrl+C", ID_EDIT_COPY, false },
        { "&Quick view\tF3", ID_EDIT_QUICK_VIEW, false },
        { nullptr, 0, false },
        { "Select &all\tCtrl+A", ID_EDIT_SELECT_ALL, false },
    }, "Edit");
    ExpectPopup(GetSubMenu(hMenu, 2), {
        { "&Check for new version", ID_HELP_CHECK_VERSION, false },
        { "&About Quarnel...", ID_APP_ABOUT, false },
    }, "Help");
    DestroyMenu(hMenu);
}

TEST(Resources, ContextMenusHaveOnePopupEach)
{
    HMENU hList = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_LIST_POPUP));
    ASSERT_NE(hList, nullptr);
    ASSERT_EQ(GetMenuItemCount(hList), 1);
    ExpectPopup(GetSubMenu(hList, 0), {
        { "&Browse in MIRADOR\tCtrl+B", ID_FILE_BROWSE_MIRADOR, false },
        { "&Quick view\tF3", ID_EDIT_QUICK_VIEW, false },
        { nullptr, 0, false },
        { "A&dd file(s)\tIns", ID_EDIT_ADD, false },
        { "&Remove selected file(s)\tDel", ID_EDIT_REMOVE, false },
        { "&Extract selected file(s)\tF4", ID_EDIT_EXTRACT, false },
        { "&Copy\tCtrl+C", ID_EDIT_COPY, false },
    }, "list popup");
    DestroyMenu(hList);

    HMENU hOpen = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_OPEN_POPUP));
    ASSERT_NE(hOpen, nullptr);
    ASSERT_EQ(GetMenuItemCount(hOpen), 1);
    EXPECT_EQ(MenuText(hOpen, 0), "VPFileDialog");
    ExpectPopup(GetSubMenu(hOpen, 0), {
        { "Jump to Summoner 1 directory", ID_JUMP_SUMMONER, false },
        { nullptr, 0, false },
        { "Jump to Red Faction 1 directory", ID_JUMP_REDFACTION, false },
    }, "open popup");
    DestroyMenu(hOpen);
}

// ---------------------------------------------------------------------------------------------
// Accelerators

TEST(Resources, AcceleratorsHoldTheElevenKeys)
{
    HACCEL hAccel = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(hAccel, nullptr);
    ACCEL table[32];
    int n = CopyAcceleratorTableA(hAccel, table, 32);
    struct { BYTE fVirt; WORD key; WORD cmd; } want[] = {
        { FVIRTKEY | FCONTROL, 'A', ID_EDIT_SELECT_ALL },
        { FVIRTKEY | FCONTROL, 'B', ID_FILE_BROWSE_MIRADOR },
        { FVIRTKEY | FCONTROL, 'C', ID_EDIT_COPY },
        { FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW },
        { FVIRTKEY | FCONTROL, 'O', ID_FILE_OPEN },
        { FVIRTKEY | FCONTROL, 'S', ID_FILE_SAVE },
        { FVIRTKEY, VK_DELETE, ID_EDIT_REMOVE },
        { FVIRTKEY, VK_F3, ID_EDIT_QUICK_VIEW },
        { FVIRTKEY, VK_F4, ID_EDIT_EXTRACT },
        { FVIRTKEY, VK_INSERT, ID_EDIT_ADD },
        { FVIRTKEY, VK_RETURN, ID_FILE_BROWSE_MIRADOR },
    };
    ASSERT_EQ(n, 11);
    for (int i = 0; i < n; ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        // no menu-bar flash: FNOINVERT; nothing but the listed modifiers
        EXPECT_EQ(table[i].fVirt & ~0x80, want[i].fVirt | FNOINVERT);
        EXPECT_EQ(table[i].key, want[i].key);
        EXPECT_EQ(table[i].cmd, want[i].cmd);
    }
    DestroyAcceleratorTable(hAccel);
}

// ---------------------------------------------------------------------------------------------
// Toolbars and their pictures

TEST(Resources, ToolbarButtonListsAndStripsAgree)
{
    const std::vector<WORD> cmdsMain = { ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_ADD,
        ID_EDIT_REMOVE, ID_EDIT_EXTRACT, 0, ID_FILE_BROWSE_MIRADOR, 0, ID_APP_ABOUT, 0, ID_TOOLBAR_BLANK };
    const std::vector<WORD> cmdsMenu = { ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_ADD,
        ID_EDIT_REMOVE, ID_EDIT_EXTRACT, 0, ID_FILE_BROWSE_MIRADOR, 0, ID_APP_ABOUT, 0,
        ID_JUMP_SUMMONER, ID_JUMP_REDFACTION };
    struct { UINT nID; int cx, cy; const std::vector<WORD>* pCmds; int nImages; } bars[] = {
        { IDR_MAINFRAME, 22, 22, &cmdsMain, 9 },
        { IDR_TOOLBAR_FLAT, 20, 20, &cmdsMenu, 10 },
        { IDR_TOOLBAR_CLASSIC, 16, 15, &cmdsMenu, 10 },
    };
    for (const auto& bar : bars) {
        SCOPED_TRACE("toolbar " + std::to_string(bar.nID));
        std::vector<WORD> w = ToolbarWords(bar.nID);
        ASSERT_GE(w.size(), 4u);
        EXPECT_EQ(w[0], 1);
        EXPECT_EQ(w[1], bar.cx);
        EXPECT_EQ(w[2], bar.cy);
        ASSERT_EQ(w.size(), 4u + w[3]);
        EXPECT_EQ(std::vector<WORD>(w.begin() + 4, w.end()), *bar.pCmds);

        int nButtons = 0;
        for (size_t i = 4; i < w.size(); ++i)
            nButtons += w[i] != 0;
        EXPECT_EQ(nButtons, bar.nImages);

        // one picture per button that is not a separator, 16 colours
        const BITMAPINFOHEADER* pbih = BitmapHeader(bar.nID);
        ASSERT_NE(pbih, nullptr);
        EXPECT_EQ(pbih->biWidth, bar.cx * nButtons);
        EXPECT_EQ(pbih->biHeight, bar.cy);
        EXPECT_EQ(pbih->biBitCount, 4);
        EXPECT_EQ(pbih->biCompression, (DWORD)BI_RGB);
    }
}

TEST(Resources, ToolbarStripsUseLightGreyAsBackground)
{
    struct { UINT nID; int cx, cy, nBlank; } strips[] = {
        { IDR_MAINFRAME, 22, 22, 8 }, { IDR_TOOLBAR_FLAT, 20, 20, -1 }, { IDR_TOOLBAR_CLASSIC, 16, 15, -1 },
        { IDB_TOOLBAR_MAIN_125, 28, 28, 8 }, { IDB_TOOLBAR_MAIN_150, 33, 33, 8 }, { IDB_TOOLBAR_MAIN_200, 44, 44, 8 },
        { IDB_TOOLBAR_FLAT_125, 25, 25, -1 }, { IDB_TOOLBAR_FLAT_150, 30, 30, -1 }, { IDB_TOOLBAR_FLAT_200, 40, 40, -1 },
        { IDB_TOOLBAR_CLASSIC_125, 20, 19, -1 }, { IDB_TOOLBAR_CLASSIC_150, 24, 23, -1 }, { IDB_TOOLBAR_CLASSIC_200, 32, 30, -1 },
    };
    for (const auto& s : strips) {
        SCOPED_TRACE("strip " + std::to_string(s.nID));
        const BITMAPINFOHEADER* pbih = BitmapHeader(s.nID);
        ASSERT_NE(pbih, nullptr);
        EXPECT_EQ(pbih->biWidth, s.cx * (s.nBlank < 0 ? 10 : 9));
        EXPECT_EQ(pbih->biHeight, s.cy);
        // the loaders look the colours up by value: index 7 must be RGB(192,192,192), and the
        // remapped black, dark grey and white must be where the standard palette has them
        const RGBQUAD* pPal = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(pbih) + pbih->biSize);
        EXPECT_EQ(RGB(pPal[7].rgbRed, pPal[7].rgbGreen, pPal[7].rgbBlue), (COLORREF)QUARNEL_TOOLBAR_TRANSPARENT);
        EXPECT_EQ(RGB(pPal[0].rgbRed, pPal[0].rgbGreen, pPal[0].rgbBlue), RGB(0, 0, 0));
        EXPECT_EQ(RGB(pPal[8].rgbRed, pPal[8].rgbGreen, pPal[8].rgbBlue), RGB(128, 128, 128));
        EXPECT_EQ(RGB(pPal[15].rgbRed, pPal[15].rgbGreen, pPal[15].rgbBlue), RGB(255, 255, 255));
        int nImages = pbih->biWidth / s.cx;
        for (int img = 0; img < nImages; ++img) {
            SCOPED_TRACE("picture " + std::to_string(img));
            int nInk = 0;
            for (int y = 0; y < s.cy; ++y)
                for (int x = 0; x < s.cx; ++x)
                    nInk += Pixel4(pbih, img * s.cx + x, y) != 7;
            if (img == s.nBlank) {
                EXPECT_EQ(nInk, 0);
            } else {
                // a real picture, and not one that fills its cell (the background must show)
                EXPECT_GT(nInk, s.cx * s.cy / 6);
                EXPECT_LT(nInk, s.cx * s.cy * 9 / 10);
                EXPECT_EQ(Pixel4(pbih, img * s.cx, 0), 7) << "top-left corner is not transparent";
            }
        }
    }
}

TEST(Resources, PicturesHaveTheirSizesAndDepths)
{
    struct { UINT nID; int cx, cy, bpp; } bmps[] = {
        { IDB_SPLASH, 389, 350, 24 }, { IDB_SPLASH_VERSION, 164, 28, 24 }, { IDB_ANNOUNCEMENT, 285, 92, 24 },
        { IDB_SPLASH_200, 778, 700, 24 }, { IDB_SPLASH_VERSION_200, 328, 56, 24 }, { IDB_ANNOUNCEMENT_200, 570, 184, 24 },
    };
    for (const auto& b : bmps) {
        SCOPED_TRACE("bitmap " + std::to_string(b.nID));
        const BITMAPINFOHEADER* pbih = BitmapHeader(b.nID);
        ASSERT_NE(pbih, nullptr);
        EXPECT_EQ(pbih->biWidth, b.cx);
        EXPECT_EQ(pbih->biHeight, b.cy);
        EXPECT_EQ(pbih->biBitCount, b.bpp);
        HBITMAP hBmp = LoadBitmapA(Module(), MAKEINTRESOURCEA(b.nID));
        EXPECT_NE(hBmp, nullptr);
        DeleteObject(hBmp);
    }
}

TEST(Resources, ManifestRunsAsInvokerOnWindows7To11AndScalesPerMonitor)
{
    HRSRC hRes = FindResourceA(Module(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
    ASSERT_NE(hRes, nullptr);
    std::string strManifest(static_cast<const char*>(LockResource(LoadResource(Module(), hRes))), SizeofResource(Module(), hRes));
    for (const char* pszPart : { "level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                 "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                                 ">PerMonitorV2, PerMonitor</dpiAwareness>", ">true/pm</dpiAware>" })
        EXPECT_NE(std::string::npos, strManifest.find(pszPart)) << pszPart;
    // The common controls stay the classic ones: a dependency on version 6 would change every window's look.
    EXPECT_EQ(std::string::npos, strManifest.find("Microsoft.Windows.Common-Controls"));
}

TEST(Resources, IconHoldsEverySizeFrom16To256)
{
    HRSRC hRes = FindResourceA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_NE(hRes, nullptr);
    const BYTE* p = static_cast<const BYTE*>(LockResource(LoadResource(Module(), hRes)));
    // GRPICONDIR: reserved, type 1, count; then 14-byte entries starting with width and height
    ASSERT_EQ(*reinterpret_cast<const WORD*>(p + 2), 1);
    ASSERT_EQ(*reinterpret_cast<const WORD*>(p + 4), 8);
    std::vector<int> sizes;
    for (int i = 0; i < 8; ++i) {
        const BYTE* e = p + 6 + 14 * i;
        EXPECT_EQ(e[0], e[1]);
        sizes.push_back(e[0] ? e[0] : 256);
    }
    EXPECT_EQ(sizes, (std::vector<int>{ 16, 20, 24, 32, 40, 48, 64, 256 }));
    for (int cx : { 16, 20, 24, 32, 40, 48, 64 }) {
        HICON hIcon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, cx, cx, 0));
        ASSERT_NE(hIcon, nullptr) << cx;
        ICONINFO ii = {};
        ASSERT_TRUE(GetIconInfo(hIcon, &ii));
        BITMAP bm = {};
        GetObjectA(ii.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, cx);
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
        DestroyIcon(hIcon);
    }
}

// ---------------------------------------------------------------------------------------------
// Dialogs

TEST(Resources, ErrorDetailsDialog)
{
    DialogWindow dlg(IDD_ERROR_DETAILS);
    ASSERT_NE(dlg.m_hWnd, nullptr);
    EXPECT_EQ(TextOf(dlg.m_hWnd), "Error details");
    EXPECT_EQ(GetWindowLongA(dlg.m_hWnd, GWL_STYLE) & MODAL_POPUP, MODAL_POPUP);
    ExpectClientSize(dlg.m_hWnd, 345, 210);

    HWND hHeader = GetDlgItem(dlg.m_hWnd, IDC_ERROR_HEADER);
    ASSERT_NE(hHeader, nullptr);
    EXPECT_EQ(ClassOf(hHeader), "Static");
    ExpectControlRect(dlg.m_hWnd, hHeader, 7, 7, 331, 15);

    HWND hText = GetDlgItem(dlg.m_hWnd, IDC_ERROR_DETAILS_TEXT);
    ASSERT_NE(hText, nullptr);
    EXPECT_EQ(ClassOf(hText), "Edit");
    LONG nStyle = GetWindowLongA(hText, GWL_STYLE);
    EXPECT_EQ(nStyle & (ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP),
              ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP);
    // the border: the edit control may turn WS_BORDER into a client edge
    EXPECT_TRUE((nStyle & WS_BORDER) || (GetWindowLongA(hText, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    ExpectControlRect(dlg.m_hWnd, hText, 7, 24, 331, 161);
    // "\r\n" line ends become separate lines
    SetWindowTextA(hText, "a.tga\r\nCannot open file.\r\n\r\nb.tga\r\nCannot open file.\r\n\r\n");
    EXPECT_GE(SendMessageA(hText, EM_GETLINECOUNT, 0, 0), 5);

    HWND hClose = GetDlgItem(dlg.m_hWnd, IDCANCEL);
    ASSERT_NE(hClose, nullptr);
    EXPECT_EQ(TextOf(hClose), "Cl&ose");
    EXPECT_EQ(GetWindowLongA(hClose, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    ExpectControlRect(dlg.m_hWnd, hClose, 288, 189, 50, 14);
}

TEST(Resources, ProgressDialog)
{
    DialogWindow dlg(IDD_PROGRESS);
    ASSERT_NE(dlg.m_hWnd, nullptr);
    EXPECT_EQ(TextOf(dlg.m_hWnd), "Kestrin Manager QUARNEL");
    EXPECT_EQ(GetWindowLongA(dlg.m_hWnd, GWL_STYLE) & MODAL_POPUP, MODAL_POPUP);
    EXPECT_FALSE(GetWindowLongA(dlg.m_hWnd, GWL_STYLE) & WS_VISIBLE);
    ExpectClientSize(dlg.m_hWnd, 279, 42);

    HWND hAction = GetDlgItem(dlg.m_hWnd, IDC_PROGRESS_ACTION);
    HWND hItem = GetDlgItem(dlg.m_hWnd, IDC_PROGRESS_ITEM);
    HWND hBar = GetDlgItem(dlg.m_hWnd, IDC_PROGRESS_BAR);
    ASSERT_TRUE(hAction && hItem && hBar);
    EXPECT_EQ(TextOf(hAction), "Action comes here...");
    EXPECT_EQ(TextOf(hItem), "Frame # of #");
    EXPECT_EQ(ClassOf(hBar), PROGRESS_CLASSA);
    ExpectControlRect(dlg.m_hWnd, hAction, 4, 4, 180, 8);
    ExpectControlRect(dlg.m_hWnd, hItem, 4, 12, 176, 8);
    ExpectControlRect(dlg.m_hWnd, hBar, 4, 24, 268, 12);
    // the bar takes a 32-bit range
    SendMessageA(hBar, PBM_SETRANGE32, 0, 100000);
    SendMessageA(hBar, PBM_SETPOS, 70000, 0);
    EXPECT_EQ(SendMessageA(hBar, PBM_GETPOS, 0, 0), 70000);
}

TEST(Resources, AnnouncementDialog)
{
    DialogWindow dlg(IDD_ANNOUNCEMENT);
    ASSERT_NE(dlg.m_hWnd, nullptr);
    EXPECT_EQ(TextOf(dlg.m_hWnd), "Announcement");
    EXPECT_EQ(GetWindowLongA(dlg.m_hWnd, GWL_STYLE) & MODAL_POPUP, MODAL_POPUP);
    ExpectClientSize(dlg.m_hWnd, 377, 116);

    HWND hNotice = GetDlgItem(dlg.m_hWnd, IDC_ANNOUNCE_NOTICE);
    HWND hDesc = GetDlgItem(dlg.m_hWnd, IDC_ANNOUNCE_DESCRIPTION);
    HWND hGet = GetDlgItem(dlg.m_hWnd, IDC_ANNOUNCE_DOWNLOAD);
    HWND hClose = GetDlgItem(dlg.m_hWnd, IDCANCEL);
    ASSERT_TRUE(hNotice && hDesc && hGet && hClose);
    EXPECT_EQ(TextOf(hNotice), "Static");
    EXPECT_EQ(TextOf(hDesc), "<...>");
    EXPECT_EQ(TextOf(hGet), "&Get the current version of MIRADOR now");
    EXPECT_EQ(TextOf(hClose), "Cl&ose");
    EXPECT_EQ(GetWindowLongA(hClose, GWL_STYLE) & 0x0F, BS_DEFPUSHBUTTON);
    ExpectControlRect(dlg.m_hWnd, hNotice, 7, 7, 363, 15);
    ExpectControlRect(dlg.m_hWnd, hDesc, 204, 26, 166, 58);
    ExpectControlRect(dlg.m_hWnd, hGet, 7, 95, 152, 14);
    ExpectControlRect(dlg.m_hWnd, hClose, 320, 95, 50, 14);

    // the picture: a static showing bitmap 138, which must not run under the description
    HWND hPic = nullptr;
    for (HWND h = GetWindow(dlg.m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if ((GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            hPic = h;
    ASSERT_NE(hPic, nullptr);
    EXPECT_NE(SendMessageA(hPic, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    RECT rcPic, rcDesc;
    GetWindowRect(hPic, &rcPic);
    GetWindowRect(hDesc, &rcDesc);
    EXPECT_EQ(rcPic.right - rcPic.left, 285);
    EXPECT_EQ(rcPic.bottom - rcPic.top, 92);
    EXPECT_LE(rcPic.right, rcDesc.left);
}

TEST(Resources, SplashDialog)
{
    DialogWindow dlg(IDD_SPLASH);
    ASSERT_NE(dlg.m_hWnd, nullptr);
    LONG nStyle = GetWindowLongA(dlg.m_hWnd, GWL_STYLE);
    EXPECT_TRUE(nStyle & WS_POPUP);
    EXPECT_FALSE(nStyle & (WS_CAPTION | WS_THICKFRAME | WS_BORDER | WS_VISIBLE));
    ExpectClientSize(dlg.m_hWnd, 259, 216);

    // two pictures: the splash and, on top of it, the version plate
    std::vector<HWND> pics;
    for (HWND h = GetWindow(dlg.m_hWnd, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if ((GetWindowLongA(h, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            pics.push_back(h);
    ASSERT_EQ(pics.size(), 2u);
    for (HWND h : pics)
        EXPECT_NE(SendMessageA(h, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    RECT rcWant = { 143, 174, 0, 0 };
    MapDialogRect(dlg.m_hWnd, &rcWant);
    RECT rc;
    GetWindowRect(pics[1], &rc);
    MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.left, rcWant.left);
    EXPECT_EQ(rc.top, rcWant.top);
    // the plate stays inside the window
    RECT rcClient;
    GetClientRect(dlg.m_hWnd, &rcClient);
    EXPECT_LE(rc.right, rcClient.right);
    EXPECT_LE(rc.bottom, rcClient.bottom);
}

// ---------------------------------------------------------------------------------------------
// Strings

TEST(Resources, FrameStrings)
{
    EXPECT_EQ(LoadStr(IDR_MAINFRAME),
              "Kestrin Manager QUARNEL\n\nVPP\nVPP Archive Files (*.vpp)\n.vpp\nQuarnel.Document\nVPP Archive File");
    EXPECT_EQ(LoadStr(AFX_IDS_APP_TITLE), "Kestrin Manager QUARNEL");
    EXPECT_EQ(LoadStr(AFX_IDS_IDLEMESSAGE), "Ready");
    EXPECT_EQ(LoadStr(ID_EDIT_ADD), "Add file(s) to the current .VP\nAdd file(s)");
    EXPECT_EQ(LoadStr(ID_EDIT_REMOVE), "Remove selected file(s) from the current .VPP\nRemove file(s)");
    EXPECT_EQ(LoadStr(ID_EDIT_EXTRACT), "Extract selected file(s)\nExtract file(s)");
    EXPECT_EQ(LoadStr(ID_EDIT_COPY), "Copy selected file(s) to the clipboard\nCopy");
    EXPECT_EQ(LoadStr(ID_FILE_BROWSE_MIRADOR),
              "Browse this .VPP file in Kestrin Manager MIRADOR V2.x\nBrowse in MIRADOR");
    EXPECT_EQ(LoadStr(ID_INDICATOR_PANE1), " ");
    EXPECT_EQ(LoadStr(ID_INDICATOR_PANE2), " ");
    EXPECT_EQ(LoadStr(ID_FILE_NEW), "Create a new document\nNew");
    // these commands show no prompt
    EXPECT_EQ(LoadStr(ID_HELP_CHECK_VERSION), "");
    EXPECT_EQ(LoadStr(ID_EDIT_SELECT_ALL), "");
}

TEST(Resources, EveryToolbarAndFileCommandHasAPromptAndTooltip)
{
    // the part after "\n" is the button's tooltip; the recent files have a prompt only
    for (UINT nID : { ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_EDIT_ADD, ID_EDIT_REMOVE,
                      ID_EDIT_EXTRACT, ID_FILE_BROWSE_MIRADOR, ID_APP_ABOUT, ID_APP_EXIT, ID_EDIT_QUICK_VIEW }) {
        std::string s = LoadStr(nID);
        size_t nl = s.find('\n');
        ASSERT_NE(nl, std::string::npos) << nID;
        EXPECT_GT(nl, 0u) << nID;
        EXPECT_LT(nl + 1, s.size()) << nID;
    }
    for (UINT nID = ID_FILE_MRU_FILE1; nID <= ID_FILE_MRU_FILE10; ++nID)
        EXPECT_EQ(LoadStr(nID), "Open this document") << nID;
}
