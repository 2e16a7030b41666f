// PathTextTest.cpp: the file dialog's multi-select buffer and the folder picker's status text.
#include <gtest/gtest.h>
#include <string>
#include "ui/PathText.h"

namespace
{
std::vector<std::string> Split(const std::string& strBuffer)
{
    return SplitChosenFiles(strBuffer.data(), strBuffer.size());
}
}

TEST(PathText, SplitsOneFolderAndSeveralNamesInTheDialogsOrder)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(V({ "C:\\data\\b.txt", "C:\\data\\a.txt" }), Split(std::string("C:\\data\0b.txt\0a.txt\0\0", 22)));
    // At a drive root the folder already ends with a backslash.
    EXPECT_EQ(V({ "C:\\a.txt", "C:\\b" }), Split(std::string("C:\\\0a.txt\0b\0\0", 13)));
    // A single choice is one full path.
    EXPECT_EQ(V({ "C:\\a.txt" }), Split(std::string("C:\\a.txt\0\0", 10)));
    EXPECT_EQ(V(), Split(std::string("\0\0", 2)));
    // Nothing past the buffer is read, even without the closing terminators.
    EXPECT_EQ(V({ "D:\\f\\one", "D:\\f\\tw" }), Split(std::string("D:\\f\0one\0tw", 11)));
}

TEST(PathText, ShortensStatusTextAfter35Characters)
{
    std::string str35(35, 'a');
    EXPECT_EQ(str35, ShortenForStatus(str35));
    EXPECT_EQ(str35 + "...", ShortenForStatus(str35 + "b"));
    EXPECT_EQ("", ShortenForStatus(""));
}

// Code page 932: "表" is 0x95 0x5C; its trailing byte is no backslash, and it is never cut in half.
TEST(PathText, DoubleByteCharactersAreReadWhole)
{
    auto lead932 = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    const std::string HYO = "\x95\x5C";
    EXPECT_EQ("C:\\" + HYO + "\\a.txt", JoinChosenPath("C:\\" + HYO, "a.txt", lead932));
    std::string str34(34, 'a');
    EXPECT_EQ(str34 + HYO, ShortenForStatus(str34 + HYO, lead932));
    EXPECT_EQ(str34 + HYO + "...", ShortenForStatus(str34 + HYO + "b", lead932));
}
