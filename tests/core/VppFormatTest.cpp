// VppFormatTest.cpp: block arithmetic, little-endian fields, name fields and padding.
#include "tests/core/CoreTestUtil.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "framework/base/File.h"

using namespace coretest;

TEST(VppFormat, RoundUpToBlock)
{
    EXPECT_EQ(RoundUpToBlock(0), 0);
    EXPECT_EQ(RoundUpToBlock(1), 2048);
    EXPECT_EQ(RoundUpToBlock(2047), 2048);
    EXPECT_EQ(RoundUpToBlock(2048), 2048);
    EXPECT_EQ(RoundUpToBlock(2049), 4096);
    // No overflow near the top of the signed 32-bit range.
    EXPECT_EQ(RoundUpToBlock(INT32_MAX), int64_t(1) << 31);
    EXPECT_EQ(VppDataStart(0), 2048);
    EXPECT_EQ(VppDataStart(32), 4096);
    EXPECT_EQ(VppDataStart(33), 6144);
    EXPECT_EQ(VppDataStart(65537), 4198400);
}

TEST(VppFormat, LittleEndianSignatureBytes)
{
    uint8_t buf[4];
    WriteLE32(buf, VPP_SIGNATURE);
    EXPECT_EQ(buf[0], 0xCE);
    EXPECT_EQ(buf[1], 0x0A);
    EXPECT_EQ(buf[2], 0x89);
    EXPECT_EQ(buf[3], 0x51);
    EXPECT_EQ(ReadLE32(buf), VPP_SIGNATURE);
    WriteLE32(buf, static_cast<uint32_t>(-2));
    EXPECT_EQ(static_cast<int32_t>(ReadLE32(buf)), -2);
}

TEST(VppFormat, NameFields)
{
    uint8_t field[60];
    // A 59-byte name keeps a single zero byte after it.
    std::string str59(59, 'a');
    WriteEntryName(field, str59);
    EXPECT_EQ(field[59], 0);
    EXPECT_EQ(ReadEntryName(field), str59);
    // Longer names are cut to 59 bytes.
    std::string str70(70, 'b');
    WriteEntryName(field, str70);
    EXPECT_EQ(field[59], 0);
    EXPECT_EQ(ReadEntryName(field), std::string(59, 'b'));
    // Every byte after the end is zero, whatever was in the field before.
    std::memset(field, 'x', sizeof field);
    WriteEntryName(field, "ab");
    EXPECT_EQ(ReadEntryName(field), "ab");
    for (size_t i = 2; i < 60; i++)
        EXPECT_EQ(field[i], 0) << i;
    // A field without a zero byte is a 60-character name.
    std::memset(field, 'z', sizeof field);
    EXPECT_EQ(ReadEntryName(field), std::string(60, 'z'));
    // The name ends at the first zero byte even with bytes after it.
    std::memset(field, 0, sizeof field);
    field[0] = 'q';
    field[5] = 'r';
    EXPECT_EQ(ReadEntryName(field), "q");
}

class VppFormatFile : public CoreTest {};

TEST_F(VppFormatFile, PaddingAndFileNameFields)
{
    CFile file;
    ASSERT_TRUE(file.Open(Path("pad.bin"), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
    PadToBlockBoundary(file);  // at 0: nothing
    EXPECT_EQ(file.GetLength(), 0u);
    WriteEntryName(file, "name.txt");
    WriteInt32(file, 7);
    EXPECT_EQ(file.GetPosition(), 64u);
    PadToBlockBoundary(file);
    EXPECT_EQ(file.GetLength(), 2048u);
    PadToBlockBoundary(file);  // on a boundary: nothing
    EXPECT_EQ(file.GetLength(), 2048u);
    file.Write("x", 1);
    PadToBlockBoundary(file);
    EXPECT_EQ(file.GetLength(), 4096u);

    file.Seek(0);
    std::string strName;
    uint32_t nSize = 0;
    ASSERT_TRUE(ReadEntryName(file, strName));
    ASSERT_TRUE(ReadInt32(file, nSize));
    EXPECT_EQ(strName, "name.txt");
    EXPECT_EQ(nSize, 7u);
    file.Seek(4094);
    EXPECT_FALSE(ReadInt32(file, nSize));  // only 2 bytes left
    file.Close();
    Bytes data = ReadAll(Path("pad.bin"));
    EXPECT_EQ(std::count(data.begin() + 64, data.begin() + 2048, 0), 2048 - 64);
}
