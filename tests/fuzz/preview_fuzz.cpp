// preview_fuzz.cpp: libFuzzer target for the quick view's decoders. Each input goes through every
// decoder; a decoder that accepts it must give pictures of the size it names, one that refuses must say why.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "preview/PreviewDecode.h"

namespace {

void CheckImage(const PreviewImage& image)
{
    if (image.nWidth < 1 || image.nHeight < 1 || image.nWidth > PREVIEW_MAX_DIMENSION ||
        image.nHeight > PREVIEW_MAX_DIMENSION ||
        image.pixels.size() != static_cast<size_t>(image.nWidth) * static_cast<size_t>(image.nHeight))
        std::abort();
}

void CheckResult(bool bOk, const std::string& strFormat, const std::string& strError)
{
    if (bOk ? strFormat.empty() : strError.empty() || strError.find('\n') != std::string::npos)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    PreviewImage image;
    std::string strFormat, strError;
    bool bOk = DecodeTga(pData, nSize, image, strFormat, strError);
    CheckResult(bOk, strFormat, strError);
    if (bOk)
        CheckImage(image);

    strFormat.clear();
    bOk = DecodeBmp(pData, nSize, image, strFormat, strError);
    CheckResult(bOk, strFormat, strError);
    if (bOk)
        CheckImage(image);

    std::vector<PreviewImage> frames;
    int nRate = 0;
    std::string strNote;
    strFormat.clear();
    bOk = DecodeVbm(pData, nSize, frames, nRate, strFormat, strNote, strError);
    CheckResult(bOk, strFormat, strError);
    if (bOk) {
        if (frames.empty() || frames.size() > static_cast<size_t>(PREVIEW_MAX_FRAMES) || nRate < 0)
            std::abort();
        for (const PreviewImage& frame : frames)
            CheckImage(frame);
    }

    PreviewSoundInfo info;
    bOk = DescribeWav(pData, nSize, info, strError);
    CheckResult(bOk, bOk ? info.strFormat : std::string(), strError);
    if (bOk && info.dSeconds < 0)
        std::abort();
    if (bOk) {
        // A player is handed sizes that match its bytes; peaks are one pair per column and channel.
        const std::vector<uint8_t> play = PlayableWav(pData, nSize, info);
        if (!play.empty() && (play.size() - 8 != (play[4] | play[5] << 8 | play[6] << 16 | uint32_t(play[7]) << 24)))
            std::abort();
        PreviewWaveform wave;
        if (DecodeWaveform(pData, nSize, info, wave, strError) &&
            (wave.peaks.size() != wave.nColumns * wave.nChannels * 2 || wave.nColumns > PREVIEW_WAVE_COLUMNS))
            std::abort();
    }

    const PreviewTextEncoding encoding = TextEncodingOf(pData, nSize);
    const std::string strBytes(reinterpret_cast<const char*>(pData), std::min<size_t>(nSize, 4096));
    const PreviewTextLines lines = SplitLines(TextToUtf16(strBytes, encoding == PreviewTextEncoding::none ? PreviewTextEncoding::utf8 : encoding));
    if (lines.starts.empty() || lines.starts.back() != lines.text.size())
        std::abort();
    const std::string strPage = FormatHexPage(pData, nSize);
    if (static_cast<size_t>(std::count(strPage.begin(), strPage.end(), '\n')) != (std::min(nSize, PREVIEW_HEX_BYTES) + 15) / 16)
        std::abort();
    return 0;
}
