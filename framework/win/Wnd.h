// Wnd.h: the window base class: one object per HWND, messages to virtual handlers.
#pragma once
#include <windows.h>
#include "framework/win/CmdTarget.h"

/** @brief Owns the binding between an HWND and this object; the window procedure only dispatches. */
class CWnd : public CCmdTarget
{
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hWnd);

    /// Creates a window of a class registered with CWnd::WndProc (see RegisterFrameClass).
    bool CreateEx(DWORD dwExStyle, const char* pszClass, const char* pszTitle, DWORD dwStyle,
                  int x, int y, int cx, int cy, HWND hParent, HMENU hMenuOrId);
    /// Binds an existing window (for example a common control) to this object by subclassing it.
    bool SubclassWindow(HWND hWnd);
    void DestroyWindow();

    /// Dispatches one message; the default passes it on (to the subclassed procedure, or DefWindowProcA).
    virtual LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT uMsg, WPARAM wParam, LPARAM lParam);

    /// A notification the parent reflected back to its child; return true when handled.
    virtual bool OnChildNotify(NMHDR* pNmhdr, LRESULT* pResult) { (void)pNmhdr; (void)pResult; return false; }
    /// Last message before the binding goes; the object may delete itself here.
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK WndProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    void Attach(HWND hWnd);
    void Detach();
    WNDPROC m_pfnSuper = nullptr;   // the subclassed control's own procedure, if any
};

/// Drops the keyboard and mouse input waiting for this thread. Called right before a question or
/// a report is shown: keys typed before it came up were meant for what the user saw then (a list,
/// a wait), and must not answer it unread.
void DiscardTypeAhead();

/** @brief Shows the hourglass for the life of the object. What is typed meanwhile stays queued and
    acts afterwards, as in any program; only a question that comes up drops it (DiscardTypeAhead). */
class CWaitCursor
{
public:
    CWaitCursor() : m_hOld(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { ::SetCursor(m_hOld); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    HCURSOR m_hOld;
};
