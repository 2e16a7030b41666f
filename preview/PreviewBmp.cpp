// PreviewBmp.cpp: Windows bitmaps: the file header, then an OS/2 core header or an information header
// (versions 1 to 5); 1/4/8-bit palettes (also run-length encoded), 16 and 32 bits with colour masks, 24 bits;
// rows bottom-up or top-down.
#include <algorithm>
#include <cstring>

#include "preview/PreviewPixels.h"

using namespace preview_detail;

namespace {

enum : uint32_t { BI_RGB_ = 0, BI_RLE8_ = 1, BI_RLE4_ = 2, BI_BITFIELDS_ = 3, BI_ALPHABITFIELDS_ = 6 };

// One colour mask: where its bits sit and how many there are.
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
        const uint32_t x = (v & nMask) >> nShift;
        if (nBits >= 8)
            return (x >> (nBits - 8)) & 255;
        return x * 255 / ((1u << nBits) - 1);
    }
};

struct Masks {
    Channel r, g, b, a;
    uint32_t Convert(uint32_t v) const { return Pack(r.Get(v, 0), g.Get(v, 0), b.Get(v, 0), a.Get(v, 255)); }
};

// Expands run-length encoded palette indices (8 or 4 bits) into stored-order rows; false if cut short.
bool DecodeRle(const uint8_t* p, size_t nBytes, bool b4, const std::vector<uint32_t>& palette, PreviewImage& image)
{
    const size_t w = static_cast<size_t>(image.nWidth), h = static_cast<size_t>(image.nHeight);
    std::fill(image.pixels.begin(), image.pixels.end(), 0u);  // pixels the runs skip stay transparent
    size_t x = 0, y = 0, nPos = 0;
    auto put = [&](unsigned nIndex) {
        if (x < w && y < h)
            image.pixels[y * w + x] = palette[nIndex];
        x++;
    };
    while (y < h) {
        if (nBytes - nPos < 2)
            return false;  // the rows end early (the end-of-bitmap mark after the last row is optional)
        const unsigned a = p[nPos], b = p[nPos + 1];
        nPos += 2;
        if (a > 0) {
            for (unsigned i = 0; i < a; i++)
                put(b4 ? (i & 1 ? b & 15 : b >> 4) : b);
        } else if (b == 0) {
            x = 0;
            y++;
        } else if (b == 1) {
            return true;
        } else if (b == 2) {
            if (nBytes - nPos < 2)
                return false;
            x += p[nPos];
            y += p[nPos + 1];
            nPos += 2;
        } else {
            size_t nRun = b4 ? (b + 1) / 2 : b;
            nRun += nRun & 1;  // absolute runs are padded to a 16-bit boundary
            if (nBytes - nPos < nRun)
                return false;
            for (unsigned i = 0; i < b; i++)
                put(b4 ? (i & 1 ? p[nPos + i / 2] & 15 : p[nPos + i / 2] >> 4) : p[nPos + i]);
            nPos += nRun;
        }
    }
    return true;
}

}  // namespace

bool DecodeBmp(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError)
{
    image = PreviewImage();
    if (nSize < 14 + 12 || pData[0] != 'B' || pData[1] != 'M') {
        strError = nSize < 26 ? "BMP header is truncated" : "not a BMP file (signature missing)";
        return false;
    }
    const uint32_t nOffBits = Le32(pData + 10);
    const uint32_t nHeader = Le32(pData + 14);
    const bool bCore = nHeader == 12;
    if (!bCore && (nHeader < 40 || nHeader > nSize - 14)) {
        strError = nHeader < 40 ? Printf("BMP header of %u bytes is not supported", nHeader) : "BMP header is truncated";
        return false;
    }
    const uint8_t* pInfo = pData + 14;
    const int64_t nWidth = bCore ? Le16(pInfo + 4) : static_cast<int32_t>(Le32(pInfo + 4));
    const int64_t nRawHeight = bCore ? Le16(pInfo + 6) : static_cast<int32_t>(Le32(pInfo + 8));
    const unsigned nBits = Le16(pInfo + (bCore ? 10 : 14));
    const uint32_t nCompression = bCore ? BI_RGB_ : Le32(pInfo + 16);
    const bool bTopDown = nRawHeight < 0;
    const int64_t nHeight = bTopDown ? -nRawHeight : nRawHeight;

    // Colour masks: inside a version 2+ header, or just after a version 1 header.
    size_t nPalettePos = 14 + nHeader;
    Masks masks;
    const bool bMasks = nCompression == BI_BITFIELDS_ || nCompression == BI_ALPHABITFIELDS_;
    if (bMasks) {
        const size_t nMaskBytes = nCompression == BI_ALPHABITFIELDS_ || nHeader >= 56 ? 16 : 12;
        if (nHeader == 40)
            nPalettePos += nMaskBytes;
        if (nSize < 14 + 40 + nMaskBytes) {
            strError = "BMP colour masks are truncated";
            return false;
        }
        masks.r = Channel(Le32(pInfo + 40));
        masks.g = Channel(Le32(pInfo + 44));
        masks.b = Channel(Le32(pInfo + 48));
        masks.a = Channel(nMaskBytes == 16 ? Le32(pInfo + 52) : 0);
    } else if (nBits == 16) {
        masks = { Channel(0x7C00), Channel(0x03E0), Channel(0x001F), Channel() };
    } else if (nBits == 32) {
        masks = { Channel(0xFF0000), Channel(0xFF00), Channel(0xFF), Channel() };  // the fourth byte is unused
    }

    const bool bPalette = nBits == 1 || nBits == 4 || nBits == 8;
    const bool bRle = (nCompression == BI_RLE8_ && nBits == 8) || (nCompression == BI_RLE4_ && nBits == 4);
    const bool bKnown = bPalette ? nCompression == BI_RGB_ || bRle
                      : nBits == 24  ? nCompression == BI_RGB_
                      : nBits == 16 || nBits == 32 ? nCompression == BI_RGB_ || bMasks
                                                   : false;
    if (!bKnown) {
        strError = Printf("BMP of %u bits with compression %u is not supported", nBits, nCompression);
        return false;
    }
    if ((bRle && bTopDown) || !CheckDimensions(nWidth, nHeight, "BMP", strError)) {
        if (bRle && bTopDown)
            strError = "BMP run-length data cannot be top-down";
        return false;
    }

    // The palette: as many entries as the header names (all the bits allow when it names none).
    std::vector<uint32_t> palette(256, OPAQUE_BLACK);
    if (bPalette) {
        // A core header names no count: its palette fills the room before the pixels.
        const size_t nEntryBytes = bCore ? 3 : 4;
        const uint32_t nUsed = !bCore ? Le32(pInfo + 32)
                             : nOffBits > nPalettePos ? static_cast<uint32_t>((nOffBits - nPalettePos) / 3) : 0;
        const size_t nEntries = nUsed == 0 || nUsed > (1u << nBits) ? (1u << nBits) : nUsed;
        if (nPalettePos > nSize || (nSize - nPalettePos) / nEntryBytes < nEntries) {
            strError = "BMP palette is truncated";
            return false;
        }
        for (size_t i = 0; i < nEntries; i++) {
            const uint8_t* p = pData + nPalettePos + i * nEntryBytes;
            palette[i] = Pack(p[2], p[1], p[0], 255);
        }
    }

    const size_t w = static_cast<size_t>(nWidth), h = static_cast<size_t>(nHeight);
    const uint64_t nStride = (static_cast<uint64_t>(w) * nBits + 31) / 32 * 4;
    if (nOffBits > nSize || (!bRle && nStride * h > nSize - nOffBits)) {
        strError = "BMP pixel data is truncated";
        return false;
    }
    SizeImage(image, nWidth, nHeight, "BMP", strError);
    const uint8_t* pPixels = pData + nOffBits;
    const char* pszRle = bRle ? " (RLE)" : "";
    if (bRle) {
        if (!DecodeRle(pPixels, nSize - nOffBits, nBits == 4, palette, image)) {
            strError = "BMP run-length data is truncated";
            image = PreviewImage();
            return false;
        }
        FlipRows(image);
        strPixelFormat = Printf("BMP %u-bit palette%s", nBits, pszRle);
        return true;
    }

    // 16-bit pixels go through a table of all their values; standard 32-bit ones are copied.
    std::vector<uint32_t> table;
    if (nBits == 16) {
        table.resize(65536);
        for (uint32_t v = 0; v < 65536; v++)
            table[v] = masks.Convert(v);
    }
    const bool bPlain32 = nBits == 32 && masks.r.nMask == 0xFF0000 && masks.g.nMask == 0xFF00 && masks.b.nMask == 0xFF &&
                          (masks.a.nMask == 0 || masks.a.nMask == 0xFF000000u);
    for (size_t y = 0; y < h; y++) {
        const uint8_t* p = pPixels + y * nStride;
        uint32_t* pOut = image.pixels.data() + (bTopDown ? y : h - 1 - y) * w;
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
            if (bPlain32 && masks.a.nMask) {
                std::memcpy(pOut, p, w * 4);
            } else if (bPlain32) {
                for (size_t x = 0; x < w; x++)
                    pOut[x] = Le32(p + 4 * x) | 0xFF000000u;
            } else {
                for (size_t x = 0; x < w; x++)
                    pOut[x] = masks.Convert(Le32(p + 4 * x));
            }
        }
    }
    if (bPalette) {
        strPixelFormat = Printf("BMP %u-bit palette", nBits);
    } else if (nBits == 24 || bPlain32) {
        strPixelFormat = Printf("BMP %u-bit %s", nBits, masks.a.nBits ? "ARGB" : "RGB");
    } else if (masks.a.nBits) {
        strPixelFormat = Printf("BMP %u-bit %u%u%u%u ARGB", nBits, masks.a.nBits, masks.r.nBits, masks.g.nBits, masks.b.nBits);
    } else {
        strPixelFormat = Printf("BMP %u-bit %u%u%u RGB", nBits, masks.r.nBits, masks.g.nBits, masks.b.nBits);
    }
    return true;
}
