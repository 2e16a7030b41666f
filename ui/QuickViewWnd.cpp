// QuickViewWnd.cpp
#include "ui/QuickViewWnd.h"
#include <mmsystem.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include "config/SettingsStore.h"
#include "core/QuarnelDoc.h"
#include "ui/FormatNumber.h"
#include "ui/MemberDataObject.h"
#include "ui/MemberStream.h"

const char CQuickViewWnd::kPlacementSetting[] = "QuickViewPlacement";

namespace
{
const char kClassName[] = "QuarnelQuickView";
const char kChildProcProp[] = "QuarnelQuickViewChildProc";
const UINT_PTR kSettleTimer = 1;
const UINT_PTR kFrameTimer = 2;
const UINT_PTR kSoundTimer = 3;
const int kButtonId = 1;
const int kEditId = 2;
const int kMargin = 6;
const int kButtonWidth = 80;
const int kButtonHeight = 24;
const int kDefaultWidth = 620;   // a hex line of 78 characters fits
const int kDefaultHeight = 520;
const int kMinWidth = 220;
const int kMinHeight = 180;
const int kCheckerCell = 8;
// Text and anything without a picture or sound name: the hex page needs 64 KiB, text is shown
// up to this much (a larger text says how much of it is shown).
const size_t kTextReadLimit = 1u << 20;
// Upscaled further than this, a picture is drawn with hard pixel edges instead of smoothed.
const double kMaxSmoothScale = 4.0;

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

/// Reads at most nMax bytes of the table's row nIndex with the checks of Copy and drag-out (the
/// archive is the file that was read, an added file still has its size and time); false with
/// the reason.
bool ReadMember(const CQuarnelDoc& doc, int nIndex, size_t nMax, std::vector<uint8_t>& bytes, std::string& strError)
{
    auto pLog = std::make_shared<CTransferFailureLog>(nullptr, 0);
    std::shared_ptr<CMemberTransfer> pTransfer = CMemberTransfer::FromRows(doc, { nIndex }, pLog);
    const std::vector<TransferItem>& arrItems = pTransfer->Items();
    // A name with folders brings its folders first.
    auto it = std::find_if(arrItems.begin(), arrItems.end(), [](const TransferItem& item) { return !item.bFolder; });
    if (it == arrItems.end())
    {
        strError = "The file is no longer in the list.";
        return false;
    }
    bytes.resize(nMax);
    CMemberStream* pStream = new CMemberStream(pTransfer, static_cast<size_t>(it - arrItems.begin()));
    ULONG nGot = 0;
    HRESULT hr = nMax ? pStream->Read(bytes.data(), static_cast<ULONG>(nMax), &nGot) : S_OK;
    pStream->Release();
    if (FAILED(hr))
    {
        // The log holds "name\r\nreason\r\n\r\n".
        std::string strLog = pLog->Take();
        size_t nStart = strLog.find("\r\n");
        size_t nEnd = nStart == std::string::npos ? nStart : strLog.find("\r\n", nStart + 2);
        strError = nEnd == std::string::npos ? "Error while trying to read the file."
                                             : strLog.substr(nStart + 2, nEnd - nStart - 2);
        bytes.clear();
        return false;
    }
    bytes.resize(nGot);
    return true;
}

std::string Printf(const char* pszFormat, ...)
{
    char sz[512];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(sz, sizeof(sz), pszFormat, args);
    va_end(args);
    return sz;
}

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

BITMAPINFO TopDownInfo(int nWidth, int nHeight)
{
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = nWidth;
    bmi.bmiHeader.biHeight = -nHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    return bmi;
}

HBRUSH MakeCheckerBrush()
{
    // Two light greys in cells of kCheckerCell: what shows through the transparent pixels.
    const int n = 2 * kCheckerCell;
    std::vector<uint32_t> pixels(n * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            pixels[y * n + x] = ((x / kCheckerCell) ^ (y / kCheckerCell)) ? 0xFFFFFF : 0xCCCCCC;
    BITMAPINFO bmi = TopDownInfo(n, n);
    HDC hdc = ::GetDC(nullptr);
    HBITMAP hBitmap = ::CreateDIBitmap(hdc, &bmi.bmiHeader, CBM_INIT, pixels.data(), &bmi, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, hdc);
    HBRUSH hBrush = hBitmap ? ::CreatePatternBrush(hBitmap) : nullptr;
    if (hBitmap)
        ::DeleteObject(hBitmap);   // the brush keeps its own copy
    return hBrush;
}
}

CQuickViewWnd::~CQuickViewWnd()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);   // WM_DESTROY stores the place and stops the sound
}

bool CQuickViewWnd::Create(HWND hOwner, HWND hFollow)
{
    if (m_hWnd)
        return true;
    if (!RegisterQuickViewClass())
        return false;
    m_hFollow = hFollow;

    // The stored place, if it still lies on a screen; else beside the owner's right edge.
    RECT rc = {};
    bool bStored = std::sscanf(ReadSetting(kPlacementSetting, std::string()).c_str(), "%ld %ld %ld %ld", &rc.left,
                               &rc.top, &rc.right, &rc.bottom) == 4 &&
                   rc.right - rc.left >= kMinWidth && rc.bottom - rc.top >= kMinHeight &&
                   ::MonitorFromRect(&rc, MONITOR_DEFAULTTONULL) != nullptr;
    if (!bStored)
    {
        RECT rcOwner = {};
        ::GetWindowRect(hOwner, &rcOwner);
        HMONITOR hMonitor = ::MonitorFromWindow(hOwner, MONITOR_DEFAULTTONEAREST);
        MONITORINFO mi = {};
        mi.cbSize = sizeof(mi);
        ::GetMonitorInfoA(hMonitor, &mi);
        rc.left = std::max(mi.rcWork.left, std::min<LONG>(rcOwner.right - kDefaultWidth / 2, mi.rcWork.right - kDefaultWidth));
        rc.top = std::max(mi.rcWork.top, std::min<LONG>(rcOwner.top + 40, mi.rcWork.bottom - kDefaultHeight));
        rc.right = rc.left + kDefaultWidth;
        rc.bottom = rc.top + kDefaultHeight;
    }
    if (!CreateEx(WS_EX_TOOLWINDOW, kClassName, "Quick view",
                  WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN, rc.left, rc.top,
                  rc.right - rc.left, rc.bottom - rc.top, hOwner, nullptr))
        return false;

    HFONT hGui = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA lf = {};
    ::GetObjectA(hGui, sizeof(lf), &lf);
    lf.lfWeight = FW_BOLD;
    m_hBold = CGdiObject(::CreateFontIndirectA(&lf));
    m_hMono = CGdiObject(::CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                            CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New"));
    m_hChecker = CGdiObject(MakeCheckerBrush());

    HINSTANCE hInstance = ::GetModuleHandleA(nullptr);
    m_hEdit = ::CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL |
                                    ES_AUTOVSCROLL | ES_NOHIDESEL,
                                0, 0, 0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), hInstance,
                                nullptr);
    ::SendMessageA(m_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(m_hMono ? m_hMono.Get() : hGui), FALSE);
    ::SendMessageA(m_hEdit, EM_SETLIMITTEXT, 0, 0);
    m_hButton = ::CreateWindowExA(0, "BUTTON", "Play", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0, m_hWnd,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), hInstance, nullptr);
    ::SendMessageA(m_hButton, WM_SETFONT, reinterpret_cast<WPARAM>(hGui), FALSE);
    HookChildKeys(m_hEdit);
    HookChildKeys(m_hButton);

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

void CQuickViewWnd::ResetContent()
{
    SetPlaying(false);
    if (m_hWnd)
        ::KillTimer(m_hWnd, kSettleTimer);
    m_content = PreviewContent();
    m_arrOpaque.clear();
    m_sound.clear();
    m_sound.shrink_to_fit();
    m_nFrame = 0;
    m_nAlphaFrame = -1;
    m_bLoaded = false;
    if (m_hEdit)
    {
        ::ShowWindow(m_hEdit, SW_HIDE);
        ::SetWindowTextA(m_hEdit, "");
    }
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
    // Whatever was playing belongs to the row that was left.
    m_pDoc = pDoc;
    m_nIndex = nIndex;
    m_strRowKey = strKey;
    ResetContent();
    if (m_hWnd && nIndex >= 0)
        ::SetTimer(m_hWnd, kSettleTimer, kSettleMs, nullptr);
}

void CQuickViewWnd::ShowNow()
{
    if (!m_hWnd || m_bLoaded || m_nIndex < 0)
        return;
    ::KillTimer(m_hWnd, kSettleTimer);
    Load();
}

void CQuickViewWnd::Load()
{
    ResetContent();
    if (!m_pDoc || m_nIndex < 0 || m_nIndex >= m_pDoc->m_nFileCount)
        return;
    const VppEntry& entry = m_pDoc->m_entries[m_nIndex];
    const uint64_t nSize = static_cast<uint32_t>(entry.m_nSize);
    const bool bWhole = PreviewNeedsWholeMember(entry.m_strName);
    // A picture or a sound is read whole when it is within the limit; anything else, or a larger
    // picture (shown as hex), only as far as it can be shown.
    const size_t nRead = static_cast<size_t>(
        std::min<uint64_t>(nSize, bWhole && nSize <= PREVIEW_MAX_READ ? PREVIEW_MAX_READ : kTextReadLimit));

    std::vector<uint8_t> bytes;
    std::string strError;
    m_bLoaded = true;
    if (!ReadMember(*m_pDoc, m_nIndex, nRead, bytes, strError))
    {
        m_arrLines.push_back("Cannot be shown: " + strError);
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return;
    }
    m_content = DecodePreview(entry.m_strName, bytes.data(), bytes.size(), nSize);
    if (m_content.kind == PreviewKind::sound)
        m_sound = std::move(bytes);
    bytes = std::vector<uint8_t>();
    ShowLoaded();
}

void CQuickViewWnd::ShowLoaded()
{
    const uint64_t nSize = static_cast<uint32_t>(m_pDoc->m_entries[m_nIndex].m_nSize);
    switch (m_content.kind)
    {
    case PreviewKind::texture:
    case PreviewKind::animation:
        m_arrOpaque.clear();
        for (const PreviewImage& image : m_content.frames)
            m_arrOpaque.push_back(std::all_of(image.pixels.begin(), image.pixels.end(),
                                              [](uint32_t v) { return (v >> 24) == 0xFF; }));
        break;
    case PreviewKind::text:
    case PreviewKind::hex:
        ::SetWindowTextA(m_hEdit, WithCrLf(m_content.strText).c_str());
        m_content.strText.clear();
        m_content.strText.shrink_to_fit();
        ::ShowWindow(m_hEdit, SW_SHOWNA);
        break;
    default:
        break;
    }
    UpdateDetailLine();
    if (m_content.kind == PreviewKind::hex && !m_content.strError.empty())
        m_arrLines.push_back("Shown as hex: " + m_content.strError + ".");
    else if (m_content.kind == PreviewKind::text && m_content.nShownBytes < nSize)
        m_arrLines.push_back("Only the beginning is shown.");
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
    const uint64_t nSize = static_cast<uint32_t>(m_pDoc->m_entries[m_nIndex].m_nSize);
    std::string strLine;
    const PreviewContent& c = m_content;
    switch (c.kind)
    {
    case PreviewKind::texture:
        strLine = Printf("%d x %d, %s", c.frames[0].nWidth, c.frames[0].nHeight, c.strPixelFormat.c_str());
        break;
    case PreviewKind::animation:
        strLine = Printf("%d x %d, %s, %d frames at %d fps: frame %d", c.frames[0].nWidth, c.frames[0].nHeight,
                         c.strPixelFormat.c_str(), static_cast<int>(c.frames.size()), c.nFramesPerSecond, m_nFrame + 1);
        break;
    case PreviewKind::sound:
        strLine = Printf("%s, %u channel%s, %s Hz", c.sound.strFormat.c_str(), c.sound.nChannels,
                         c.sound.nChannels == 1 ? "" : "s", Bytes(c.sound.nSamplesPerSec).c_str());
        if (c.sound.nBitsPerSample)
            strLine += Printf(", %u bits", c.sound.nBitsPerSample);
        strLine += Printf(", %.2f s", c.sound.dSeconds);
        break;
    case PreviewKind::text:
        strLine = "Text, " + ShownPart(c.nShownBytes, nSize);
        break;
    case PreviewKind::hex:
        strLine = "Hex, " + ShownPart(c.nShownBytes, nSize);
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
    {
        ::PlaySoundA(nullptr, nullptr, 0);
        if (m_hWnd)
            ::KillTimer(m_hWnd, kSoundTimer);
    }
    if (m_hWnd)
        ::KillTimer(m_hWnd, kFrameTimer);
    m_bPlaying = false;
    if (bPlay && m_content.kind == PreviewKind::sound && !m_sound.empty())
    {
        m_bPlaying = ::PlaySoundA(reinterpret_cast<LPCSTR>(m_sound.data()), nullptr,
                                  SND_MEMORY | SND_ASYNC | SND_NODEFAULT) != FALSE;
        // The button turns back to Play when the sound has run out (a day at most: the length is
        // what the header claims).
        if (m_bPlaying)
            ::SetTimer(m_hWnd, kSoundTimer,
                       static_cast<UINT>(std::min(std::max(m_content.sound.dSeconds, 0.0), 86400.0) * 1000.0) + 100, nullptr);
        else if (m_arrLines.size() < 4)
            m_arrLines.push_back("The sound cannot be played here (no sound device, or no codec for its format).");
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

void CQuickViewWnd::Layout()
{
    if (!m_hWnd)
        return;
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    int nTop = DrawHeader(CWindowDC(m_hWnd), rc.right, false);
    int nBottom = rc.bottom - kMargin;
    if (::IsWindowVisible(m_hButton))
    {
        ::MoveWindow(m_hButton, kMargin, nBottom - kButtonHeight, kButtonWidth, kButtonHeight, TRUE);
        nBottom -= kButtonHeight + kMargin;
    }
    ::MoveWindow(m_hEdit, kMargin, nTop, std::max(0L, rc.right - 2 * kMargin), std::max(0, nBottom - nTop), TRUE);
}

const uint32_t* CQuickViewWnd::AlphaPixels()
{
    const PreviewImage& image = m_content.frames[m_nFrame];
    if (m_nAlphaFrame == m_nFrame && m_pAlphaBits)
        return m_pAlphaBits;
    BITMAP bm = {};
    if (!m_hAlphaBitmap || !::GetObjectA(m_hAlphaBitmap.Get(), sizeof(bm), &bm) || bm.bmWidth != image.nWidth ||
        bm.bmHeight != image.nHeight)
    {
        BITMAPINFO bmi = TopDownInfo(image.nWidth, image.nHeight);
        void* pBits = nullptr;
        m_hAlphaBitmap = CGdiObject(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
        m_pAlphaBits = m_hAlphaBitmap ? static_cast<uint32_t*>(pBits) : nullptr;
        if (!m_pAlphaBits)
            return nullptr;
    }
    ::GdiFlush();
    // AlphaBlend takes colours already multiplied by their alpha.
    const uint32_t* pIn = image.pixels.data();
    for (size_t i = 0, n = image.pixels.size(); i < n; ++i)
    {
        uint32_t v = pIn[i], a = v >> 24;
        m_pAlphaBits[i] = a == 255 ? v
                                   : (a << 24) | (((v >> 16 & 0xFF) * a + 127) / 255) << 16 |
                                         (((v >> 8 & 0xFF) * a + 127) / 255) << 8 | ((v & 0xFF) * a + 127) / 255;
    }
    m_nAlphaFrame = m_nFrame;
    return m_pAlphaBits;
}

void CQuickViewWnd::DrawPicture(HDC hdc, const RECT& rcArea)
{
    const PreviewImage& image = m_content.frames[m_nFrame];
    int cxArea = rcArea.right - rcArea.left, cyArea = rcArea.bottom - rcArea.top;
    if (cxArea <= 0 || cyArea <= 0 || image.nWidth <= 0 || image.nHeight <= 0)
        return;
    // Fitted with the aspect kept, centred.
    double dScale = std::min(static_cast<double>(cxArea) / image.nWidth, static_cast<double>(cyArea) / image.nHeight);
    int cx = std::max(1, static_cast<int>(image.nWidth * dScale + 0.5));
    int cy = std::max(1, static_cast<int>(image.nHeight * dScale + 0.5));
    int x = rcArea.left + (cxArea - cx) / 2, y = rcArea.top + (cyArea - cy) / 2;

    if (m_arrOpaque[m_nFrame])
    {
        ::SetStretchBltMode(hdc, dScale > kMaxSmoothScale ? COLORONCOLOR : HALFTONE);
        ::SetBrushOrgEx(hdc, 0, 0, nullptr);
        BITMAPINFO bmi = TopDownInfo(image.nWidth, image.nHeight);
        ::StretchDIBits(hdc, x, y, cx, cy, 0, 0, image.nWidth, image.nHeight, image.pixels.data(), &bmi,
                        DIB_RGB_COLORS, SRCCOPY);
    }
    else
    {
        RECT rcPicture = { x, y, x + cx, y + cy };
        ::SetBrushOrgEx(hdc, x, y, nullptr);
        ::FillRect(hdc, &rcPicture, m_hChecker ? static_cast<HBRUSH>(m_hChecker.Get()) : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        if (AlphaPixels())
        {
            CMemoryDC source(hdc);
            CSelectObject selected(source, m_hAlphaBitmap.Get());
            BLENDFUNCTION blend = { AC_SRC_OVER, 0, 255, AC_SRC_ALPHA };
            ::AlphaBlend(hdc, x, y, cx, cy, source, 0, 0, image.nWidth, image.nHeight, blend);
        }
    }
    ++m_nDrawCount;
}

int CQuickViewWnd::DrawHeader(HDC hdc, int cxClient, bool bDraw)
{
    // The name in bold and the size and place on one line each; what it is and why it is not
    // shown wrap at the window's width, so a reason is read whole.
    HGDIOBJ hGui = ::GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ hOldFont = ::SelectObject(hdc, hGui);
    TEXTMETRICA tm = {};
    ::GetTextMetricsA(hdc, &tm);
    ::SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, ::GetSysColor(COLOR_BTNTEXT));
    int y = kMargin;
    for (size_t i = 0; i < m_arrLines.size(); ++i)
    {
        ::SelectObject(hdc, i == 0 && m_hBold && m_nIndex >= 0 ? m_hBold.Get() : hGui);
        UINT nFormat = DT_LEFT | DT_NOPREFIX |
                       (i == 0 ? DT_SINGLELINE | DT_END_ELLIPSIS : i == 1 ? DT_SINGLELINE | DT_PATH_ELLIPSIS : DT_WORDBREAK);
        RECT rcLine = { kMargin, y, std::max(kMargin + 1, cxClient - kMargin), y + tm.tmHeight };
        ::DrawTextA(hdc, m_arrLines[i].c_str(), -1, &rcLine, nFormat | DT_CALCRECT);
        rcLine.right = std::max(kMargin + 1, cxClient - kMargin);
        if (bDraw)
            ::DrawTextA(hdc, m_arrLines[i].c_str(), -1, &rcLine, nFormat | DT_NOCLIP);
        y = rcLine.bottom + 2;
    }
    ::SelectObject(hdc, hOldFont);
    // Room for three lines at least, so the content stays put from row to row.
    return std::max(y, kMargin + 3 * (static_cast<int>(tm.tmHeight) + 2)) + kMargin;
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

    int nTop = DrawHeader(hdc, rc.right, true);
    if ((m_content.kind == PreviewKind::texture || m_content.kind == PreviewKind::animation) &&
        m_nFrame < static_cast<int>(m_content.frames.size()))
    {
        RECT rcArea = { kMargin, nTop, rc.right - kMargin, rc.bottom - kMargin };
        if (::IsWindowVisible(m_hButton))
            rcArea.bottom -= kButtonHeight + kMargin;
        DrawPicture(hdc, rcArea);
    }
    ::BitBlt(hdcWindow, 0, 0, rc.right, rc.bottom, hdc, 0, 0, SRCCOPY);
}

void CQuickViewWnd::HookChildKeys(HWND hChild)
{
    if (!hChild)
        return;
    LONG_PTR pfnOld = ::SetWindowLongPtrA(hChild, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChildKeyProc));
    ::SetPropA(hChild, kChildProcProp, reinterpret_cast<HANDLE>(pfnOld));
}

LRESULT CALLBACK CQuickViewWnd::ChildKeyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    WNDPROC pfnOld = reinterpret_cast<WNDPROC>(::GetPropA(hWnd, kChildProcProp));
    // Esc, F3 and Space act on the window wherever its keyboard focus is.
    if ((uMsg == WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_F3 || wParam == VK_SPACE)) ||
        (uMsg == WM_CHAR && (wParam == VK_ESCAPE || wParam == ' ')))
    {
        if (uMsg == WM_KEYDOWN)
            ::SendMessageA(::GetParent(hWnd), uMsg, wParam, lParam);
        return 0;
    }
    if (uMsg == WM_NCDESTROY)
    {
        ::SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOld));
        ::RemovePropA(hWnd, kChildProcProp);
    }
    return pfnOld ? ::CallWindowProcA(pfnOld, hWnd, uMsg, wParam, lParam) : ::DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

LRESULT CQuickViewWnd::WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
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
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = { kMinWidth, kMinHeight };
        return 0;
    case WM_TIMER:
        if (wParam == kSettleTimer)
        {
            ::KillTimer(m_hWnd, kSettleTimer);
            Load();
        }
        else if (wParam == kFrameTimer)
            NextFrame();
        else if (wParam == kSoundTimer)
            SetPlaying(false);   // the sound has ended
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
    case WM_CTLCOLORSTATIC:
        // The read-only text reads as a document, on the window colour.
        if (reinterpret_cast<HWND>(lParam) == m_hEdit)
        {
            ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
            ::SetTextColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        }
        break;
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
        SavePlacement();
        break;
    case WM_NCDESTROY:
    {
        LRESULT lResult = CWnd::WindowProc(uMsg, wParam, lParam);
        m_hEdit = m_hButton = nullptr;
        m_content = PreviewContent();
        m_sound.clear();
        m_strRowKey.clear();
        m_pDoc = nullptr;
        m_nIndex = -1;
        m_bLoaded = false;
        m_hBold.Reset();
        m_hMono.Reset();
        m_hChecker.Reset();
        m_hAlphaBitmap.Reset();
        m_pAlphaBits = nullptr;
        m_nAlphaFrame = -1;
        return lResult;
    }
    }
    return CWnd::WindowProc(uMsg, wParam, lParam);
}
