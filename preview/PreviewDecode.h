// PreviewDecode.h: turns a member's bytes into something to show: a picture, an animation, a sound's
// description, text, or a hex page. Portable, no window code: bytes in, 32-bit BGRA frames, text or an
// error text out. Every count and size is checked against the bytes given before anything is read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Limits: beyond these a member is shown as hex instead of decoded.
constexpr size_t PREVIEW_MAX_READ = 64u << 20;       // bytes of a member read for a picture
constexpr int PREVIEW_MAX_DIMENSION = 8192;          // pixels per side
constexpr int PREVIEW_MAX_FRAMES = 1000;             // frames of an animation
constexpr size_t PREVIEW_HEX_BYTES = 64u << 10;      // bytes shown in the hex view
constexpr size_t PREVIEW_TEXT_SNIFF = 4u << 10;      // bytes looked at to decide whether it is text

/** @brief One picture: top-down rows of 32-bit pixels, byte order B, G, R, A, alpha not premultiplied. */
struct PreviewImage {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<uint32_t> pixels;  // nWidth * nHeight, row 0 is the top row
};

/** @brief What a WAV file holds, as far as its header tells. */
struct PreviewSoundInfo {
    uint16_t nFormatTag = 0;      // 1 PCM, 2 MS ADPCM, 0x11 IMA ADPCM, ... (WAVE_FORMAT_EXTENSIBLE: its sub-format)
    std::string strFormat;        // "PCM", "IMA ADPCM", "format 0x0055", ...
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint16_t nBitsPerSample = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint64_t nDataBytes = 0;      // as declared, but no more than the bytes given hold
    double dSeconds = 0.0;        // from the data length and the average byte rate
};

enum class PreviewKind { none, texture, animation, sound, text, hex };

/** @brief The decoded view of one member. On failure strError says why in one line and kind is none. */
struct PreviewContent {
    PreviewKind kind = PreviewKind::none;
    std::string strError;
    // texture and animation
    std::vector<PreviewImage> frames;  // one for a texture, one per frame (full-size level) for an animation
    int nFramesPerSecond = 0;          // animation only
    std::string strPixelFormat;        // "32-bit BGRA", "TGA 16-bit ARGB 1555", "VBM 565 RGB", "BMP 8-bit palette", ...
    // sound
    PreviewSoundInfo sound;
    // text: the text itself; hex: the formatted page
    std::string strText;
    // hex: how much of the member the page shows ("first 65,536 of 1,234,567 bytes")
    uint64_t nShownBytes = 0;
};

// Single formats. Each returns false with a one-line reason in strError on bad input.
bool DecodeTga(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError);
bool DecodeBmp(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError);
bool DecodeVbm(const uint8_t* pData, size_t nSize, std::vector<PreviewImage>& frames, int& nFramesPerSecond,
               std::string& strPixelFormat, std::string& strError);
bool DescribeWav(const uint8_t* pData, size_t nSize, PreviewSoundInfo& info, std::string& strError);
// True when the bytes (at most the first PREVIEW_TEXT_SNIFF) read as text in the ANSI code page or UTF-8.
bool LooksLikeText(const uint8_t* pData, size_t nSize);
// Offsets, 16 bytes in hex and the printable characters per line, for at most PREVIEW_HEX_BYTES bytes.
// Lines end in "\n" alone, like much of the text shown; an edit control needs them as "\r\n".
std::string FormatHexPage(const uint8_t* pData, size_t nSize);
// The text with every line end ("\n", "\r" or "\r\n") as "\r\n" and NUL bytes as spaces, for an edit control.
std::string WithCrLf(const std::string& strText);

// True for the names DecodePreview decodes as a picture or a sound: those need the member's bytes
// whole (up to PREVIEW_MAX_READ); any other member shows only its beginning.
bool PreviewNeedsWholeMember(const std::string& strName);

// Chooses the view by the member's name (extension, ignoring case) and its bytes. pData/nSize are the
// bytes read (at most PREVIEW_MAX_READ); nMemberSize is the member's full size. A picture or sound that
// fails to decode, exceeds the limits or was not read whole falls back to the hex view with strError set
// to the reason; kind is never none.
PreviewContent DecodePreview(const std::string& strName, const uint8_t* pData, size_t nSize, uint64_t nMemberSize);
