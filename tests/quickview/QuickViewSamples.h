// QuickViewSamples.h: members made by the tests for the quick view: pictures, an animation, a sound.
#pragma once
#include <functional>
#include <string>
#include "GuiHarness.h"

/// An uncompressed 32-bit TGA, top row first: a colour ramp, transparent left of the diagonal.
std::string MakeTga(int nWidth, int nHeight);
/// A VBM of 565 pixels without mipmaps: a bar that moves one step per frame.
std::string MakeVbm(int nWidth, int nHeight, int nFrames, int nFramesPerSecond);
/// A WAV of 8-bit mono PCM at 8 kHz: a tone of the given length.
std::string MakeWav(int nMilliseconds);
/// Pumps the harness until fn holds or nTimeoutMs have passed; returns whether it held.
bool WaitFor(CGuiHarness& gui, const std::function<bool()>& fn, DWORD nTimeoutMs = 3000);
/// Focuses (and selects) one row of the list, as a click would.
void FocusRow(CGuiHarness& gui, int nRow);
