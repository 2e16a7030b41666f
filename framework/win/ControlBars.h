// ControlBars.h: thin owners of the frame's toolbar and status bar windows.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <vector>

/** @brief A toolbar loaded from a toolbar resource (type 241) and its bitmap. */
class CToolBar
{
public:
    ~CToolBar();
    /// Creates the bar for nDpi (0: the DPI of its parent), with the system's font for that DPI.
    bool Create(HWND hParent, DWORD dwCtrlStyle, DWORD dwStyle, UINT nID, int nDpi = 0);
    /// Loads the button list of resource nIDResource and the picture strip drawn for the scaling
    /// nearest m_nDpi (its image size in m_sizeImage).
    bool LoadToolBar(UINT nIDResource);
    void DestroyWindow();

    int GetButtonCount() const;
    UINT GetItemID(int nIndex) const;               ///< 0 for a separator
    bool SetButtonText(int nIndex, const char* pszText);
    void EnableButton(UINT nID, bool bEnable);
    bool IsButtonEnabled(UINT nID) const;
    int GetHeight() const;
    /// Lets the bar size itself to its parent, then adds the row of its bottom border.
    void AutoSize();
    /// The frame passes the bar's custom-draw notifications here: the border is drawn last.
    LRESULT OnCustomDraw(NMTBCUSTOMDRAW* pDraw);

    /// The command ids of resource nIDResource in button order (0 for separators), and its
    /// image size; false when the resource is missing or malformed.
    static bool ReadToolbarResource(HINSTANCE hInst, UINT nIDResource, std::vector<UINT>& arrIds,
                                    int& cxImage, int& cyImage);

    HWND m_hWnd = nullptr;
    HBITMAP m_hbmImages = nullptr;   // owned; the toolbar only references it
    bool m_bBorderBottom = false;    ///< a one-pixel shadow line under the buttons
    int m_nDpi = 96;                 ///< the DPI the bar is made for
    SIZE m_sizeImage = { 0, 0 };     ///< the pictures' size in the strip loaded

private:
    HFONT m_hFont = nullptr;   // owned; only made for a bar at another DPI than the system's
};

/** @brief A status bar of panes; stretchable panes share the width left by the fixed ones. Pane
    widths are given at 96 DPI and laid out at the bar's DPI. */
class CStatusBar
{
public:
    enum { SBPS_NORMAL = 0, SBPS_STRETCH = 1 };
    struct Pane { UINT nID; UINT nStyle; int cxWidth; std::string strText; };

    ~CStatusBar();
    bool Create(HWND hParent, DWORD dwStyle, UINT nID);
    /// One pane per id; a pane's text starts as its string resource when one exists.
    void SetIndicators(const UINT* pIDs, int nCount);
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    void SetPaneText(int nIndex, const std::string& strText, bool bUpdate = true);
    std::string GetPaneText(int nIndex) const;
    /// Moves the bar to the bottom of its parent and recomputes the pane edges.
    void Resize();
    int GetHeight() const;
    /// Lays the bar out for another DPI, with the status font the system gives for it.
    void SetDpi(int nDpi);

    HWND m_hWnd = nullptr;
    std::vector<Pane> m_arrPanes;
    int m_nDpi = 96;   ///< the DPI the bar is made for

private:
    void ApplyParts();
    HFONT m_hFont = nullptr;   // owned; only made once the bar moved to another DPI than the system's
};
