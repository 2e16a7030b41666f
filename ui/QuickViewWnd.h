// QuickViewWnd.h: a modeless window that shows the contents of the list's focused member.
#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>
#include "framework/win/Wnd.h"
#include "menu/GdiHandles.h"
#include "preview/PreviewDecode.h"
#include "ui/QuickViewText.h"

class CQuarnelDoc;
class CQuickViewLoader;
struct QuickViewLoaded;

/**
 * @brief Shows one member as a picture, an animation, a sound's waveform, text or a hex page.
 *
 * The owner tells it the focused row at idle (Follow). Once the row has stayed focused for kSettleMs,
 * the window shows its name, size and place, and the member is read and decoded on a worker thread
 * (the window says "Reading…" meanwhile) and shown when it is ready; a newer row cancels that work,
 * so the list never waits for a member. The bytes come through the same checked reader as Copy and
 * drag-out, at most PREVIEW_MAX_READ of them, never through a temporary file. A member that cannot
 * be read or decoded is one line in the window. While a modal dialog has disabled the owner, the
 * window takes no input. Esc in the followed list closes it.
 */
class CQuickViewWnd : public CWnd
{
public:
    CQuickViewWnd();
    ~CQuickViewWnd() override;

    /// Creates the window at its stored place and shows it without taking the focus from hFollow.
    bool Create(HWND hOwner, HWND hFollow);
    bool IsOpen() const { return m_hWnd != nullptr; }
    /// Stops the sound and destroys the window (its place is stored); a focus inside goes to hFollow.
    void Close();
    /// The focused row: its index in the document's table, or -1. A changed row stops what plays at once;
    /// the window turns to it and reads it after a pause, so a held arrow key costs the list nothing here.
    void Follow(const CQuarnelDoc* pDoc, int nIndex);
    /// Starts reading the followed row now.
    void ShowNow();
    /// Play/Pause of an animation, Play/Stop of a sound (the button and Space).
    void TogglePlay();

    // What is shown, read by the tests and the benchmark.
    PreviewKind Kind() const { return m_content.kind; }
    /// The lines above the content (name; size and place; what it is; why it is not shown), "\n" apart.
    std::string InfoText() const;
    /// The table index whose content is shown; -1 while none is (yet).
    int ShownIndex() const { return m_bLoaded ? m_nIndex : -1; }
    /// True while the followed row is being read and decoded.
    bool IsReading() const { return m_bReading; }
    int Frame() const { return m_nFrame; }
    bool IsPlaying() const { return m_bPlaying; }
    /// How often a picture has been drawn so far.
    uint32_t DrawCount() const { return m_nDrawCount; }
    HWND TextView() const { return m_wndText.m_hWnd; }
    HWND PlayButton() const { return m_hButton; }

    static constexpr UINT kSettleMs = 50;
    /// The per-user setting holding the window's rectangle, "left top right bottom".
    static const char kPlacementSetting[];
    /// rc moved, and shrunk where it is larger, to lie whole inside rcArea.
    static RECT FitInto(RECT rc, const RECT& rcArea);

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    enum { WM_MEMBER_LOADED = WM_APP + 0x31 };

    RECT InitialPlace(HWND hOwner) const;
    /// n pixels of the layout (96 DPI) at the window's DPI.
    int Scaled(int n) const;
    /// The fonts and the checkerboard for m_nDpi, given to the children too.
    void MakeFonts();
    HFONT GuiFont() const;
    void OnDpiChanged(int nDpi, const RECT& rcSuggested);
    void LeaveRow();
    void ResetContent();
    void StartLoad();
    void OnLoaded(uint64_t nJob);
    void ShowLoaded(QuickViewLoaded& loaded);
    void SetPlaying(bool bPlay);
    void NextFrame();
    double PlayedPart() const;
    void UpdateDetailLine();
    void Layout();
    /// Draws (or only measures) the lines above the content; returns where the content starts.
    int DrawHeader(HDC hdc, int cxClient, bool bDraw);
    void Paint(HDC hdc);
    /// The area between the header, which ends at nTop, and the button.
    RECT ContentArea(int nTop) const;
    void DrawPicture(HDC hdc, const RECT& rcArea);
    bool SelectFrame();   // the current frame in m_hPicture
    void SavePlacement() const;
    static LRESULT CALLBACK ButtonProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    HWND m_hFollow = nullptr;
    HWND m_hButton = nullptr;
    WNDPROC m_pfnButton = nullptr;   // the button's own procedure
    CTextLinesView m_wndText;
    int m_nDpi = 96;         // the DPI of the window's screen: the layout's lengths are scaled to it
    CGdiObject m_hGui;       // font; only made for a DPI other than the system's (else the stock GUI font)
    CGdiObject m_hBold;      // font
    CGdiObject m_hMono;      // font
    CGdiObject m_hChecker;   // brush
    std::unique_ptr<CQuickViewLoader> m_pLoader;

    // The followed row.
    const CQuarnelDoc* m_pDoc = nullptr;
    int m_nIndex = -1;
    std::string m_strRowKey;     // everything that tells the row's bytes apart; empty for no row
    uint64_t m_nSize = 0;        // the row's member size
    uint64_t m_nJob = 0;         // the last read started
    bool m_bReading = false;
    bool m_bLoaded = false;      // m_content belongs to the row

    // What is shown.
    std::vector<std::string> m_arrLines;   // name, size and place, kind, notes
    PreviewContent m_content;
    int m_nWidth = 0, m_nHeight = 0;       // the picture's own size
    std::vector<bool> m_arrOpaque;         // per frame: every pixel opaque (no blending needed)
    std::vector<uint8_t> m_sound;          // the WAV while a sound is shown (PlaySound reads it)
    int m_nFrame = 0;
    bool m_bPlaying = false;
    DWORD m_dwPlayStart = 0;
    uint32_t m_nDrawCount = 0;
    CGdiObject m_hPicture;         // the frame shown, as a DIB section (premultiplied when transparent); freed with the picture
    int m_nPictureFrame = -1;      // the frame m_hPicture holds
};
