// MemberNamesTest.cpp: member names from paths, extraction destinations, safe relative names.
#include <gtest/gtest.h>

#include "core/MemberNames.h"

TEST(MemberNames, NameFromPath)
{
    EXPECT_EQ(MemberNameFromPath("C:\\data\\Foo.TXT"), "Foo.TXT");
    EXPECT_EQ(MemberNameFromPath("plain.txt"), "plain.txt");
    EXPECT_EQ(MemberNameFromPath("dir\\"), "");
#ifdef _WIN32
    EXPECT_EQ(MemberNameFromPath("C:/data/foo.txt"), "C:/data/foo.txt");  // only "\" separates
#else
    EXPECT_EQ(MemberNameFromPath("/tmp/data/foo.txt"), "foo.txt");
#endif
}

TEST(MemberNames, ExtractDestination)
{
#ifdef _WIN32
    EXPECT_EQ(JoinExtractPath("C:\\out", "a.txt"), "C:\\out\\a.txt");
    EXPECT_EQ(JoinExtractPath("C:\\out\\", "a.txt"), "C:\\out\\a.txt");
    EXPECT_EQ(JoinExtractPath("C:\\out", "sub\\a.txt"), "C:\\out\\sub\\a.txt");
#else
    EXPECT_EQ(JoinExtractPath("/out", "a.txt"), "/out/a.txt");
    EXPECT_EQ(JoinExtractPath("/out/", "a.txt"), "/out/a.txt");
    EXPECT_EQ(JoinExtractPath("/out", "sub\\a.txt"), "/out/sub/a.txt");
#endif
}

TEST(MemberNames, LowerName)
{
    EXPECT_EQ(LowerName("Foo.TXT"), "foo.txt");
    EXPECT_EQ(LowerName("already"), "already");
    EXPECT_EQ(LowerName(""), "");
}

TEST(MemberNames, SafeRelativePaths)
{
    for (const char* psz : {"a.txt", "sub\\a.txt", "sub/a.txt", "deep\\er\\x.tga", "a..b", ".hidden",
                            "console.txt", "COM10", "LPT0.txt", "nul_file", "\xC4pfel.txt"})
        EXPECT_TRUE(IsSafeMemberPath(psz)) << psz;
}

TEST(MemberNames, UnsafePaths)
{
    for (const char* psz :
         {"", "\\abs.txt", "/abs.txt", "C:evil.txt", "C:\\evil.txt", "a.txt:stream", "..", ".", "..\\up.txt",
          "sub\\..\\..\\up.txt", "sub/../up.txt", ".\\a.txt", "a\\.\\b", "dots.", "space ", "dir.\\a.txt",
          "dir \\a.txt", "a\\\\b", "trailing\\", "tab\there", "new\nline", "del\x7f", "CON", "con.txt", "Nul",
          "aux.tar.gz", "prn", "COM1", "com9.log", "LPT1", "lpt9.txt", "CONIN$", "conout$.txt", "sub\\NUL",
          "con .txt", "COM\xB9"})
        EXPECT_FALSE(IsSafeMemberPath(psz)) << psz;
}

namespace {

// Lead bytes of code page 932 (Shift JIS): the second byte of such a pair may be 0x5C, "\".
bool IsLead932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// "表" and "ソ" in code page 932: each ends in the byte 0x5C.
const std::string HYO = "\x95\x5C";
const std::string SO = "\x83\x5C";

}  // namespace

TEST(MemberNames, DoubleByteNamesAreWalkedByCharacter)
{
    EXPECT_EQ(MemberNameFromPath("C:\\data\\" + HYO, IsLead932), HYO);
    EXPECT_EQ(MemberNameFromPath("C:\\" + HYO + "\\x.txt", IsLead932), "x.txt");
    EXPECT_EQ(MemberNameFromPath(HYO, IsLead932), HYO);
    EXPECT_FALSE(EndsWithBackslash("D:\\Games\\" + SO, IsLead932));
    EXPECT_TRUE(EndsWithBackslash("D:\\Games\\" + SO + "\\", IsLead932));
    EXPECT_TRUE(EndsWithBackslash("D:\\Games\\" + SO, nullptr));  // what a byte-wise walk sees
    EXPECT_FALSE(EndsWithBackslash("", IsLead932));
    // A lead byte at the very end has no second byte: it is one character of its own.
    EXPECT_EQ(FindLastOf("a\\\x95", "\\", IsLead932), 1u);
    EXPECT_TRUE(IsSafeMemberPath(HYO, IsLead932));
    EXPECT_TRUE(IsSafeMemberPath("sub\\" + SO + ".tga", IsLead932));
    EXPECT_FALSE(IsSafeMemberPath(HYO + "\\..\\..\\up.txt", IsLead932));
    EXPECT_EQ(SplitMemberPath("a\\" + HYO + "\\b", IsLead932), (std::vector<std::string>{"a", HYO, "b"}));
#ifdef _WIN32
    EXPECT_EQ(JoinExtractPath("C:\\out\\" + HYO, "a.txt", IsLead932), "C:\\out\\" + HYO + "\\a.txt");
    EXPECT_EQ(JoinExtractPath("C:\\out\\" + HYO + "\\", "a.txt", IsLead932), "C:\\out\\" + HYO + "\\a.txt");
#else
    // Names written by a Japanese Windows: the pair is kept whole, only real separators become "/".
    EXPECT_EQ(JoinExtractPath("/out", "sub\\" + HYO, IsLead932), "/out/sub/" + HYO);
#endif
}
