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

class CQuarnelDoc;

/**
 * @brief Shows one member as a picture, an animation, a sound, text or a hex page.
 *
 * The owner tells it the focused row at idle (Follow). The name, size and place change at once;
 * the bytes are read and decoded only once the row has stayed focused for kSettleMs, so holding an
 * arrow key through the list reads nothing on the way. The bytes come through the same checked
 * reading as Copy and drag-out, at most PREVIEW_MAX_READ of them, never through a temporary file.
 * A member that cannot be read or decoded is one line in the window.
 */
class CQuickViewWnd : public CWnd
{
public:
    CQuickViewWnd() = default;
    ~CQuickViewWnd() override;

    /// Creates the window at its stored place and shows it without taking the focus from hFollow.
    bool Create(HWND hOwner, HWND hFollow);
    bool IsOpen() const { return m_hWnd != nullptr; }
    /// Stops the sound and destroys the window (its place is stored); a focus inside goes to hFollow.
    void Close();
    /// The focused row: its index in the document's table, or -1. A changed row is read after a pause.
    void Follow(const CQuarnelDoc* pDoc, int nIndex);
    /// Reads and shows the followed row now.
    void ShowNow();
    /// Play/Pause of an animation, Play/Stop of a sound (the button and Space).
    void TogglePlay();

    // What is shown, read by the tests and the benchmark.
    PreviewKind Kind() const { return m_content.kind; }
    /// The lines above the content (name; size and place; what it is; why it is not shown), "\n" apart.
    std::string InfoText() const;
    /// The table index whose content is shown; -1 while none is (yet).
    int ShownIndex() const { return m_bLoaded ? m_nIndex : -1; }
    int Frame() const { return m_nFrame; }
    bool IsPlaying() const { return m_bPlaying; }
    /// How often a picture has been drawn so far.
    uint32_t DrawCount() const { return m_nDrawCount; }
    HWND ContentEdit() const { return m_hEdit; }
    HWND PlayButton() const { return m_hButton; }

    static constexpr UINT kSettleMs = 50;
    /// The per-user setting holding the window's rectangle, "left top right bottom".
    static const char kPlacementSetting[];

protected:
    LRESULT WindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) override;

private:
    void ResetContent();
    void Load();
    void ShowLoaded();
    void SetPlaying(bool bPlay);
    void NextFrame();
    void UpdateDetailLine();
    void Layout();
    /// Draws (or only measures) the lines above the content; returns where the content starts.
    int DrawHeader(HDC hdc, int cxClient, bool bDraw);
    void Paint(HDC hdc);
    void DrawPicture(HDC hdc, const RECT& rcArea);
    const uint32_t* AlphaPixels();   // the current frame, premultiplied, in m_hAlphaBitmap
    void SavePlacement() const;
    static LRESULT CALLBACK ChildKeyProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void HookChildKeys(HWND hChild);

    HWND m_hFollow = nullptr;
    HWND m_hEdit = nullptr;
    HWND m_hButton = nullptr;
    CGdiObject m_hBold;      // font
    CGdiObject m_hMono;      // font
    CGdiObject m_hChecker;   // brush

    // The followed row.
    const CQuarnelDoc* m_pDoc = nullptr;
    int m_nIndex = -1;
    std::string m_strRowKey;     // everything that tells the row's bytes apart; empty for no row
    bool m_bLoaded = false;      // m_content belongs to the row

    // What is shown.
    std::vector<std::string> m_arrLines;   // name, size and place, kind, note
    PreviewContent m_content;
    std::vector<bool> m_arrOpaque;         // per frame: every pixel opaque (no blending needed)
    std::vector<uint8_t> m_sound;          // the WAV bytes while a sound is shown (PlaySound reads them)
    int m_nFrame = 0;
    bool m_bPlaying = false;
    DWORD m_dwPlayStart = 0;
    uint32_t m_nDrawCount = 0;
    CGdiObject m_hAlphaBitmap;     // premultiplied copy of one frame, for AlphaBlend
    uint32_t* m_pAlphaBits = nullptr;
    int m_nAlphaFrame = -1;
};
