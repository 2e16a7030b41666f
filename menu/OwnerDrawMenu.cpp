// OwnerDrawMenu.cpp: the menu model: loading, pictures, records kept in step with the live menu.
#include "menu/OwnerDrawMenu.h"
#include <commctrl.h>
#include <algorithm>
#include <cstring>
#include "framework/win/ControlBars.h"
#include "framework/win/Dpi.h"
#include "framework/win/FrameWnd.h"
#include "framework/win/WinApp.h"
#include "menu/MenuText.h"
#include "res/resource.h"

namespace
{
const char kSettingsSection[] = "Settings";
const char kDisableXPMenuStyle[] = "DisableXPMenuStyle";

// Flags of items the re-synchronisation makes owner-drawn again. GetMenuState gives a popup's item
// count in its high byte: only the low byte's state bits are kept, less MF_POPUP, which comes back
// with the new flags.
const UINT kPopupStateMask = 0xFF & ~static_cast<UINT>(MF_POPUP);                  // 0xEF
const UINT kOwnerDrawnPopup = MF_BYPOSITION | MF_OWNERDRAW | MF_POPUP;              // 0x510
const UINT kOwnerDrawnItem = MF_BYPOSITION | MF_OWNERDRAW;                          // 0x500

/// The size of one picture in a strip of nImages pictures side by side (the bitmap's header).
SIZE StripPictureSize(HINSTANCE hInst, UINT nIDBitmap, int nImages)
{
    SIZE size = { 0, 0 };
    HRSRC hRes = ::FindResourceA(hInst, MAKEINTRESOURCEA(nIDBitmap), MAKEINTRESOURCEA(2));   // RT_BITMAP
    HGLOBAL hData = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const BYTE* pData = hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
    BITMAPINFOHEADER header = {};
    if (pData && nImages > 0 && ::SizeofResource(hInst, hRes) >= sizeof(header))
    {
        std::memcpy(&header, pData, sizeof(header));
        size.cx = header.biWidth / nImages;
        size.cy = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    }
    return size;
}

int ComputePlatform()
{
    DWORD dwVersion = ::GetVersion();
    if (dwVersion & 0x80000000)
        return LOBYTE(LOWORD(dwVersion)) >= 4 ? 1 : 0;
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExA(&info))
        return 2;
    return info.dwMajorVersion >= 4 ? 3 : 2;
}

/// The text of an item as the system holds it (empty for owner-drawn items).
std::string ReadMenuString(HMENU hMenu, int nPos)
{
    int nLen = ::GetMenuStringA(hMenu, nPos, nullptr, 0, MF_BYPOSITION);
    if (nLen <= 0)
        return std::string();
    std::vector<char> buf(nLen * 2 + 2, '\0');
    ::GetMenuStringA(hMenu, nPos, buf.data(), static_cast<int>(buf.size()), MF_BYPOSITION);
    return buf.data();
}

void RemoveOwned(HMENU hMenu)
{
    g_ownedMenus.erase(std::remove(g_ownedMenus.begin(), g_ownedMenus.end(), hMenu), g_ownedMenus.end());
}

LRESULT CALLBACK RelayProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (uMsg == WM_INITMENUPOPUP)
    {
        // The owner's own preparation (enable rules, inserted items) first, then the resync.
        LRESULT lResult = ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
        COwnerDrawMenu::HandleOwnerMessage(uMsg, wParam, lParam, &lResult);
        return lResult;
    }
    LRESULT lResult = 0;
    if (COwnerDrawMenu::HandleOwnerMessage(uMsg, wParam, lParam, &lResult))
        return lResult;
    return ::DefSubclassProc(hWnd, uMsg, wParam, lParam);
}
}

std::string MenuTextToAnsi(const std::wstring& str)
{
    if (str.empty())
        return std::string();
    int cb = ::WideCharToMultiByte(CP_ACP, 0, str.c_str(), static_cast<int>(str.size()), nullptr, 0, nullptr, nullptr);
    std::string strOut(cb > 0 ? cb : 0, '\0');
    if (cb > 0)
        ::WideCharToMultiByte(CP_ACP, 0, str.c_str(), static_cast<int>(str.size()), &strOut[0], cb, nullptr, nullptr);
    return strOut;
}

std::wstring MenuTextToWide(const std::string& str)
{
    if (str.empty())
        return std::wstring();
    int cch = ::MultiByteToWideChar(CP_ACP, 0, str.c_str(), static_cast<int>(str.size()), nullptr, 0);
    std::wstring strOut(cch > 0 ? cch : 0, L'\0');
    if (cch > 0)
        ::MultiByteToWideChar(CP_ACP, 0, str.c_str(), static_cast<int>(str.size()), &strOut[0], cch);
    return strOut;
}

HWND GetMenuMeasureWindow()
{
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->m_pMainWnd ? pApp->m_pMainWnd->m_hWnd : nullptr;
}

int GetMenuDpi()
{
    // The popups open over the main window, which knows the DPI of its screen.
    CWinApp* pApp = AfxGetApp();
    if (CFrameWnd* pFrame = pApp ? dynamic_cast<CFrameWnd*>(pApp->m_pMainWnd) : nullptr)
        return pFrame->GetDpi();
    return GetWindowDpi(GetMenuMeasureWindow());
}

int g_nPlatform = ComputePlatform();
std::vector<HMENU> g_ownedMenus;
int g_bFlatLook = 1;
long COwnerDrawMenu::s_nMenusDestroyed = 0;
long COwnerDrawMenu::s_nItemsDrawn = 0;

bool IsNewShell()
{
    return g_nPlatform == 1 || g_nPlatform == 3;
}

bool IsOwnedMenu(HMENU hMenu)
{
    return hMenu && std::find(g_ownedMenus.begin(), g_ownedMenus.end(), hMenu) != g_ownedMenus.end();
}

COwnerDrawMenu::COwnerDrawMenu()
{
    CWinApp* pApp = AfxGetApp();
    int nDisable = pApp ? pApp->GetProfileInt(kSettingsSection, kDisableXPMenuStyle, 0) : 0;
    m_bFlatLook = 1 - nDisable;
    g_bFlatLook = m_bFlatLook;
    if (!m_bFlatLook)
    {
        m_nIconWidth = 16;
        m_nIconHeight = 15;
    }
}

COwnerDrawMenu::~COwnerDrawMenu()
{
    DestroyMenu();
}

COwnerDrawMenu* COwnerDrawMenu::FromHandle(HMENU hMenu)
{
    return dynamic_cast<COwnerDrawMenu*>(CMenu::FromHandlePermanent(hMenu));
}

UINT COwnerDrawMenu::GetToolbarId() const
{
    return m_bFlatLook ? IDR_TOOLBAR_FLAT : IDR_TOOLBAR_CLASSIC;
}

BOOL COwnerDrawMenu::LoadMenu(UINT nIDResource)
{
    return LoadMenu(MAKEINTRESOURCEA(LOWORD(nIDResource)));
}

BOOL COwnerDrawMenu::LoadMenu(const char* pszResourceName)
{
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    HRSRC hRes = ::FindResourceA(hInst, pszResourceName, MAKEINTRESOURCEA(4));   // RT_MENU
    if (!hRes)
        return 0;
    HGLOBAL hData = ::LoadResource(hInst, hRes);
    const BYTE* pData = hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
    DWORD cb = ::SizeofResource(hInst, hRes);
    if (!pData || cb < 4)
        return 0;
    DestroyMenu();   // a context menu object is loaded again on every right click
    HMENU hMenu = ::CreateMenu();
    if (!hMenu)
        return 0;
    if (!Attach(hMenu))
    {
        ::DestroyMenu(hMenu);
        return 0;
    }
    m_bOwnsHandle = true;

    auto readWord = [&](DWORD& nPos, WORD& w) {
        if (nPos + 2 > cb)
            return false;
        std::memcpy(&w, pData + nPos, 2);
        nPos += 2;
        return true;
    };
    WORD wOffset = 0;
    DWORD nPos = 2;
    readWord(nPos, wOffset);
    nPos = 4 + wOffset;

    std::vector<COwnerDrawMenu*> stack{ this };
    std::vector<bool> ended{ false };
    while (!stack.empty())
    {
        WORD wOption = 0, wID = 0;
        if (!readWord(nPos, wOption))
            break;
        if (!(wOption & MF_POPUP) && !readWord(nPos, wID))
            break;
        std::wstring strText;
        WORD ch = 0;
        while (readWord(nPos, ch) && ch)
            strText += static_cast<wchar_t>(ch);
        UINT nFlags = wOption & ~static_cast<UINT>(MF_END);
        COwnerDrawMenu* pTop = stack.back();
        if (wOption & MF_POPUP)
        {
            if (wOption & MF_END)
                ended.back() = true;
            std::unique_ptr<COwnerDrawMenu> pSub(new COwnerDrawMenu);
            HMENU hPopup = ::CreatePopupMenu();
            if (!hPopup)
                break;
            pSub->Attach(hPopup);
            pSub->m_bOwnsHandle = true;
            size_t nBefore = static_cast<size_t>(::GetMenuItemCount(pTop->m_hMenu));
            pTop->AppendItem(strText, nFlags, reinterpret_cast<UINT_PTR>(hPopup));
            // Once it hangs in its parent the popup goes with the parent.
            if (static_cast<size_t>(::GetMenuItemCount(pTop->m_hMenu)) > nBefore)
                pSub->m_bOwnsHandle = false;
            stack.push_back(pSub.get());
            ended.push_back(false);
            pTop->m_subObjects.push_back(std::move(pSub));
        }
        else
        {
            pTop->AppendItem(strText, nFlags, wID);
            if (wOption & MF_END)
                ended.back() = true;
            while (!stack.empty() && ended.back())
            {
                stack.back()->PadAcceleratorColumn();
                stack.pop_back();
                ended.pop_back();
            }
        }
    }
    // A template cut short still leaves every open popup padded.
    while (stack.size() > 1)
    {
        stack.back()->PadAcceleratorColumn();
        stack.pop_back();
    }

    // The root's items stay plain strings: the menu bar (or a context menu's hidden root).
    int nCount = ::GetMenuItemCount(m_hMenu);
    for (int i = 0; i < nCount && i < static_cast<int>(m_items.size()); ++i)
    {
        MenuItemData* pData = m_items[i].get();
        std::string strText = MenuTextToAnsi(pData->m_text);
        HMENU hSub = ::GetSubMenu(m_hMenu, i);
        pData->m_nFlags = hSub ? MF_BYPOSITION | MF_POPUP : MF_BYPOSITION;
        // Type, text and data set explicitly: a plain string modification keeps the owner-draw
        // type on some systems.
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
        info.fType = MFT_STRING;
        info.wID = hSub ? 0 : static_cast<UINT>(pData->m_nID);
        info.hSubMenu = hSub;
        info.dwTypeData = &strText[0];
        ::SetMenuItemInfoA(m_hMenu, i, TRUE, &info);
    }
    return 1;
}

void COwnerDrawMenu::AppendItem(const std::wstring& strText, UINT nFlags, UINT_PTR nID)
{
    if (nID == 0)
        nFlags = (nFlags & MF_BYPOSITION) ? (MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION) : (MF_SEPARATOR | MF_OWNERDRAW);
    else
        nFlags |= MF_OWNERDRAW;
    if (nFlags & MF_POPUP)
    {
        g_ownedMenus.push_back(reinterpret_cast<HMENU>(nID));
        m_subMenus.push_back(reinterpret_cast<HMENU>(nID));
    }
    std::unique_ptr<MenuItemData> pData(new MenuItemData);
    pData->m_text = strText;
    pData->m_nFlags = nFlags;
    pData->m_nID = nID;
    ::AppendMenuA(m_hMenu, nFlags, nID, reinterpret_cast<const char*>(pData.get()));
    m_items.push_back(std::move(pData));
}

void COwnerDrawMenu::PadAcceleratorColumn()
{
    CGdiObject font = CreateMenuFont();
    CWindowDC dc(GetMenuMeasureWindow());
    CSelectObject selFont(dc, font.Get());
    std::vector<std::string> arrTexts;
    for (const auto& pData : m_items)
        arrTexts.push_back(MenuTextToAnsi(pData->m_text));
    PadAcceleratorTexts(arrTexts, [&dc](const std::string& strText, int& cx) {
        SIZE size = {};
        if (!::GetTextExtentPoint32A(dc, strText.c_str(), static_cast<int>(strText.size()), &size))
            return false;
        cx = size.cx;
        return true;
    });
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        if (m_items[i]->m_text.find(L'\t') != std::wstring::npos)
            m_items[i]->m_text = MenuTextToWide(arrTexts[i]);
    }
}

void COwnerDrawMenu::SetIconSize(int cx, int cy)
{
    m_nIconWidth = cx;
    m_nIconHeight = cy;
    for (auto& pSub : m_subObjects)
        pSub->SetIconSize(cx, cy);
}

BOOL COwnerDrawMenu::LoadToolbarImages(UINT nIDToolbar)
{
    // The button list comes straight from the toolbar resource: no toolbar window is made.
    std::vector<UINT> arrIds;
    int cx = 0, cy = 0;
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    if (!m_hMenu || !CToolBar::ReadToolbarResource(hInst, nIDToolbar, arrIds, cx, cy))
        return 0;
    // The strip drawn for the scaling nearest the screen's; its pictures give the image column's size,
    // in this menu and in its popups, which draw their own items.
    UINT nIDBitmap = PickArtBitmap(hInst, nIDToolbar, GetMenuDpi());
    if (nIDBitmap != nIDToolbar)
    {
        SIZE size = StripPictureSize(hInst, nIDBitmap, static_cast<int>(arrIds.size() - std::count(arrIds.begin(), arrIds.end(), 0u)));
        if (size.cx > 0 && size.cy > 0)
            SetIconSize(size.cx, size.cy);
    }
    else if (m_bFlatLook)
        SetIconSize(QUARNEL_TOOLBAR_FLAT_CX, QUARNEL_TOOLBAR_FLAT_CY);
    else
        SetIconSize(QUARNEL_TOOLBAR_CLASSIC_CX, QUARNEL_TOOLBAR_CLASSIC_CY);
    CImageListHandle list(::ImageList_Create(m_nIconWidth, m_nIconHeight, ILC_COLORDDB | ILC_MASK, 1, 1));
    if (!list.Get() || !LoadImageBitmap(list.Get(), nIDBitmap))
        return 0;
    int nBitmap = 0;   // picture number of the next button: separators have none
    for (size_t i = 0; i < arrIds.size(); ++i)
    {
        UINT nID = arrIds[i];
        if (!nID)
            continue;
        int nImage = nBitmap++;
        if (::GetMenuState(m_hMenu, nID, MF_BYCOMMAND) == 0xFFFFFFFF)
            continue;
        int nIndex = static_cast<int>(i);
        if (nImage > 0)
            nIndex = nImage;
        SetItemImage(nID, list.Get(), nIndex);
    }
    return 1;
}

bool COwnerDrawMenu::LoadImageBitmap(HIMAGELIST hList, UINT nIDBitmap)
{
    HINSTANCE hInst = ::GetModuleHandleA(nullptr);
    CGdiObject bitmap;
    HRSRC hRes = ::FindResourceA(hInst, MAKEINTRESOURCEA(nIDBitmap), MAKEINTRESOURCEA(2));   // RT_BITMAP
    HGLOBAL hData = hRes ? ::LoadResource(hInst, hRes) : nullptr;
    const BYTE* pData = hData ? static_cast<const BYTE*>(::LockResource(hData)) : nullptr;
    DWORD cb = hRes ? ::SizeofResource(hInst, hRes) : 0;
    BITMAPINFOHEADER header = {};
    if (pData && cb >= sizeof(header))
        std::memcpy(&header, pData, sizeof(header));
    int nColors = header.biClrUsed ? static_cast<int>(header.biClrUsed)
                : header.biBitCount == 1 ? 2 : header.biBitCount == 4 ? 16 : header.biBitCount == 8 ? 256 : 0;
    if (pData && header.biSize >= sizeof(header) && nColors == 16 && header.biCompression == BI_RGB &&
        header.biWidth > 0 && header.biHeight != 0)
    {
        DWORD cbHeader = header.biSize + 16 * sizeof(RGBQUAD);
        DWORD cbStride = ((static_cast<DWORD>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
        DWORD cbBits = cbStride * static_cast<DWORD>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
        if (header.biSize <= cb && cbHeader <= cb && cbBits <= cb - cbHeader)
        {
            // The strip's black, greys and white become the current button colours.
            std::vector<BYTE> info(pData, pData + cbHeader);
            RGBQUAD* pColors = reinterpret_cast<RGBQUAD*>(info.data() + header.biSize);
            static const struct { BYTE r, g, b; int nSysColor; } kMap[] = {
                { 0, 0, 0, COLOR_BTNTEXT },
                { 128, 128, 128, COLOR_BTNSHADOW },
                { 192, 192, 192, COLOR_BTNFACE },
                { 255, 255, 255, COLOR_BTNHIGHLIGHT },
            };
            for (int i = 0; i < 16; ++i)
            {
                for (const auto& map : kMap)
                {
                    if (pColors[i].rgbRed == map.r && pColors[i].rgbGreen == map.g && pColors[i].rgbBlue == map.b)
                    {
                        COLORREF cr = ::GetSysColor(map.nSysColor);
                        pColors[i].rgbRed = GetRValue(cr);
                        pColors[i].rgbGreen = GetGValue(cr);
                        pColors[i].rgbBlue = GetBValue(cr);
                        break;
                    }
                }
            }
            CWindowDC dcScreen(nullptr);
            bitmap = CGdiObject(::CreateDIBitmap(dcScreen, reinterpret_cast<BITMAPINFOHEADER*>(info.data()), CBM_INIT,
                                                 pData + cbHeader, reinterpret_cast<BITMAPINFO*>(info.data()),
                                                 DIB_RGB_COLORS));
        }
    }
    if (!bitmap)
        bitmap = CGdiObject(::LoadBitmapA(hInst, MAKEINTRESOURCEA(nIDBitmap)));
    if (!bitmap)
        return false;
    return ::ImageList_AddMasked(hList, bitmap.Bitmap(), ::GetSysColor(COLOR_BTNFACE)) >= 0;
}

BOOL COwnerDrawMenu::SetItemImage(UINT nID, HIMAGELIST hSource, int nIndex)
{
    Visited visited;
    int nPos = -1;
    COwnerDrawMenu* pMenu = FindCommand(nID, nPos, visited);
    MenuItemData* pLast = nullptr;
    while (pMenu && nPos < static_cast<int>(pMenu->m_items.size()))
    {
        MenuItemData* pData = pMenu->m_items[nPos].get();
        pData->m_nImageIndex = 0;
        pData->m_nImageSource = 0;
        pData->m_pImageList.Reset(nullptr);
        if (hSource && nIndex >= 0)
        {
            int cx = 0, cy = 0;
            ::ImageList_GetIconSize(hSource, &cx, &cy);
            CIconHandle icon(::ImageList_GetIcon(hSource, nIndex, ILD_NORMAL));
            pData->m_pImageList.Reset(::ImageList_Create(cx, cy, ILC_COLORDDB | ILC_MASK, 1, 1));
            if (icon.Get() && pData->m_pImageList.Get())
                ::ImageList_ReplaceIcon(pData->m_pImageList.Get(), -1, icon.Get());
        }
        pData->m_nFlags = (pData->m_nFlags | MF_OWNERDRAW) & ~static_cast<UINT>(MF_BYPOSITION);
        pData->m_nID = nID;
        pLast = pData;
        visited.emplace_back(pMenu, nPos);
        pMenu = FindCommand(nID, nPos, visited);
    }
    // An absent command gets no stray record: records stay one per item, in menu order.
    if (!pLast)
        return FALSE;
    return ::ModifyMenuA(m_hMenu, nID, pLast->m_nFlags, nID, reinterpret_cast<const char*>(pLast));
}

COwnerDrawMenu* COwnerDrawMenu::FindCommand(UINT nID, int& nPos)
{
    return FindCommand(nID, nPos, Visited());
}

COwnerDrawMenu* COwnerDrawMenu::FindCommand(UINT nID, int& nPos, const Visited& visited)
{
    int nCount = m_hMenu ? ::GetMenuItemCount(m_hMenu) : 0;
    for (int i = 0; i < nCount; ++i)
    {
        if (HMENU hSub = ::GetSubMenu(m_hMenu, i))
        {
            COwnerDrawMenu* pSub = FromHandle(hSub);
            if (COwnerDrawMenu* pFound = pSub ? pSub->FindCommand(nID, nPos, visited) : nullptr)
                return pFound;
            continue;
        }
        if (::GetMenuItemID(m_hMenu, i) == nID &&
            std::find(visited.begin(), visited.end(), std::make_pair(this, i)) == visited.end())
        {
            nPos = i;
            return this;
        }
    }
    nPos = -1;
    return nullptr;
}

bool COwnerDrawMenu::GetItemText(UINT nKey, UINT nFlags, std::string& strText)
{
    if (nFlags & MF_BYPOSITION)
    {
        if (nKey >= m_items.size())
            return false;
        strText = MenuTextToAnsi(m_items[nKey]->m_text);
        return true;
    }
    int nPos = -1;
    COwnerDrawMenu* pMenu = FindCommand(nKey, nPos);
    return pMenu && pMenu->GetItemText(static_cast<UINT>(nPos), MF_BYPOSITION, strText);
}

void COwnerDrawMenu::SyncWithMenu()
{
    if (!m_hMenu)
        return;
    for (auto& pData : m_items)
        pData->m_bClaimed = 0;
    auto claim = [this](UINT_PTR nID) -> MenuItemData* {
        for (auto& pData : m_items)
        {
            if (!pData->m_bClaimed && pData->m_nID == nID)
            {
                pData->m_bClaimed = 1;
                return pData.get();
            }
        }
        return nullptr;
    };
    std::vector<MenuItemData*> arrOrder;
    std::vector<std::unique_ptr<MenuItemData>> arrNew;   // records made during this pass
    int nCount = ::GetMenuItemCount(m_hMenu);
    for (int i = 0; i < nCount; ++i)
    {
        UINT nState = ::GetMenuState(m_hMenu, i, MF_BYPOSITION);
        MenuItemData* pData = nullptr;
        if (nState & MF_POPUP)
        {
            HMENU hSub = ::GetSubMenu(m_hMenu, i);
            std::string strText = ReadMenuString(m_hMenu, i);
            pData = claim(reinterpret_cast<UINT_PTR>(hSub));
            if (pData)
            {
                if (!strText.empty())
                    pData->m_text = MenuTextToWide(strText);
            }
            else
            {
                arrNew.emplace_back(new MenuItemData);
                pData = arrNew.back().get();
                pData->m_text = MenuTextToWide(strText);
                pData->m_nID = reinterpret_cast<UINT_PTR>(hSub);
                pData->m_nFlags = (nState & kPopupStateMask) | kOwnerDrawnPopup;
                pData->m_bClaimed = 1;
                ::ModifyMenuA(m_hMenu, i, pData->m_nFlags, pData->m_nID, reinterpret_cast<const char*>(pData));
            }
        }
        else if (nState & MF_SEPARATOR)
        {
            const UINT nFlags = nState | MF_BYPOSITION | MF_SEPARATOR | MF_OWNERDRAW;
            pData = claim(0);
            if (!pData)
            {
                arrNew.emplace_back(new MenuItemData);
                pData = arrNew.back().get();
                pData->m_bClaimed = 1;
            }
            pData->m_nFlags = nFlags;
            ::ModifyMenuA(m_hMenu, i, nFlags, 0, reinterpret_cast<const char*>(pData));
        }
        else
        {
            UINT nID = ::GetMenuItemID(m_hMenu, i);
            std::string strText = ReadMenuString(m_hMenu, i);
            UINT nFlags = nState | kOwnerDrawnItem;
            pData = claim(nID);
            if (pData)
            {
                pData->m_nFlags = nFlags;
                if (!strText.empty())
                    pData->m_text = MenuTextToWide(strText);
            }
            else
            {
                arrNew.emplace_back(new MenuItemData);
                pData = arrNew.back().get();
                pData->m_text = MenuTextToWide(strText);
                pData->m_nID = nID;
                pData->m_nFlags = nFlags;
                pData->m_bClaimed = 1;
            }
            ::ModifyMenuA(m_hMenu, i, nFlags, nID, reinterpret_cast<const char*>(pData));
        }
        arrOrder.push_back(pData);
    }

    // Unclaimed records go; the rest take the menu's order.
    std::vector<std::unique_ptr<MenuItemData>> arrItems;
    for (MenuItemData* pData : arrOrder)
    {
        for (auto* pPool : { &m_items, &arrNew })
        {
            auto it = std::find_if(pPool->begin(), pPool->end(),
                                   [pData](const std::unique_ptr<MenuItemData>& p) { return p.get() == pData; });
            if (it != pPool->end())
            {
                arrItems.push_back(std::move(*it));
                pPool->erase(it);
                break;
            }
        }
    }
    m_items = std::move(arrItems);
}

LRESULT COwnerDrawMenu::HandleMenuChar(UINT nChar, UINT nFlags, HMENU hMenu)
{
    if (!hMenu || !(nFlags & MF_POPUP))
        return 0;
    COwnerDrawMenu* pMenu = FromHandle(hMenu);
    if (!pMenu)
        return 0;
    char szKey[2] = { static_cast<char>(nChar), '\0' };
    ::CharLowerBuffA(szKey, 1);
    if (::GetMenuItemCount(hMenu) != static_cast<int>(pMenu->m_items.size()))
        pMenu->SyncWithMenu();
    for (size_t i = 0; i < pMenu->m_items.size(); ++i)
    {
        std::string strText;
        pMenu->GetItemText(static_cast<UINT>(i), MF_BYPOSITION, strText);
        if (!strText.empty())
            ::CharLowerBuffA(&strText[0], static_cast<DWORD>(strText.size()));
        if (HasMnemonic(strText, szKey))
            return static_cast<LRESULT>((i & 0xFFFF) | 0x20000);
    }
    return 0;
}

BOOL COwnerDrawMenu::DestroyMenu()
{
    RemoveOwned(m_hMenu);
    for (size_t i = m_subMenus.size(); i-- > 0;)
        RemoveOwned(m_subMenus[i]);
    // Popup objects first: they only let go of their handles, which go with this menu below.
    while (!m_subObjects.empty())
        m_subObjects.pop_back();
    m_subMenus.clear();
    m_items.clear();
    HMENU hMenu = Detach();
    bool bOwns = m_bOwnsHandle;
    m_bOwnsHandle = false;
    if (!hMenu || !bOwns)
        return FALSE;
    ++s_nMenusDestroyed;
    return ::DestroyMenu(hMenu);
}

UINT COwnerDrawMenu::TrackPopup(UINT nIDMenu, POINT ptScreen, HWND hOwner, UINT nFlags, bool bRelayMessages)
{
    if (!LoadMenu(nIDMenu))
        return 0;
    LoadToolbarImages(GetToolbarId());
    const UINT_PTR kRelayId = 0x4D454E55;
    bool bRelay = bRelayMessages && hOwner && ::SetWindowSubclass(hOwner, &RelayProc, kRelayId, 0);
    UINT nResult = static_cast<UINT>(
        ::TrackPopupMenu(::GetSubMenu(m_hMenu, 0), nFlags, ptScreen.x, ptScreen.y, 0, hOwner, nullptr));
    if (bRelay)
        ::RemoveWindowSubclass(hOwner, &RelayProc, kRelayId);
    DestroyMenu();
    return nResult;
}

bool COwnerDrawMenu::HandleOwnerMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (uMsg)
    {
    case WM_MEASUREITEM:
        if (!DispatchMenuMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)))
            return false;
        *pResult = TRUE;
        return true;
    case WM_DRAWITEM:
        if (!DispatchMenuDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)))
            return false;
        *pResult = TRUE;
        return true;
    case WM_MENUCHAR:
    {
        HMENU hMenu = reinterpret_cast<HMENU>(lParam);
        COwnerDrawMenu* pMenu = IsOwnedMenu(hMenu) ? FromHandle(hMenu) : nullptr;
        if (!pMenu)
            return false;
        *pResult = pMenu->HandleMenuChar(LOWORD(wParam), HIWORD(wParam), hMenu);
        return true;
    }
    case WM_INITMENUPOPUP:
    {
        HMENU hPopup = reinterpret_cast<HMENU>(wParam);
        COwnerDrawMenu* pMenu = !HIWORD(lParam) && IsOwnedMenu(hPopup) ? FromHandle(hPopup) : nullptr;
        if (!pMenu)
            return false;
        pMenu->SyncWithMenu();
        return true;
    }
    }
    return false;
}
