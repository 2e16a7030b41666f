// VppToolTest.cpp: the vpp command-line tool, run as a program on real files.
#include "tests/core/CoreTestUtil.h"

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace coretest;

class VppTool : public CoreTest {
protected:
    // Runs vpp with the arguments; returns the exit status and fills stdout and stderr.
    int Run(const std::string& strArgs, const std::string& strFolder = std::string())
    {
        std::string strErr = Path("stderr.txt");
        std::string strCmd = std::string(VPP_TOOL_PATH) + " " + strArgs + " 2>" + strErr;
        if (!strFolder.empty())
            strCmd = "cd " + Q(strFolder) + " && " + strCmd;
        FILE* pPipe = popen(strCmd.c_str(), "r");
        m_strOut.clear();
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pPipe)) > 0)
            m_strOut.append(buf, n);
        int nStatus = pclose(pPipe);
        Bytes err = ReadAll(strErr);
        m_strErr.assign(err.begin(), err.end());
        return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
    }
    std::string Q(const std::string& s) { return "'" + s + "'"; }

    std::string m_strOut, m_strErr;
};

TEST_F(VppTool, NewAddListExtractRemove)
{
    std::string strArchive = Path("t.vpp");
    ASSERT_EQ(Run("new " + Q(strArchive)), 0) << m_strErr;
    EXPECT_EQ(ReadAll(strArchive).size(), 2048u);
    std::string strA = File("a.txt", Pattern(10, 1));
    std::string strB = File("B.bin", Pattern(5000, 2));
    ASSERT_EQ(Run("add " + Q(strArchive) + " " + Q(strA) + " " + Q(strB)), 0) << m_strErr;
    ASSERT_EQ(Run("list " + Q(strArchive)), 0);
    EXPECT_EQ(m_strOut, "a.txt\t10\t4096\nB.bin\t5000\t6144\n");

    std::filesystem::create_directory(Path("out"));
    ASSERT_EQ(Run("extract " + Q(strArchive) + " " + Q(Path("out"))), 0) << m_strErr;
    EXPECT_EQ(ReadAll(Path("out/a.txt")), Pattern(10, 1));
    EXPECT_EQ(ReadAll(Path("out/B.bin")), Pattern(5000, 2));

    EXPECT_EQ(Run("remove " + Q(strArchive) + " a.txt missing"), 1);
    EXPECT_EQ(m_strErr, "missing: No member of that name.\n");
    ASSERT_EQ(Run("list " + Q(strArchive)), 0);
    EXPECT_EQ(m_strOut, "B.bin\t5000\t4096\n");
}

TEST_F(VppTool, FailuresGoToStderrWithNonZeroStatus)
{
    std::string strArchive = Path("t.vpp");
    ASSERT_EQ(Run("new " + Q(strArchive)), 0);
    EXPECT_EQ(Run("add " + Q(strArchive) + " " + Q(Path("nope.txt"))), 1);
    EXPECT_EQ(m_strErr, Path("nope.txt") + ": No such file.\n");
    EXPECT_EQ(Run("extract " + Q(strArchive) + " " + Q(Dir()) + " ghost"), 1);
    EXPECT_EQ(m_strErr, "ghost: No member of that name.\n");
    WriteText(Path("junk.vpp"), "not an archive");
    EXPECT_EQ(Run("list " + Q(Path("junk.vpp"))), 1);
    EXPECT_EQ(m_strErr, "vpp: Unsupported file format (Invalid signature)!\n");
}

TEST_F(VppTool, UsageOnBadArguments)
{
    EXPECT_EQ(Run(""), 2);
    EXPECT_NE(m_strErr.find("usage: vpp list ARCHIVE"), std::string::npos);
    EXPECT_EQ(Run("frobnicate x.vpp"), 2);
    EXPECT_EQ(Run("add x.vpp"), 2);
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(m_strOut.find("vpp extract ARCHIVE DIR [NAME...]"), std::string::npos);
}

TEST_F(VppTool, ConcurrentAddsNeverMixMembers)
{
    // Each run adds its own members; whichever saves win, every member holds its own source's bytes.
    std::vector<std::string> sources;
    for (int i = 0; i < 8; i++)
        sources.push_back(File("src" + std::to_string(i) + ".bin", Pattern(300000 + 4096 * i, 100 + i)));
    for (int nRound = 0; nRound < 15; nRound++) {
        std::string strArchive = Path("c" + std::to_string(nRound) + ".vpp");
        ASSERT_EQ(Run("new " + Q(strArchive)), 0);
        ASSERT_EQ(Run("add " + Q(strArchive) + " " + Q(sources[0]) + " " + Q(sources[1])), 0);
        std::string strCmd = "sh -c '";
        for (int nRun = 0; nRun < 3; nRun++)
            strCmd += std::string(VPP_TOOL_PATH) + " add " + strArchive + " " + sources[2 + 2 * nRun] + " " +
                      sources[3 + 2 * nRun] + " 2>/dev/null & ";
        strCmd += "wait'";
        ASSERT_EQ(std::system(strCmd.c_str()), 0);
        auto pDoc = std::make_unique<CQuarnelDoc>();
        ASSERT_TRUE(pDoc->OpenDocumentFile(strArchive)) << nRound;
        ASSERT_GE(pDoc->m_nFileCount, 2);
        std::filesystem::create_directory(Path("out" + std::to_string(nRound)));
        for (int32_t i = 0; i < pDoc->m_nFileCount; i++) {
            const std::string strName = pDoc->m_entries[i].m_strName;
            ASSERT_EQ(pDoc->ExtractEntry(i, Path("out" + std::to_string(nRound))), 0);
            EXPECT_EQ(ReadAll(Path("out" + std::to_string(nRound) + "/" + strName)), ReadAll(Path(strName)))
                << "round " << nRound << ": " << strName;
        }
        EXPECT_FALSE(Exists("c" + std::to_string(nRound) + ".vpp.try"));
    }
}

TEST_F(VppTool, ArchiveBeyondTheMemberLimitIsNeverChanged)
{
    std::vector<Member> members(VPP_MAX_FILES + 2);
    members[0] = {"first", Pattern(10, 1)};
    std::string strArchive = Archive("over.vpp", members);
    Bytes before = ReadAll(strArchive);
    std::string strNew = File("new.txt", Pattern(3, 2));
    EXPECT_EQ(Run("remove " + Q(strArchive) + " first"), 1);
    EXPECT_NE(m_strErr.find("was not changed"), std::string::npos) << m_strErr;
    EXPECT_EQ(Run("add " + Q(strArchive) + " " + Q(strNew)), 1);
    EXPECT_EQ(ReadAll(strArchive), before);
    EXPECT_FALSE(Exists("over.vpp.try"));

    EXPECT_EQ(Run("list " + Q(strArchive)), 1);
    EXPECT_EQ(m_strOut.substr(0, 9), "first\t10\t");
    EXPECT_NE(m_strErr.find("2 members beyond the first 65536 were left out"), std::string::npos) << m_strErr;
    std::filesystem::create_directory(Path("out"));
    EXPECT_EQ(Run("extract " + Q(strArchive) + " " + Q(Path("out")) + " first"), 1);
    EXPECT_EQ(ReadAll(Path("out/first")), Pattern(10, 1));
}

TEST_F(VppTool, LongNamesAreReportedPerFileAndListEscapesControlCharacters)
{
    std::string strArchive = Path("t.vpp");
    ASSERT_EQ(Run("new " + Q(strArchive)), 0);
    std::string strLong = File(std::string(60, 'x') + ".txt", Pattern(3, 1));
    std::string strTab = File("tab\there.txt", Pattern(3, 2));
    std::string strLine = File("line\nbreak.txt", Pattern(3, 3));
    EXPECT_EQ(Run("add " + Q(strArchive) + " " + Q(strLong) + " " + Q(strTab) + " " + Q(strLine)), 1);
    EXPECT_EQ(m_strErr, strLong + ": File name too long (a member name can have at most 59 bytes).\n");
    ASSERT_EQ(Run("list " + Q(strArchive)), 0);
    EXPECT_EQ(m_strOut, "tab\\x09here.txt\t3\t4096\nline\\x0Abreak.txt\t3\t6144\n");
}

TEST_F(VppTool, PipeAsArchiveOrSourceIsRefused)
{
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(Run("list " + Q(Path("fifo"))), 1);
    EXPECT_EQ(m_strErr, "vpp: " + Path("fifo") + " is not a regular file.\n");
    std::string strArchive = Path("t.vpp");
    ASSERT_EQ(Run("new " + Q(strArchive)), 0);
    EXPECT_EQ(Run("add " + Q(strArchive) + " " + Q(Path("fifo"))), 1);
    EXPECT_NE(m_strErr.find("Not a regular file"), std::string::npos);
}

TEST_F(VppTool, EmptyDestinationExtractsIntoTheCurrentFolder)
{
    std::string strArchive = Path("t.vpp");
    ASSERT_EQ(Run("new " + Q(strArchive)), 0);
    ASSERT_EQ(Run("add " + Q(strArchive) + " " + Q(File("qx-here.bin", Pattern(4, 1)))), 0);
    std::filesystem::create_directory(Path("cwd"));
    ASSERT_EQ(Run("extract " + Q(strArchive) + " '' qx-here.bin", Path("cwd")), 0) << m_strErr;
    EXPECT_EQ(ReadAll(Path("cwd/qx-here.bin")), Pattern(4, 1));
}

TEST_F(VppTool, OutputErrorsMessagesAndEscapes)
{
    std::string strArchive = Archive("t.vpp", {{"a\\x09b", Pattern(1, 1)}, {"tab\tx", Pattern(1, 2)},
                                               {"c1\xC2\x9B" "bad\x9B" "del\x7F", Pattern(1, 3)}, {"caf\xC3\xA9", Pattern(1, 4)},
                                               {"dir", Pattern(1, 5)}});
    EXPECT_EQ(Run("list " + Q(strArchive) + " >/dev/full"), 1);
    EXPECT_EQ(Run("--help >/dev/full"), 1);
    ASSERT_EQ(Run("list " + Q(strArchive)), 0);
    EXPECT_EQ(m_strOut, "a\\\\x09b\t1\t4096\ntab\\x09x\t1\t6144\nc1\\xC2\\x9Bbad\\x9Bdel\\x7F\t1\t8192\ncaf\xC3\xA9\t1\t10240\n"
                        "dir\t1\t12288\n");
    // Each message says what is wrong, hostile names escaped on stderr too.
    std::filesystem::create_directories(Path("out/dir"));
    std::filesystem::create_symlink(Path("nowhere"), Path("dangling.vpp"));
    std::pair<std::string, std::string> cases[] = {
        {"extract " + Q(strArchive) + " " + Q(Path("out")) + " dir", "dir: Skipped since a folder of that name stands at the destination.\n"},
        {"add " + Q(strArchive) + " " + Q(Path("out")), Path("out") + ": Not a regular file (folders, pipes and devices cannot be added).\n"},
        {"list " + Q(Path("out")), "vpp: " + Path("out") + " is not a regular file.\n"},
        {"new " + Q(Path("dangling.vpp")), "vpp: " + Path("dangling.vpp") + " is a symbolic link to a file that does not exist. "
                                           "It was not changed.\nvpp: " + Path("dangling.vpp") + " was not saved\n"},
        {"remove " + Q(strArchive) + " $(printf 'x\\033[2J')", "x\\x1B[2J: No member of that name.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.first), 1) << c.first;
        EXPECT_EQ(m_strErr, c.second);
    }
}

TEST_F(VppTool, SlipsAreRefusedAndSaySo)
{
    // new over an archive, a text file or a folder; extract into a file, or a name in the wrong case;
    // add an empty name or a file whose name holds "\": status 1, a message, every file as it was.
    const std::string strArchive = Archive("a.vpp", {{"m.txt", Pattern(10, 1)}});
    const std::string strNotes = File("notes.txt", Pattern(7, 2)), strSlash = File("dir\\in.txt", Pattern(3, 3));
    const Bytes archive = ReadAll(strArchive), notes = ReadAll(strNotes);
    std::filesystem::create_directory(Path("folder"));
    const std::string strNotAFolder = "m.txt: Error while trying to save file (the destination is a file, not a folder).\n";
    std::pair<std::string, std::string> cases[] = {
        {"new " + Q(strArchive), "vpp: " + strArchive + " already exists. It was not changed.\n"},
        {"new " + Q(strNotes), "vpp: " + strNotes + " already exists. It was not changed.\n"},
        {"new " + Q(Path("folder")), "vpp: " + Path("folder") + " already exists. It was not changed.\n"},
        {"extract " + Q(strArchive) + " " + Q(strNotes), strNotAFolder},
        {"extract " + Q(strArchive) + " " + Q(strNotes) + " m.txt", strNotAFolder},
        {"extract " + Q(strArchive) + " " + Q(Dir()) + " M.TXT", "M.TXT: No member of that name.\n"},
        {"add " + Q(strArchive) + " ''", ": No such file.\n"},
        {"add " + Q(strArchive) + " " + Q(strSlash),
         Path("dir\\\\in.txt") + ": The file name holds \"\\\\\", which separates folders in a member name; rename the file.\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run(c.first), 1) << c.first;
        EXPECT_EQ(m_strErr, c.second);
    }
    EXPECT_EQ(ReadAll(strArchive), archive);
    EXPECT_EQ(ReadAll(strNotes), notes);
    EXPECT_FALSE(Exists("a.vpp.try") || Exists("notes.txt.try") || Exists("m.txt"));
}

TEST_F(VppTool, KilledExtractionLeavesNoPartUnderTheMembersName)
{
    // Killed as soon as it has a file open in the folder, while it copies a 16 MB member: the
    // member's file is whole or not there at all.
    Archive("big.vpp", {{"big.bin", Bytes(16u << 20, 0x5A)}});
    std::filesystem::create_directory(Path("out"));
    std::system(("cd '" + Dir() + "' && { " + VPP_TOOL_PATH + " extract big.vpp out & i=0; while ! ls -l /proc/$!/fd | "
                 "grep -q /out/ && [ $i -lt 3000 ]; do i=$((i+1)); done; kill -9 $!; wait; } 2>/dev/null").c_str());
    const std::string strOut = Path("out/big.bin");
    EXPECT_TRUE(!std::filesystem::exists(strOut) || std::filesystem::file_size(strOut) == (16u << 20));
}
