// TransferNamesTest.cpp: the names under which members are dropped or pasted as files.
#include <gtest/gtest.h>
#include "core/MemberNames.h"
#include "ui/TransferNames.h"

using Names = std::vector<std::string>;

TEST(TransferNames, SafeNamesKeepTheirSpellingUnsafeOnesStayInsideTheFolder)
{
    const std::pair<const char*, const char*> cases[] = {
        { "texture.tga", "texture.tga" },
        { "Maps/Level 1.rfl", "Maps\\Level 1.rfl" },
        { "..\\..\\evil.txt", "evil.txt" },
        { "\\\\server\\share\\x.txt", "server\\share\\x.txt" },
        { "/etc/passwd", "etc\\passwd" },
        { "C:\\windows\\win.ini", "C_\\windows\\win.ini" },
        { "a\\.\\b\\\\c.txt", "a\\b\\c.txt" },
        { "con.txt", "_con.txt" },
        { "dir\\LPT1", "dir\\_LPT1" },
        { "what?<is>|this*\".txt", "what__is__this__.txt" },
        { "tab\there", "tab_here" },
        { "trailing. ", "trailing__" },
        { "..", "_" },
        { "", "_" },
    };
    for (const auto& c : cases)
    {
        std::string strSafe = MakeSafeTransferPath(c.first);
        EXPECT_EQ(strSafe, c.second) << c.first;
        EXPECT_TRUE(IsSafeMemberPath(strSafe)) << strSafe;
    }
}

TEST(TransferNames, ClashesIgnoringCaseGetNumbersBeforeTheExtension)
{
    TransferLayout layout = MakeTransferLayout(
        { "a.txt", "A.TXT", "a (2).txt", "a.txt", "readme", "README", ".cfg", ".cfg", "v1.2\\notes", "v1.2\\notes",
          "..\\a.txt" });
    EXPECT_EQ(layout.arrFiles,
              (Names{ "a.txt", "A (2).TXT", "a (2) (2).txt", "a (3).txt", "readme", "README (2)", ".cfg", ".cfg (2)",
                      "v1.2\\notes", "v1.2\\notes (2)", "a (4).txt" }));
    EXPECT_EQ(layout.arrFolders, Names{ "v1.2" });
}

TEST(TransferNames, FoldersComeFirstOnceAndNoFileTakesTheirName)
{
    TransferLayout layout = MakeTransferLayout({ "maps", "maps\\a\\x.rfl", "MAPS\\b.rfl", "maps/a/y.rfl" });
    EXPECT_EQ(layout.arrFolders, (Names{ "maps", "maps\\a" }));
    EXPECT_EQ(layout.arrFiles, (Names{ "maps (2)", "maps\\a\\x.rfl", "MAPS\\b.rfl", "maps\\a\\y.rfl" }));
}

TEST(TransferNames, ANumberedLongNameStillFitsADescriptor)
{
    std::string strLong(250, 'n');
    strLong += ".texture";   // 258 bytes
    TransferLayout layout = MakeTransferLayout({ strLong, strLong });
    ASSERT_EQ(layout.arrFiles.size(), 2u);
    EXPECT_EQ(layout.arrFiles[0], strLong);
    EXPECT_LE(layout.arrFiles[1].size(), 259u);
    EXPECT_EQ(layout.arrFiles[1].substr(layout.arrFiles[1].size() - 12), " (2).texture");
}

// A long path whose cut would leave a device name in front ends, fits and is safe (the cut used
// to add "_", grow past the limit and cut back to the same name for ever).
TEST(TransferNames, ACutThatWouldStartWithADeviceNameEnds)
{
    for (size_t nTail : { 250u, 251u })
    {
        std::string strName = std::string(10, 'x') + "CON\\" + std::string(nTail, 'b') + ".txt";
        std::string strSafe = MakeSafeTransferPath(strName);
        EXPECT_LE(strSafe.size(), 259u);
        EXPECT_NE(0u, strSafe.rfind("CON", 0)) << strSafe;
    }
}
