// PreviewDecodeTest.cpp: the quick view's decoders over small pictures, sounds and texts written here
// byte by byte: every pixel format and origin, runs that cross rows, and cut or absurd headers.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>
#include "preview/PreviewDecode.h"

using namespace std::string_literals;

namespace {

using Bytes = std::vector<uint8_t>;
using Masks = std::vector<uint32_t>;  // R, G, B (, A)
constexpr int W = 5, H = 3;
// Seven colours (R, G, B, A of 0 or 255, so every format holds them exactly); the picture's first six
// pixels differ, the other nine repeat the last colour across two row ends.
constexpr uint8_t COLOURS[7][4] = { { 255, 0, 0, 255 }, { 0, 255, 0, 0 }, { 0, 0, 255, 255 }, { 255, 255, 255, 0 },
                                    { 0, 0, 0, 255 }, { 255, 0, 255, 0 }, { 0, 255, 255, 255 } };
const Masks ARGB1555 = { 0x7C00, 0x3E0, 0x1F, 0x8000 }, ARGB4444 = { 0xF00, 0xF0, 0xF, 0xF000 }, RGB565 = { 0xF800, 0x7E0, 0x1F };
int Index(int x, int y, int nColours, int nShift = 0) { return (std::min(y * W + x, 6) + nShift) % nColours; }
const uint8_t* Colour(int x, int y, int nColours = 7, int nShift = 0) { return COLOURS[Index(x, y, nColours, nShift)]; }

void Put(Bytes& b, uint32_t v, int n)
{
    for (int i = 0; i < n; i++)
        b.push_back(static_cast<uint8_t>(v >> 8 * i));
}
// A colour packed by masks, each filled from its lowest bit up with the channel's top bits.
uint32_t ByMasks(const uint8_t* c, const Masks& masks)
{
    uint32_t v = 0;
    for (size_t k = 0; k < masks.size(); k++)
        for (uint32_t m = masks[k], nBit = 0x80; m; m &= m - 1, nBit >>= 1)
            v |= c[k] & nBit ? (m & (0u - m)) : 0;
    return v;
}
// One colour as a TGA pixel or map entry: 15/16 bits as 1555, 24/32 as B, G, R (, A), 8 grey, grey+alpha.
void PutColour(Bytes& b, const uint8_t* c, int nBits, bool bGreyAlpha = false)
{
    if (nBits == 8 || bGreyAlpha)
        Put(b, c[0] | (bGreyAlpha ? c[3] << 8 : 0), bGreyAlpha ? 2 : 1);
    else
        Put(b, nBits <= 16 ? ByMasks(c, ARGB1555) : c[2] | c[1] << 8 | c[0] << 16 | c[3] << 24, (nBits + 1) / 8);
}

// What a decoder made of a file: 't' TGA, 'b' BMP, 'v' VBM.
struct Decoded { bool bOk; std::vector<PreviewImage> frames; int nRate = -1; std::string strFormat, strNote, strError; };
Decoded Decode(char cKind, const Bytes& file)
{
    Decoded d;
    d.frames.resize(cKind == 'v' ? 0 : 1);
    d.bOk = cKind == 'v' ? DecodeVbm(file.data(), file.size(), d.frames, d.nRate, d.strFormat, d.strNote, d.strError)
                         : (cKind == 't' ? DecodeTga : DecodeBmp)(file.data(), file.size(), d.frames[0], d.strFormat, d.strError);
    return d;
}
// The file decodes to the picture (frame f shifted by f colours), and every shorter copy of it, down to the
// last nKeep bytes, is refused rather than read past its end.
void ExpectPicture(char cKind, const Bytes& file, const std::string& strFormat, bool bOpaque, bool bGrey,
                   int nColours = 7, size_t nKeep = 0)
{
    const Decoded d = Decode(cKind, file);
    ASSERT_TRUE(d.bOk) << strFormat << ": " << d.strError;
    EXPECT_EQ(strFormat, d.strFormat);
    for (size_t f = 0; f < d.frames.size(); f++) {
        ASSERT_TRUE(d.frames[f].nWidth == W && d.frames[f].nHeight == H) << strFormat;
        for (int i = 0; i < W * H; i++) {
            const uint8_t* c = Colour(i % W, i / W, nColours, static_cast<int>(f));
            const uint32_t nExpected = (bGrey ? c[0] * 0x010101u : c[2] | c[1] << 8 | c[0] << 16) | (bOpaque ? 255u : c[3]) << 24;
            ASSERT_EQ(nExpected, d.frames[f].pixels[i]) << strFormat << " frame " << f << " pixel " << i;
        }
    }
    for (size_t n = 0; n + nKeep < file.size(); n++)
        EXPECT_FALSE(Decode(cKind, Bytes(file.begin(), file.begin() + n)).bOk) << strFormat << " cut to " << n;
}
// Each changed field (offset, width in bytes, value) is refused with its reason.
struct BadField { size_t nOffset, nBytes; uint32_t nValue; const char* pszError; };
void ExpectRefused(char cKind, const Bytes& good, const std::vector<BadField>& bad)
{
    for (const BadField& c : bad) {
        Bytes file = good;
        for (size_t i = 0; i < c.nBytes; i++)
            file[c.nOffset + i] = static_cast<uint8_t>(c.nValue >> 8 * i);
        const Decoded d = Decode(cKind, file);
        EXPECT_FALSE(d.bOk) << c.pszError;
        EXPECT_NE(std::string::npos, d.strError.find(c.pszError)) << d.strError;
    }
}

Bytes Tga(int nType, int nBits, int nDescriptor, int nMapBits, bool bRle)
{
    const bool bMapped = nType == 1, bGreyAlpha = nType == 3 && nBits == 16;
    Bytes b = { 3, static_cast<uint8_t>(bMapped), static_cast<uint8_t>(nType + (bRle ? 8 : 0)) };
    Put(b, 2, 2), Put(b, bMapped ? 7 : 0, 2), Put(b, bMapped ? nMapBits : 0, 1), Put(b, 0, 4), Put(b, W, 2), Put(b, H, 2);
    Put(b, nBits, 1), Put(b, nDescriptor, 1), Put(b, 0x444954, 3);  // the image ID, skipped
    for (int i = 0; bMapped && i < 7; i++)
        PutColour(b, COLOURS[i], nMapBits);
    std::vector<Bytes> pixels;  // in stored order: rows from the origin's corner
    for (int sy = 0; sy < H; sy++)
        for (int sx = 0; sx < W; sx++) {
            int x = nDescriptor & 0x10 ? W - 1 - sx : sx, y = nDescriptor & 0x20 ? sy : H - 1 - sy;
            pixels.emplace_back();
            bMapped ? Put(pixels.back(), Index(x, y, 7) + 2, nBits / 8)
                    : PutColour(pixels.back(), Colour(x, y), nBits, bGreyAlpha);
        }
    for (size_t i = 0, n = 1; i < pixels.size(); i += n, n = 1) {
        while (bRle && i + n < pixels.size() && pixels[i + n] == pixels[i])
            n++;  // equal pixels become one run packet, each other one a raw packet of one
        if (bRle)
            b.push_back(static_cast<uint8_t>(n > 1 ? 0x80 + n - 1 : 0));
        b.insert(b.end(), pixels[i].begin(), pixels[i].end());
    }
    return b;
}

// A bitmap of the picture; masks give 16/32-bit pixels, header 12 is the OS/2 core header.
Bytes Bmp(int nBits, int nCompression, int nHeader, bool bTopDown, const Masks& masks = {})
{
    const int nColours = nBits <= 8 ? std::min(7, 1 << nBits) : 7, nPalette = nBits <= 8 ? nColours : 0;
    const int nEntry = nHeader == 12 ? 3 : 4;
    const int nMaskBytes = nHeader == 40 && nCompression == 3 ? 12 : 0;
    Bytes b = { 'B', 'M' };
    Put(b, 0, 8), Put(b, 14 + nHeader + nMaskBytes + nPalette * nEntry, 4), Put(b, nHeader, 4);
    if (nHeader == 12)
        Put(b, W, 2), Put(b, H, 2), Put(b, 1, 2), Put(b, nBits, 2);
    else
        Put(b, W, 4), Put(b, bTopDown ? -H : H, 4), Put(b, 1, 2), Put(b, nBits, 2), Put(b, nCompression, 4),
            Put(b, 0, 12), Put(b, nPalette, 8);
    for (size_t i = 0; i < masks.size() && (nMaskBytes || nHeader >= 52 + 4 * static_cast<int>(i)); i++)
        Put(b, masks[i], 4);
    b.resize(14 + nHeader + nMaskBytes);
    for (int i = 0; i < nPalette; i++)
        Put(b, COLOURS[i][2] | COLOURS[i][1] << 8 | COLOURS[i][0] << 16, nEntry);
    const bool bRle = nCompression == 1 || nCompression == 2, b4 = nCompression == 2;
    for (int sy = 0; sy < H; sy++) {
        const int y = bTopDown ? sy : H - 1 - sy;
        const size_t nRow = b.size();
        auto index = [&](int x) { return x < W ? Index(x, y, nColours) : 0; };
        if (bRle && sy % 2 == 0) {  // run-length: even rows absolute, odd rows in runs
            Put(b, W << 8, 2);
            for (int x = 0; x < W; x += b4 ? 2 : 1)
                Put(b, b4 ? index(x) << 4 | index(x + 1) : index(x), 1);
            b.resize(b.size() + (b.size() - nRow) % 2);
        }
        for (int x = 0, n = 1; bRle && sy % 2 && x < W; x += n, n = 1) {
            while (x + n < W && index(x + n) == index(x))
                n++;
            Put(b, n | index(x) * (b4 ? 0x1100 : 0x100), 2);
        }
        for (int x = 0, nAcc = 0; !bRle && x < W; x++) {
            nAcc = nAcc << nBits | index(x);
            if (nBits <= 8 && ((x + 1) * nBits % 8 == 0 || x + 1 == W))
                Put(b, nAcc << (8 - (x + 1) * nBits % 8) % 8, 1), nAcc = 0;
            else if (nBits > 8)
                Put(b, nBits == 24 ? ByMasks(Colour(x, y), { 0xFF0000, 0xFF00, 0xFF }) : ByMasks(Colour(x, y), masks), nBits / 8);
        }
        bRle ? Put(b, 0, 2) : b.resize(nRow + (b.size() - nRow + 3) / 4 * 4);  // end of line, or padding
    }
    if (bRle)
        Put(b, 0x0100, 2);
    return b;
}

Bytes Vbm(int nFormat, int nFrames, int nMipmaps)
{
    Bytes b;
    for (int v : { 0x6D62762E, 2, W, H, nFormat, 15, nFrames, nMipmaps })
        Put(b, static_cast<uint32_t>(v), 4);
    for (int f = 0; f < nFrames; f++) {
        for (int i = 0; i < W * H; i++)
            Put(b, ByMasks(Colour(i % W, i / W, 7, f), nFormat == 0 ? ARGB1555 : nFormat == 1 ? ARGB4444 : RGB565), 2);
        for (int m = 1, w = W / 2, h = H / 2; m <= nMipmaps; m++, w = std::max(1, w / 2), h = std::max(1, h / 2))
            b.insert(b.end(), static_cast<size_t>(w * h * 2), 0xAA);  // smaller levels: not shown
    }
    return b;
}

// A WAV: a LIST chunk of odd length (padded) before the format, then the data chunk (declared size given,
// the samples or zeros). A format chunk of 14 bytes has no bits field.
struct WavFormat { uint16_t nChannels = 2; uint32_t nRate = 22050; uint16_t nBits = 16, nBlock = 4, nFormatBytes = 16; };
Bytes Wav(uint16_t nTag, uint32_t nDeclared, uint32_t nActual, uint16_t nSubFormat = 0, WavFormat f = {}, const Bytes& samples = {})
{
    Bytes b = { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0 };
    b.insert(b.end(), { 'f', 'm', 't', ' ' }), Put(b, nSubFormat ? 40 : f.nFormatBytes, 4), Put(b, nTag, 2), Put(b, f.nChannels, 2);
    Put(b, f.nRate, 4), Put(b, f.nRate * f.nBlock, 4), Put(b, f.nBlock, 2), Put(b, f.nBits, f.nFormatBytes - 14);
    if (nSubFormat)
        Put(b, 22, 2), Put(b, 16, 2), Put(b, 3, 4), Put(b, nSubFormat, 4), b.resize(b.size() + 12);
    b.insert(b.end(), { 'd', 'a', 't', 'a' }), Put(b, nDeclared, 4), b.insert(b.end(), samples.begin(), samples.end());
    b.resize(b.size() + nActual - samples.size());
    return b;
}

}  // namespace

TEST(PreviewTga, EveryPixelFormatOriginAndEncodingAndNoAbsurdHeader)
{
    struct Case { int nType, nBits, nDescriptor, nMapBits; bool bOpaque, bGrey; const char* pszFormat; };
    const Case cases[] = {
        { 2, 15, 0, 0, true, false, "TGA 15-bit RGB" },  { 2, 16, 1, 0, false, false, "TGA 16-bit ARGB" },
        { 2, 16, 0, 0, true, false, "TGA 16-bit RGB" },  { 2, 24, 0, 0, true, false, "TGA 24-bit RGB" },
        { 2, 32, 8, 0, false, false, "TGA 32-bit ARGB" }, { 2, 32, 0, 0, true, false, "TGA 32-bit RGB" },
        { 3, 8, 0, 0, true, true, "TGA 8-bit grey" },     { 3, 16, 8, 0, false, true, "TGA 16-bit grey+alpha" },
        { 1, 8, 0, 24, true, false, "TGA 8-bit colour-mapped" }, { 1, 8, 8, 32, false, false, "TGA 8-bit colour-mapped" },
        { 1, 16, 1, 16, false, false, "TGA 16-bit colour-mapped" }, { 1, 8, 0, 15, true, false, "TGA 8-bit colour-mapped" },
    };
    for (const Case& c : cases)
        for (int nOrigin : { 0x00, 0x10, 0x20, 0x30 })
            for (bool bRle : { false, true })
                ExpectPicture('t', Tga(c.nType, c.nBits, c.nDescriptor | nOrigin, c.nMapBits, bRle),
                              std::string(c.pszFormat) + (bRle ? " (RLE)" : ""), c.bOpaque, c.bGrey);
    // A last packet longer than the picture is cut at its last pixel: a raw packet of the top row's last pixel
    // claiming 128 with only its own bytes there, and a run of the nine repeated pixels claiming 128.
    for (auto c : { std::make_pair(0x00, 0x7F), std::make_pair(0x20, 0xFF) }) {
        Bytes file = Tga(2, 24, c.first, 0, true);
        file[file.size() - 4] = static_cast<uint8_t>(c.second);
        ExpectPicture('t', file, "TGA 24-bit RGB (RLE)", true, false, 7, file.size());
    }
    ExpectRefused('t', Tga(2, 24, 0, 0, false), { { 2, 1, 0, "TGA holds no image" }, { 2, 1, 5, "image type 5" },
        { 16, 1, 13, "13-bit" }, { 12, 1, 0, "size 0 x 3" }, { 12, 2, 9000, "size 9000 x 3" }, { 1, 1, 2, "colour map" },
        { 0, 1, 255, "truncated" } });
    ExpectRefused('t', Tga(1, 8, 0, 24, true), { { 7, 1, 20, "entries of 20 bits" }, { 5, 2, 200, "colour map is truncated" } });
}

TEST(PreviewBmp, EveryDepthMaskAndRowOrderAndNoAbsurdHeader)
{
    struct Case { int nBits, nCompression, nHeader; Masks masks; bool bOpaque; const char* pszFormat; };
    const Case cases[] = {
        { 1, 0, 40, {}, true, "BMP 1-bit palette" }, { 4, 0, 40, {}, true, "BMP 4-bit palette" },
        { 8, 0, 12, {}, true, "BMP 8-bit palette" }, { 8, 0, 124, {}, true, "BMP 8-bit palette" },
        { 4, 2, 40, {}, true, "BMP 4-bit palette (RLE)" }, { 8, 1, 40, {}, true, "BMP 8-bit palette (RLE)" },
        { 16, 0, 40, ARGB1555, true, "BMP 16-bit 555 RGB" },  // without masks the top bit is unused
        { 16, 3, 40, RGB565, true, "BMP 16-bit 565 RGB" }, { 16, 3, 124, ARGB4444, false, "BMP 16-bit 4444 ARGB" },
        { 24, 0, 40, {}, true, "BMP 24-bit RGB" },
        { 32, 0, 40, { 0xFF0000, 0xFF00, 0xFF, 0xFF000000 }, true, "BMP 32-bit RGB" },  // and so is the fourth byte
        { 32, 3, 108, { 0xFF0000, 0xFF00, 0xFF, 0xFF000000 }, false, "BMP 32-bit ARGB" },
        { 32, 3, 40, { 0xFF, 0xFF00, 0xFF0000 }, true, "BMP 32-bit 888 RGB" },
        { 16, 3, 40, { 0x00F0, 0x0F00, 0xF00F }, true, "BMP 16-bit 444 RGB" },  // blue in two runs: its lowest counts
    };
    for (const Case& c : cases)
        for (bool bTopDown : { false, true })
            if (!bTopDown || (c.nCompression != 1 && c.nCompression != 2 && c.nHeader != 12))
                ExpectPicture('b', Bmp(c.nBits, c.nCompression, c.nHeader, bTopDown, c.masks), c.pszFormat, c.bOpaque, false,
                              c.nBits <= 8 ? std::min(7, 1 << c.nBits) : 7, c.nCompression == 1 || c.nCompression == 2 ? 2 : 0);
    // Run-length data that draws nothing in a picture of 8,192 x 8,192 is refused before the picture is made.
    Bytes empty = Bmp(8, 1, 40, false);
    empty.resize(empty[10] | empty[11] << 8), Put(empty, 0x0100, 2), empty[18] = empty[22] = 0, empty[19] = empty[23] = 0x20;
    EXPECT_EQ("BMP run-length data draws no pixel", Decode('b', empty).strError);
    ExpectRefused('b', Bmp(24, 0, 40, false), { { 14, 4, 20, "header of 20 bytes" }, { 28, 2, 7, "7 bits" },
        { 30, 4, 4, "compression 4" }, { 18, 4, 0, "size 0 x 3" }, { 22, 4, 0xFFFFDCD8, "size 5 x 9000" },
        { 10, 4, 0x7FFFFFFF, "truncated" } });
}

TEST(PreviewVbm, FramesSkipTheirMipmapsAndNoAbsurdHeader)
{
    const char* names[] = { "VBM 1555 ARGB", "VBM 4444 ARGB", "VBM 565 RGB" };
    for (int nFormat = 0; nFormat < 3; nFormat++)
        for (int nFrames : { 1, 3 })
            for (int nMipmaps : { 0, 3 }) {
                const Bytes file = Vbm(nFormat, nFrames, nMipmaps);
                ExpectPicture('v', file, names[nFormat], nFormat == 2, false);
                EXPECT_EQ(nFrames, static_cast<int>(Decode('v', file).frames.size()));
                EXPECT_EQ(nFrames > 1 ? 15 : 0, Decode('v', file).nRate);
            }
    ExpectRefused('v', Vbm(0, 3, 1), { { 0, 4, 0x6D62762F, "signature" }, { 4, 4, 3, "version 3" },
        { 8, 4, 0, "size 0 x 3" }, { 12, 4, 8193, "size 5 x 8193" }, { 16, 4, 3, "pixel format 3" },
        { 24, 4, 0, "frame count 0" }, { 24, 4, 1001, "frame count 1001" },
        { 28, 4, 33, "mipmap count 33" }, { 24, 4, 1000, "truncated" }, { 8, 4, 8192, "truncated" } });
    // Without a rate to play at, frame 1 is a still, and a note says so.
    for (uint32_t nRate : { 0u, 1001u, 0x80000000u }) {
        Bytes file = Vbm(2, 3, 1);
        file[20] = static_cast<uint8_t>(nRate), file[21] = static_cast<uint8_t>(nRate >> 8), file[23] = static_cast<uint8_t>(nRate >> 24);
        const Decoded d = Decode('v', file);
        EXPECT_TRUE(d.bOk && d.frames.size() == 1 && d.nRate == 0) << nRate << ": " << d.strError;
        EXPECT_NE(std::string::npos, d.strNote.find("frame 1 of 3 is shown as a still")) << d.strNote;
    }
}

TEST(PreviewWav, FormatNamesAndDurationComeFromTheChunks)
{
    struct Case { Bytes file; const char* pszFormat; unsigned nChannels, nRate, nBits; uint64_t nData; double dSeconds; };
    const WavFormat mono8 = { 1, 8000, 8, 1 }, noBits = { 1, 11025, 0, 209, 14 };
    const Case cases[] = {
        { Wav(1, 88200, 88200), "PCM", 2, 22050, 16, 88200, 1.0 }, { Wav(0x11, 44100, 44101), "IMA ADPCM", 2, 22050, 16, 44100, 0.5 },
        { Wav(0xFFFE, 8820, 8820, 3), "IEEE float", 2, 22050, 16, 8820, 0.1 }, { Wav(0x55, 0, 0), "MPEG layer 3", 2, 22050, 16, 0, 0 },
        { Wav(0x1234, 0xFFFFFFFF, 882), "format 0x1234", 2, 22050, 16, 882, 0.01 },  // a size never filled in: what is there
        { Wav(1, 0x80000000u, 8000, 0, mono8), "PCM", 1, 8000, 8, 8000, 1.0 },      // 2 GiB claimed, 8,000 bytes there
        { Wav(0x55, 2090, 2090, 0, noBits), "MPEG layer 3", 1, 11025, 0, 2090, 10.0 / 11025 },
    };
    PreviewSoundInfo info;
    std::string strError;
    for (const Case& c : cases) {
        ASSERT_TRUE(DescribeWav(c.file.data(), c.file.size(), info, strError)) << c.pszFormat << ": " << strError;
        EXPECT_EQ(c.pszFormat, info.strFormat);
        EXPECT_EQ(c.nChannels, info.nChannels) << c.pszFormat;
        EXPECT_EQ(c.nRate, info.nSamplesPerSec) << c.pszFormat;
        EXPECT_EQ(c.nBits, info.nBitsPerSample) << c.pszFormat;
        EXPECT_EQ(c.nData, info.nDataBytes) << c.pszFormat;
        EXPECT_NEAR(c.dSeconds, info.dSeconds, 1e-9) << c.pszFormat;
        // What a player gets: RIFF and data sizes that match the bytes handed on, never the sizes claimed.
        const std::vector<uint8_t> play = PlayableWav(c.file.data(), c.file.size(), info);
        ASSERT_GE(play.size(), 44u);
        const auto le32 = [&play](size_t n) { return play[n] | play[n + 1] << 8 | play[n + 2] << 16 | uint32_t(play[n + 3]) << 24; };
        const size_t nAt = std::string(play.begin(), play.end()).find("data", 20);
        EXPECT_EQ(play.size() - 8, le32(4)) << c.pszFormat;
        EXPECT_EQ(c.nData - c.nData % std::max<unsigned>(1, info.nBlockAlign), le32(nAt + 4)) << c.pszFormat;
        EXPECT_EQ(play.size(), nAt + 8 + le32(nAt + 4) + (le32(nAt + 4) & 1)) << c.pszFormat;
    }
    const Bytes good = Wav(1, 4, 4);
    for (size_t n = 0; n < good.size() - 12; n++)  // cut before the data chunk's header ends
        EXPECT_FALSE(DescribeWav(good.data(), n, info, strError)) << n;
}

TEST(PreviewWav, WaveformPeaksOfEachSampleFormat)
{
    // Three frames (four for IMA: a block of one header sample and eight codes) per channel; each column holds one.
    struct Case { uint16_t nTag; WavFormat format; Bytes samples; std::vector<int16_t> peaks; };
    const auto f32 = [](float a, float b, float c) {
        Bytes out;
        for (float v : { a, b, c }) {
            uint32_t n;
            std::memcpy(&n, &v, 4);
            Put(out, n, 4);
        }
        return out;
    };
    const Case cases[] = {
        { 1, { 1, 8000, 8, 1 }, { 0x80, 0xFF, 0x00 }, { 0, 0, 127 * 256, 127 * 256, -32768, -32768 } },
        { 1, { 2, 8000, 16, 4 }, { 0x10, 0x27, 0xF0, 0xD8, 0xFF, 0x7F, 0x00, 0x80, 0, 0, 1, 0 },
          { 10000, 10000, -10000, -10000, 32767, 32767, -32768, -32768, 0, 0, 1, 1 } },
        { 1, { 1, 8000, 24, 3 }, { 0xFF, 0x00, 0x01, 0x00, 0x00, 0x80, 0x12, 0x34, 0x56 }, { 256, 256, -32768, -32768, 0x5634, 0x5634 } },
        { 1, { 1, 8000, 32, 4 }, { 0, 0, 0, 0x40, 0, 0, 0, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF }, { 16384, 16384, -16384, -16384, -1, -1 } },
        { 3, { 1, 8000, 32, 4 }, f32(0.5f, -2.0f, 1.0f), { 16383, 16383, -32767, -32767, 32767, 32767 } },
        { 0x11, { 1, 8000, 4, 8 }, { 0xE8, 0x03, 0, 0, 0x07, 0, 0, 0 }, { 1000, 1000, 1011, 1011, 1013, 1013, 1014, 1014 } },
    };
    for (const Case& c : cases) {
        const Bytes file = Wav(c.nTag, static_cast<uint32_t>(c.samples.size()), static_cast<uint32_t>(c.samples.size()), 0,
                               c.format, c.samples);
        PreviewSoundInfo info;
        PreviewWaveform wave;
        std::string strError;
        ASSERT_TRUE(DescribeWav(file.data(), file.size(), info, strError)) << strError;
        ASSERT_TRUE(DecodeWaveform(file.data(), file.size(), info, wave, strError)) << c.format.nBits << ": " << strError;
        EXPECT_EQ(c.peaks, std::vector<int16_t>(wave.peaks.begin(), wave.peaks.begin() + std::min(wave.peaks.size(), c.peaks.size())))
            << info.strFormat << " " << c.format.nBits;
        EXPECT_NEAR(static_cast<double>(wave.nFrames) / c.format.nRate, info.dSeconds, 1e-9);
    }
}

TEST(PreviewDecode, ChoosesTheViewByNameThenByContentAndShowsHexUpToItsLimit)
{
    const std::string strUtf8 = "Gr\xC3\xBC\xC3\x9F" "e\r\n\tname=\x1B[1m", strAnsi = "Gr\xF6\xDF" "e der Textur\f";
    const Bytes tga = Tga(2, 32, 8, 0, true), vbm = Vbm(1, 3, 2), wav = Wav(1, 4, 4), high(300, 0xE9);
    const Bytes cut(tga.begin(), tga.end() - 1), utf8(strUtf8.begin(), strUtf8.end()), ansi(strAnsi.begin(), strAnsi.end());
    Bytes binary(300, 'a');
    binary[200] = 0;
    struct Case { const char* pszName; Bytes bytes; uint64_t nMemberSize; PreviewKind kind; const char* pszError; };
    const Case cases[] = {
        { "tex_wall01.TGA", tga, tga.size(), PreviewKind::texture, "" }, { "boom.wav", wav, wav.size(), PreviewKind::sound, "" },
        { "explosion.vbm", vbm, vbm.size(), PreviewKind::animation, "" },
        { "cut.tga", cut, cut.size(), PreviewKind::hex, "truncated" }, { "huge.bmp", tga, 65 << 20, PreviewKind::hex, "64 MiB" },
        { "boom.wav", cut, cut.size(), PreviewKind::hex, "not a RIFF WAVE" },
        { "big.tga", tga, tga.size() + 1, PreviewKind::hex, "could be read" },
        { "strings.tbl", binary, 300, PreviewKind::text, "" },
        { "readme", utf8, utf8.size(), PreviewKind::text, "" }, { "notes.dat", ansi, ansi.size(), PreviewKind::text, "" },
        { "tex.tga.bak", binary, 300, PreviewKind::hex, "" }, { "high.bin", high, 300, PreviewKind::hex, "" },
        { "empty", Bytes(), 0, PreviewKind::hex, "" },
    };
    for (const Case& c : cases) {
        const PreviewContent content = DecodePreview(c.pszName, c.bytes.data(), c.bytes.size(), c.nMemberSize);
        EXPECT_EQ(c.kind, content.kind) << c.pszName;
        EXPECT_NE(std::string::npos, content.strError.find(c.pszError)) << c.pszName << ": " << content.strError;
        EXPECT_EQ(*c.pszError == 0, content.strError.empty()) << c.pszName;
    }
    const std::string strHello = "Hello, world!\n\x7F\x80\xFF";
    EXPECT_EQ("00000000  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0A 7F 80  |Hello, world!...|\n"
              "00000010  FF                                                |.|\n",
              FormatHexPage(reinterpret_cast<const uint8_t*>(strHello.data()), strHello.size()));
    const Bytes big(PREVIEW_HEX_BYTES + 100, 0);
    const PreviewContent content = DecodePreview("big.bin", big.data(), big.size(), big.size());
    EXPECT_EQ(PREVIEW_HEX_BYTES / 16 * 79, content.strText.size());
    EXPECT_EQ(PREVIEW_HEX_BYTES, content.nShownBytes);
    const PreviewTextLines lines = SplitLines(u"a\nb\r\r\nc\0d\r\t|"s);
    EXPECT_EQ(u"abc d        |", lines.text);
    EXPECT_EQ((std::vector<uint32_t>{ 0, 1, 2, 2, 5, 14 }), lines.starts);
    EXPECT_EQ(9u, lines.nLongest);
    EXPECT_EQ(u"\xC4\xFFFDz\x041F", TextToUtf16("\xC3\x84\xC3z\xD0\x9F", PreviewTextEncoding::utf8));
    EXPECT_EQ(u"\x041Fi", TextToUtf16("\x04\x1F\x00i"s, PreviewTextEncoding::utf16be));
    // Shown pictures: colours multiplied by alpha; a picture larger than allowed halved, blocks averaged.
    PreviewImage image = { 3, 1, { 0x80FF0000u, 0x80000000u, 0xFF0000FFu } }, inOnePass = image;
    Premultiply(image);
    ShrinkToFit(image, 2);
    ShrinkToFit(inOnePass, 2, true);
    EXPECT_EQ((std::vector<uint32_t>{ 0x80400000u, 0xFF0000FFu }), image.pixels);
    EXPECT_EQ(image.pixels, inOnePass.pixels);
}

TEST(PreviewDecode, TextInEachEncodingAndTheCodePagesSay)
{
    // Stand-ins for the system's code-page check: a single-byte page where every byte is a character, and a
    // double-byte one where 0x81-0x9F and 0xE0-0xFC lead a second byte.
    const AnsiTextCheck single = [](const uint8_t*, size_t) { return true; };
    const AnsiTextCheck dbcs = [](const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; i++)
            if ((p[i] >= 0x81 && p[i] <= 0x9F) || p[i] >= 0xE0)
                if (++i == n || p[i] < 0x40)
                    return false;
        return true;
    };
    std::string strJapanese = "aaaaa";  // a character cut at the 4,096th byte, where the sniff ends
    while (strJapanese.size() < 5000)
        strJapanese += "\x93\xFA\x96\x7B\x8C\xEA";
    struct Case { std::string strBytes; AnsiTextCheck check; PreviewTextEncoding encoding; };
    const Case cases[] = {
        { "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n", nullptr, PreviewTextEncoding::none },  // Cyrillic: mostly high bytes
        { "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n", single, PreviewTextEncoding::ansi },
        { strJapanese, dbcs, PreviewTextEncoding::ansi }, { strJapanese.substr(0, 4096), dbcs, PreviewTextEncoding::none },
        { "\xFF\xFEH\0i\0\x1F\x04"s, nullptr, PreviewTextEncoding::utf16le },
        { "\xFE\xFF\0H\0i"s, nullptr, PreviewTextEncoding::utf16be }, { "\xFF\xFE\0\0\x01\0"s, nullptr, PreviewTextEncoding::none },
        { "\xEF\xBB\xBFplain", nullptr, PreviewTextEncoding::utf8 }, { "plain", nullptr, PreviewTextEncoding::ansi },
    };
    for (const Case& c : cases) {
        PreviewOptions options;
        options.fnAnsiText = c.check;
        const PreviewContent content = DecodePreview("notes.dat", reinterpret_cast<const uint8_t*>(c.strBytes.data()),
                                                     c.strBytes.size(), c.strBytes.size(), options);
        EXPECT_EQ(c.encoding, content.encoding) << c.strBytes.substr(0, 12);
        EXPECT_EQ(c.encoding == PreviewTextEncoding::none ? PreviewKind::hex : PreviewKind::text, content.kind);
    }
}
