// PreviewWav.cpp: WAV files: the chunks' description, the waveform's peaks (PCM, IEEE float, IMA ADPCM), and
// a copy whose sizes match the bytes present, for a player that believes the sizes it is given.
#include <algorithm>
#include <cstring>

#include "preview/PreviewPixels.h"

using namespace preview_detail;

namespace {

constexpr uint16_t WAV_PCM = 0x0001, WAV_FLOAT = 0x0003, WAV_IMA_ADPCM = 0x0011, WAV_EXTENSIBLE = 0xFFFE;

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

// Collects each channel's lowest and highest sample per column while the frames go by in order.
class CPeaks {
public:
    CPeaks(PreviewWaveform& wave, int nChannels, uint64_t nFrames) : m_wave(wave), m_nChannels(nChannels)
    {
        wave = PreviewWaveform();
        wave.nChannels = nChannels;
        wave.nFrames = nFrames;
        wave.nColumns = static_cast<size_t>(std::min<uint64_t>(nFrames, PREVIEW_WAVE_COLUMNS));
        wave.peaks.resize(wave.nColumns * nChannels * 2);
        for (size_t i = 0; i < wave.peaks.size(); i += 2)
            wave.peaks[i] = INT16_MAX, wave.peaks[i + 1] = INT16_MIN;
        m_nEnd = wave.nColumns ? nFrames / wave.nColumns : 0;
    }
    // One frame's samples, one per channel.
    void Frame(const int16_t* pSamples)
    {
        while (m_nFrame >= m_nEnd && m_nColumn + 1 < m_wave.nColumns) {
            m_nColumn++;
            m_nEnd = (m_nColumn + 1) * m_wave.nFrames / m_wave.nColumns;
        }
        int16_t* p = &m_wave.peaks[m_nColumn * m_nChannels * 2];
        for (int c = 0; c < m_nChannels; c++, p += 2) {
            p[0] = std::min(p[0], pSamples[c]);
            p[1] = std::max(p[1], pSamples[c]);
        }
        m_nFrame++;
    }

private:
    PreviewWaveform& m_wave;
    int m_nChannels;
    uint64_t m_nFrame = 0, m_nEnd = 0;
    size_t m_nColumn = 0;
};

int16_t FromFloat(double v) { return static_cast<int16_t>(std::max(-1.0, std::min(1.0, v)) * 32767.0); }

// Linear samples of 1 to 4 bytes (8 bits unsigned, wider ones signed) or IEEE floats of 4 or 8 bytes.
bool DecodeLinear(const uint8_t* p, size_t nBytes, const PreviewSoundInfo& info, PreviewWaveform& wave, std::string& strError)
{
    const bool bFloat = info.nFormatTag == WAV_FLOAT;
    const unsigned nSampleBytes = (info.nBitsPerSample + 7u) / 8u;
    if (bFloat ? nSampleBytes != 4 && nSampleBytes != 8 : nSampleBytes < 1 || nSampleBytes > 4) {
        strError = Printf("%s of %u bits is not drawn", info.strFormat.c_str(), info.nBitsPerSample);
        return false;
    }
    const int nChannels = info.nChannels;
    const size_t nStride = std::max<size_t>(info.nBlockAlign, static_cast<size_t>(nSampleBytes) * nChannels);
    CPeaks peaks(wave, nChannels, nBytes / nStride);
    int16_t samples[PREVIEW_WAVE_CHANNELS];
    for (size_t nPos = 0; nBytes - nPos >= nStride; nPos += nStride) {
        for (int c = 0; c < nChannels; c++) {
            const uint8_t* s = p + nPos + static_cast<size_t>(c) * nSampleBytes;
            if (bFloat) {
                double v;
                if (nSampleBytes == 4) {
                    float f;
                    std::memcpy(&f, s, 4);
                    v = f;
                } else {
                    std::memcpy(&v, s, 8);
                }
                samples[c] = v == v ? FromFloat(v) : 0;  // NaN draws as silence
            } else {
                samples[c] = nSampleBytes == 1 ? static_cast<int16_t>((s[0] - 128) * 256)
                                               : static_cast<int16_t>(s[nSampleBytes - 2] | s[nSampleBytes - 1] << 8);
            }
        }
        peaks.Frame(samples);
    }
    return true;
}

// IMA ADPCM: blocks of nBlockAlign bytes; per channel a 4-byte header with the first sample and the step
// index, then words of eight 4-bit codes, one word per channel in turn.
bool DecodeImaAdpcm(const uint8_t* p, size_t nBytes, const PreviewSoundInfo& info, PreviewWaveform& wave, std::string& strError)
{
    static const int16_t STEPS[89] = {
        7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97,
        107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598, 658, 724, 796,
        876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871,
        5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385,
        24623, 27086, 29794, 32767 };
    static const int INDEX_STEPS[8] = { -1, -1, -1, -1, 2, 4, 6, 8 };
    const size_t nChannels = info.nChannels, nBlock = info.nBlockAlign;
    if (info.nBitsPerSample != 4 || nBlock <= 4 * nChannels || (nBlock - 4 * nChannels) % (4 * nChannels) != 0) {
        strError = Printf("IMA ADPCM blocks of %u bytes for %u channels are not drawn", info.nBlockAlign, info.nChannels);
        return false;
    }
    size_t nPerBlock = 1 + (nBlock - 4 * nChannels) * 2 / nChannels;
    if (info.nSamplesPerBlock >= 1 && info.nSamplesPerBlock < nPerBlock)
        nPerBlock = info.nSamplesPerBlock;
    CPeaks peaks(wave, info.nChannels, nBytes / nBlock * nPerBlock);
    std::vector<int16_t> block(nPerBlock * nChannels);  // frame by frame
    for (size_t nPos = 0; nBytes - nPos >= nBlock; nPos += nBlock) {
        const uint8_t* b = p + nPos;
        for (size_t c = 0; c < nChannels; c++) {
            int nPredicted = static_cast<int16_t>(Le16(b + 4 * c));
            int nIndex = std::min<int>(b[4 * c + 2], 88);
            block[c] = static_cast<int16_t>(nPredicted);
            for (size_t i = 1; i < nPerBlock; i++) {
                // Sample i (from 1) is code i - 1 of this channel: in word (i - 1) / 8, nibble (i - 1) % 8, low first.
                const size_t nCode = i - 1, nWord = nCode / 8;
                const uint8_t nByte = b[4 * nChannels + (nWord * nChannels + c) * 4 + nCode % 8 / 2];
                const unsigned n = nCode % 2 ? nByte >> 4 : nByte & 15;
                const int nStep = STEPS[nIndex];
                int nDiff = nStep >> 3;
                if (n & 1)
                    nDiff += nStep >> 2;
                if (n & 2)
                    nDiff += nStep >> 1;
                if (n & 4)
                    nDiff += nStep;
                nPredicted = std::max(-32768, std::min(32767, n & 8 ? nPredicted - nDiff : nPredicted + nDiff));
                nIndex = std::max(0, std::min(88, nIndex + INDEX_STEPS[n & 7]));
                block[i * nChannels + c] = static_cast<int16_t>(nPredicted);
            }
        }
        for (size_t i = 0; i < nPerBlock; i++)
            peaks.Frame(&block[i * nChannels]);
    }
    return true;
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
    bool bData = false;
    for (size_t nPos = 12; nSize - nPos >= 8 && !(pFormat && bData);) {
        const uint8_t* pChunk = pData + nPos;
        const uint64_t nChunkBytes = Le32(pChunk + 4);
        const size_t nAvailable = nSize - nPos - 8;
        if (std::memcmp(pChunk, "fmt ", 4) == 0 && !pFormat) {
            // 14 bytes is the form without the bits field, which formats other than PCM may use.
            if (nChunkBytes < 14 || nChunkBytes > nAvailable) {
                strError = "WAV format chunk is truncated";
                return false;
            }
            pFormat = pChunk + 8;
            info.nFormatOffset = nPos + 8;
            info.nFormatBytes = static_cast<uint32_t>(nChunkBytes);
        } else if (std::memcmp(pChunk, "data", 4) == 0 && !bData) {
            // A data chunk longer than the file (a cut download, a size never filled in) counts what is there.
            bData = true;
            info.nDataOffset = nPos + 8;
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
    info.nBlockAlign = Le16(pFormat + 12);
    info.nBitsPerSample = info.nFormatBytes >= 16 ? Le16(pFormat + 14) : 0;
    // WAVE_FORMAT_EXTENSIBLE names the real format in the first two bytes of its sub-format GUID.
    if (nTag == WAV_EXTENSIBLE && info.nFormatBytes >= 40 && Le16(pFormat + 16) >= 22)
        nTag = Le16(pFormat + 24);
    if (nTag == WAV_IMA_ADPCM && info.nFormatBytes >= 20 && Le16(pFormat + 16) >= 2)
        info.nSamplesPerBlock = Le16(pFormat + 18);
    info.nFormatTag = nTag;
    const char* pszName = WavFormatName(nTag);
    info.strFormat = pszName ? pszName : Printf("format 0x%04X", nTag);
    if (info.nAvgBytesPerSec != 0)
        info.dSeconds = static_cast<double>(info.nDataBytes) / info.nAvgBytesPerSec;
    return true;
}

bool DecodeWaveform(const uint8_t* pData, size_t nSize, PreviewSoundInfo& info, PreviewWaveform& wave, std::string& strError)
{
    wave = PreviewWaveform();
    if (info.nChannels < 1 || info.nChannels > PREVIEW_WAVE_CHANNELS || info.nSamplesPerSec == 0) {
        strError = Printf("%u channels at %u Hz are not drawn", info.nChannels, info.nSamplesPerSec);
        return false;
    }
    if (info.nDataOffset > nSize || nSize - info.nDataOffset < info.nDataBytes) {
        strError = "the data chunk is not there";
        return false;
    }
    const uint8_t* p = pData + info.nDataOffset;
    const size_t nBytes = static_cast<size_t>(info.nDataBytes);
    bool bDone;
    if (info.nFormatTag == WAV_PCM || info.nFormatTag == WAV_FLOAT) {
        bDone = DecodeLinear(p, nBytes, info, wave, strError);
    } else if (info.nFormatTag == WAV_IMA_ADPCM) {
        bDone = DecodeImaAdpcm(p, nBytes, info, wave, strError);
    } else {
        strError = info.strFormat + " is not drawn";
        return false;
    }
    // What a player plays: the frames there are at the sample rate, whatever the average byte rate claims.
    if (bDone)
        info.dSeconds = static_cast<double>(wave.nFrames) / info.nSamplesPerSec;
    return bDone;
}

std::vector<uint8_t> PlayableWav(const uint8_t* pData, size_t nSize, const PreviewSoundInfo& info)
{
    std::vector<uint8_t> out;
    if (info.nFormatBytes == 0 || info.nFormatOffset > nSize || nSize - info.nFormatOffset < info.nFormatBytes ||
        info.nDataOffset > nSize)
        return out;
    uint64_t nData = std::min<uint64_t>(info.nDataBytes, nSize - info.nDataOffset);
    if (info.nBlockAlign > 1)
        nData -= nData % info.nBlockAlign;
    const uint32_t nFormat = info.nFormatBytes + (info.nFormatBytes & 1);
    const uint64_t nRiff = 4 + 8 + nFormat + 8 + nData + (nData & 1);
    auto put32 = [&out](uint64_t v) {
        for (int i = 0; i < 4; i++)
            out.push_back(static_cast<uint8_t>(v >> 8 * i));
    };
    out.reserve(static_cast<size_t>(nRiff) + 8);
    out.insert(out.end(), { 'R', 'I', 'F', 'F' });
    put32(nRiff);
    out.insert(out.end(), { 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ' });
    put32(info.nFormatBytes);
    out.insert(out.end(), pData + info.nFormatOffset, pData + info.nFormatOffset + info.nFormatBytes);
    out.resize(out.size() + (nFormat - info.nFormatBytes));
    out.insert(out.end(), { 'd', 'a', 't', 'a' });
    put32(nData);
    out.insert(out.end(), pData + info.nDataOffset, pData + info.nDataOffset + nData);
    out.resize(out.size() + (nData & 1));
    return out;
}
