// PreviewDecode.h: turns a member's bytes into something to show: a picture, an animation, a sound's
// description and waveform, text, or a hex page. Portable, no window code: bytes in, 32-bit BGRA frames,
// peaks, text or an error text out. Every count and size is checked against the bytes given before
// anything is read or allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Limits: beyond these a member is shown as hex instead of decoded.
constexpr size_t PREVIEW_MAX_READ = 64u << 20;       // bytes of a member read for a picture or a sound
constexpr int PREVIEW_MAX_DIMENSION = 8192;          // pixels per side
constexpr int PREVIEW_MAX_FRAMES = 1000;             // frames of an animation
constexpr int PREVIEW_MAX_RATE = 1000;               // frames per second of an animation
constexpr size_t PREVIEW_HEX_BYTES = 64u << 10;      // bytes shown in the hex view
constexpr size_t PREVIEW_TEXT_SNIFF = 4u << 10;      // bytes looked at to decide whether it is text
constexpr size_t PREVIEW_WAVE_COLUMNS = 4096;        // columns of minimum and maximum kept of a waveform
constexpr int PREVIEW_WAVE_CHANNELS = 16;            // channels drawn at most

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
    uint16_t nBitsPerSample = 0;  // 0 when the format chunk has no such field
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t nSamplesPerBlock = 0;  // IMA ADPCM: from the format's extra bytes, or 0
    size_t nFormatOffset = 0;     // where the format chunk's body starts, and its length
    uint32_t nFormatBytes = 0;
    size_t nDataOffset = 0;       // where the data chunk's body starts
    uint64_t nDataBytes = 0;      // as declared, but no more than the bytes given hold
    double dSeconds = 0.0;        // from the data length and the average byte rate
};

/** @brief A sound drawn small: per column and channel the lowest and highest sample, full scale ±32767. */
struct PreviewWaveform {
    int nChannels = 0;
    uint64_t nFrames = 0;          // sample frames decoded
    size_t nColumns = 0;           // min(nFrames, PREVIEW_WAVE_COLUMNS); column c covers frames c * nFrames / nColumns on
    std::vector<int16_t> peaks;    // (c * nChannels + channel) * 2: minimum, then maximum
};

enum class PreviewKind { none, texture, animation, sound, text, hex };
/// How the bytes of a text are to be read.
enum class PreviewTextEncoding { none, ansi, utf8, utf16le, utf16be };

/** @brief The decoded view of one member. On failure strError says why in one line and kind is none. */
struct PreviewContent {
    PreviewKind kind = PreviewKind::none;
    std::string strError;
    std::string strNote;               // a line about what is shown, besides (a still of an animation, ...)
    // texture and animation
    std::vector<PreviewImage> frames;  // one for a texture, one per frame (full-size level) for an animation
    int nFramesPerSecond = 0;          // animation only
    std::string strPixelFormat;        // "32-bit BGRA", "TGA 16-bit ARGB 1555", "VBM 565 RGB", "BMP 8-bit palette", ...
    // sound
    PreviewSoundInfo sound;
    PreviewWaveform wave;              // nColumns 0 when the format is not one drawn
    // text: the text itself (its byte-order mark left out); hex: the formatted page
    std::string strText;
    PreviewTextEncoding encoding = PreviewTextEncoding::none;
    // text and hex: how much of the member is shown
    uint64_t nShownBytes = 0;
};

/// True when the bytes are whole characters of the user's ANSI code page (the window asks the system).
using AnsiTextCheck = std::function<bool(const uint8_t* pData, size_t nSize)>;

/** @brief What DecodePreview may ask of its caller. */
struct PreviewOptions {
    AnsiTextCheck fnAnsiText;  // none: text in a single-byte code page must be mostly ASCII
};

// Single formats. Each returns false with a one-line reason in strError on bad input.
bool DecodeTga(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError);
bool DecodeBmp(const uint8_t* pData, size_t nSize, PreviewImage& image, std::string& strPixelFormat, std::string& strError);
// An animation whose frame rate is outside 1 to PREVIEW_MAX_RATE gives its first frame alone, a rate of 0 and
// a line saying so in strNote.
bool DecodeVbm(const uint8_t* pData, size_t nSize, std::vector<PreviewImage>& frames, int& nFramesPerSecond,
               std::string& strPixelFormat, std::string& strNote, std::string& strError);
bool DescribeWav(const uint8_t* pData, size_t nSize, PreviewSoundInfo& info, std::string& strError);
// The sound's peaks: PCM of 8, 16, 24 or 32 bits, IEEE float of 32 or 64 bits, IMA ADPCM. False with a
// reason for other formats. The sound's length in seconds is then taken from the frames decoded.
bool DecodeWaveform(const uint8_t* pData, size_t nSize, PreviewSoundInfo& info, PreviewWaveform& wave, std::string& strError);
// A WAV to hand to a player: the format chunk as it is and the data chunk cut to the whole blocks present,
// with RIFF and data sizes that match the bytes. Empty when info describes no sound.
std::vector<uint8_t> PlayableWav(const uint8_t* pData, size_t nSize, const PreviewSoundInfo& info);
// How the bytes (at most the first PREVIEW_TEXT_SNIFF) read as text: UTF-16 or UTF-8 with a byte-order mark,
// UTF-8, or the ANSI code page; none when they do not look like text.
PreviewTextEncoding TextEncodingOf(const uint8_t* pData, size_t nSize, const AnsiTextCheck& fnAnsiText = nullptr);
// Offsets, 16 bytes in hex and the printable characters per line, for at most PREVIEW_HEX_BYTES bytes.
// Lines end in "\n".
std::string FormatHexPage(const uint8_t* pData, size_t nSize);

/** @brief Text laid out in lines, for a view that draws only the lines it shows. */
struct PreviewTextLines {
    std::u16string text;            // the lines one after another, tabs expanded to spaces, control characters as spaces
    std::vector<uint32_t> starts;   // where each line starts in text, and one more entry: text's length
    size_t nLongest = 0;            // characters in the longest line
    size_t LineCount() const { return starts.empty() ? 0 : starts.size() - 1; }
};
// Splits text at "\r\n", "\r" and "\n"; tabs stop every nTabWidth characters.
PreviewTextLines SplitLines(const std::u16string& strText, size_t nTabWidth = 8);
// A text's bytes as UTF-16: UTF-8 and UTF-16 here (malformed bytes become U+FFFD), ANSI through fnAnsi
// (the window's code page); without fnAnsi ANSI bytes are taken as Latin-1.
using AnsiToUtf16 = std::function<std::u16string(const std::string& strBytes)>;
std::u16string TextToUtf16(const std::string& strBytes, PreviewTextEncoding encoding, const AnsiToUtf16& fnAnsi = nullptr);

// For showing a picture: true when no pixel lets the background through; each colour multiplied by its
// alpha (as alpha blending takes it); a picture larger than nMaxSide a side shrunk by a whole factor,
// each block of pixels averaged (with bPremultiply, each pixel premultiplied as it is averaged: one pass
// over a large picture instead of two).
bool IsOpaque(const PreviewImage& image);
void Premultiply(PreviewImage& image);
void ShrinkToFit(PreviewImage& image, int nMaxSide, bool bPremultiply = false);

// True for the names DecodePreview decodes as a picture or a sound: those need the member's bytes
// whole (up to PREVIEW_MAX_READ); any other member shows only its beginning.
bool PreviewNeedsWholeMember(const std::string& strName);

// Chooses the view by the member's name (extension, ignoring case) and its bytes. pData/nSize are the
// bytes read (at most PREVIEW_MAX_READ); nMemberSize is the member's full size. A picture or sound that
// fails to decode, exceeds the limits or was not read whole falls back to the hex view with strError set
// to the reason; kind is never none, unless the options cancelled it.
PreviewContent DecodePreview(const std::string& strName, const uint8_t* pData, size_t nSize, uint64_t nMemberSize,
                             const PreviewOptions& options = PreviewOptions());

// printf into a string, of any length.
std::string Printf(const char* pszFormat, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
