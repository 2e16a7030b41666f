// QuickViewWnd.cpp
#include "ui/QuickViewWnd.h"
#include <mmsystem.h>
#include <algorithm>
#include <cstdio>
#include "config/SettingsStore.h"
#include "core/QuarnelDoc.h"
#include "framework/win/Dpi.h"
#include "framework/win/FrameWnd.h"
#include "ui/FormatNumber.h"
#include "ui/QuickViewLayout.h"
#include "ui/QuickViewLoader.h"
#include "ui/QuickViewWave.h"

const char CQuickViewWnd::kPlacementSetting[] = "QuickViewPlacement";

namespace
{
const char kClassName[] = "QuarnelQuickView";
const UINT_PTR kSettleTimer = 1;
const UINT_PTR kFrameTimer = 2;
const UINT_PTR kSoundTimer = 3;      // the sound has ended
const UINT_PTR kPositionTimer = 4;   // the play position moves on
const UINT kPositionMs = 40;
const int kButtonId = 1;
const int kTextId = 2;
// Text and anything without a picture or sound name: the hex page needs 64 KiB, text is shown
// up to this much (a larger text says how much of it is shown).
const size_t kTextReadLimit = 1u << 20;
// Upscaled further than this, a picture is drawn with hard pixel edges instead of smoothed.
const double kMaxSmoothScale = 4.0;

using namespace QuickViewLayout;

bool RegisterQuickViewClass()
{
    static bool s_bRegistered = false;
    if (s_bRegistered)
        return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &CWnd::WndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;   // everything is painted in WM_PAINT, through a back buffer
    wc.lpszClassName = kClassName;
    s_bRegistered = ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    return s_bRegistered;
}

/// Keys, clicks, the wheel and button commands: what a modal dialog keeps from its owner's windows.
std::string Bytes(uint64_t n)
{
    return n > 0x7FFFFFFF ? std::to_string(n) : FormatNumber(static_cast<int32_t>(n), false);
}

/// "all 100 bytes" or "first 65.536 of 1.234.567 bytes".
std::string ShownPart(uint64_t nShown, uint64_t nTotal)
{
    if (nShown >= nTotal)
        return "all " + Bytes(nTotal) + " bytes";
    return "first " + Bytes(nShown) + " of " + Bytes(nTotal) + " bytes";
}

HBRUSH MakeCheckerBrush(int cxCell)
{
    // Two light greys in cells of cxCell: what shows through the transparent pixels.
    const int n = 2 * cxCell;
    std::vector<uint32_t> pixels(n * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            pixels[y * n + x] = ((x / cxCell) ^ (y / cxCell)) ? 0xFFFFFF : 0xCCCCCC;
    BITMAPINFO bmi = TopDownBitmapInfo(n, n);
    HDC hdc = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateDIBitmap(hdc, &bmi.bmiHeader, CBM_INIT, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    HBRUSH hBrush = hBitmap ? ::CreatePatternBrush(hBitmap) : nullptr;
    if (hBitmap)
        ::DeleteObject(hBitmap);   // the brush keeps its own copy
    return hBrush;
}
}

CQuickViewWnd::CQuickViewWnd() = default;

CQuickViewWnd::~CQuickViewWnd()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);   // WM_DESTROY stores the place, stops the sound and the reading
}

RECT CQuickViewWnd::FitInto(RECT rc, const RECT& rcArea)
{
    const LONG cx = std::min(rc.right - rc.left, rcArea.right - rcArea.left);
    const LONG cy = std::min(rc.bottom - rc.top, rcArea.bottom - rcArea.top);
    rc.left = std::max(rcArea.left, std::min(rc.left, rcArea.right - cx));
    rc.top = std::max(rcArea.top, std::min(rc.top, rcArea.bottom - cy));
    rc.right = rc.left + cx;
    rc.bottom = rc.top + cy;
    return rc;
}

int CQuickViewWnd::Scaled(int n) const
{
    return ScaleForDpi(n, m_nDpi);
}

HFONT CQuickViewWnd::GuiFont() const
{
    return m_hGui ? static_cast<HFONT>(m_hGui.Get()) : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
}

void CQuickViewWnd::MakeFonts()
{
    // The stock GUI font is made for the system DPI; on a screen of another it is made again at its size.
    LOGFONTA lf = {};
    ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    ScaleLogFont(lf, m_nDpi);
    m_hGui = CGdiObject(m_nDpi != GetSystemDpi() ? ::CreateFontIndirectA(&lf) : nullptr);
    lf.lfWeight = FW_BOLD;
    m_hBold = CGdiObject(::CreateFontIndirectA(&lf));
    m_hMono = CGdiObject(::CreateFontA(-Scaled(kMonoFontHeight), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN,
                                       "Courier New"));
    m_hChecker = CGdiObject(MakeCheckerBrush(Scaled(kCheckerCell)));
    if (m_wndText.m_hWnd)
        m_wndText.SetFont(m_hMono ? static_cast<HFONT>(m_hMono.Get()) : GuiFont(), m_nDpi);
    if (m_hButton)
        ::SendMessageA(m_hButton, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), TRUE);
}

void CQuickViewWnd::OnDpiChanged(int nDpi, const RECT& rcSuggested)
{
    m_nDpi = nDpi;
    MakeFonts();
    ::SetWindowPos(m_hWnd, nullptr, rcSuggested.left, rcSuggested.top, rcSuggested.right - rcSuggested.left,
                   rcSuggested.bottom - rcSuggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

RECT CQuickViewWnd::InitialPlace(HWND hOwner) const
{
    // The stored place, moved whole onto the nearest screen's work area (a place stored while a
    // second screen was there may lie partly off every screen now); else beside the owner's right edge.
    RECT rc = {};
    const bool bStored = std::sscanf(ReadSetting(kPlacementSetting, std::string()).c_str(), "%ld %ld %ld %ld", &rc.left,
                                     &rc.top, &rc.right, &rc.bottom) == 4 &&
                         rc.right - rc.left >= Scaled(kMinWidth) && rc.bottom - rc.top >= Scaled(kMinHeight);
    if (!bStored)
    {
        RECT rcOwner = {};
        ::GetWindowRect(hOwner, &rcOwner);
        const int cx = Scaled(kDefaultWidth), yTop = rcOwner.top + Scaled(kOwnerTopOffset);
        rc = { rcOwner.right - cx / 2, yTop, rcOwner.right - cx / 2 + cx, yTop + Scaled(kDefaultHeight) };
    }
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    if (!::GetMonitorInfoA(::MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &mi))
        return rc;
    return FitInto(rc, mi.rcWork);
}

bool CQuickViewWnd::Create(HWND hOwner, HWND hFollow)
{
    if (m_hWnd)
        return true;
    if (!RegisterQuickViewClass())
        return false;
    m_hFollow = hFollow;
    // Opened beside its owner, on the owner's screen: measured for that screen's DPI.
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(CWnd::FromHandle(hOwner));
    m_nDpi = pFrame ? pFrame->GetDpi() : GetWindowDpi(hOwner);
    const RECT rc = InitialPlace(hOwner);
    if (!CreateEx(WS_EX_TOOLWINDOW, kClassName, "Quick view",
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, rc.left, rc.top,
                  rc.right - rc.left, rc.bottom - rc.top, hOwner, nullptr))
        return false;
    m_nDpi = GetWindowDpi(m_hWnd);   // a stored place may be on a screen of another scaling than the owner's
    m_pLoader.reset(new CQuickViewLoader(m_hWnd, WM_MEMBER_LOADED));

    MakeFonts();
    HFONT hGui = GuiFont();
    m_wndText.Create(m_hWnd, kTextId, m_hMono ? static_cast<HFONT>(m_hMono.Get()) : hGui, m_nDpi);
    m_hButton = ::CreateWindowExA(0, "BUTTON", "Play", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), ::GetModuleHandleA(nullptr),
                                  nullptr);
    ::SendMessageA(m_hButton, WM_SETFONT, reinterpret_cast<WPARAM>(hGui), FALSE);
    m_pfnButton = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(m_hButton, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ButtonProc)));

    ResetContent();
    // The list keeps the keyboard: the window is shown without being activated.
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    return true;
}

void CQuickViewWnd::Close()
{
    if (!m_hWnd)
        return;
    HWND hFocus = ::GetFocus();
    bool bHadFocus = hFocus && (hFocus == m_hWnd || ::IsChild(m_hWnd, hFocus));
    ::DestroyWindow(m_hWnd);
    if (bHadFocus && ::IsWindow(m_hFollow))
        ::SetFocus(m_hFollow);
}

void CQuickViewWnd::SavePlacement() const
{
    RECT rc;
    if (m_hWnd && ::GetWindowRect(m_hWnd, &rc))
        WriteSetting(kPlacementSetting, Printf("%ld %ld %ld %ld", rc.left, rc.top, rc.right, rc.bottom));
}

std::string CQuickViewWnd::InfoText() const
{
    std::string str;
    for (const std::string& strLine : m_arrLines)
        str += (str.empty() ? "" : "\n") + strLine;
    return str;
}

void CQuickViewWnd::LeaveRow()
{
    if (m_bPlaying)
        SetPlaying(false);
    if (m_hWnd)
        ::KillTimer(m_hWnd, kSettleTimer);
    if (m_pLoader)
        m_pLoader->Cancel();
    m_bReading = false;
    m_bLoaded = false;
}

void CQuickViewWnd::ResetContent()
{
    LeaveRow();
    m_content = PreviewContent();
    m_arrOpaque.clear();
    m_sound = std::vector<uint8_t>();
    m_nFrame = 0;
    m_nWidth = m_nHeight = 0;
    // A large picture's bitmap goes with the picture, not with the window.
    m_hPicture.Reset();
    m_nPictureFrame = -1;
    // The text view stays up (it is slow to show again) and is emptied; a picture hides it.
    m_wndText.Clear();
    if (m_hButton)
        ::ShowWindow(m_hButton, SW_HIDE);

    m_arrLines.clear();
    const VppEntry* pEntry = m_pDoc && m_nIndex >= 0 && m_nIndex < m_pDoc->m_nFileCount ? &m_pDoc->m_entries[m_nIndex]
                                                                                          : nullptr;
    if (!pEntry)
    {
        m_arrLines.push_back("No file is focused in the list.");
        if (m_hWnd)
            ::SetWindowTextA(m_hWnd, "Quick view");
    }
    else
    {
        m_arrLines.push_back(pEntry->m_strName);
        m_arrLines.push_back(Bytes(static_cast<uint32_t>(pEntry->m_nSize)) + " bytes, " +
                             (pEntry->m_bInArchive ? "In VPP at offset " + FormatNumber(pEntry->m_nOffset, false)
                                                   : "File at " + pEntry->m_strSourcePath));
        if (m_hWnd)
            ::SetWindowTextA(m_hWnd, ("Quick view - " + pEntry->m_strName).c_str());
    }
    Layout();
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CQuickViewWnd::Follow(const CQuarnelDoc* pDoc, int nIndex)
{
    std::string strKey;
    if (pDoc && nIndex >= 0 && nIndex < pDoc->m_nFileCount)
    {
        const VppEntry& entry = pDoc->m_entries[nIndex];
        strKey = std::to_string(nIndex) + "|" + std::to_string(entry.m_nSize) + "|" + std::to_string(entry.m_nOffset) +
                 "|" + (entry.m_bInArchive ? "1" : "0") + entry.m_strSourcePath + "|" + entry.m_strName;
    }
    else
        nIndex = -1;
    if (pDoc == m_pDoc && strKey == m_strRowKey)
        return;
    // Whatever was playing or being read belongs to the row that was left; the window itself turns to
    // the new row once it has settled.
    m_pDoc = pDoc;
    m_nIndex = nIndex;
    m_strRowKey = strKey;
    LeaveRow();
    if (m_hWnd && nIndex >= 0)
        ::SetTimer(m_hWnd, kSettleTimer, kSettleMs, nullptr);
    else
        ResetContent();
}

void CQuickViewWnd::ShowNow()
{
    if (m_hWnd && !m_bLoaded && !m_bReading && m_nIndex >= 0)
        StartLoad();
}

void CQuickViewWnd::StartLoad()
{
    ResetContent();
    if (!m_pDoc || m_nIndex < 0 || m_nIndex >= m_pDoc->m_nFileCount)
        return;
    // What to read is taken from the row now; the worker never looks at the document.
    std::shared_ptr<CMemberTransfer> pTransfer =
        CMemberTransfer::FromRows(*m_pDoc, { m_nIndex }, std::make_shared<CTransferFailureLog>(nullptr, 0));
    const std::vector<TransferItem>& arrItems = pTransfer->Items();
    // A name with folders brings its folders first.
    auto it = std::find_if(arrItems.begin(), arrItems.end(), [](const TransferItem& item) { return !item.bFolder; });
    if (it == arrItems.end())
        return;
    QuickViewJob job;
    job.item = *it;
    m_nSize = static_cast<uint32_t>(job.item.nSize);
    // A picture or a sound is read whole when it is within the limit; anything else, or a larger
    // picture (shown as hex), only as far as it can be shown.
    const bool bWhole = PreviewNeedsWholeMember(job.item.strMemberName) && m_nSize <= PREVIEW_MAX_READ;
    job.nRead = static_cast<size_t>(std::min<uint64_t>(m_nSize, bWhole ? PREVIEW_MAX_READ : kTextReadLimit));
    m_bReading = true;
    m_pLoader->Start(++m_nJob, std::move(job));
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CQuickViewWnd::OnLoaded(uint64_t nJob)
{
    std::unique_ptr<QuickViewLoaded> pLoaded = m_bReading && nJob == m_nJob ? m_pLoader->Take(nJob) : nullptr;
    if (!pLoaded)
        return;   // a row left meanwhile
    m_bReading = false;
    m_bLoaded = true;
    if (!pLoaded->bRead)
    {
        ::ShowWindow(m_wndText.m_hWnd, SW_HIDE);
        m_arrLines.push_back("Cannot be shown: " + pLoaded->strReadError);
        Layout();
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return;
    }
    ShowLoaded(*pLoaded);
}

void CQuickViewWnd::ShowLoaded(QuickViewLoaded& loaded)
{
    m_content = std::move(loaded.content);
    m_arrOpaque = std::move(loaded.arrOpaque);
    m_nWidth = loaded.nWidth;
    m_nHeight = loaded.nHeight;
    m_sound = std::move(loaded.sound);
    if (loaded.hPicture)
    {
        m_hPicture = CGdiObject(loaded.hPicture);
        loaded.hPicture = nullptr;
        m_nPictureFrame = 0;
    }
    const bool bText = m_content.kind == PreviewKind::text || m_content.kind == PreviewKind::hex;
    if (bText)
        m_wndText.SetLines(std::move(loaded.lines));
    if (bText != (::IsWindowVisible(m_wndText.m_hWnd) != FALSE))
        ::ShowWindow(m_wndText.m_hWnd, bText ? SW_SHOWNA : SW_HIDE);
    UpdateDetailLine();
    if (m_content.kind == PreviewKind::hex && !m_content.strError.empty())
        m_arrLines.push_back("Shown as hex: " + m_content.strError + ".");
    else if (m_content.kind == PreviewKind::text && m_content.nShownBytes < m_nSize)
        m_arrLines.push_back("Only the beginning is shown.");
    if (!m_content.strNote.empty())
        m_arrLines.push_back(m_content.strNote);
    if (m_content.kind == PreviewKind::animation || m_content.kind == PreviewKind::sound)
        ::ShowWindow(m_hButton, SW_SHOWNA);
    Layout();
    // An animation plays at once; a sound waits for Play.
    if (m_content.kind == PreviewKind::animation)
        SetPlaying(true);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CQuickViewWnd::UpdateDetailLine()
{
    std::string strLine;
    const PreviewContent& c = m_content;
    switch (c.kind)
    {
    case PreviewKind::texture:
        strLine = Printf("%d x %d, %s", m_nWidth, m_nHeight, c.strPixelFormat.c_str());
        break;
    case PreviewKind::animation:
        strLine = Printf("%d x %d, %s, %d frames at %d fps: frame %d", m_nWidth, m_nHeight, c.strPixelFormat.c_str(),
                         static_cast<int>(c.frames.size()), c.nFramesPerSecond, m_nFrame + 1);
        break;
    case PreviewKind::sound:
        strLine = Printf("%s, %u channel%s, %s Hz", c.sound.strFormat.c_str(), c.sound.nChannels,
                         c.sound.nChannels == 1 ? "" : "s", Bytes(c.sound.nSamplesPerSec).c_str());
        if (c.sound.nBitsPerSample)
            strLine += Printf(", %u bits", c.sound.nBitsPerSample);
        strLine += Printf(", %.2f s", c.sound.dSeconds);
        break;
    case PreviewKind::text:
        strLine = "Text, " + ShownPart(c.nShownBytes, m_nSize);
        break;
    case PreviewKind::hex:
        strLine = "Hex, " + ShownPart(c.nShownBytes, m_nSize);
        break;
    default:
        return;
    }
    if (m_arrLines.size() < 3)
        m_arrLines.push_back(strLine);
    else
        m_arrLines[2] = strLine;
}

void CQuickViewWnd::TogglePlay()
{
    if (m_content.kind == PreviewKind::animation || m_content.kind == PreviewKind::sound)
        SetPlaying(!m_bPlaying);
}

void CQuickViewWnd::SetPlaying(bool bPlay)
{
    if (m_bPlaying && m_content.kind == PreviewKind::sound)
        ::PlaySoundA(nullptr, nullptr, 0);
    if (m_hWnd)
    {
        ::KillTimer(m_hWnd, kFrameTimer);
        ::KillTimer(m_hWnd, kSoundTimer);
        ::KillTimer(m_hWnd, kPositionTimer);
    }
    m_bPlaying = false;
    if (bPlay && m_content.kind == PreviewKind::sound && !m_sound.empty())
    {
        // The copy's sizes match its bytes, so the player stops where the bytes do whatever the file claimed.
        m_bPlaying = ::PlaySoundA(reinterpret_cast<LPCSTR>(m_sound.data()), nullptr,
                                  SND_MEMORY | SND_ASYNC | SND_NODEFAULT) != FALSE;
        m_dwPlayStart = ::GetTickCount();
        // The button turns back to Play when the sound has run out (a day at most: the length comes
        // from the header's rate).
        if (m_bPlaying)
        {
            ::SetTimer(m_hWnd, kSoundTimer,
                       static_cast<UINT>(std::min(std::max(m_content.sound.dSeconds, 0.0), 86400.0) * 1000.0) + 100, nullptr);
            ::SetTimer(m_hWnd, kPositionTimer, kPositionMs, nullptr);
        }
        else if (m_arrLines.size() < 5)
        {
            m_arrLines.push_back("The sound cannot be played here (no sound device, or no codec for its format).");
            Layout();
        }
    }
    else if (bPlay && m_content.kind == PreviewKind::animation && m_content.nFramesPerSecond > 0)
    {
        m_bPlaying = true;
        m_dwPlayStart = ::GetTickCount();
        ::SetTimer(m_hWnd, kFrameTimer, std::max(1, 1000 / m_content.nFramesPerSecond), nullptr);
    }
    // A paused animation stands on its first frame.
    if (!m_bPlaying && m_nFrame != 0)
    {
        m_nFrame = 0;
        UpdateDetailLine();
    }
    if (m_hButton)
        ::SetWindowTextA(m_hButton, !m_bPlaying ? "Play" : m_content.kind == PreviewKind::sound ? "Stop" : "Pause");
    if (m_hWnd)
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

void CQuickViewWnd::NextFrame()
{
    if (!m_bPlaying || m_content.kind != PreviewKind::animation)
        return;
    // From the time played, so that a late timer skips frames instead of slowing down.
    uint64_t nElapsed = ::GetTickCount() - m_dwPlayStart;
    int nFrame = static_cast<int>(nElapsed * m_content.nFramesPerSecond / 1000 % m_content.frames.size());
    if (nFrame == m_nFrame)
        return;
    m_nFrame = nFrame;
    UpdateDetailLine();
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
}

double CQuickViewWnd::PlayedPart() const
{
    if (!m_bPlaying || m_content.kind != PreviewKind::sound || m_content.sound.dSeconds <= 0)
        return -1.0;
    return (::GetTickCount() - m_dwPlayStart) / (1000.0 * m_content.sound.dSeconds);
}

RECT CQuickViewWnd::ContentArea(int nTop) const
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int nMargin = Scaled(kMargin);
    int nBottom = rc.bottom - nMargin;
    if (::IsWindowVisible(m_hButton))
        nBottom -= Scaled(kButtonHeight) + nMargin;
    return { nMargin, nTop, std::max<LONG>(nMargin, rc.right - nMargin), std::max(nTop, nBottom) };
}

void CQuickViewWnd::Layout()
{
    if (!m_hWnd)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const RECT rcArea = ContentArea(DrawHeader(CWindowDC(m_hWnd), rc.right, false));
    // Moved only when their place changes, and repainted with the rest: under Wine a child with scroll
    // bars repaints slowly, which a list held at an arrow key would feel.
    auto place = [this](HWND hChild, int x, int y, int cx, int cy) {
        RECT rcOld = {};
        ::GetWindowRect(hChild, &rcOld);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rcOld), 2);
        if (rcOld.left == x && rcOld.top == y && rcOld.right - rcOld.left == cx && rcOld.bottom - rcOld.top == cy)
            return;
        ::SetWindowPos(hChild, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        ::RedrawWindow(hChild, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
    };
    place(m_hButton, Scaled(kMargin), rc.bottom - Scaled(kMargin) - Scaled(kButtonHeight), Scaled(kButtonWidth),
          Scaled(kButtonHeight));
    place(m_wndText.m_hWnd, rcArea.left, rcArea.top, rcArea.right - rcArea.left, rcArea.bottom - rcArea.top);
}

bool CQuickViewWnd::SelectFrame()
{
    if (m_nPictureFrame == m_nFrame && m_hPicture)
        return true;
    // An animation's frames go through one bitmap of their size, a frame at a time.
    const PreviewImage& image = m_content.frames[m_nFrame];
    if (image.pixels.size() != static_cast<size_t>(image.nWidth) * image.nHeight)
        return false;
    BITMAP bm = {};
    if (!m_hPicture || !::GetObjectA(m_hPicture.Get(), sizeof(bm), &bm) || bm.bmWidth != image.nWidth ||
        bm.bmHeight != image.nHeight || !bm.bmBits)
    {
        BITMAPINFO bmi = TopDownBitmapInfo(image.nWidth, image.nHeight);
        void* pBits = nullptr;
        m_hPicture = CGdiObject(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
        if (!m_hPicture || !::GetObjectA(m_hPicture.Get(), sizeof(bm), &bm) || !bm.bmBits)
            return false;
    }
    ::GdiFlush();
    std::copy(image.pixels.begin(), image.pixels.end(), static_cast<uint32_t*>(bm.bmBits));
    m_nPictureFrame = m_nFrame;
    return true;
}

void CQuickViewWnd::DrawPicture(HDC hdc, const RECT& rcArea)
{
    const PreviewImage& image = m_content.frames[m_nFrame];
    int cxArea = rcArea.right - rcArea.left, cyArea = rcArea.bottom - rcArea.top;
    if (cxArea <= 0 || cyArea <= 0 || image.nWidth <= 0 || image.nHeight <= 0 || m_nWidth <= 0 || m_nHeight <= 0 ||
        !SelectFrame())
        return;
    // Fitted with the aspect kept, centred; the scale is the picture's own size (a large one was shrunk to show).
    const double dScale = std::min(static_cast<double>(cxArea) / m_nWidth, static_cast<double>(cyArea) / m_nHeight);
    int cx = std::max(1, static_cast<int>(m_nWidth * dScale + 0.5));
    int cy = std::max(1, static_cast<int>(m_nHeight * dScale + 0.5));
    int x = rcArea.left + (cxArea - cx) / 2, y = rcArea.top + (cyArea - cy) / 2;

    CMemoryDC source(hdc);
    CSelectObject selected(source, m_hPicture.Get());
    if (m_arrOpaque[m_nFrame])
    {
        ::SetStretchBltMode(hdc, dScale > kMaxSmoothScale ? COLORONCOLOR : HALFTONE);
        ::SetBrushOrgEx(hdc, 0, 0, nullptr);
        ::StretchBlt(hdc, x, y, cx, cy, source, 0, 0, image.nWidth, image.nHeight, SRCCOPY);
    }
    else
    {
        // Over the checkerboard; the frame was premultiplied when it was loaded, as AlphaBlend takes it.
        RECT rcPicture = { x, y, x + cx, y + cy };
        ::SetBrushOrgEx(hdc, x, y, nullptr);
        ::FillRect(hdc, &rcPicture, m_hChecker ? static_cast<HBRUSH>(m_hChecker.Get()) : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        BLENDFUNCTION blend = { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
        ::AlphaBlend(hdc, x, y, cx, cy, source, 0, 0, image.nWidth, image.nHeight, blend);
    }
    ++m_nDrawCount;
}

int CQuickViewWnd::DrawHeader(HDC hdc, int cxClient, bool bDraw)
{
    // The name in bold and the size and place on one line each; what it is and why it is not
    // shown wrap at the window's width, so a reason is read whole.
    HGDIOBJ hGui = GuiFont();
    HGDIOBJ hOldFont = ::SelectObject(hdc, hGui);
    const int nMargin = Scaled(kMargin), nLineGap = Scaled(kLineGap);
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(hdc, &tm);
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, ::GetSysColor(COLOR_BTNTEXT));
    const int nRight = std::max(nMargin + 1, cxClient - nMargin);
    int y = nMargin;
    for (size_t i = 0; i < m_arrLines.size(); ++i)
    {
        ::SelectObject(hdc, i == 0 && m_hBold && m_nIndex >= 0 ? m_hBold.Get() : hGui);
        UINT nFormat = DT_LEFT | DT_NOPREFIX |
                       (i == 0 ? DT_SINGLELINE | DT_END_ELLIPSIS : i == 1 ? DT_SINGLELINE | DT_PATH_ELLIPSIS : DT_WORDBREAK);
        RECT rcLine = { nMargin, y, nRight, y + tm.tmHeight };
        ::DrawTextA(hdc, m_arrLines[i].c_str(), -1, &rcLine, nFormat | DT_CALCRECT);
        rcLine.right = nRight;
        if (bDraw)
            ::DrawTextA(hdc, m_arrLines[i].c_str(), -1, &rcLine, nFormat | DT_NOCLIP);
        y = rcLine.bottom + nLineGap;
    }
    if (m_bReading)
    {
        // Drawn as Unicode: the ellipsis is a character of its own in no code page alike.
        ::SelectObject(hdc, hGui);
        RECT rcLine = { nMargin, y, nRight, y + tm.tmHeight };
        if (bDraw)
            ::DrawTextW(hdc, L"Reading\x2026", -1, &rcLine, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
        y = rcLine.bottom + nLineGap;
    }
    ::SelectObject(hdc, hOldFont);
    return std::max(y, nMargin + kHeaderLines * (static_cast<int>(tm.tmHeight) + nLineGap)) + nMargin;
}

void CQuickViewWnd::Paint(HDC hdcWindow)
{
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    if (rc.right <= 0 || rc.bottom <= 0)
        return;
    // Through a back buffer: an animation repaints many times a second without flicker.
    CGdiObject hBuffer(::CreateCompatibleBitmap(hdcWindow, rc.right, rc.bottom));
    CMemoryDC hdc(hdcWindow);
    CSelectObject selected(hdc, hBuffer.Get());
    ::FillRect(hdc, &rc, ::GetSysColorBrush(COLOR_BTNFACE));

    const RECT rcArea = ContentArea(DrawHeader(hdc, rc.right, true));
    if ((m_content.kind == PreviewKind::texture || m_content.kind == PreviewKind::animation) &&
        m_nFrame < static_cast<int>(m_content.frames.size()))
        DrawPicture(hdc, rcArea);
    else if (m_content.kind == PreviewKind::sound && m_content.wave.nColumns > 0)
        DrawWaveform(hdc, rcArea, m_content.wave, PlayedPart(), m_nDpi);
    ::BitBlt(hdcWindow, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY);
}

LRESULT CALLBACK CQuickViewWnd::ButtonProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CQuickViewWnd* pView = static_cast<CQuickViewWnd*>(CWnd::FromHandle(::GetParent(hWnd)));
    WNDPROC pfnOld = pView ? pView->m_pfnButton : nullptr;
    if (IsInputWhileOwnerBusy(hWnd, uMsg))
        return InputRefused(uMsg);
    // Esc, F3 and Space act on the window wherever its keyboard focus is.
    if ((uMsg == WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_F3 || wParam == VK_SPACE)) ||
        (uMsg == WM_CHAR && (wParam == VK_ESCAPE || wParam == ' ')))
    {
        if (uMsg == WM_KEYDOWN)
            ::SendMessageA(::GetParent(hWnd), uMsg, wParam, lParam);
        return 0;
    }
    return pfnOld ? ::CallWindowProcA(pfnOld, hWnd, uMsg, wParam, lParam) : ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

LRESULT CQuickViewWnd::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
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
        Layout();
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = { Scaled(kMinWidth), Scaled(kMinHeight) };
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_MEMBER_LOADED:
        OnLoaded(static_cast<uint64_t>(lParam));
        return 0;
    case WM_TIMER:
        if (wParam == kSettleTimer)
            StartLoad();
        else if (wParam == kFrameTimer)
            NextFrame();
        else if (wParam == kSoundTimer)
            SetPlaying(false);   // the sound has ended
        else if (wParam == kPositionTimer)
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED)
        {
            TogglePlay();
            // A click on the button leaves the keyboard with the list, where the arrows go on.
            if (::GetFocus() == m_hButton && ::IsWindow(m_hFollow))
                ::SetFocus(m_hFollow);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE || wParam == VK_F3)
        {
            Close();
            return 0;
        }
        if (wParam == VK_SPACE)
        {
            TogglePlay();
            return 0;
        }
        // Moving through the rows goes on from here as it does in the list.
        if ((wParam == VK_UP || wParam == VK_DOWN || wParam == VK_PRIOR || wParam == VK_NEXT || wParam == VK_HOME ||
             wParam == VK_END) && ::IsWindow(m_hFollow))
        {
            ::SendMessageA(m_hFollow, uMsg, wParam, lParam);
            return 0;
        }
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_DESTROY:
        ::KillTimer(m_hWnd, kSettleTimer);
        SetPlaying(false);
        m_pLoader.reset();   // cancels the reading and waits for the worker
        SavePlacement();
        break;
    case WM_NCDESTROY:
    {
        LRESULT lResult = CWnd::WindowProc(uMsg, wParam, lParam);
        m_hButton = nullptr;
        m_pfnButton = nullptr;
        m_content = PreviewContent();
        m_sound = std::vector<uint8_t>();
        m_strRowKey.clear();
        m_pDoc = nullptr;
        m_nIndex = -1;
        m_bLoaded = m_bReading = false;
        m_hGui.Reset();
        m_hBold.Reset();
        m_hMono.Reset();
        m_hChecker.Reset();
        m_hPicture.Reset();
        m_nPictureFrame = -1;
        return lResult;
    }
    }
    return CWnd::WindowProc(uMsg, wParam, lParam);
}
