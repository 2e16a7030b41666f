// QuickViewSamples.h: members made by the tests for the quick view, and waiting for it to show them.
#pragma once
#include <cmath>
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

/// One colour, B, G, R, A, all over an uncompressed 32-bit TGA.
inline std::string MakeSolidTga(int nWidth, int nHeight, uint32_t nBgra)
{
    std::string s = MakeTga(nWidth, nHeight).substr(0, 18);
    for (int i = 0; i < nWidth * nHeight; ++i)
        s += { static_cast<char>(nBgra), static_cast<char>(nBgra >> 8), static_cast<char>(nBgra >> 16), static_cast<char>(nBgra >> 24) };
    return s;
}

/// A WAV of 16-bit PCM at 8 kHz, one or two channels: a 220 Hz tone that swells and dies away twice,
/// the second channel a beat later.
inline std::string MakeWav(int nMilliseconds, int nChannels = 1)
{
    const int nFrames = 8 * nMilliseconds, nBlock = 2 * nChannels;
    std::string s = std::string("RIFF....WAVEfmt ") + std::string(20, '\0') + "data....";
    PutLe32(s, 4, 36 + nFrames * nBlock);
    PutLe32(s, 16, 16);
    PutLe16(s, 20, 1);   // PCM
    PutLe16(s, 22, nChannels);
    PutLe32(s, 24, 8000);
    PutLe32(s, 28, 8000 * nBlock);
    PutLe16(s, 32, nBlock);
    PutLe16(s, 34, 16);
    PutLe32(s, 40, nFrames * nBlock);
    for (int i = 0; i < nFrames; ++i)
        for (int c = 0; c < nChannels; ++c)
        {
            const double dPhase = std::fmod(2.0 * i / nFrames + 0.25 * c, 1.0);
            const int v = static_cast<int>(30000 * std::sin(dPhase * 3.14159) * std::sin(i * 2 * 3.14159 * 220 / 8000));
            s += { static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF) };
        }
    return s;
}

