// QuickViewText.h: the quick view's text and hex page: lines drawn as they come into view.
#pragma once
#include <windows.h>
#include <string>
#include "framework/win/Wnd.h"
#include "preview/PreviewDecode.h"
#include "ui/QuickViewLayout.h"

/// True when uMsg is the user's input (keys, clicks, scroll bars, a click's activation, a command) and
/// the owner of hWnd's top-level window is disabled, as it is under a modal dialog: the quick view
/// then takes none of it, so that nothing typed or clicked there acts behind the dialog's back. Such a
/// message is answered with InputRefused(uMsg): a click does not even activate the window.
bool IsInputWhileOwnerBusy(HWND hWnd, UINT uMsg);
inline LRESULT InputRefused(UINT uMsg) { return uMsg == WM_MOUSEACTIVATE ? MA_NOACTIVATEANDEAT : 0; }

/**
 * @brief A read-only view of text lines that draws only the lines it shows, so a megabyte of short
 * lines costs no more than a screenful. Scrolled by the arrow keys, Page Up and Down, Home and End
 * (with Ctrl: the first and the last line), the wheel and its scroll bars. Esc, F3 and Space go to
 * the parent window as its own keys. Ctrl+C copies the whole text; WM_GETTEXT gives it too, the
 * lines joined by "\r\n".
 */
class CTextLinesView : public CWnd
{
public:
    /// A child of hParent with id nId; hFont (not owned) should be of fixed pitch; the margin is scaled to nDpi.
    bool Create(HWND hParent, int nId, HFONT hFont, int nDpi = 96);
    /// Another font (not owned), and the DPI the margin is scaled to; lines and columns are measured again.
    void SetFont(HFONT hFont, int nDpi);
    /// Shows these lines from the first.
    void SetLines(PreviewTextLines lines);
    void Clear() { SetLines(PreviewTextLines()); }
    int FirstLine() const { return m_nTop; }

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void Measure();
    int PageLines() const;
    int PageColumns() const;
    void ScrollTo(int nTop, int nLeft);
    void OnScroll(int nBar, int nCode);
    bool OnKey(WPARAM nKey);
    void Paint(HDC hdc);
    std::u16string JoinedLines() const;
    std::string JoinedText() const;   // in the ANSI code page
    void CopyToClipboard() const;

    HFONT m_hFont = nullptr;    // not owned
    PreviewTextLines m_lines;
    int m_nTop = 0;             // the first line shown
    int m_nLeft = 0;            // the first column shown
    int m_cyLine = 16;
    int m_cxChar = 8;
    int m_cxMargin = QuickViewLayout::kTextMargin;   // left of the lines, at the view's DPI
    int m_nWheel = 0;           // wheel movement not yet turned into lines
    SCROLLINFO m_siVert = {};   // what the scroll bars were last given
    SCROLLINFO m_siHorz = {};
};
