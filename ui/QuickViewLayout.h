// QuickViewLayout.h: every size of the quick view's windows, in pixels at 96 DPI, in one place so that
// they can be scaled as one.
#pragma once

namespace QuickViewLayout
{
constexpr int kMargin = 6;            // around the header, the content and the button
constexpr int kLineGap = 2;           // between the header's lines
constexpr int kHeaderLines = 3;       // room kept for the header, so the content stays put from row to row
constexpr int kButtonWidth = 80;
constexpr int kButtonHeight = 24;
constexpr int kDefaultWidth = 620;    // a hex line of 78 characters fits
constexpr int kDefaultHeight = 520;
constexpr int kOwnerTopOffset = 40;   // the first place: beside the owner's right edge, this far down
constexpr int kMinWidth = 220;
constexpr int kMinHeight = 180;
constexpr int kCheckerCell = 8;       // the checkerboard behind transparent pixels
constexpr int kMonoFontHeight = 12;   // text and hex
constexpr int kTextMargin = 3;        // left of the text's lines
constexpr int kChannelGap = 4;        // between a sound's channels
constexpr int kPositionWidth = 2;     // the play position's line
}
