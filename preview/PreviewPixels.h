// PreviewPixels.h: little-endian field reads and pixel packing shared by the picture decoders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "preview/PreviewDecode.h"

namespace preview_detail {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// One output pixel: bytes B, G, R, A in memory (both targets are little-endian).
inline uint32_t Pack(uint32_t r, uint32_t g, uint32_t b, uint32_t a) { return b | g << 8 | r << 16 | a << 24; }
constexpr uint32_t OPAQUE_BLACK = 0xFF000000u;

// Widens an n-bit channel to 8 bits so that the largest value becomes 255.
inline uint32_t Expand5(uint32_t v) { return v << 3 | v >> 2; }
inline uint32_t Expand6(uint32_t v) { return v << 2 | v >> 4; }
inline uint32_t Expand4(uint32_t v) { return v * 17; }

inline uint32_t From1555(uint32_t v, bool bAlpha)
{
    return Pack(Expand5(v >> 10 & 31), Expand5(v >> 5 & 31), Expand5(v & 31), !bAlpha || (v & 0x8000) ? 255 : 0);
}
inline uint32_t From565(uint32_t v) { return Pack(Expand5(v >> 11), Expand6(v >> 5 & 63), Expand5(v & 31), 255); }
inline uint32_t From4444(uint32_t v)
{
    return Pack(Expand4(v >> 8 & 15), Expand4(v >> 4 & 15), Expand4(v & 15), Expand4(v >> 12 & 15));
}

// A 16-bit pixel format as a table of all 65,536 values, built once per format.
enum class Pixel16 { argb1555, rgb555, rgb565, argb4444 };
const uint32_t* Table16(Pixel16 format);

// True when a picture of this size is within the limits; false with a reason otherwise.
bool CheckDimensions(int64_t nWidth, int64_t nHeight, const char* pszFormat, std::string& strError);
// Allocates the picture after checking its size against the limits; false with a reason otherwise.
bool SizeImage(PreviewImage& image, int64_t nWidth, int64_t nHeight, const char* pszFormat, std::string& strError);

// Reverses the order of the rows (bottom-up to top-down) or of the pixels in each row.
void FlipRows(PreviewImage& image);
void MirrorRows(PreviewImage& image);

}  // namespace preview_detail
