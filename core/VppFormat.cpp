// VppFormat.cpp
#include "core/VppFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "framework/base/File.h"

bool ReadInt32(CFile& file, uint32_t& nValue)
{
    uint8_t buf[4];
    if (file.Read(buf, sizeof buf) != sizeof buf)
        return false;
    nValue = ReadLE32(buf);
    return true;
}

void WriteInt32(CFile& file, uint32_t nValue)
{
    uint8_t buf[4];
    WriteLE32(buf, nValue);
    file.Write(buf, sizeof buf);
}

void PadToBlockBoundary(CFile& file)
{
    static const uint8_t s_zeros[VPP_BLOCK_SIZE] = {};
    uint64_t nPos = file.GetPosition();
    size_t nGap = static_cast<size_t>((VPP_BLOCK_SIZE - nPos % VPP_BLOCK_SIZE) % VPP_BLOCK_SIZE);
    if (nGap)
        file.Write(s_zeros, nGap);
}

size_t EntryNameLength(const uint8_t* pField, size_t nWidth)
{
    const void* pZero = std::memchr(pField, 0, nWidth);
    return pZero ? static_cast<size_t>(static_cast<const uint8_t*>(pZero) - pField) : nWidth;
}

std::string ReadEntryName(const uint8_t* pField, size_t nWidth)
{
    return std::string(reinterpret_cast<const char*>(pField), EntryNameLength(pField, nWidth));
}

bool ReadEntryName(CFile& file, std::string& strName, size_t nWidth)
{
    std::vector<uint8_t> field(nWidth);
    if (file.Read(field.data(), nWidth) != nWidth)
        return false;
    strName = ReadEntryName(field.data(), nWidth);
    return true;
}

void WriteEntryName(uint8_t* pField, const std::string& strName, size_t nWidth)
{
    if (nWidth == 0)
        return;
    std::memset(pField, 0, nWidth);
    size_t nLen = std::min(strName.size(), nWidth - 1);
    std::memcpy(pField, strName.data(), nLen);
}

void WriteEntryName(CFile& file, const std::string& strName, size_t nWidth)
{
    std::vector<uint8_t> field(nWidth);
    WriteEntryName(field.data(), strName, nWidth);
    file.Write(field.data(), nWidth);
}
