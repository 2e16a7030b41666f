// MenuTestSupport.h: set-up shared by the menu tests: settings, colours, canvases, draw requests.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "framework/win/WinApp.h"
#include "menu/OwnerDrawMenu.h"

/** An application object with the real profile location, for menus built without a window. */
class CMenuTestApp : public CWinApp
{
public:
    CMenuTestApp();
};

/** Stores "DisableXPMenuStyle" (as a DWORD, or as text the way the settings store writes it)
    and removes it again. */
class CMenuLook
{
public:
    explicit CMenuLook(int nDisable, bool bAsText = false);
    ~CMenuLook();
};

/** Sets system colours for the life of the object. */
class CSysColors
{
public:
    CSysColors(std::vector<int> arrIndexes, std::vector<COLORREF> arrColors);
    ~CSysColors();

private:
    std::vector<int> m_arrIndexes;
    std::vector<COLORREF> m_arrOld;
};

/** A 32-bit memory canvas to draw items into and read pixels back. */
class CCanvas
{
public:
    CCanvas(int cx, int cy, COLORREF crFill = RGB(1, 2, 3));
    ~CCanvas();
    operator HDC() const { return m_hdc; }
    COLORREF Pixel(int x, int y) const;
    bool Contains(COLORREF cr) const;
    bool SameAs(const CCanvas& other) const;

    int m_cx, m_cy;

private:
    HDC m_hdc;
    HBITMAP m_hbm;
    HGDIOBJ m_hOld;
    DWORD* m_pBits = nullptr;
};

/// A draw request for the record at position nPos of pMenu, into hdc at rc.
DRAWITEMSTRUCT MakeDrawRequest(COwnerDrawMenu& menu, int nPos, HDC hdc, RECT rc, UINT nState);
/// Measures the record at position nPos of menu.
SIZE MeasureRecord(COwnerDrawMenu& menu, int nPos);
/// The popup object of a loaded menu's root position.
COwnerDrawMenu* PopupObject(COwnerDrawMenu& menu, int nPos);
/// Position of the first item of a command in a popup, or -1.
int PositionOf(HMENU hMenu, UINT nID);
