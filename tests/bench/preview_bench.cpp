// preview_bench.cpp: figures for the quick view's decoders: a 1,024 x 1,024 32-bit TGA (plain and run-length
// encoded), a 256 x 256 VBM of 30 frames, a 16-bit TGA, a BMP of runs past its rows and a long sound's waveform,
// each timed against a plain memcpy of as many bytes.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "preview/PreviewDecode.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

void Put(Bytes& b, uint32_t v, int n)
{
    for (int i = 0; i < n; i++)
        b.push_back(static_cast<uint8_t>(v >> 8 * i));
}

// A texture-like pattern: pixels repeat in spans of eight, so run-length packets have something to do.
uint32_t Pattern(int x, int y, int nFrame) { return ((x / 8) * 2654435761u + y * 40503u + nFrame * 977u) | 0x80000000u; }

Bytes MakeTga(int n, bool bRle)
{
    Bytes b = { 0, 0, static_cast<uint8_t>(bRle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    Put(b, n, 2), Put(b, n, 2), b.push_back(32), b.push_back(8);
    for (int y = 0; y < n; y++)
        for (int x = 0; x < n; x += bRle ? 8 : 1) {
            if (bRle)
                b.push_back(0x87);
            Put(b, Pattern(x, y, 0), 4);
        }
    return b;
}

Bytes MakeVbm(int n, int nFrames, int nMipmaps)
{
    Bytes b;
    for (uint32_t v : { 0x6D62762Eu, 1u, uint32_t(n), uint32_t(n), 0u, 15u, uint32_t(nFrames), uint32_t(nMipmaps) })
        Put(b, v, 4);
    for (int f = 0; f < nFrames; f++)
        for (int m = 0, s = n; m <= nMipmaps; m++, s = std::max(1, s / 2))
            for (int i = 0; i < s * s; i++)
                Put(b, Pattern(i % s, i / s, f) & 0xFFFF, 2);
    return b;
}

// Best of several runs, in milliseconds.
double BestMs(const std::function<void()>& run)
{
    double dBest = 1e9;
    for (int i = 0; i < 15; i++) {
        auto t0 = Clock::now();
        run();
        dBest = std::min(dBest, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    return dBest;
}

// Against two copies of the output's bytes: into a warm buffer, and into a fresh one as a decoder must.
void Report(const char* pszWhat, double dDecode, size_t nPixelBytes)
{
    std::vector<uint8_t> from(nPixelBytes, 1), to(nPixelBytes);
    const double dCopy = BestMs([&] {
        std::memcpy(to.data(), from.data(), nPixelBytes);
        from[to[nPixelBytes / 2] % nPixelBytes]++;  // keeps the copy from being optimised away
    });
    const double dFresh = BestMs([&] {
        std::vector<uint32_t> fresh(nPixelBytes / 4);
        std::memcpy(fresh.data(), from.data(), nPixelBytes);
        from[fresh[nPixelBytes / 8] % nPixelBytes]++;
    });
    std::printf("%-34s decode %7.2f ms   memcpy %5.2f ms (x%5.1f)   new buffer + memcpy %5.2f ms (x%4.1f)\n", pszWhat,
                dDecode, dCopy, dDecode / dCopy, dFresh, dDecode / dFresh);
}

}  // namespace

int main()
{
    for (bool bRle : { false, true }) {
        const Bytes tga = MakeTga(1024, bRle);
        PreviewImage image;
        std::string strFormat, strError;
        const double dMs = BestMs([&] {
            if (!DecodeTga(tga.data(), tga.size(), image, strFormat, strError))
                std::printf("TGA failed: %s\n", strError.c_str());
        });
        Report(bRle ? "TGA 1024 x 1024 32-bit RLE" : "TGA 1024 x 1024 32-bit", dMs, 1024u * 1024u * 4u);
    }
    const Bytes vbm = MakeVbm(256, 30, 8);
    std::vector<PreviewImage> frames;
    int nRate = 0;
    std::string strFormat, strNote, strError;
    const double dMs = BestMs([&] {
        if (!DecodeVbm(vbm.data(), vbm.size(), frames, nRate, strFormat, strNote, strError))
            std::printf("VBM failed: %s\n", strError.c_str());
    });
    Report("VBM 256 x 256, 30 frames, 8 mips", dMs, 256u * 256u * 4u * 30u);
    const double dPreview = BestMs([&] { DecodePreview("anim.vbm", vbm.data(), vbm.size(), vbm.size()); });
    Report("  the same through DecodePreview", dPreview, 256u * 256u * 4u * 30u);

    // Hostile and heavy members: a 16-bit TGA (its table looked up once), a BMP of 16 MiB of run-length packets
    // that run past each row's end, and the waveform of 60 MiB of 16-bit stereo.
    Bytes tga16 = { 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0 };
    Put(tga16, 2048, 2), Put(tga16, 2048, 2), tga16.push_back(16), tga16.push_back(1);
    tga16.resize(tga16.size() + 2048u * 2048u * 2u, 0x5A);
    Report("TGA 2048 x 2048 16-bit", BestMs([&] { DecodePreview("a.tga", tga16.data(), tga16.size(), tga16.size()); }),
           2048u * 2048u * 4u);
    Bytes bmp = { 'B', 'M' };
    Put(bmp, 0, 8), Put(bmp, 14 + 40 + 8, 4), Put(bmp, 40, 4), Put(bmp, 64, 4), Put(bmp, 64, 4), Put(bmp, 1, 2), Put(bmp, 8, 2);
    Put(bmp, 1, 4), Put(bmp, 0, 12), Put(bmp, 2, 8), Put(bmp, 0x0000FF, 4), Put(bmp, 0xFF0000, 4);
    for (size_t i = 0; i < (16u << 20) / 2; i++)
        Put(bmp, 0x01FF, 2);  // 255 pixels of colour 1, again and again on the same row
    Report("BMP 16 MiB of runs past the row end", BestMs([&] { DecodePreview("a.bmp", bmp.data(), bmp.size(), bmp.size()); }), bmp.size());
    Bytes wav = { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ' };
    Put(wav, 16, 4), Put(wav, 1, 2), Put(wav, 2, 2), Put(wav, 44100, 4), Put(wav, 176400, 4), Put(wav, 4, 2), Put(wav, 16, 2);
    wav.insert(wav.end(), { 'd', 'a', 't', 'a' }), Put(wav, 60u << 20, 4);
    for (size_t i = 0; i < (60u << 20) / 2; i++)
        Put(wav, static_cast<uint32_t>(i * 7919u), 2);
    Report("WAV 60 MiB 16-bit stereo, waveform", BestMs([&] { DecodePreview("a.wav", wav.data(), wav.size(), wav.size()); }), wav.size());
    return 0;
}
