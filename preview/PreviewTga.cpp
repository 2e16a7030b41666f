// PreviewTga.cpp: TGA pictures: true colour (15/16/24/32 bits), grey (8 bits, 16 bits with alpha) and
// colour-mapped (8/16-bit indices into 15/16/24/32-bit entries), stored plainly or run-length encoded, in
// any of the four origins. Every read is checked against the bytes given.
#include <algorithm>
#include <cstring>

#include "preview/PreviewPixels.h"

using namespace preview_detail;

namespace {

// How one stored pixel (or colour-map entry) becomes an output pixel.
enum class TgaPixel { grey8, grey16, greyAlpha16, rgb15, argb16, rgb24, rgb32, argb32, index8, index16 };

// One stored true-colour pixel; 15/16-bit ones through their table (pTable16), looked up once per picture.
uint32_t ReadTrueColour(TgaPixel kind, const uint8_t* p, const uint32_t* pTable16)
{
    switch (kind) {
    case TgaPixel::grey8:
    case TgaPixel::grey16: return Pack(p[0], p[0], p[0], 255);
    case TgaPixel::greyAlpha16: return Pack(p[0], p[0], p[0], p[1]);
    case TgaPixel::rgb15:
    case TgaPixel::argb16: return pTable16[Le16(p)];
    case TgaPixel::rgb24: return Pack(p[2], p[1], p[0], 255);
    case TgaPixel::rgb32: return Pack(p[2], p[1], p[0], 255);
    case TgaPixel::argb32: return Le32(p);
    default: return OPAQUE_BLACK;
    }
}

// The table a kind of pixel is looked up in: the colour map for indices, the 16-bit table for 15/16-bit pixels.
const uint32_t* LookupFor(TgaPixel kind, const std::vector<uint32_t>& map)
{
    switch (kind) {
    case TgaPixel::index8:
    case TgaPixel::index16: return map.data();
    case TgaPixel::rgb15: return Table16(Pixel16::rgb555);
    case TgaPixel::argb16: return Table16(Pixel16::argb1555);
    default: return nullptr;
    }
}

// Converts nCount stored pixels; the switch sits outside the loops so that each format runs its own loop.
// pLookup: the colour map or the 16-bit table (LookupFor).
void ConvertRun(TgaPixel kind, const uint8_t* pSrc, size_t nCount, uint32_t* pDst, const uint32_t* pLookup)
{
    switch (kind) {
    case TgaPixel::argb32:
        std::memcpy(pDst, pSrc, nCount * 4);  // stored B, G, R, A: already the output order
        return;
    case TgaPixel::rgb32:
        for (size_t i = 0; i < nCount; i++, pSrc += 4)
            pDst[i] = Le32(pSrc) | 0xFF000000u;
        return;
    case TgaPixel::rgb24:
        for (size_t i = 0; i < nCount; i++, pSrc += 3)
            pDst[i] = Pack(pSrc[2], pSrc[1], pSrc[0], 255);
        return;
    case TgaPixel::index8:
        for (size_t i = 0; i < nCount; i++)
            pDst[i] = pLookup[pSrc[i]];
        return;
    case TgaPixel::index16:
    case TgaPixel::rgb15:
    case TgaPixel::argb16:
        for (size_t i = 0; i < nCount; i++, pSrc += 2)
            pDst[i] = pLookup[Le16(pSrc)];
        return;
    default: {
        const size_t nBytes = kind == TgaPixel::grey8 ? 1 : 2;
        for (size_t i = 0; i < nCount; i++, pSrc += nBytes)
            pDst[i] = ReadTrueColour(kind, pSrc, pLookup);
    }
    }
}

// One stored pixel of a kind known when compiling, so that the run-length loop below has no switch in it.
template <TgaPixel K> inline uint32_t ReadOne(const uint8_t* p, const uint32_t* pLookup)
{
    if constexpr (K == TgaPixel::index8)
        return pLookup[p[0]];
    else if constexpr (K == TgaPixel::index16 || K == TgaPixel::rgb15 || K == TgaPixel::argb16)
        return pLookup[Le16(p)];
    else
        return ReadTrueColour(K, p, pLookup);
}

// Expands run-length packets of B-byte pixels straight into their rows. Packets run on across row ends;
// a packet reaching past the picture's last pixel is cut there. False when the data ends first.
template <TgaPixel K, unsigned B>
bool ExpandRle(const uint8_t* pData, size_t nSize, size_t nPos, const uint32_t* pLookup, PreviewImage& image, bool bTopDown)
{
    const size_t w = static_cast<size_t>(image.nWidth), h = static_cast<size_t>(image.nHeight);
    size_t nRow = 0, nCol = 0;
    auto line = [&] { return image.pixels.data() + (bTopDown ? nRow : h - 1 - nRow) * w; };
    uint32_t* pLine = line();
    while (nRow < h) {
        if (nPos >= nSize)
            return false;
        const unsigned nHead = pData[nPos++];
        const bool bRun = (nHead & 0x80) != 0;
        size_t n = std::min<size_t>((nHead & 0x7F) + 1, (h - nRow) * w - nCol);
        if (nSize - nPos < (bRun ? 1 : n) * B)
            return false;
        const uint32_t nValue = bRun ? ReadOne<K>(pData + nPos, pLookup) : 0;
        while (n > 0) {
            const size_t k = std::min(n, w - nCol);
            if (bRun) {
                std::fill_n(pLine + nCol, k, nValue);
            } else {
                for (size_t i = 0; i < k; i++)
                    pLine[nCol + i] = ReadOne<K>(pData + nPos + i * B, pLookup);
                nPos += k * B;
            }
            n -= k;
            nCol += k;
            if (nCol == w && ++nRow < h) {
                nCol = 0;
                pLine = line();
            }
        }
        if (bRun)
            nPos += B;
    }
    return true;
}

struct TgaLayout {
    TgaPixel kind;
    unsigned nBytes;
    const char* pszName;
};

// Picks the stored pixel's layout from the image type, depth and alpha bits, or returns false.
bool ChooseLayout(unsigned nBaseType, unsigned nDepth, bool bAlpha, TgaLayout& layout)
{
    if (nBaseType == 1) {
        if (nDepth != 8 && nDepth != 16)
            return false;
        layout = { nDepth == 8 ? TgaPixel::index8 : TgaPixel::index16, nDepth / 8,
                   nDepth == 8 ? "8-bit colour-mapped" : "16-bit colour-mapped" };
        return true;
    }
    if (nBaseType == 3) {
        if (nDepth == 8)
            layout = { TgaPixel::grey8, 1, "8-bit grey" };
        else if (nDepth == 16)
            layout = { bAlpha ? TgaPixel::greyAlpha16 : TgaPixel::grey16, 2, bAlpha ? "16-bit grey+alpha" : "16-bit grey" };
        else
            return false;
        return true;
    }
    switch (nDepth) {
    case 15: layout = { TgaPixel::rgb15, 2, "15-bit RGB" }; return true;
    case 16: layout = { bAlpha ? TgaPixel::argb16 : TgaPixel::rgb15, 2, bAlpha ? "16-bit ARGB" : "16-bit RGB" }; return true;
    case 24: layout = { TgaPixel::rgb24, 3, "24-bit RGB" }; return true;
    case 32: layout = { bAlpha ? TgaPixel::argb32 : TgaPixel::rgb32, 4, bAlpha ? "32-bit ARGB" : "32-bit RGB" }; return true;
    default: return false;
    }
}

}  // namespace

bool DecodeTga(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError)
{
    image = PreviewImage();
    if (nSize < 18) {
        strError = "TGA header is truncated";
        return false;
    }
    const unsigned nIdLength = pData[0], nMapType = pData[1], nType = pData[2];
    const unsigned nMapFirst = Le16(pData + 3), nMapLength = Le16(pData + 5), nMapEntryBits = pData[7];
    const unsigned nWidth = Le16(pData + 12), nHeight = Le16(pData + 14), nDepth = pData[16];
    const unsigned nDescriptor = pData[17];
    const bool bAlpha = (nDescriptor & 0x0F) != 0;  // the attribute bits hold alpha only when counted here
    const bool bRle = nType >= 9;
    const unsigned nBaseType = bRle ? nType - 8 : nType;
    if (nType == 0 || nBaseType < 1 || nBaseType > 3) {
        strError = nType == 0 ? "TGA holds no image" : Printf("TGA image type %u is not supported", nType);
        return false;
    }
    if (nMapType > 1 || (nBaseType == 1 && nMapType != 1)) {
        strError = "TGA colour map is missing or of an unknown type";
        return false;
    }
    TgaLayout layout;
    if (!ChooseLayout(nBaseType, nDepth, bAlpha, layout)) {
        strError = Printf("TGA %u-bit pixels are not supported for image type %u", nDepth, nType);
        return false;
    }

    // The image ID, then the colour map (skipped unless the pixels index it).
    size_t nPos = 18 + nIdLength;
    std::vector<uint32_t> map;
    if (nMapType == 1) {
        // A true-colour picture's map is only stepped over, whatever its entries are.
        TgaLayout entry = { TgaPixel::rgb24, (nMapEntryBits + 7) / 8, "" };
        if (nBaseType == 1 && !(nMapEntryBits == 15 || nMapEntryBits == 16 || nMapEntryBits == 24 || nMapEntryBits == 32)) {
            strError = Printf("TGA colour map entries of %u bits are not supported", nMapEntryBits);
            return false;
        }
        const size_t nMapBytes = static_cast<size_t>(nMapLength) * entry.nBytes;
        if (nPos > nSize || nSize - nPos < nMapBytes) {
            strError = "TGA colour map is truncated";
            return false;
        }
        if (nBaseType == 1) {
            // Indices outside the map show black rather than reading past it.
            ChooseLayout(2, nMapEntryBits, bAlpha, entry);
            map.assign(nDepth == 8 ? 256 : 65536, OPAQUE_BLACK);
            const uint32_t* pEntryTable = LookupFor(entry.kind, map);
            for (unsigned i = 0; i < nMapLength && nMapFirst + i < map.size(); i++)
                map[nMapFirst + i] = ReadTrueColour(entry.kind, pData + nPos + i * entry.nBytes, pEntryTable);
        }
        nPos += nMapBytes;
    }
    if (nPos > nSize) {
        strError = "TGA image ID is truncated";
        return false;
    }
    if (!CheckDimensions(nWidth, nHeight, "TGA", strError))
        return false;
    // Checked before allocating, so that a tiny file cannot claim a huge picture: plain pixels must all be
    // there, and each run-length packet gives at most 128 pixels.
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    if (bRle ? (nSize - nPos) / (1 + layout.nBytes) < (nPixels + 127) / 128 : (nSize - nPos) / layout.nBytes < nPixels) {
        strError = bRle ? "TGA run-length data is truncated" : "TGA pixel data is truncated";
        return false;
    }
    SizeImage(image, nWidth, nHeight, "TGA", strError);
    strPixelFormat = std::string("TGA ") + layout.pszName + (bRle ? " (RLE)" : "");

    uint32_t* pOut = image.pixels.data();
    const bool bTopDown = (nDescriptor & 0x20) != 0;
    const uint32_t* pLookup = LookupFor(layout.kind, map);
    if (!bRle) {
        // Each stored row goes straight to its place, so a bottom-up picture costs no extra pass.
        const size_t nRowBytes = static_cast<size_t>(nWidth) * layout.nBytes;
        for (unsigned y = 0; y < nHeight; y++) {
            unsigned nRow = bTopDown ? y : nHeight - 1 - y;
            ConvertRun(layout.kind, pData + nPos + y * nRowBytes, nWidth, pOut + static_cast<size_t>(nRow) * nWidth, pLookup);
        }
    } else {
        bool bDone = false;
        switch (layout.kind) {
        case TgaPixel::grey8: bDone = ExpandRle<TgaPixel::grey8, 1>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::grey16: bDone = ExpandRle<TgaPixel::grey16, 2>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::greyAlpha16: bDone = ExpandRle<TgaPixel::greyAlpha16, 2>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::rgb15: bDone = ExpandRle<TgaPixel::rgb15, 2>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::argb16: bDone = ExpandRle<TgaPixel::argb16, 2>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::rgb24: bDone = ExpandRle<TgaPixel::rgb24, 3>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::rgb32: bDone = ExpandRle<TgaPixel::rgb32, 4>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::argb32: bDone = ExpandRle<TgaPixel::argb32, 4>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::index8: bDone = ExpandRle<TgaPixel::index8, 1>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        case TgaPixel::index16: bDone = ExpandRle<TgaPixel::index16, 2>(pData, nSize, nPos, pLookup, image, bTopDown); break;
        }
        if (!bDone) {
            strError = "TGA run-length data is truncated";
            image = PreviewImage();
            return false;
        }
    }
    if (nDescriptor & 0x10)
        MirrorRows(image);
    return true;
}
