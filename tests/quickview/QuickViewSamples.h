// QuickViewSamples.h: members made by the tests for the quick view, and waiting for it to show them.
#pragma once
#include <cmath>
#include <functional>
#include <string>
#include "GuiHarness.h"

inline void PutLe16(std::string& s, size_t nPos, unsigned n)
{
    s[nPos] = static_cast<char>(n & 0xFF);
    s[nPos + 1] = static_cast<char>(n >> 8 & 0xFF);
}

/// An uncompressed 32-bit TGA, top row first: a colour ramp, partly transparent below the diagonal.
inline std::string MakeTga(int nWidth, int nHeight)
{
    std::string s(18, '\0');
    s[2] = 2;   // true colour, uncompressed
    PutLe16(s, 12, nWidth);
    PutLe16(s, 14, nHeight);
    s[16] = 32;
    s[17] = 0x28;   // 8 alpha bits, top row first
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            s += { static_cast<char>(255 * x / nWidth), static_cast<char>(255 * y / nHeight), '\xC0',
                   x * nHeight < y * nWidth ? '\x40' : '\xFF' };
    return s;
}

/// A VBM of 565 pixels without mipmaps: a bar that moves one step per frame.
inline std::string MakeVbm(int nWidth, int nHeight, int nFrames, int nFramesPerSecond)
{
    std::string s(32, '\0');
    const int kFields[] = { 0x6D62762E, 1, nWidth, nHeight, 2, nFramesPerSecond, nFrames, 0 };
    for (int i = 0; i < 8; ++i)
        PutLe32(s, 4 * i, static_cast<uint32_t>(kFields[i]));
    for (int f = 0; f < nFrames; ++f)
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
            {
                unsigned v = x * nFrames / nWidth == f ? 0xFFE0 : (y * 31 / nHeight) | (x * 63 / nWidth) << 5;
                s += { static_cast<char>(v & 0xFF), static_cast<char>(v >> 8) };
            }
    return s;
}

/// A WAV of 8-bit mono PCM at 8 kHz: a tone of the given length.
inline std::string MakeWav(int nMilliseconds)
{
    const int nSamples = 8 * nMilliseconds;
    std::string s = std::string("RIFF....WAVEfmt ") + std::string(20, '\0') + "data....";
    PutLe32(s, 4, 36 + nSamples);
    PutLe32(s, 16, 16);
    PutLe16(s, 20, 1);   // PCM, mono, 8000 samples and bytes a second, 1-byte blocks of 8 bits
    PutLe16(s, 22, 1);
    PutLe32(s, 24, 8000);
    PutLe32(s, 28, 8000);
    PutLe16(s, 32, 1);
    PutLe16(s, 34, 8);
    PutLe32(s, 40, nSamples);
    for (int i = 0; i < nSamples; ++i)
        s += static_cast<char>(128 + 100 * std::sin(i * 0.3));
    return s;
}

/// Pumps the harness until fn holds or nTimeoutMs have passed; returns whether it held.
inline bool WaitFor(CGuiHarness& gui, const std::function<bool()>& fn, DWORD nTimeoutMs = 3000)
{
    for (DWORD dwStart = ::GetTickCount(); !fn(); ::Sleep(2))
    {
        if (::GetTickCount() - dwStart > nTimeoutMs)
            return false;
        gui.Pump();
    }
    return true;
}

/// Focuses and selects one row of the list alone, as a click would.
inline void FocusRow(CGuiHarness& gui, int nRow)
{
    gui.SelectRow(-1, false);
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_FOCUSED | LVIS_SELECTED;
    ::SendMessageA(gui.List(), LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&item));
    gui.Pump();
}
