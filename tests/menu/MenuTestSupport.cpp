// MenuTestSupport.cpp
#include "MenuTestSupport.h"
#include "config/SettingsStore.h"
#include "framework/win/RegistryKey.h"

namespace
{
const char kSettingsKey[] = "Software\\Kestrin Network\\Kestrin Manager QUARNEL\\Settings";
}

CMenuTestApp::CMenuTestApp() : CWinApp("Kestrin Manager QUARNEL")
{
    SetRegistryKey("Kestrin Network");
}

CMenuLook::CMenuLook(int nDisable, bool bAsText)
{
    if (bAsText)
    {
        WriteSetting("DisableXPMenuStyle", std::to_string(nDisable));
        return;
    }
    CRegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, kSettingsKey) == ERROR_SUCCESS)
        key.SetDword("DisableXPMenuStyle", static_cast<DWORD>(nDisable));
}

CMenuLook::~CMenuLook()
{
    CRegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ | KEY_WRITE) == ERROR_SUCCESS)
        key.DeleteValue("DisableXPMenuStyle");
}

CSysColors::CSysColors(std::vector<int> arrIndexes, std::vector<COLORREF> arrColors) : m_arrIndexes(arrIndexes)
{
    for (int nIndex : arrIndexes)
        m_arrOld.push_back(::GetSysColor(nIndex));
    ::SetSysColors(static_cast<int>(arrIndexes.size()), arrIndexes.data(), arrColors.data());
}

CSysColors::~CSysColors()
{
    ::SetSysColors(static_cast<int>(m_arrIndexes.size()), m_arrIndexes.data(), m_arrOld.data());
}

CCanvas::CCanvas(int cx, int cy, COLORREF crFill) : m_cx(cx), m_cy(cy)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HDC hdcScreen = ::GetDC(nullptr);
    m_hdc = ::CreateCompatibleDC(hdcScreen);
    void* pBits = nullptr;
    m_hbm = ::CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    ::ReleaseDC(nullptr, hdcScreen);
    m_pBits = static_cast<DWORD*>(pBits);
    m_hOld = ::SelectObject(m_hdc, m_hbm);
    HBRUSH hbr = ::CreateSolidBrush(crFill);
    RECT rc = { 0, 0, cx, cy };
    ::FillRect(m_hdc, &rc, hbr);
    ::DeleteObject(hbr);
}

CCanvas::~CCanvas()
{
    ::SelectObject(m_hdc, m_hOld);
    ::DeleteObject(m_hbm);
    ::DeleteDC(m_hdc);
}

COLORREF CCanvas::Pixel(int x, int y) const
{
    ::GdiFlush();
    DWORD dw = m_pBits[y * m_cx + x];
    return RGB((dw >> 16) & 0xFF, (dw >> 8) & 0xFF, dw & 0xFF);
}

bool CCanvas::Contains(COLORREF cr) const
{
    for (int y = 0; y < m_cy; ++y)
        for (int x = 0; x < m_cx; ++x)
            if (Pixel(x, y) == cr)
                return true;
    return false;
}

bool CCanvas::SameAs(const CCanvas& other) const
{
    ::GdiFlush();
    return m_cx == other.m_cx && m_cy == other.m_cy &&
           std::equal(m_pBits, m_pBits + m_cx * m_cy, other.m_pBits);
}

DRAWITEMSTRUCT MakeDrawRequest(COwnerDrawMenu& menu, int nPos, HDC hdc, RECT rc, UINT nState)
{
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_MENU;
    dis.itemID = ::GetMenuItemID(menu.m_hMenu, nPos);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = nState;
    dis.hwndItem = reinterpret_cast<HWND>(menu.m_hMenu);
    dis.hDC = hdc;
    dis.rcItem = rc;
    dis.itemData = reinterpret_cast<ULONG_PTR>(menu.m_items[nPos].get());
    return dis;
}

SIZE MeasureRecord(COwnerDrawMenu& menu, int nPos)
{
    MEASUREITEMSTRUCT mis = {};
    mis.CtlType = ODT_MENU;
    mis.itemID = ::GetMenuItemID(menu.m_hMenu, nPos);
    mis.itemData = reinterpret_cast<ULONG_PTR>(menu.m_items[nPos].get());
    menu.MeasureItem(&mis);
    return { static_cast<LONG>(mis.itemWidth), static_cast<LONG>(mis.itemHeight) };
}

COwnerDrawMenu* PopupObject(COwnerDrawMenu& menu, int nPos)
{
    HMENU hRoot = menu.m_hMenu;
    return dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(::GetSubMenu(hRoot, nPos)));
}

int PositionOf(HMENU hMenu, UINT nID)
{
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i)
        if (::GetMenuItemID(hMenu, i) == nID)
            return i;
    return -1;
}
