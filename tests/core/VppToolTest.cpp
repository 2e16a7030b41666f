// VppToolTest.cpp: the vpp command-line tool, run as a program on real files.
#include "tests/core/CoreTestUtil.h"

#include <cstdio>
#include <sys/wait.h>

using namespace coretest;

class VppTool : public CoreTest {
protected:
    // Runs vpp with the arguments; returns the exit status and fills stdout and stderr.
    int Run(const std::string& strArgs)
    {
        std::string strErr = Path("stderr.txt");
        std::string strCmd = std::string(VPP_TOOL_PATH) + " " + strArgs + " 2>" + strErr;
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
    EXPECT_EQ(m_strErr, Path("nope.txt") + ": Could not access file. Please verify that it is not opened in another program.\n");
    EXPECT_EQ(Run("extract " + Q(strArchive) + " " + Q(Dir()) + " ghost"), 1);
    EXPECT_EQ(m_strErr, "ghost: Internal error (file reference not found in memory).\n");
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
