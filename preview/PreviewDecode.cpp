// PreviewDecode.cpp: the shared pixel helpers, the text sniff and its lines, the hex page, pictures made
// ready to show, and the choice of view for a member.
#include "preview/PreviewDecode.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "preview/PreviewPixels.h"

using namespace preview_detail;

namespace preview_detail {

const uint32_t* Table16(Pixel16 format)
{
    static std::vector<uint32_t> s_tables[4];
    static std::once_flag s_once[4];
    const int n = static_cast<int>(format);
    std::call_once(s_once[n], [format, n] {
        std::vector<uint32_t>& table = s_tables[n];
        table.resize(65536);
        for (uint32_t v = 0; v < 65536; v++)
            table[v] = format == Pixel16::argb1555 ? From1555(v, true)
                     : format == Pixel16::rgb555  ? From1555(v, false)
                     : format == Pixel16::rgb565  ? From565(v)
                                                  : From4444(v);
    });
    return s_tables[n].data();
}

bool CheckDimensions(int64_t nWidth, int64_t nHeight, const char* pszFormat, std::string& strError)
{
    if (nWidth >= 1 && nHeight >= 1 && nWidth <= PREVIEW_MAX_DIMENSION && nHeight <= PREVIEW_MAX_DIMENSION)
        return true;
    strError = std::string(pszFormat) + " size " + std::to_string(nWidth) + " x " + std::to_string(nHeight) +
               " is outside 1 to " + std::to_string(PREVIEW_MAX_DIMENSION) + " pixels a side";
    return false;
}

bool SizeImage(PreviewImage& image, int64_t nWidth, int64_t nHeight, const char* pszFormat, std::string& strError)
{
    if (!CheckDimensions(nWidth, nHeight, pszFormat, strError))
        return false;
    image.nWidth = static_cast<int>(nWidth);
    image.nHeight = static_cast<int>(nHeight);
    image.pixels.assign(static_cast<size_t>(nWidth) * static_cast<size_t>(nHeight), OPAQUE_BLACK);
    return true;
}

void FlipRows(PreviewImage& image)
{
    const size_t nWidth = static_cast<size_t>(image.nWidth);
    for (int nTop = 0, nBottom = image.nHeight - 1; nTop < nBottom; nTop++, nBottom--)
        std::swap_ranges(image.pixels.begin() + nTop * nWidth, image.pixels.begin() + (nTop + 1) * nWidth,
                         image.pixels.begin() + nBottom * nWidth);
}

void MirrorRows(PreviewImage& image)
{
    const size_t nWidth = static_cast<size_t>(image.nWidth);
    for (int y = 0; y < image.nHeight; y++)
        std::reverse(image.pixels.begin() + y * nWidth, image.pixels.begin() + (y + 1) * nWidth);
}

}  // namespace preview_detail

std::string Printf(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, pszFormat, args);
    va_end(args);
    std::string str(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        std::vsnprintf(&str[0], str.size() + 1, pszFormat, again);
    va_end(again);
    return str;
}

// ---------------------------------------------------------------------------------------------------------
// Text

namespace {

// Text has few control characters besides tab, line ends, form feed and escape.
bool IsControl(uint32_t c) { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B) || c == 0x7F; }

// UTF-16 after its byte-order mark: no NUL and few control characters.
bool LooksLikeUtf16(const uint8_t* pData, size_t n, bool bBigEndian)
{
    size_t nUnits = 0, nControls = 0;
    for (size_t i = 2; i + 1 < n; i += 2, nUnits++) {
        const uint32_t c = bBigEndian ? pData[i] << 8 | pData[i + 1] : pData[i] | pData[i + 1] << 8;
        if (c == 0)
            return false;
        nControls += IsControl(c);
    }
    return nControls * 32 <= nUnits;
}

}  // namespace

PreviewTextEncoding TextEncodingOf(const uint8_t* pData, size_t nSize, const AnsiTextCheck& fnAnsiText)
{
    const bool bCut = nSize > PREVIEW_TEXT_SNIFF;
    const size_t n = std::min(nSize, PREVIEW_TEXT_SNIFF);
    if (n == 0)
        return PreviewTextEncoding::none;
    if (n >= 2 && ((pData[0] == 0xFF && pData[1] == 0xFE) || (pData[0] == 0xFE && pData[1] == 0xFF))) {
        const bool bBigEndian = pData[0] == 0xFE;
        if (!LooksLikeUtf16(pData, n, bBigEndian))
            return PreviewTextEncoding::none;
        return bBigEndian ? PreviewTextEncoding::utf16be : PreviewTextEncoding::utf16le;
    }
    size_t nControls = 0, nHigh = 0;
    bool bUtf8 = true;
    for (size_t i = 0; i < n; i++) {
        const uint8_t c = pData[i];
        if (c == 0)
            return PreviewTextEncoding::none;
        nControls += IsControl(c);
        if (c < 0x80)
            continue;
        nHigh++;
        if (!bUtf8)
            continue;
        // A UTF-8 lead byte and its continuation bytes (overlong and surrogate forms are not text).
        size_t nMore = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 9;
        if (nMore == 9) {
            bUtf8 = false;
            continue;
        }
        if (i + nMore >= n) {
            bUtf8 = bCut;  // a character cut by the end of the sniffed bytes is still text
            break;
        }
        const uint8_t c1 = pData[i + 1];
        if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F))
            bUtf8 = false;
        for (size_t k = 1; k <= nMore && bUtf8; k++)
            bUtf8 = (pData[i + k] & 0xC0) == 0x80;
        if (bUtf8)
            i += nMore;
    }
    if (nControls * 32 > n)
        return PreviewTextEncoding::none;
    if (nHigh == 0)
        return PreviewTextEncoding::ansi;
    if (bUtf8)
        return PreviewTextEncoding::utf8;
    // The code page decides (a double-byte character may be cut by the end of the sniffed bytes); without
    // it, text in a single-byte code page is mostly ASCII.
    if (fnAnsiText ? fnAnsiText(pData, n) || (bCut && fnAnsiText(pData, n - 1)) : nHigh * 4 <= n)
        return PreviewTextEncoding::ansi;
    return PreviewTextEncoding::none;
}

std::u16string TextToUtf16(const std::string& strBytes, PreviewTextEncoding encoding, const AnsiToUtf16& fnAnsi)
{
    const uint8_t* p = reinterpret_cast<const uint8_t*>(strBytes.data());
    const size_t n = strBytes.size();
    std::u16string str;
    switch (encoding) {
    case PreviewTextEncoding::utf16le:
    case PreviewTextEncoding::utf16be:
        str.resize(n / 2);
        for (size_t i = 0; i < n / 2; i++)
            str[i] = static_cast<char16_t>(encoding == PreviewTextEncoding::utf16le ? p[2 * i] | p[2 * i + 1] << 8
                                                                                    : p[2 * i] << 8 | p[2 * i + 1]);
        return str;
    case PreviewTextEncoding::utf8:
        str.reserve(n);
        for (size_t i = 0; i < n;) {
            const uint8_t c = p[i];
            const size_t nMore = c < 0x80 ? 0 : c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 9;
            uint32_t v = nMore == 0 ? c : nMore == 1 ? c & 0x1F : nMore == 2 ? c & 0x0F : c & 0x07;
            bool bOk = nMore != 9 && i + nMore < n + (nMore == 0);
            for (size_t k = 1; bOk && k <= nMore; k++) {
                bOk = (p[i + k] & 0xC0) == 0x80;
                v = v << 6 | (p[i + k] & 0x3F);
            }
            bOk = bOk && !(nMore == 2 && (v < 0x800 || (v >= 0xD800 && v < 0xE000))) && !(nMore == 3 && (v < 0x10000 || v > 0x10FFFF));
            if (!bOk) {
                str += u'\xFFFD';
                i++;
                continue;
            }
            if (v >= 0x10000) {
                str += static_cast<char16_t>(0xD800 + ((v - 0x10000) >> 10));
                str += static_cast<char16_t>(0xDC00 + ((v - 0x10000) & 0x3FF));
            } else {
                str += static_cast<char16_t>(v);
            }
            i += nMore + 1;
        }
        return str;
    default:
        if (fnAnsi)
            return fnAnsi(strBytes);
        str.resize(n);
        for (size_t i = 0; i < n; i++)
            str[i] = p[i];
        return str;
    }
}

PreviewTextLines SplitLines(const std::u16string& strText, size_t nTabWidth)
{
    PreviewTextLines lines;
    lines.text.reserve(strText.size());
    lines.starts.push_back(0);
    size_t nColumn = 0;
    auto endLine = [&] {
        lines.nLongest = std::max(lines.nLongest, nColumn);
        lines.starts.push_back(static_cast<uint32_t>(lines.text.size()));
        nColumn = 0;
    };
    for (size_t i = 0; i < strText.size(); i++) {
        const char16_t c = strText[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < strText.size() && strText[i + 1] == u'\n')
                i++;
            endLine();
        } else if (c == u'\t') {
            const size_t nSpaces = nTabWidth - nColumn % nTabWidth;
            lines.text.append(nSpaces, u' ');
            nColumn += nSpaces;
        } else {
            lines.text += c < 0x20 || c == 0x7F ? u' ' : c;
            nColumn++;
        }
    }
    endLine();
    return lines;
}

std::string FormatHexPage(const uint8_t* pData, size_t nSize)
{
    static const char HEX[] = "0123456789ABCDEF";
    const size_t n = std::min(nSize, PREVIEW_HEX_BYTES);
    std::string strPage;
    strPage.reserve((n + 15) / 16 * 79);
    for (size_t nLine = 0; nLine < n; nLine += 16) {
        char szLine[80];
        std::snprintf(szLine, sizeof szLine, "%08X  ", static_cast<unsigned>(nLine));
        strPage += szLine;
        const size_t nCount = std::min<size_t>(16, n - nLine);
        for (size_t i = 0; i < 16; i++) {
            if (i < nCount) {
                strPage += HEX[pData[nLine + i] >> 4];
                strPage += HEX[pData[nLine + i] & 15];
                strPage += ' ';
            } else {
                strPage += "   ";
            }
            if (i == 7)
                strPage += ' ';
        }
        strPage += " |";
        for (size_t i = 0; i < nCount; i++) {
            const uint8_t c = pData[nLine + i];
            strPage += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
        }
        strPage += "|\n";
    }
    return strPage;
}

// ---------------------------------------------------------------------------------------------------------
// Pictures made ready to show

bool IsOpaque(const PreviewImage& image)
{
    return std::all_of(image.pixels.begin(), image.pixels.end(), [](uint32_t v) { return v >> 24 == 0xFF; });
}

namespace {

inline uint32_t Premultiplied(uint32_t v)
{
    const uint32_t a = v >> 24;
    return a == 255 ? v
                    : a << 24 | ((v >> 16 & 0xFF) * a + 127) / 255 << 16 | ((v >> 8 & 0xFF) * a + 127) / 255 << 8 |
                          ((v & 0xFF) * a + 127) / 255;
}

}  // namespace

void Premultiply(PreviewImage& image)
{
    for (uint32_t& v : image.pixels)
        v = Premultiplied(v);
}

void ShrinkToFit(PreviewImage& image, int nMaxSide, bool bPremultiply)
{
    const int nLonger = std::max(image.nWidth, image.nHeight);
    if (nMaxSide < 1 || nLonger <= nMaxSide) {
        if (bPremultiply)
            Premultiply(image);
        return;
    }
    const size_t f = static_cast<size_t>((nLonger + nMaxSide - 1) / nMaxSide);
    const size_t w = static_cast<size_t>(image.nWidth), h = static_cast<size_t>(image.nHeight);
    const size_t nOutW = (w + f - 1) / f, nOutH = (h + f - 1) / f;
    std::vector<uint32_t> out(nOutW * nOutH);
    std::vector<uint32_t> sums(nOutW * 4);
    for (size_t oy = 0; oy < nOutH; oy++) {
        std::fill(sums.begin(), sums.end(), 0u);
        const size_t y1 = std::min(h, (oy + 1) * f);
        for (size_t y = oy * f; y < y1; y++) {
            const uint32_t* pRow = image.pixels.data() + y * w;
            for (size_t x = 0; x < w; x++) {
                uint32_t* s = &sums[x / f * 4];
                const uint32_t v = bPremultiply ? Premultiplied(pRow[x]) : pRow[x];
                s[0] += v & 0xFF, s[1] += v >> 8 & 0xFF, s[2] += v >> 16 & 0xFF, s[3] += v >> 24;
            }
        }
        for (size_t ox = 0; ox < nOutW; ox++) {
            const uint32_t nCount = static_cast<uint32_t>((std::min(w, (ox + 1) * f) - ox * f) * (y1 - oy * f));
            const uint32_t* s = &sums[ox * 4];
            out[oy * nOutW + ox] = (s[0] + nCount / 2) / nCount | (s[1] + nCount / 2) / nCount << 8 |
                                   (s[2] + nCount / 2) / nCount << 16 | (s[3] + nCount / 2) / nCount << 24;
        }
    }
    image.nWidth = static_cast<int>(nOutW);
    image.nHeight = static_cast<int>(nOutH);
    image.pixels.swap(out);
}

// ---------------------------------------------------------------------------------------------------------
// The view for a member

namespace {

std::string LowerExtension(const std::string& strName)
{
    const size_t nDot = strName.find_last_of('.');
    if (nDot == std::string::npos || strName.find_first_of("\\/", nDot) != std::string::npos)
        return std::string();
    std::string strExt = strName.substr(nDot + 1);
    for (char& c : strExt)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return strExt;
}

void ShowHex(PreviewContent& content, const uint8_t* pData, size_t nSize, std::string strReason)
{
    content = PreviewContent();
    content.kind = PreviewKind::hex;
    content.strError = std::move(strReason);
    content.strText = FormatHexPage(pData, nSize);
    content.nShownBytes = std::min(nSize, PREVIEW_HEX_BYTES);
}

// Decodes a picture, an animation or a sound; false with the reason when it cannot be shown as one.
bool DecodeWhole(const std::string& strExt, const uint8_t* pData, size_t nSize, PreviewContent& content, std::string& strError)
{
    if (strExt == "wav") {
        content.kind = PreviewKind::sound;
        if (!DescribeWav(pData, nSize, content.sound, strError))
            return false;
        std::string strNoWave;
        if (!DecodeWaveform(pData, nSize, content.sound, content.wave, strNoWave))
            content.strNote = "No waveform: " + strNoWave + ".";
        return true;
    }
    if (strExt == "vbm") {
        const bool bDone = DecodeVbm(pData, nSize, content.frames, content.nFramesPerSecond, content.strPixelFormat,
                                     content.strNote, strError);
        content.kind = content.frames.size() > 1 ? PreviewKind::animation : PreviewKind::texture;
        return bDone;
    }
    content.frames.resize(1);
    content.kind = PreviewKind::texture;
    return strExt == "tga" ? DecodeTga(pData, nSize, content.frames[0], content.strPixelFormat, strError)
                           : DecodeBmp(pData, nSize, content.frames[0], content.strPixelFormat, strError);
}

}  // namespace

bool PreviewNeedsWholeMember(const std::string& strName)
{
    const std::string strExt = LowerExtension(strName);
    return strExt == "tga" || strExt == "bmp" || strExt == "vbm" || strExt == "wav";
}

PreviewContent DecodePreview(const std::string& strName, const uint8_t* pData, size_t nSize, uint64_t nMemberSize,
                             const PreviewOptions& options)
{
    PreviewContent content;
    if (!pData)
        nSize = 0;
    const std::string strExt = LowerExtension(strName);
    if (PreviewNeedsWholeMember(strName)) {
        if (nSize > PREVIEW_MAX_READ || nMemberSize > PREVIEW_MAX_READ) {
            ShowHex(content, pData, nSize, "larger than " + std::to_string(PREVIEW_MAX_READ >> 20) + " MiB: not decoded");
            return content;
        }
        if (nSize < nMemberSize) {
            ShowHex(content, pData, nSize, "only " + std::to_string(nSize) + " of " + std::to_string(nMemberSize) +
                                               " bytes could be read");
            return content;
        }
        std::string strError;
        if (!DecodeWhole(strExt, pData, nSize, content, strError))
            ShowHex(content, pData, nSize, strError);
        return content;
    }
    PreviewTextEncoding encoding = TextEncodingOf(pData, nSize, options.fnAnsiText);
    const bool bText = strExt == "tbl" || strExt == "txt" || strExt == "ini" || strExt == "cfg";
    if (encoding == PreviewTextEncoding::none && bText)
        encoding = PreviewTextEncoding::ansi;
    if (encoding == PreviewTextEncoding::none) {
        ShowHex(content, pData, nSize, std::string());
        return content;
    }
    // The byte-order mark is not shown; a UTF-16 text cut in a character ends before it.
    const size_t nMark = encoding == PreviewTextEncoding::utf16le || encoding == PreviewTextEncoding::utf16be ? 2
                       : nSize >= 3 && std::memcmp(pData, "\xEF\xBB\xBF", 3) == 0                          ? 3
                                                                                                              : 0;
    content.kind = PreviewKind::text;
    content.encoding = encoding;
    content.strText.assign(reinterpret_cast<const char*>(pData) + nMark, nSize - nMark);
    content.nShownBytes = nSize;
    return content;
}
