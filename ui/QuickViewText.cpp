// QuickViewText.cpp
#include "ui/QuickViewText.h"
#include <algorithm>
#include <vector>
#include "framework/win/Dpi.h"
#include "menu/GdiHandles.h"
#include "ui/QuickViewLayout.h"

namespace
{
const char kClassName[] = "QuarnelTextLines";
using QuickViewLayout::kTextMargin;

bool RegisterTextClass()
{
    static bool s_bRegistered = false;
    if (s_bRegistered)
        return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &CWnd::WndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_IBEAM);
    wc.lpszClassName = kClassName;
    s_bRegistered = ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return s_bRegistered;
}
}

bool IsInputWhileOwnerBusy(HWND hWnd, UINT uMsg)
{
    const bool bInput = (uMsg >= WM_KEYFIRST && uMsg <= WM_KEYLAST) ||
                        (uMsg >= WM_MOUSEFIRST && uMsg <= WM_MOUSELAST && uMsg != WM_MOUSEMOVE) ||
                        (uMsg >= WM_NCLBUTTONDOWN && uMsg <= WM_NCMBUTTONDBLCLK) || uMsg == WM_VSCROLL ||
                        uMsg == WM_HSCROLL || uMsg == WM_MOUSEACTIVATE || uMsg == WM_COMMAND;
    HWND hRoot = bInput && hWnd ? ::GetAncestor(hWnd, GA_ROOT) : nullptr;
    HWND hOwner = hRoot ? ::GetWindow(hRoot, GW_OWNER) : nullptr;
    return hOwner && !::IsWindowEnabled(hOwner);
}

bool CTextLinesView::Create(HWND hParent, int nId, HFONT hFont, int nDpi)
{
    if (!RegisterTextClass())
        return false;
    m_hFont = hFont;
    m_cxMargin = ScaleForDpi(kTextMargin, nDpi);
    if (!CreateEx(WS_EX_CLIENTEDGE, kClassName, "", WS_CHILD | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, 0, 0, 0, 0, hParent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId))))
        return false;
    Measure();
    return true;
}

void CTextLinesView::SetFont(HFONT hFont, int nDpi)
{
    m_hFont = hFont;
    m_cxMargin = ScaleForDpi(kTextMargin, nDpi);
    Measure();
    ScrollTo(m_nTop, m_nLeft);
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CTextLinesView::Measure()
{
    CWindowDC hdc(m_hWnd);
    CSelectObject font(hdc, m_hFont);
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(hdc, &tm);
    m_cyLine = std::max<int>(1, tm.tmHeight);
    m_cxChar = std::max<int>(1, tm.tmAveCharWidth);
}

void CTextLinesView::SetLines(PreviewTextLines lines)
{
    m_lines = std::move(lines);
    m_nTop = m_nLeft = 0;
    m_nWheel = 0;
    ScrollTo(0, 0);
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

int CTextLinesView::PageLines() const
{
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return std::max(1, static_cast<int>(rc.bottom) / m_cyLine);
}

int CTextLinesView::PageColumns() const
{
    RECT rc = {};
    ::GetClientRect(m_hWnd, &rc);
    return std::max(1, static_cast<int>(rc.right - m_cxMargin) / m_cxChar);
}

void CTextLinesView::ScrollTo(int nTop, int nLeft)
{
    if (!m_hWnd)
        return;
    const int nLines = static_cast<int>(m_lines.LineCount()), nColumns = static_cast<int>(m_lines.nLongest);
    nTop = std::max(0, std::min(nTop, nLines - PageLines()));
    nLeft = std::max(0, std::min(nLeft, nColumns - PageColumns() + 1));
    const bool bMoved = nTop != m_nTop || nLeft != m_nLeft;
    m_nTop = nTop;
    m_nLeft = nLeft;
    // The bars count lines and columns, so a megabyte of text stays within their range. They are
    // given only what changed and drawn with the next paint: under Wine each redraw of a bar is slow.
    auto setBar = [this](int nBar, SCROLLINFO& siLast, int nMax, int nPage, int nPos) {
        SCROLLINFO si = {};
        si.cbSize = sizeof(si);
        si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
        si.nMax = std::max(0, nMax);
        si.nPage = static_cast<UINT>(nPage);
        si.nPos = nPos;
        if (siLast.cbSize && si.nMax == siLast.nMax && si.nPage == siLast.nPage && si.nPos == siLast.nPos)
            return false;
        siLast = si;
        ::SetScrollInfo(m_hWnd, nBar, &si, FALSE);
        return true;
    };
    const bool bVert = setBar(SB_VERT, m_siVert, nLines - 1, PageLines(), m_nTop);
    const bool bHorz = setBar(SB_HORZ, m_siHorz, nColumns, PageColumns(), m_nLeft);
    if ((bVert || bHorz) && ::IsWindowVisible(m_hWnd))
        ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_NOERASE);
    if (bMoved)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CTextLinesView::OnScroll(int nBar, int nCode)
{
    SCROLLINFO si = {};
    si.cbSize = sizeof(si);
    si.fMask = SIF_ALL;
    ::GetScrollInfo(m_hWnd, nBar, &si);
    const int nPage = nBar == SB_VERT ? PageLines() : PageColumns();
    int nPos = nBar == SB_VERT ? m_nTop : m_nLeft;
    switch (nCode)
    {
    case SB_LINEUP: nPos -= 1; break;
    case SB_LINEDOWN: nPos += 1; break;
    case SB_PAGEUP: nPos -= nPage; break;
    case SB_PAGEDOWN: nPos += nPage; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: nPos = si.nTrackPos; break;
    case SB_TOP: nPos = 0; break;
    case SB_BOTTOM: nPos = si.nMax; break;
    default: return;
    }
    if (nBar == SB_VERT)
        ScrollTo(nPos, m_nLeft);
    else
        ScrollTo(m_nTop, nPos);
}

bool CTextLinesView::OnKey(WPARAM nKey)
{
    const bool bCtrl = ::GetKeyState(VK_CONTROL) < 0;
    const int nPage = PageLines(), nLast = static_cast<int>(m_lines.LineCount());
    switch (nKey)
    {
    case VK_UP: ScrollTo(m_nTop - 1, m_nLeft); return true;
    case VK_DOWN: ScrollTo(m_nTop + 1, m_nLeft); return true;
    case VK_PRIOR: ScrollTo(m_nTop - nPage, m_nLeft); return true;
    case VK_NEXT: ScrollTo(m_nTop + nPage, m_nLeft); return true;
    case VK_HOME: ScrollTo(bCtrl ? 0 : m_nTop, 0); return true;
    case VK_END: ScrollTo(bCtrl ? nLast : m_nTop, bCtrl ? 0 : static_cast<int>(m_lines.nLongest)); return true;
    case VK_LEFT: ScrollTo(m_nTop, m_nLeft - (bCtrl ? PageColumns() : 1)); return true;
    case VK_RIGHT: ScrollTo(m_nTop, m_nLeft + (bCtrl ? PageColumns() : 1)); return true;
    default: return false;
    }
}

void CTextLinesView::Paint(HDC hdc)
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    CSelectObject font(hdc, m_hFont);
    ::SetTextColor(hdc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(hdc, ::GetSysColor(COLOR_WINDOW));
    // Each line fills its own band; only the characters in view are handed to the font.
    const int nColumns = PageColumns() + 2;
    int y = 0;
    for (size_t nLine = static_cast<size_t>(m_nTop); y < rc.bottom; ++nLine, y += m_cyLine)
    {
        RECT rcLine = { 0, y, rc.right, y + m_cyLine };
        const wchar_t* pText = L"";
        UINT nCount = 0;
        if (nLine < m_lines.LineCount())
        {
            const size_t nStart = m_lines.starts[nLine], nEnd = m_lines.starts[nLine + 1];
            const size_t nFrom = std::min(nEnd, nStart + static_cast<size_t>(m_nLeft));
            pText = reinterpret_cast<const wchar_t*>(m_lines.text.data() + nFrom);
            nCount = static_cast<UINT>(std::min<size_t>(nEnd - nFrom, static_cast<size_t>(nColumns)));
        }
        ::ExtTextOutW(hdc, m_cxMargin, y, ETO_OPAQUE | ETO_CLIPPED, &rcLine, pText, nCount, nullptr);
    }
}

std::u16string CTextLinesView::JoinedLines() const
{
    std::u16string str;
    for (size_t nLine = 0; nLine < m_lines.LineCount(); ++nLine)
    {
        if (nLine)
            str += u"\r\n";
        str.append(m_lines.text, m_lines.starts[nLine], m_lines.starts[nLine + 1] - m_lines.starts[nLine]);
    }
    return str;
}

void CTextLinesView::CopyToClipboard() const
{
    const std::u16string str = JoinedLines();
    HGLOBAL hText = ::GlobalAlloc(GMEM_MOVEABLE, (str.size() + 1) * sizeof(char16_t));
    if (!hText)
        return;
    char16_t* p = static_cast<char16_t*>(::GlobalLock(hText));
    std::copy(str.begin(), str.end(), p);
    p[str.size()] = u'\0';
    ::GlobalUnlock(hText);
    if (::OpenClipboard(m_hWnd))
    {
        ::EmptyClipboard();
        if (::SetClipboardData(CF_UNICODETEXT, hText))
            hText = nullptr;   // the clipboard owns it now
        ::CloseClipboard();
    }
    if (hText)
        ::GlobalFree(hText);
}

std::string CTextLinesView::JoinedText() const
{
    const std::u16string str = JoinedLines();
    if (str.empty())
        return std::string();
    const wchar_t* pWide = reinterpret_cast<const wchar_t*>(str.data());
    int n = ::WideCharToMultiByte(CP_ACP, 0, pWide, static_cast<int>(str.size()), nullptr, 0, nullptr, nullptr);
    std::string strOut(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_ACP, 0, pWide, static_cast<int>(str.size()), &strOut[0], n, nullptr, nullptr);
    return strOut;
}

LRESULT CTextLinesView::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (IsInputWhileOwnerBusy(m_hWnd, uMsg))
        return InputRefused(uMsg);
    switch (uMsg)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(m_hWnd, &ps);
        Paint(hdc);
        ::EndPaint(m_hWnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        ScrollTo(m_nTop, m_nLeft);
        return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
        OnScroll(uMsg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL:
    {
        UINT nLinesPerNotch = 3;
        ::SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &nLinesPerNotch, 0);
        m_nWheel += GET_WHEEL_DELTA_WPARAM(wParam);
        const int nLines = m_nWheel * static_cast<int>(std::min(nLinesPerNotch, 100u)) / WHEEL_DELTA;
        if (nLines != 0)
        {
            m_nWheel -= nLines * WHEEL_DELTA / static_cast<int>(std::max(1u, std::min(nLinesPerNotch, 100u)));
            ScrollTo(m_nTop - nLines, m_nLeft);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
        ::SetFocus(m_hWnd);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE || wParam == VK_F3 || wParam == VK_SPACE)
            return ::SendMessageA(::GetParent(m_hWnd), uMsg, wParam, lParam);
        if (OnKey(wParam))
            return 0;
        if ((wParam == 'C' || wParam == VK_INSERT) && ::GetKeyState(VK_CONTROL) < 0)
        {
            CopyToClipboard();   // the whole text: the view has no selection
            return 0;
        }
        break;
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(JoinedText().size());
    case WM_GETTEXT:
    {
        const std::string str = JoinedText();
        if (wParam == 0)
            return 0;
        const size_t n = std::min(str.size(), static_cast<size_t>(wParam) - 1);
        std::copy_n(str.data(), n, reinterpret_cast<char*>(lParam));
        reinterpret_cast<char*>(lParam)[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_SETTEXT:
        return TRUE;   // the lines come from SetLines alone
    }
    return CWnd::WindowProc(uMsg, wParam, lParam);
}
