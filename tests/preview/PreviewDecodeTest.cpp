// PreviewDecodeTest.cpp: the quick view's decoders over small pictures, sounds and texts written here
// byte by byte: every pixel format and origin, runs that cross rows, and cut or absurd headers.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>
#include "preview/PreviewDecode.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int W = 5, H = 3;
// Seven colours (R, G, B, A of 0 or 255, so every format holds them exactly); the picture's first six
// pixels differ, the other nine repeat the last colour across two row ends.
constexpr uint8_t COLOURS[7][4] = { { 255, 0, 0, 255 }, { 0, 255, 0, 0 }, { 0, 0, 255, 255 }, { 255, 255, 255, 0 },
                                    { 0, 0, 0, 255 }, { 255, 0, 255, 0 }, { 0, 255, 255, 255 } };
int Index(int x, int y, int nColours, int nShift = 0) { return (std::min(y * W + x, 6) + nShift) % nColours; }
const uint8_t* Colour(int x, int y, int nColours = 7, int nShift = 0) { return COLOURS[Index(x, y, nColours, nShift)]; }

void Put(Bytes& b, uint32_t v, int n)
{
    for (int i = 0; i < n; i++)
        b.push_back(static_cast<uint8_t>(v >> 8 * i));
}
uint32_t Bgra(const uint8_t* c, bool bOpaque, bool bGrey)
{
    return (bGrey ? c[0] * 0x010101u : c[2] | c[1] << 8 | c[0] << 16) | (bOpaque ? 255u : c[3]) << 24;
}
// Stores one colour as a pixel of the given depth: 15/16 bits as 1555, 24/32 as B, G, R (, A), "8" grey.
void PutColour(Bytes& b, const uint8_t* c, int nBits, bool bGreyAlpha = false)
{
    if (nBits == 8 || bGreyAlpha)
        Put(b, c[0] | (bGreyAlpha ? c[3] << 8 : 0), bGreyAlpha ? 2 : 1);
    else if (nBits <= 16)
        Put(b, (c[0] >> 3) << 10 | (c[1] >> 3) << 5 | c[2] >> 3 | (c[3] ? 0x8000 : 0), 2);
    else
        Put(b, c[2] | c[1] << 8 | c[0] << 16 | c[3] << 24, nBits / 8);
}
void ExpectPicture(const PreviewImage& image, bool bOpaque, bool bGrey, int nColours, const std::string& strCase, int nShift = 0)
{
    ASSERT_EQ(W, image.nWidth) << strCase;
    ASSERT_EQ(H, image.nHeight) << strCase;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            ASSERT_EQ(Bgra(Colour(x, y, nColours, nShift), bOpaque, bGrey), image.pixels[y * W + x]) << strCase << " at " << x << "," << y;
}
// Every shorter copy of a good file must be refused, never read past its end.
template <typename Decode> void ExpectPrefixesRefused(const Bytes& file, size_t nKeep, Decode decode, const std::string& strCase)
{
    for (size_t n = 0; n + nKeep < file.size(); n++)
        EXPECT_FALSE(decode(Bytes(file.begin(), file.begin() + n))) << strCase << " cut to " << n;
}

Bytes Tga(int nType, int nBits, int nDescriptor, int nMapBits, bool bRle)
{
    const bool bMapped = nType == 1, bGreyAlpha = nType == 3 && nBits == 16;
    Bytes b = { 3, static_cast<uint8_t>(bMapped), static_cast<uint8_t>(nType + (bRle ? 8 : 0)) };
    Put(b, 2, 2), Put(b, bMapped ? 7 : 0, 2), b.push_back(static_cast<uint8_t>(bMapped ? nMapBits : 0));
    Put(b, 0, 4), Put(b, W, 2), Put(b, H, 2), b.push_back(static_cast<uint8_t>(nBits)), b.push_back(static_cast<uint8_t>(nDescriptor));
    Put(b, 0x444954, 3);  // the image ID, skipped
    for (int i = 0; bMapped && i < 7; i++)
        PutColour(b, COLOURS[i], nMapBits);
    std::vector<Bytes> pixels;  // in stored order: rows from the origin's corner
    for (int sy = 0; sy < H; sy++)
        for (int sx = 0; sx < W; sx++) {
            int x = nDescriptor & 0x10 ? W - 1 - sx : sx, y = nDescriptor & 0x20 ? sy : H - 1 - sy;
            pixels.emplace_back();
            bMapped ? Put(pixels.back(), Index(x, y, 7) + 2, nBits / 8) : PutColour(pixels.back(), Colour(x, y), nBits, bGreyAlpha);
        }
    for (size_t i = 0; i < pixels.size();) {
        size_t n = 1;  // equal pixels become one run packet, each other one a raw packet of one
        while (bRle && i + n < pixels.size() && pixels[i + n] == pixels[i])
            n++;
        if (bRle)
            b.push_back(static_cast<uint8_t>(n > 1 ? 0x80 + n - 1 : 0));
        b.insert(b.end(), pixels[i].begin(), pixels[i].end());
        i += n;
    }
    return b;
}

}  // namespace

TEST(PreviewTga, EveryPixelFormatOriginAndEncodingGivesThePicture)
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
            for (bool bRle : { false, true }) {
                const Bytes file = Tga(c.nType, c.nBits, c.nDescriptor | nOrigin, c.nMapBits, bRle);
                const std::string strCase = std::string(c.pszFormat) + " origin " + std::to_string(nOrigin) + (bRle ? " RLE" : "");
                PreviewImage image;
                std::string strFormat, strError;
                ASSERT_TRUE(DecodeTga(file.data(), file.size(), image, strFormat, strError)) << strCase << ": " << strError;
                EXPECT_EQ(std::string(c.pszFormat) + (bRle ? " (RLE)" : ""), strFormat);
                ExpectPicture(image, c.bOpaque, c.bGrey, 7, strCase);
                ExpectPrefixesRefused(file, 0, [&](const Bytes& b) { return DecodeTga(b.data(), b.size(), image, strFormat, strError); }, strCase);
            }
}

TEST(PreviewTga, AbsurdHeadersAreRefusedWithAReason)
{
    const Bytes good = Tga(2, 24, 0, 0, false);
    struct Case { size_t nOffset; uint8_t nValue; const char* pszError; };
    const Case cases[] = {
        { 2, 0, "TGA holds no image" }, { 2, 5, "image type 5" }, { 16, 13, "13-bit" }, { 12, 0, "size 0 x 3" },
        { 13, 0x24, "size 9221 x 3" }, { 1, 2, "colour map" }, { 0, 255, "truncated" },
    };
    for (const Case& c : cases) {
        Bytes file = good;
        file[c.nOffset] = c.nValue;
        PreviewImage image;
        std::string strFormat, strError;
        EXPECT_FALSE(DecodeTga(file.data(), file.size(), image, strFormat, strError)) << c.pszError;
        EXPECT_NE(std::string::npos, strError.find(c.pszError)) << strError;
    }
}

namespace {

// A bitmap of the picture; masks (R, G, B, A) give 16/32-bit pixels, header 12 is the OS/2 core header.
Bytes Bmp(int nBits, int nCompression, int nHeader, bool bTopDown, std::vector<uint32_t> masks = {})
{
    const int nColours = nBits <= 8 ? std::min(7, 1 << nBits) : 0, nEntry = nHeader == 12 ? 3 : 4;
    const int nMaskBytes = nHeader == 40 && nCompression == 3 ? 12 : 0;
    const size_t nOff = 14 + nHeader + nMaskBytes + nColours * nEntry;
    Bytes b = { 'B', 'M' };
    Put(b, 0, 4), Put(b, 0, 4), Put(b, static_cast<uint32_t>(nOff), 4), Put(b, nHeader, 4);
    if (nHeader == 12)
        Put(b, W, 2), Put(b, H, 2), Put(b, 1, 2), Put(b, nBits, 2);
    else
        Put(b, W, 4), Put(b, bTopDown ? -H : H, 4), Put(b, 1, 2), Put(b, nBits, 2), Put(b, nCompression, 4), Put(b, 0, 12), Put(b, nColours, 8);
    for (size_t i = 0; i < masks.size() && b.size() < 14 + 40 + static_cast<size_t>(nHeader == 40 ? nMaskBytes : nHeader - 40); i++)
        Put(b, masks[i], 4);
    b.resize(14 + nHeader + nMaskBytes);
    for (int i = 0; i < nColours; i++)
        Put(b, COLOURS[i][2] | COLOURS[i][1] << 8 | COLOURS[i][0] << 16, nEntry);
    for (int sy = 0; sy < H; sy++) {
        const int y = bTopDown ? sy : H - 1 - sy;
        const size_t nRow = b.size();
        if (nCompression == 1 || nCompression == 2) {  // run-length: even rows absolute, odd rows in runs
            const bool b4 = nCompression == 2;
            if (sy % 2 == 0) {
                Put(b, W << 8, 2);
                for (int x = 0; x < W; x += b4 ? 2 : 1)
                    b.push_back(static_cast<uint8_t>(b4 ? Index(x, y, nColours) << 4 | (x + 1 < W ? Index(x + 1, y, nColours) : 0) : Index(x, y, nColours)));
                b.resize(b.size() + (b.size() - nRow) % 2);
            } else {
                for (int x = 0, n = 1; x < W; x += n, n = 1) {
                    while (x + n < W && Index(x + n, y, nColours) == Index(x, y, nColours))
                        n++;
                    Put(b, n | Index(x, y, nColours) * (b4 ? 0x1100 : 0x100), 2);
                }
            }
            Put(b, 0, 2);
            continue;
        }
        uint32_t nBitsAcc = 0;
        for (int x = 0; x < W; x++) {
            const uint8_t* c = Colour(x, y, nBits <= 8 ? nColours : 7);
            if (nBits <= 8) {
                nBitsAcc = nBitsAcc << nBits | Index(x, y, nColours);
                if ((x + 1) * nBits % 8 == 0 || x + 1 == W)
                    b.push_back(static_cast<uint8_t>(nBitsAcc << (8 - (x + 1) * nBits % 8) % 8)), nBitsAcc = 0;
            } else if (nBits == 24) {
                PutColour(b, c, 24);
            } else {
                uint32_t v = 0;
                for (int k = 0; k < 4; k++)
                    for (uint32_t m = masks[k], nBit = 0x80; m; m &= m - 1, nBit >>= 1)
                        v |= c[k == 3 ? 3 : k] & nBit ? (m & (0u - m)) : 0;  // fills each mask from its lowest bit up
                Put(b, v, nBits / 8);
            }
        }
        b.resize(nRow + (b.size() - nRow + 3) / 4 * 4);
    }
    if (nCompression == 1 || nCompression == 2)
        Put(b, 0x0100, 2);
    return b;
}

}  // namespace

TEST(PreviewBmp, EveryDepthMaskAndRowOrderGivesThePicture)
{
    struct Case { int nBits, nCompression, nHeader; std::vector<uint32_t> masks; bool bOpaque; const char* pszFormat; };
    const Case cases[] = {
        { 1, 0, 40, {}, true, "BMP 1-bit palette" }, { 4, 0, 40, {}, true, "BMP 4-bit palette" },
        { 8, 0, 12, {}, true, "BMP 8-bit palette" }, { 8, 0, 124, {}, true, "BMP 8-bit palette" },
        { 4, 2, 40, {}, true, "BMP 4-bit palette (RLE)" }, { 8, 1, 40, {}, true, "BMP 8-bit palette (RLE)" },
        { 16, 0, 40, { 0x7C00, 0x3E0, 0x1F, 0 }, true, "BMP 16-bit 555 RGB" },
        { 16, 3, 40, { 0xF800, 0x7E0, 0x1F }, true, "BMP 16-bit 565 RGB" },
        { 16, 3, 124, { 0xF00, 0xF0, 0xF, 0xF000 }, false, "BMP 16-bit 4444 ARGB" },
        { 24, 0, 40, {}, true, "BMP 24-bit RGB" },
        { 32, 0, 40, { 0xFF0000, 0xFF00, 0xFF, 0xFF000000 }, true, "BMP 32-bit RGB" },  // the fourth byte is unused
        { 32, 3, 108, { 0xFF0000, 0xFF00, 0xFF, 0xFF000000 }, false, "BMP 32-bit ARGB" },
        { 32, 3, 40, { 0xFF, 0xFF00, 0xFF0000 }, true, "BMP 32-bit 888 RGB" },
    };
    for (const Case& c : cases)
        for (bool bTopDown : { false, true }) {
            if (bTopDown && (c.nCompression == 1 || c.nCompression == 2 || c.nHeader == 12))
                continue;
            const Bytes file = Bmp(c.nBits, c.nCompression, c.nHeader, bTopDown, c.masks);
            const std::string strCase = std::string(c.pszFormat) + (bTopDown ? " top-down" : "");
            PreviewImage image;
            std::string strFormat, strError;
            ASSERT_TRUE(DecodeBmp(file.data(), file.size(), image, strFormat, strError)) << strCase << ": " << strError;
            EXPECT_EQ(c.pszFormat, strFormat);
            ExpectPicture(image, c.bOpaque, false, c.nBits <= 8 ? std::min(7, 1 << c.nBits) : 7, strCase);
            ExpectPrefixesRefused(file, c.nCompression == 1 || c.nCompression == 2 ? 2 : 0,
                                  [&](const Bytes& b) { return DecodeBmp(b.data(), b.size(), image, strFormat, strError); }, strCase);
        }
    // Absurd fields: each refused with its reason.
    const std::pair<std::pair<size_t, uint32_t>, const char*> bad[] = {
        { { 14, 20 }, "header of 20 bytes" }, { { 28, 7 }, "7 bits" }, { { 30, 4 }, "compression 4" },
        { { 18, 0 }, "size 0 x 3" }, { { 22, 0xFFFFDCD8 }, "size 5 x 9000" }, { { 10, 0x7FFFFFFF }, "truncated" },
    };
    for (const auto& c : bad) {
        Bytes file = Bmp(24, 0, 40, false);
        for (int i = 0; i < (c.first.first == 28 ? 2 : 4); i++)
            file[c.first.first + i] = static_cast<uint8_t>(c.first.second >> 8 * i);
        PreviewImage image;
        std::string strFormat, strError;
        EXPECT_FALSE(DecodeBmp(file.data(), file.size(), image, strFormat, strError)) << c.second;
        EXPECT_NE(std::string::npos, strError.find(c.second)) << strError;
    }
}

namespace {

Bytes Vbm(int nFormat, int nFrames, int nMipmaps, int nRate = 15, int nVersion = 2)
{
    Bytes b;
    for (uint32_t v : { 0x6D62762Eu, uint32_t(nVersion), uint32_t(W), uint32_t(H), uint32_t(nFormat), uint32_t(nRate), uint32_t(nFrames), uint32_t(nMipmaps) })
        Put(b, v, 4);
    for (int f = 0; f < nFrames; f++) {
        for (int y = 0; y < H; y++)
            for (int x = 0; x < W; x++) {
                const uint8_t* c = Colour(x, y, 7, f);
                if (nFormat == 0)
                    PutColour(b, c, 16);
                else
                    Put(b, nFormat == 1 ? (c[3] >> 4) << 12 | (c[0] >> 4) << 8 | (c[1] >> 4) << 4 | c[2] >> 4 : (c[0] >> 3) << 11 | (c[1] >> 2) << 5 | c[2] >> 3, 2);
            }
        for (int m = 1, w = W / 2, h = H / 2; m <= nMipmaps; m++, w = std::max(1, w / 2), h = std::max(1, h / 2))
            b.insert(b.end(), static_cast<size_t>(w * h * 2), 0xAA);  // smaller levels: not shown
    }
    return b;
}

}  // namespace

TEST(PreviewVbm, FramesSkipTheirMipmapsAndBadHeadersAreRefused)
{
    const char* names[] = { "VBM 1555 ARGB", "VBM 4444 ARGB", "VBM 565 RGB" };
    for (int nFormat = 0; nFormat < 3; nFormat++)
        for (int nFrames : { 1, 3 })
            for (int nMipmaps : { 0, 3 }) {
                const Bytes file = Vbm(nFormat, nFrames, nMipmaps);
                const std::string strCase = std::string(names[nFormat]) + " frames " + std::to_string(nFrames) + " mipmaps " + std::to_string(nMipmaps);
                std::vector<PreviewImage> frames;
                int nRate = -1;
                std::string strFormat, strError;
                ASSERT_TRUE(DecodeVbm(file.data(), file.size(), frames, nRate, strFormat, strError)) << strCase << ": " << strError;
                EXPECT_EQ(names[nFormat], strFormat);
                EXPECT_EQ(nFrames > 1 ? 15 : 0, nRate) << strCase;
                ASSERT_EQ(static_cast<size_t>(nFrames), frames.size());
                for (int f = 0; f < nFrames; f++)
                    ExpectPicture(frames[f], nFormat == 2, false, 7, strCase + " frame " + std::to_string(f), f);
                ExpectPrefixesRefused(file, 0, [&](const Bytes& b) { return DecodeVbm(b.data(), b.size(), frames, nRate, strFormat, strError); }, strCase);
            }
    struct Bad { size_t nField; uint32_t nValue; const char* pszError; };
    const Bad bad[] = {
        { 0, 0x6D62762F, "signature" }, { 1, 3, "version 3" }, { 2, 0, "size 0 x 3" }, { 3, 8193, "size 5 x 8193" },
        { 4, 3, "pixel format 3" }, { 5, 0, "frame rate 0" }, { 6, 0, "frame count 0" }, { 6, 1001, "frame count 1001" },
        { 7, 33, "mipmap count 33" }, { 6, 1000, "truncated" }, { 2, 8192, "truncated" },
    };
    for (const Bad& c : bad) {
        Bytes file = Vbm(0, 3, 1);
        for (int i = 0; i < 4; i++)
            file[4 * c.nField + i] = static_cast<uint8_t>(c.nValue >> 8 * i);
        std::vector<PreviewImage> frames;
        int nRate = 0;
        std::string strFormat, strError;
        EXPECT_FALSE(DecodeVbm(file.data(), file.size(), frames, nRate, strFormat, strError)) << c.pszError;
        EXPECT_NE(std::string::npos, strError.find(c.pszError)) << strError;
        EXPECT_TRUE(frames.empty());
    }
}

namespace {

// A WAV: a LIST chunk of odd length (padded) before the format, then the data chunk (declared size given).
Bytes Wav(uint16_t nTag, uint32_t nDeclared, uint32_t nActual, uint16_t nSubFormat = 0)
{
    Bytes b = { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0, 'f', 'm', 't', ' ' };
    Put(b, nSubFormat ? 40 : 16, 4), Put(b, nTag, 2), Put(b, 2, 2), Put(b, 22050, 4), Put(b, 88200, 4), Put(b, 4, 2), Put(b, 16, 2);
    if (nSubFormat)
        Put(b, 22, 2), Put(b, 16, 2), Put(b, 3, 4), Put(b, nSubFormat, 4), b.resize(b.size() + 12);
    b.insert(b.end(), { 'd', 'a', 't', 'a' });
    Put(b, nDeclared, 4);
    b.resize(b.size() + nActual);
    return b;
}

}  // namespace

TEST(PreviewWav, FormatNamesAndDurationComeFromTheChunks)
{
    struct Case { Bytes file; const char* pszFormat; uint64_t nData; double dSeconds; };
    const Case cases[] = {
        { Wav(1, 88200, 88200), "PCM", 88200, 1.0 }, { Wav(0x11, 44100, 44101), "IMA ADPCM", 44100, 0.5 },
        { Wav(0xFFFE, 8820, 8820, 3), "IEEE float", 8820, 0.1 }, { Wav(0x55, 0, 0), "MPEG layer 3", 0, 0 },
        { Wav(0x1234, 0xFFFFFFFF, 882), "format 0x1234", 882, 0.01 },  // a size never filled in: what is there
    };
    for (const Case& c : cases) {
        PreviewSoundInfo info;
        std::string strError;
        ASSERT_TRUE(DescribeWav(c.file.data(), c.file.size(), info, strError)) << c.pszFormat << ": " << strError;
        EXPECT_EQ(c.pszFormat, info.strFormat);
        EXPECT_EQ(2, info.nChannels);
        EXPECT_EQ(22050u, info.nSamplesPerSec);
        EXPECT_EQ(c.nData, info.nDataBytes) << c.pszFormat;
        EXPECT_NEAR(c.dSeconds, info.dSeconds, 1e-9) << c.pszFormat;
    }
    const Bytes good = Wav(1, 4, 4);
    for (size_t n = 0; n < good.size() - 12; n++) {  // cut before the data chunk's header ends
        PreviewSoundInfo info;
        std::string strError;
        EXPECT_FALSE(DescribeWav(good.data(), n, info, strError)) << n;
    }
}

TEST(PreviewDecode, ChoosesTheViewByNameThenByContent)
{
    const std::string strUtf8 = "Gr\xC3\xBC\xC3\x9F" "e\r\n\tname=\x1B[1m", strAnsi = "Gr\xF6\xDF" "e der Textur\f";
    const Bytes tga = Tga(2, 32, 8, 0, true), vbm = Vbm(1, 3, 2), wav = Wav(1, 4, 4);
    Bytes binary(300, 'a');
    binary[200] = 0;
    const Bytes high(300, 0xE9), cut(tga.begin(), tga.end() - 1);
    struct Case { const char* pszName; Bytes bytes; uint64_t nMemberSize; PreviewKind kind; const char* pszError; };
    const Case cases[] = {
        { "tex_wall01.TGA", tga, tga.size(), PreviewKind::texture, "" },
        { "explosion.vbm", vbm, vbm.size(), PreviewKind::animation, "" },
        { "boom.wav", wav, wav.size(), PreviewKind::sound, "" },
        { "boom.wav", cut, cut.size(), PreviewKind::hex, "not a RIFF WAVE" },
        { "cut.tga", cut, cut.size(), PreviewKind::hex, "truncated" },
        { "big.tga", tga, tga.size() + 1, PreviewKind::hex, "could be read" },
        { "huge.bmp", tga, 65 << 20, PreviewKind::hex, "64 MiB" },
        { "strings.tbl", binary, 300, PreviewKind::text, "" },
        { "readme", Bytes(strUtf8.begin(), strUtf8.end()), strUtf8.size(), PreviewKind::text, "" },
        { "notes.dat", Bytes(strAnsi.begin(), strAnsi.end()), strAnsi.size(), PreviewKind::text, "" },
        { "tex.tga.bak", binary, 300, PreviewKind::hex, "" },
        { "high.bin", high, 300, PreviewKind::hex, "" },
        { "empty", Bytes(), 0, PreviewKind::hex, "" },
    };
    for (const Case& c : cases) {
        const PreviewContent content = DecodePreview(c.pszName, c.bytes.data(), c.bytes.size(), c.nMemberSize);
        EXPECT_EQ(c.kind, content.kind) << c.pszName;
        EXPECT_NE(std::string::npos, content.strError.find(c.pszError)) << c.pszName << ": " << content.strError;
        EXPECT_EQ(*c.pszError == 0, content.strError.empty()) << c.pszName;
    }
}

TEST(PreviewDecode, HexPageShowsOffsetsBytesAndCharactersUpToItsLimit)
{
    const std::string strHello = "Hello, world!\n\x7F\x80\xFF";
    EXPECT_EQ("00000000  48 65 6C 6C 6F 2C 20 77  6F 72 6C 64 21 0A 7F 80  |Hello, world!...|\n"
              "00000010  FF                                                |.|\n",
              FormatHexPage(reinterpret_cast<const uint8_t*>(strHello.data()), strHello.size()));
    const Bytes big(PREVIEW_HEX_BYTES + 100, 0);
    const PreviewContent content = DecodePreview("big.bin", big.data(), big.size(), big.size());
    EXPECT_EQ(PREVIEW_HEX_BYTES / 16 * 79, content.strText.size());
    EXPECT_EQ(PREVIEW_HEX_BYTES, content.nShownBytes);
    EXPECT_EQ("a\r\nb\r\n\r\nc d\r\n", WithCrLf(std::string("a\nb\r\r\nc\0d\r", 10)));
}
