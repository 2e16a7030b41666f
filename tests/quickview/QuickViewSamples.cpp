// QuickViewSamples.cpp
#include "QuickViewSamples.h"
#include <cmath>

namespace
{
void Put16(std::string& s, size_t nPos, unsigned n)
{
    s[nPos] = static_cast<char>(n & 0xFF);
    s[nPos + 1] = static_cast<char>(n >> 8 & 0xFF);
}
}

std::string MakeTga(int nWidth, int nHeight)
{
    std::string s(18, '\0');
    s[2] = 2;   // true colour, uncompressed
    Put16(s, 12, nWidth);
    Put16(s, 14, nHeight);
    s[16] = 32;
    s[17] = 0x28;   // 8 alpha bits, top row first
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            int a = x * nHeight < y * nWidth ? 0x40 : 0xFF;
            s += { static_cast<char>(255 * x / nWidth), static_cast<char>(255 * y / nHeight), static_cast<char>(0xC0),
                   static_cast<char>(a) };
        }
    return s;
}

std::string MakeVbm(int nWidth, int nHeight, int nFrames, int nFramesPerSecond)
{
    std::string s(32, '\0');
    const uint32_t kFields[] = { 0x6D62762Eu, 1, static_cast<uint32_t>(nWidth), static_cast<uint32_t>(nHeight), 2,
                                 static_cast<uint32_t>(nFramesPerSecond), static_cast<uint32_t>(nFrames), 0 };
    for (int i = 0; i < 8; ++i)
        PutLe32(s, 4 * i, kFields[i]);
    for (int f = 0; f < nFrames; ++f)
        for (int y = 0; y < nHeight; ++y)
            for (int x = 0; x < nWidth; ++x)
            {
                bool bBar = (x * nFrames / nWidth) == f;
                unsigned v = bBar ? 0xFFE0 : static_cast<unsigned>((y * 31 / nHeight) | (x * 63 / nWidth) << 5);
                s += { static_cast<char>(v & 0xFF), static_cast<char>(v >> 8) };
            }
    return s;
}

std::string MakeWav(int nMilliseconds)
{
    const int nSamples = 8 * nMilliseconds;
    std::string s(44, '\0');
    s.replace(0, 4, "RIFF");
    PutLe32(s, 4, 36 + nSamples);
    s.replace(8, 8, "WAVEfmt ");
    PutLe32(s, 16, 16);
    Put16(s, 20, 1);       // PCM
    Put16(s, 22, 1);       // mono
    PutLe32(s, 24, 8000);
    PutLe32(s, 28, 8000);
    Put16(s, 32, 1);
    Put16(s, 34, 8);
    s.replace(36, 4, "data");
    PutLe32(s, 40, nSamples);
    for (int i = 0; i < nSamples; ++i)
        s += static_cast<char>(128 + 100 * std::sin(i * 0.3));
    return s;
}

bool WaitFor(CGuiHarness& gui, const std::function<bool()>& fn, DWORD nTimeoutMs)
{
    DWORD dwStart = ::GetTickCount();
    while (!fn())
    {
        if (::GetTickCount() - dwStart > nTimeoutMs)
            return false;
        gui.Pump();
        ::Sleep(2);
    }
    return true;
}

void FocusRow(CGuiHarness& gui, int nRow)
{
    gui.SelectRow(-1, false);
    LVITEMA item = {};
    item.stateMask = item.state = LVIS_FOCUSED | LVIS_SELECTED;
    ::SendMessageA(gui.List(), LVM_SETITEMSTATE, nRow, reinterpret_cast<LPARAM>(&item));
    gui.Pump();
}
