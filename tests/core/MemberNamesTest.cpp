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
