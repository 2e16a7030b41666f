// PreviewVbm.cpp: the games' VBM textures and animations: a 32-byte header, then each frame's mipmap
// levels from full size down, 16-bit pixels. Only the full-size level of each frame is shown.
#include <algorithm>

#include "preview/PreviewPixels.h"

using namespace preview_detail;

namespace {

constexpr uint32_t VBM_SIGNATURE = 0x6D62762E;  // ".vbm"
constexpr size_t VBM_HEADER_BYTES = 32;
constexpr uint32_t VBM_MAX_MIPMAPS = 32;  // a side of 8,192 halves to 1 in 13 steps; more is corrupt

struct VbmFormat {
    Pixel16 table;
    const char* pszName;
};
constexpr VbmFormat VBM_FORMATS[] = {
    { Pixel16::argb1555, "VBM 1555 ARGB" },
    { Pixel16::argb4444, "VBM 4444 ARGB" },
    { Pixel16::rgb565, "VBM 565 RGB" },
};

}  // namespace

bool DecodeVbm(const uint8_t* pData, size_t nSize, std::vector<PreviewImage>& frames, int& nFramesPerSecond,
               std::string& strPixelFormat, std::string& strNote, std::string& strError)
{
    frames.clear();
    nFramesPerSecond = 0;
    strNote.clear();
    if (nSize < VBM_HEADER_BYTES) {
        strError = "VBM header is truncated";
        return false;
    }
    uint32_t field[8];
    for (int i = 0; i < 8; i++)
        field[i] = Le32(pData + 4 * i);
    const uint32_t nVersion = field[1], nWidth = field[2], nHeight = field[3], nFormat = field[4];
    const int32_t nRate = static_cast<int32_t>(field[5]);
    const uint32_t nFrames = field[6], nMipmaps = field[7];
    if (field[0] != VBM_SIGNATURE) {
        strError = "not a VBM file (signature missing)";
        return false;
    }
    if (nVersion != 1 && nVersion != 2) {
        strError = Printf("VBM version %u is not supported", nVersion);
        return false;
    }
    if (nFormat > 2) {
        strError = Printf("VBM pixel format %u is not supported", nFormat);
        return false;
    }
    if (nFrames < 1 || nFrames > static_cast<uint32_t>(PREVIEW_MAX_FRAMES)) {
        strError = Printf("VBM frame count %u is outside 1 to %d", nFrames, PREVIEW_MAX_FRAMES);
        return false;
    }
    if (nMipmaps > VBM_MAX_MIPMAPS) {
        strError = Printf("VBM mipmap count %u is absurd", nMipmaps);
        return false;
    }
    if (!CheckDimensions(nWidth, nHeight, "VBM", strError))
        return false;

    // Bytes of one frame: the full-size level and each smaller one, halved down to at least 1 x 1.
    uint64_t nFrameBytes = 0;
    for (uint64_t w = nWidth, h = nHeight, nLevel = 0; nLevel <= nMipmaps; nLevel++) {
        nFrameBytes += w * h * 2;
        w = std::max<uint64_t>(1, w / 2);
        h = std::max<uint64_t>(1, h / 2);
    }
    if (nFrameBytes * nFrames > nSize - VBM_HEADER_BYTES) {
        strError = "VBM pixel data is truncated";
        return false;
    }

    // An animation needs a rate to play at: without one its first frame is shown as a still.
    const bool bPlayable = nRate >= 1 && nRate <= PREVIEW_MAX_RATE;
    if (nFrames > 1 && !bPlayable)
        strNote = Printf("Frame rate %d is outside 1 to %d: frame 1 of %u is shown as a still.", nRate, PREVIEW_MAX_RATE, nFrames);
    const VbmFormat& format = VBM_FORMATS[nFormat];
    const uint32_t* pTable = Table16(format.table);
    const size_t nPixels = static_cast<size_t>(nWidth) * nHeight;
    frames.resize(bPlayable ? nFrames : 1);
    const uint8_t* pFrame = pData + VBM_HEADER_BYTES;
    for (PreviewImage& frame : frames) {
        frame.nWidth = static_cast<int>(nWidth);
        frame.nHeight = static_cast<int>(nHeight);
        frame.pixels.resize(nPixels);
        uint32_t* pOut = frame.pixels.data();
        for (size_t i = 0; i < nPixels; i++)
            pOut[i] = pTable[Le16(pFrame + 2 * i)];
        pFrame += nFrameBytes;
    }
    nFramesPerSecond = frames.size() > 1 ? nRate : 0;
    strPixelFormat = format.pszName;
    return true;
}
