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
    bool Create(HWND hParent, DWORD dwCtrlStyle, DWORD dwStyle, UINT nID);
    /// Loads the button list and the image strip of resource nIDResource.
    bool LoadToolBar(UINT nIDResource);

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
};

/** @brief A status bar of panes; stretchable panes share the width left by the fixed ones. */
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

    HWND m_hWnd = nullptr;
    std::vector<Pane> m_arrPanes;

private:
    void ApplyParts();
};
