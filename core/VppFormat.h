// VppFormat.h: the VPP archive format: constants, block arithmetic, little-endian fields, entry names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CFile;

constexpr int32_t VPP_BLOCK_SIZE = 2048;
constexpr uint32_t VPP_SIGNATURE = 0x51890ACE;
constexpr int32_t VPP_VERSION = 1;
constexpr size_t VPP_NAME_LENGTH = 60;       // name field of a directory entry
constexpr size_t VPP_ENTRY_SIZE = 64;        // name field + 4-byte size
constexpr size_t VPP_HEADER_FIELDS_SIZE = 16;  // signature, version, count, total size
constexpr int32_t VPP_MAX_FILES = 65536;

// x when x is a multiple of 2048, else the next multiple; 0 for 0 (and for negative x).
constexpr int64_t RoundUpToBlock(int64_t x)
{
    return x <= 0 ? 0 : (x % VPP_BLOCK_SIZE == 0 ? x : x - x % VPP_BLOCK_SIZE + VPP_BLOCK_SIZE);
}

// Offset of the first member's data for an archive of nCount members.
constexpr int64_t VppDataStart(int64_t nCount) { return VPP_BLOCK_SIZE + RoundUpToBlock(VPP_ENTRY_SIZE * nCount); }

inline uint32_t ReadLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

inline void WriteLE32(uint8_t* p, uint32_t nValue)
{
    p[0] = static_cast<uint8_t>(nValue);
    p[1] = static_cast<uint8_t>(nValue >> 8);
    p[2] = static_cast<uint8_t>(nValue >> 16);
    p[3] = static_cast<uint8_t>(nValue >> 24);
}

// Reads a 4-byte little-endian value; false when the file ends first.
bool ReadInt32(CFile& file, uint32_t& nValue);
void WriteInt32(CFile& file, uint32_t nValue);

// Writes zero bytes from the current position up to the next multiple of 2048 (nothing when on one).
void PadToBlockBoundary(CFile& file);

// The name in a field: the bytes up to the first zero byte, or all nWidth bytes when there is none.
std::string ReadEntryName(const uint8_t* pField, size_t nWidth = VPP_NAME_LENGTH);
size_t EntryNameLength(const uint8_t* pField, size_t nWidth = VPP_NAME_LENGTH);
// Reads a name field from the file; false when the file ends inside the field.
bool ReadEntryName(CFile& file, std::string& strName, size_t nWidth = VPP_NAME_LENGTH);

// Fills a field: at most nWidth - 1 bytes of the name, then zero bytes to the end.
void WriteEntryName(uint8_t* pField, const std::string& strName, size_t nWidth = VPP_NAME_LENGTH);
void WriteEntryName(CFile& file, const std::string& strName, size_t nWidth = VPP_NAME_LENGTH);
