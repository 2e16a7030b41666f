// QuickViewWave.h: a sound's waveform drawn from its peaks.
#pragma once
#include <windows.h>
#include "preview/PreviewDecode.h"

/// Draws the waveform into rc: the channels stacked, each pixel column the lowest and highest sample
/// of the frames it covers. dPlayed (0 to 1) draws the part played in another colour and a line at the
/// play position; a negative dPlayed draws none. Gaps and lines are scaled to nDpi.
void DrawWaveform(HDC hdc, const RECT& rc, const PreviewWaveform& wave, double dPlayed, int nDpi = 96);
