// PreviewBmp.cpp: Windows bitmaps: the file header, then an OS/2 core header or an information header
// (versions 1 to 5); 1/4/8-bit palettes (also run-length encoded), 16 and 32 bits with colour masks, 24 bits;
// rows bottom-up or top-down.
#include <algorithm>
#include <cstring>

#include "preview/PreviewPixels.h"

using namespace preview_detail;

namespace {

enum : uint32_t { BI_RGB_ = 0, BI_RLE8_ = 1, BI_RLE4_ = 2, BI_BITFIELDS_ = 3, BI_ALPHABITFIELDS_ = 6 };

// One colour mask: where its lowest run of bits sits and how many bits the run has. Bits of a mask beyond
// that run (a mask that is not one run) are ignored, so a channel never spills into the next one.
struct Channel {
    uint32_t nMask = 0;
    unsigned nShift = 0;
    unsigned nBits = 0;
    explicit Channel(uint32_t mask = 0) : nMask(mask)
    {
        while (mask && !(mask & 1)) {
            mask >>= 1;
            nShift++;
        }
        while (mask & 1) {
            mask >>= 1;
            nBits++;
        }
    }
    // The channel's value widened (or narrowed) to 8 bits; a channel without bits gives fallback.
    uint32_t Get(uint32_t v, uint32_t fallback) const
    {
        if (nBits == 0)
            return fallback;
        const uint32_t x = v >> nShift;
        if (nBits >= 8)
            return (x >> (nBits - 8)) & 255;
        return (x & ((1u << nBits) - 1)) * 255 / ((1u << nBits) - 1);
    }
};

struct Masks {
    Channel r, g, b, a;
    uint32_t Convert(uint32_t v) const { return Pack(r.Get(v, 0), g.Get(v, 0), b.Get(v, 0), a.Get(v, 255)); }
};

/** @brief What the headers say about the pixels. */
struct BmpHeader {
    uint32_t nOffBits = 0;
    uint32_t nHeader = 0;
    bool bCore = false;          // OS/2 core header: 16-bit sizes, 3-byte palette entries
    const uint8_t* pInfo = nullptr;
    int64_t nWidth = 0, nHeight = 0;
    bool bTopDown = false;
    unsigned nBits = 0;
    uint32_t nCompression = BI_RGB_;
    bool bPalette = false, bRle = false, bMasks = false;
    size_t nPalettePos = 0;      // where the palette starts (after the masks of a version 1 header)
    Masks masks;
};

bool ReadHeader(const uint8_t* pData, size_t nSize, BmpHeader& h, std::string& strError)
{
    if (nSize < 14 + 12 || pData[0] != 'B' || pData[1] != 'M') {
        strError = nSize < 26 ? "BMP header is truncated" : "not a BMP file (signature missing)";
        return false;
    }
    h.nOffBits = Le32(pData + 10);
    h.nHeader = Le32(pData + 14);
    h.bCore = h.nHeader == 12;
    if (!h.bCore && (h.nHeader < 40 || h.nHeader > nSize - 14)) {
        strError = h.nHeader < 40 ? Printf("BMP header of %u bytes is not supported", h.nHeader) : "BMP header is truncated";
        return false;
    }
    h.pInfo = pData + 14;
    h.nWidth = h.bCore ? Le16(h.pInfo + 4) : static_cast<int32_t>(Le32(h.pInfo + 4));
    const int64_t nRawHeight = h.bCore ? Le16(h.pInfo + 6) : static_cast<int32_t>(Le32(h.pInfo + 8));
    h.nBits = Le16(h.pInfo + (h.bCore ? 10 : 14));
    h.nCompression = h.bCore ? BI_RGB_ : Le32(h.pInfo + 16);
    h.bTopDown = nRawHeight < 0;
    h.nHeight = h.bTopDown ? -nRawHeight : nRawHeight;
    h.nPalettePos = 14 + h.nHeader;
    h.bPalette = h.nBits == 1 || h.nBits == 4 || h.nBits == 8;
    h.bRle = (h.nCompression == BI_RLE8_ && h.nBits == 8) || (h.nCompression == BI_RLE4_ && h.nBits == 4);
    h.bMasks = h.nCompression == BI_BITFIELDS_ || h.nCompression == BI_ALPHABITFIELDS_;
    return true;
}

// Colour masks: inside a version 2+ header, or just after a version 1 header; the standard ones otherwise.
bool ReadMasks(size_t nSize, BmpHeader& h, std::string& strError)
{
    if (h.bMasks) {
        const size_t nMaskBytes = h.nCompression == BI_ALPHABITFIELDS_ || h.nHeader >= 56 ? 16 : 12;
        if (h.nHeader == 40)
            h.nPalettePos += nMaskBytes;
        if (nSize < 14 + 40 + nMaskBytes) {
            strError = "BMP colour masks are truncated";
            return false;
        }
        h.masks.r = Channel(Le32(h.pInfo + 40));
        h.masks.g = Channel(Le32(h.pInfo + 44));
        h.masks.b = Channel(Le32(h.pInfo + 48));
        h.masks.a = Channel(nMaskBytes == 16 ? Le32(h.pInfo + 52) : 0);
    } else if (h.nBits == 16) {
        h.masks = { Channel(0x7C00), Channel(0x03E0), Channel(0x001F), Channel() };
    } else if (h.nBits == 32) {
        h.masks = { Channel(0xFF0000), Channel(0xFF00), Channel(0xFF), Channel() };  // the fourth byte is unused
    }
    return true;
}

bool CheckFormat(const BmpHeader& h, std::string& strError)
{
    const bool bKnown = h.bPalette ? h.nCompression == BI_RGB_ || h.bRle
                      : h.nBits == 24 ? h.nCompression == BI_RGB_
                      : h.nBits == 16 || h.nBits == 32 ? h.nCompression == BI_RGB_ || h.bMasks
                                                       : false;
    if (!bKnown) {
        strError = Printf("BMP of %u bits with compression %u is not supported", h.nBits, h.nCompression);
        return false;
    }
    if (h.bRle && h.bTopDown) {
        strError = "BMP run-length data cannot be top-down";
        return false;
    }
    return CheckDimensions(h.nWidth, h.nHeight, "BMP", strError);
}

// The palette: as many entries as the header names (all the bits allow when it names none).
bool ReadPalette(const uint8_t* pData, size_t nSize, const BmpHeader& h, std::vector<uint32_t>& palette, std::string& strError)
{
    palette.assign(256, OPAQUE_BLACK);
    if (!h.bPalette)
        return true;
    // A core header names no count: its palette fills the room before the pixels.
    const size_t nEntryBytes = h.bCore ? 3 : 4;
    const uint32_t nUsed = !h.bCore ? Le32(h.pInfo + 32)
                         : h.nOffBits > h.nPalettePos ? static_cast<uint32_t>((h.nOffBits - h.nPalettePos) / 3) : 0;
    const size_t nEntries = nUsed == 0 || nUsed > (1u << h.nBits) ? (1u << h.nBits) : nUsed;
    if (h.nPalettePos > nSize || (nSize - h.nPalettePos) / nEntryBytes < nEntries) {
        strError = "BMP palette is truncated";
        return false;
    }
    for (size_t i = 0; i < nEntries; i++) {
        const uint8_t* p = pData + h.nPalettePos + i * nEntryBytes;
        palette[i] = Pack(p[2], p[1], p[0], 255);
    }
    return true;
}

/** @brief How a walk through run-length data ended. */
struct RleWalk {
    bool bWhole = false;   // the data reached its end mark or the last row
    size_t nDrawn = 0;     // pixels inside the picture that the runs set
};

// Walks run-length encoded palette indices (8 or 4 bits) in stored row order. With pPixels it draws them;
// without, it only counts, so that a picture is allocated only for data that draws something. Pixels of a
// run beyond the row's end are dropped at once, never stepped through.
RleWalk WalkRle(const uint8_t* p, size_t nBytes, bool b4, const BmpHeader& h, const std::vector<uint32_t>& palette,
                uint32_t* pPixels)
{
    const size_t w = static_cast<size_t>(h.nWidth), hgt = static_cast<size_t>(h.nHeight);
    RleWalk walk;
    size_t x = 0, y = 0, nPos = 0;
    // The first n pixels of a run starting at x, those left of the row's end.
    auto inRow = [&](size_t n) { return x < w && y < hgt ? std::min(n, w - x) : 0; };
    while (y < hgt) {
        if (nBytes - nPos < 2)
            return walk;  // the rows end early (the end-of-bitmap mark after the last row is optional)
        const unsigned a = p[nPos], b = p[nPos + 1];
        nPos += 2;
        if (a > 0) {
            const size_t n = inRow(a);
            for (size_t i = 0; pPixels && i < n; i++)
                pPixels[y * w + x + i] = palette[b4 ? (i & 1 ? b & 15 : b >> 4) : b];
            walk.nDrawn += n;
            x += a;
        } else if (b == 0) {
            x = 0;
            y++;
        } else if (b == 1) {
            break;
        } else if (b == 2) {
            if (nBytes - nPos < 2)
                return walk;
            x += p[nPos];
            y += p[nPos + 1];
            nPos += 2;
        } else {
            size_t nRun = b4 ? (b + 1) / 2 : b;
            nRun += nRun & 1;  // absolute runs are padded to a 16-bit boundary
            if (nBytes - nPos < nRun)
                return walk;
            const size_t n = inRow(b);
            for (size_t i = 0; pPixels && i < n; i++)
                pPixels[y * w + x + i] = palette[b4 ? (i & 1 ? p[nPos + i / 2] & 15 : p[nPos + i / 2] >> 4) : p[nPos + i]];
            walk.nDrawn += n;
            x += b;
            nPos += nRun;
        }
    }
    walk.bWhole = true;
    return walk;
}

bool DecodeRle(const uint8_t* pData, size_t nSize, const BmpHeader& h, const std::vector<uint32_t>& palette,
               PreviewImage& image, std::string& strError)
{
    const uint8_t* pRuns = pData + h.nOffBits;
    const size_t nRunBytes = nSize - h.nOffBits;
    // First what the bytes can cover: a small file claiming a huge picture is refused before allocating it.
    const RleWalk walk = WalkRle(pRuns, nRunBytes, h.nBits == 4, h, palette, nullptr);
    if (!walk.bWhole || walk.nDrawn == 0) {
        strError = walk.bWhole ? "BMP run-length data draws no pixel" : "BMP run-length data is truncated";
        return false;
    }
    SizeImage(image, h.nWidth, h.nHeight, "BMP", strError);
    std::fill(image.pixels.begin(), image.pixels.end(), 0u);  // pixels the runs skip stay transparent
    WalkRle(pRuns, nRunBytes, h.nBits == 4, h, palette, image.pixels.data());
    FlipRows(image);
    return true;
}

// Plain rows: palette indices, 16-bit pixels through a table of all their values, 24 bits, 32 bits.
void DecodeRows(const uint8_t* pPixels, uint64_t nStride, const BmpHeader& h, const std::vector<uint32_t>& palette,
                bool bPlain32, PreviewImage& image)
{
    const size_t w = static_cast<size_t>(h.nWidth), hgt = static_cast<size_t>(h.nHeight);
    const unsigned nBits = h.nBits;
    std::vector<uint32_t> table;
    if (nBits == 16) {
        table.resize(65536);
        for (uint32_t v = 0; v < 65536; v++)
            table[v] = h.masks.Convert(v);
    }
    for (size_t y = 0; y < hgt; y++) {
        const uint8_t* p = pPixels + y * nStride;
        uint32_t* pOut = image.pixels.data() + (h.bTopDown ? y : hgt - 1 - y) * w;
        switch (nBits) {
        case 1:
        case 4:
        case 8: {
            const unsigned nPerByte = 8 / nBits, nMaskBits = (1u << nBits) - 1;
            for (size_t x = 0; x < w; x++) {
                const unsigned nShift = 8 - nBits * (x % nPerByte + 1);
                pOut[x] = palette[p[x / nPerByte] >> nShift & nMaskBits];
            }
            break;
        }
        case 16:
            for (size_t x = 0; x < w; x++)
                pOut[x] = table[Le16(p + 2 * x)];
            break;
        case 24:
            for (size_t x = 0; x < w; x++)
                pOut[x] = Pack(p[3 * x + 2], p[3 * x + 1], p[3 * x], 255);
            break;
        default:
            if (bPlain32 && h.masks.a.nMask) {
                std::memcpy(pOut, p, w * 4);
            } else if (bPlain32) {
                for (size_t x = 0; x < w; x++)
                    pOut[x] = Le32(p + 4 * x) | 0xFF000000u;
            } else {
                for (size_t x = 0; x < w; x++)
                    pOut[x] = h.masks.Convert(Le32(p + 4 * x));
            }
        }
    }
}

std::string PixelFormatName(const BmpHeader& h, bool bPlain32)
{
    const Masks& m = h.masks;
    if (h.bPalette)
        return Printf("BMP %u-bit palette%s", h.nBits, h.bRle ? " (RLE)" : "");
    if (h.nBits == 24 || bPlain32)
        return Printf("BMP %u-bit %s", h.nBits, m.a.nBits ? "ARGB" : "RGB");
    if (m.a.nBits)
        return Printf("BMP %u-bit %u%u%u%u ARGB", h.nBits, m.a.nBits, m.r.nBits, m.g.nBits, m.b.nBits);
    return Printf("BMP %u-bit %u%u%u RGB", h.nBits, m.r.nBits, m.g.nBits, m.b.nBits);
}

}  // namespace

bool DecodeBmp(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError)
{
    image = PreviewImage();
    BmpHeader h;
    std::vector<uint32_t> palette;
    if (!ReadHeader(pData, nSize, h, strError) || !ReadMasks(nSize, h, strError) || !CheckFormat(h, strError) ||
        !ReadPalette(pData, nSize, h, palette, strError))
        return false;
    const uint64_t nStride = (static_cast<uint64_t>(h.nWidth) * h.nBits + 31) / 32 * 4;
    if (h.nOffBits > nSize || (!h.bRle && nStride * static_cast<uint64_t>(h.nHeight) > nSize - h.nOffBits)) {
        strError = "BMP pixel data is truncated";
        return false;
    }
    const Masks& m = h.masks;
    const bool bPlain32 = h.nBits == 32 && m.r.nMask == 0xFF0000 && m.g.nMask == 0xFF00 && m.b.nMask == 0xFF &&
                          (m.a.nMask == 0 || m.a.nMask == 0xFF000000u);
    if (h.bRle) {
        if (!DecodeRle(pData, nSize, h, palette, image, strError)) {
            image = PreviewImage();
            return false;
        }
    } else {
        SizeImage(image, h.nWidth, h.nHeight, "BMP", strError);
        DecodeRows(pData + h.nOffBits, nStride, h, palette, bPlain32, image);
    }
    strPixelFormat = PixelFormatName(h, bPlain32);
    return true;
}
