// PreviewDecode.cpp: the shared pixel helpers, WAV headers, the text sniff, the hex page, and the choice
// of view for a member.
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

std::string Printf(const char* pszFormat, ...)
{
    char szText[256];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szText, sizeof szText, pszFormat, args);
    va_end(args);
    return szText;
}

}  // namespace preview_detail

namespace {

const char* WavFormatName(uint16_t nTag)
{
    switch (nTag) {
    case 0x0001: return "PCM";
    case 0x0002: return "MS ADPCM";
    case 0x0003: return "IEEE float";
    case 0x0006: return "A-law";
    case 0x0007: return "mu-law";
    case 0x0011: return "IMA ADPCM";
    case 0x0055: return "MPEG layer 3";
    default: return nullptr;
    }
}

}  // namespace

bool DescribeWav(const uint8_t* pData, size_t nSize, PreviewSoundInfo& info, std::string& strError)
{
    info = PreviewSoundInfo();
    if (nSize < 12 || std::memcmp(pData, "RIFF", 4) != 0 || std::memcmp(pData + 8, "WAVE", 4) != 0) {
        strError = "not a RIFF WAVE file";
        return false;
    }
    // Chunks follow one another, each padded to an even length; a size running past the end stops the walk.
    const uint8_t* pFormat = nullptr;
    uint32_t nFormatBytes = 0;
    bool bData = false;
    for (size_t nPos = 12; nSize - nPos >= 8 && !(pFormat && bData);) {
        const uint8_t* pChunk = pData + nPos;
        const uint64_t nChunkBytes = Le32(pChunk + 4);
        const size_t nAvailable = nSize - nPos - 8;
        if (std::memcmp(pChunk, "fmt ", 4) == 0 && !pFormat) {
            if (nChunkBytes < 16 || nChunkBytes > nAvailable) {
                strError = "WAV format chunk is truncated";
                return false;
            }
            pFormat = pChunk + 8;
            nFormatBytes = static_cast<uint32_t>(nChunkBytes);
        } else if (std::memcmp(pChunk, "data", 4) == 0 && !bData) {
            // A data chunk longer than the file (a cut download, a size never filled in) counts what is there.
            bData = true;
            info.nDataBytes = std::min<uint64_t>(nChunkBytes, nAvailable);
        }
        if (nChunkBytes + (nChunkBytes & 1) > nAvailable)
            break;
        nPos += 8 + static_cast<size_t>(nChunkBytes + (nChunkBytes & 1));
    }
    if (!pFormat || !bData) {
        strError = pFormat ? "WAV has no data chunk" : "WAV has no format chunk";
        return false;
    }
    uint16_t nTag = Le16(pFormat);
    info.nChannels = Le16(pFormat + 2);
    info.nSamplesPerSec = Le32(pFormat + 4);
    info.nAvgBytesPerSec = Le32(pFormat + 8);
    info.nBitsPerSample = Le16(pFormat + 14);
    // WAVE_FORMAT_EXTENSIBLE names the real format in the first two bytes of its sub-format GUID.
    if (nTag == 0xFFFE && nFormatBytes >= 40 && Le16(pFormat + 16) >= 22)
        nTag = Le16(pFormat + 24);
    info.nFormatTag = nTag;
    const char* pszName = WavFormatName(nTag);
    info.strFormat = pszName ? pszName : Printf("format 0x%04X", nTag);
    if (info.nAvgBytesPerSec != 0)
        info.dSeconds = static_cast<double>(info.nDataBytes) / info.nAvgBytesPerSec;
    return true;
}

bool LooksLikeText(const uint8_t* pData, size_t nSize)
{
    const bool bCut = nSize > PREVIEW_TEXT_SNIFF;
    const size_t n = std::min(nSize, PREVIEW_TEXT_SNIFF);
    if (n == 0)
        return false;
    size_t nControls = 0, nHigh = 0;
    bool bUtf8 = true;
    for (size_t i = 0; i < n; i++) {
        const uint8_t c = pData[i];
        if (c == 0)
            return false;
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1B) || c == 0x7F)
            nControls++;
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
    // Text has few control characters; text in a single-byte code page is mostly ASCII besides.
    return nControls * 32 <= n && (bUtf8 || nHigh * 4 <= n);
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

std::string WithCrLf(const std::string& strText)
{
    std::string strOut;
    strOut.reserve(strText.size() + strText.size() / 16);
    for (size_t i = 0; i < strText.size(); i++) {
        const char c = strText[i];
        if (c == '\r' || c == '\n') {
            strOut += "\r\n";
            if (c == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n')
                i++;
        } else {
            strOut += c == '\0' ? ' ' : c;
        }
    }
    return strOut;
}

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

}  // namespace

bool PreviewNeedsWholeMember(const std::string& strName)
{
    const std::string strExt = LowerExtension(strName);
    return strExt == "tga" || strExt == "bmp" || strExt == "vbm" || strExt == "wav";
}

PreviewContent DecodePreview(const std::string& strName, const uint8_t* pData, size_t nSize, uint64_t nMemberSize)
{
    PreviewContent content;
    if (!pData)
        nSize = 0;
    const std::string strExt = LowerExtension(strName);
    if (PreviewNeedsWholeMember(strName)) {
        std::string strError;
        if (nSize > PREVIEW_MAX_READ || nMemberSize > PREVIEW_MAX_READ) {
            ShowHex(content, pData, nSize, "larger than " + std::to_string(PREVIEW_MAX_READ >> 20) + " MiB: not decoded");
            return content;
        }
        if (nSize < nMemberSize) {
            ShowHex(content, pData, nSize, "only " + std::to_string(nSize) + " of " + std::to_string(nMemberSize) +
                                               " bytes could be read");
            return content;
        }
        bool bDone = false;
        if (strExt == "wav") {
            content.kind = PreviewKind::sound;
            bDone = DescribeWav(pData, nSize, content.sound, strError);
        } else if (strExt == "vbm") {
            bDone = DecodeVbm(pData, nSize, content.frames, content.nFramesPerSecond, content.strPixelFormat, strError);
            content.kind = content.frames.size() > 1 ? PreviewKind::animation : PreviewKind::texture;
        } else {
            content.frames.resize(1);
            content.kind = PreviewKind::texture;
            bDone = strExt == "tga" ? DecodeTga(pData, nSize, content.frames[0], content.strPixelFormat, strError)
                                    : DecodeBmp(pData, nSize, content.frames[0], content.strPixelFormat, strError);
        }
        if (!bDone)
            ShowHex(content, pData, nSize, strError);
        return content;
    }
    const bool bText = strExt == "tbl" || strExt == "txt" || strExt == "ini" || strExt == "cfg";
    if (bText || LooksLikeText(pData, nSize)) {
        content.kind = PreviewKind::text;
        content.strText.assign(reinterpret_cast<const char*>(pData), nSize);
        content.nShownBytes = nSize;
        return content;
    }
    ShowHex(content, pData, nSize, std::string());
    return content;
}
