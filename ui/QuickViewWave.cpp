// QuickViewWave.cpp
#include "ui/QuickViewWave.h"
#include <algorithm>
#include "framework/win/Dpi.h"
#include "menu/GdiHandles.h"
#include "ui/QuickViewLayout.h"

namespace
{
const COLORREF kWaveColour = RGB(32, 96, 160);
const COLORREF kPlayedColour = RGB(96, 160, 224);
const COLORREF kAxisColour = RGB(200, 200, 200);
const COLORREF kPositionColour = RGB(208, 32, 32);
using QuickViewLayout::kChannelGap;
using QuickViewLayout::kPositionWidth;

void Fill(HDC hdc, int x, int y, int cx, int cy, COLORREF colour)
{
    ::SetBkColor(hdc, colour);
    RECT rc = { x, y, x + cx, y + cy };
    ::ExtTextOutA(hdc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);   // the cheapest solid fill
}
}

void DrawWaveform(HDC hdc, const RECT& rc, const PreviewWaveform& wave, double dPlayed, int nDpi)
{
    const int nGap = ScaleForDpi(kChannelGap, nDpi), cxPosition = ScaleForDpi(kPositionWidth, nDpi);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    Fill(hdc, rc.left, rc.top, cx, cy, ::GetSysColor(COLOR_WINDOW));
    if (cx <= 0 || cy <= 0 || wave.nColumns == 0 || wave.nChannels <= 0)
        return;
    const int nChannels = wave.nChannels;
    const int cyBand = std::max(1, (cy - nGap * (nChannels - 1)) / nChannels);
    const int xPlayed = dPlayed < 0 ? -1 : static_cast<int>(std::min(1.0, dPlayed) * cx);
    for (int c = 0; c < nChannels; ++c)
    {
        const int yTop = rc.top + c * (cyBand + nGap), yMid = yTop + cyBand / 2;
        Fill(hdc, rc.left, yMid, cx, 1, kAxisColour);
        for (int x = 0; x < cx; ++x)
        {
            // The columns of peaks under this pixel column: at least one, when the sound has fewer than pixels.
            const size_t nFirst = static_cast<size_t>(static_cast<uint64_t>(x) * wave.nColumns / cx);
            const size_t nEnd = std::max(nFirst + 1, static_cast<size_t>(static_cast<uint64_t>(x + 1) * wave.nColumns / cx));
            int nLow = INT16_MAX, nHigh = INT16_MIN;
            for (size_t i = nFirst; i < nEnd && i < wave.nColumns; ++i)
            {
                const int16_t* p = &wave.peaks[(i * nChannels + c) * 2];
                nLow = std::min<int>(nLow, p[0]);
                nHigh = std::max<int>(nHigh, p[1]);
            }
            if (nLow > nHigh)
                continue;
            const int yHigh = yMid - nHigh * (cyBand / 2) / 32768, yLow = yMid - nLow * (cyBand / 2) / 32768;
            Fill(hdc, rc.left + x, yHigh, 1, std::max(1, yLow - yHigh + 1), x < xPlayed ? kPlayedColour : kWaveColour);
        }
    }
    if (xPlayed >= 0)
        Fill(hdc, rc.left + std::min(xPlayed, cx - cxPosition), rc.top, cxPosition, cy, kPositionColour);
}
