// PosixFileTest.cpp: links, permissions, locks, pipes and memory limits on Linux.
#include "tests/core/CoreTestUtil.h"

#include <cstdlib>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace coretest;
namespace fs = std::filesystem;

class PosixFiles : public CoreTest {
protected:
    unsigned Mode(const std::string& strPath) { return static_cast<unsigned>(fs::status(strPath).permissions()) & 0777; }
};

TEST_F(PosixFiles, SideFileLinkIsNeverWrittenThrough)
{
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(100, 1)}});
    std::string strVictim = File("victim.txt", Pattern(50, 2));
    fs::create_symlink(strVictim, Path("a.vpp.try"));
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->AddFile(File("n", Pattern(3, 3))), ADD_RESULT_ADDED);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(ReadAll(strVictim), Pattern(50, 2));
    EXPECT_TRUE(fs::is_symlink(Path("a.vpp.try")));  // left as it was: not the save's own leftover
    EXPECT_FALSE(fs::is_symlink(strArchive));
    EXPECT_EQ(ReadAll(strArchive), BuildArchive({{"m", Pattern(100, 1)}, {"n", Pattern(3, 3)}}));
}

TEST_F(PosixFiles, SaveKeepsModeRefusesReadOnlyAndFollowsTheArchiveLink)
{
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(100, 1)}});
    fs::permissions(strArchive, fs::perms(0600));
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->AddFile(File("n", Pattern(3, 3))), ADD_RESULT_ADDED);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(Mode(strArchive), 0600u);

    fs::permissions(strArchive, fs::perms(0444));
    Bytes before = ReadAll(strArchive);
    ASSERT_EQ(m_pDoc->AddFile(File("o", Pattern(4, 4))), ADD_RESULT_ADDED);
    EXPECT_FALSE(m_pDoc->OnSaveDocument(strArchive));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].strText, strArchive + " is read-only. It was not changed.");
    EXPECT_EQ(ReadAll(strArchive), before);
    EXPECT_EQ(Mode(strArchive), 0444u);
    EXPECT_FALSE(Exists("a.vpp.try"));

    // Reached through a link: the real archive is saved, the link stays a link.
    fs::permissions(strArchive, fs::perms(0640));
    fs::create_directory(Path("links"));
    std::string strLink = Path("links") + "/a.vpp";
    fs::create_symlink(strArchive, strLink);
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strLink));
    ASSERT_EQ(m_pDoc->AddFile(File("p", Pattern(5, 5))), ADD_RESULT_ADDED);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strLink));
    EXPECT_TRUE(fs::is_symlink(strLink));
    EXPECT_EQ(ReadAll(strArchive),
              BuildArchive({{"m", Pattern(100, 1)}, {"n", Pattern(3, 3)}, {"p", Pattern(5, 5)}}));
    EXPECT_EQ(Mode(strArchive), 0640u);
    EXPECT_FALSE(fs::exists(strLink + ".try"));
}

TEST_F(PosixFiles, ExtractDoesNotFollowLinksAtTheDestination)
{
    std::string strArchive = Archive("a.vpp", {{"m.bin", Pattern(10, 1)}, {"sub\\s.bin", Pattern(10, 2)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    fs::create_directory(Path("out"));
    fs::create_directory(Path("outside"));
    std::string strVictim = File("victim.bin", Pattern(5, 3));
    fs::create_symlink(strVictim, Path("out/m.bin"));
    fs::create_directory_symlink(Path("outside"), Path("out/sub"));
    EXPECT_EQ(m_pDoc->ExtractFile("m.bin", Path("out")), EXTRACT_RESULT_LINK);
    EXPECT_EQ(m_pDoc->ExtractFile("sub\\s.bin", Path("out")), EXTRACT_RESULT_LINK);
    EXPECT_EQ(ReadAll(strVictim), Pattern(5, 3));
    EXPECT_TRUE(fs::is_empty(Path("outside")));
    EXPECT_TRUE(fs::is_symlink(Path("out/m.bin")));
}

TEST_F(PosixFiles, DestinationsThatAreNotFilesAreRefusedWithoutBlocking)
{
    // What stands where a member goes: a folder or a pipe at its name, a file where its folder or
    // sub-folder should be, nothing at all. Each stays as it was, and no part of the member is left.
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(10, 1)}, {"sub\\s", Pattern(10, 2)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    struct Case { const char* pszSetUp; const char* pszName; int nCode; };
    const Case cases[] = {
        {"mkdir -p out/m", "m", EXTRACT_RESULT_FOLDER_IN_WAY},
        {"mkdir -p out && mkfifo out/m", "m", EXTRACT_RESULT_NOT_A_FILE},
        {"echo x >out", "m", EXTRACT_RESULT_NOT_A_FOLDER},
        {"mkdir -p out && echo x >out/sub", "sub\\s", EXTRACT_RESULT_NOT_A_FOLDER},
        {"true", "m", EXTRACT_RESULT_NO_FOLDER},
    };
    for (const Case& c : cases) {
        fs::remove_all(Path("out"));
        ASSERT_EQ(std::system(("cd '" + Dir() + "' && " + c.pszSetUp).c_str()), 0);
        const fs::file_type type = fs::symlink_status(Path("out/m")).type();
        EXPECT_EQ(m_pDoc->ExtractFile(c.pszName, Path("out")), c.nCode) << c.pszSetUp;
        EXPECT_EQ(fs::symlink_status(Path("out/m")).type(), type) << c.pszSetUp;
        EXPECT_FALSE(fs::exists(Path("out/m.part")) || fs::exists(Path("out/sub/s.part"))) << c.pszSetUp;
    }
}

TEST_F(PosixFiles, ExclusiveCreateLocksAgainstASecondWriter)
{
    CFile first;
    ASSERT_TRUE(first.Open(Path("x.try"), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
    first.Write("abc", 3);
    CFile second;
    CFileException error;
    EXPECT_FALSE(second.Open(Path("x.try"), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &error));
    EXPECT_EQ(error.m_cause, FileErrorCause::sharingViolation);
    EXPECT_EQ(ReadAll(Path("x.try")).size(), 3u);  // not truncated by the refused open
    first.Close();
    EXPECT_TRUE(second.Open(Path("x.try"), CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
    EXPECT_EQ(ReadAll(Path("x.try")).size(), 0u);
}

TEST_F(PosixFiles, PipesAreRefusedWithoutBlocking)
{
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(m_pDoc->AddFile(Path("fifo")), ADD_RESULT_NOT_A_FILE);
    EXPECT_FALSE(m_pDoc->OpenDocumentFile(Path("fifo")));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].strText, Path("fifo") + " is not a regular file.");
}

TEST_F(PosixFiles, LargeMemberIsCopiedInBoundedMemory)
{
    // A sparse 160 MB member, saved and extracted with far less address space to spare.
    const uint64_t nSize = 160u << 20;
    std::string strBig = Path("big.bin");
    {
        std::ofstream out(strBig, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(nSize - 5));
        out.write("tail!", 5);
    }
    ASSERT_EQ(m_pDoc->AddFile(strBig), ADD_RESULT_ADDED);
    fs::create_directory(Path("out"));
    bool bSaved = false;
    int nExtract = 0;
    {
        rlimit old{};
        getrlimit(RLIMIT_AS, &old);
        std::ifstream status("/proc/self/status");
        std::string strLine;
        rlim_t nVm = 0;
        while (std::getline(status, strLine))
            if (strLine.rfind("VmSize:", 0) == 0)
                nVm = static_cast<rlim_t>(std::stoll(strLine.substr(7))) * 1024;
        rlimit limit = old;
        limit.rlim_cur = nVm + (64u << 20);
        ASSERT_EQ(setrlimit(RLIMIT_AS, &limit), 0);
        bSaved = m_pDoc->OnSaveDocument(Path("big.vpp"));
        if (bSaved)
            nExtract = m_pDoc->ExtractFile("big.bin", Path("out"));
        setrlimit(RLIMIT_AS, &old);
    }
    ASSERT_TRUE(bSaved) << (m_messages.empty() ? "" : m_messages[0].strText);
    EXPECT_EQ(fs::file_size(Path("big.vpp")), 4096 + nSize);
    EXPECT_EQ(nExtract, EXTRACT_RESULT_DONE);
    EXPECT_EQ(fs::file_size(Path("out/big.bin")), nSize);
    std::ifstream in(Path("out/big.bin"), std::ios::binary);
    in.seekg(static_cast<std::streamoff>(nSize - 5));
    char tail[6] = {};
    in.read(tail, 5);
    EXPECT_STREQ(tail, "tail!");
}

TEST_F(PosixFiles, ProtectedFilesAndOwnersAreKept)
{
    // A file the user may not write is not extracted over; a replaced one keeps mode and owner, and
    // so does an archive saved by another user (root here, when the tests run as root).
    std::string strArchive = Archive("a.vpp", {{"ro", Pattern(10, 1)}, {"rw", Pattern(10, 2)}});
    std::string strRo = File("ro", Pattern(3, 3)), strRw = File("rw", Pattern(3, 4));
    fs::permissions(strRo, fs::perms(0444));
    fs::permissions(strRw, fs::perms(0600));
    const uid_t nOwner = geteuid() == 0 ? 65534 : geteuid();
    ASSERT_EQ(chown(strRw.c_str(), nOwner, nOwner) | chown(strArchive.c_str(), nOwner, static_cast<gid_t>(-1)), 0);
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    EXPECT_EQ(m_pDoc->ExtractFile("ro", Dir()), EXTRACT_RESULT_NO_DESTINATION);
    EXPECT_EQ(m_pDoc->ExtractFile("rw", Dir()), EXTRACT_RESULT_DONE);
    EXPECT_EQ(ReadAll(strRo), Pattern(3, 3));
    m_pDoc->SetModifiedFlag(true);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    struct stat stRw {}, stArchive {};
    ASSERT_EQ(stat(strRw.c_str(), &stRw) | stat(strArchive.c_str(), &stArchive), 0);
    EXPECT_EQ(Mode(strRw), 0600u);
    EXPECT_EQ(stRw.st_uid, nOwner);
    EXPECT_EQ(stArchive.st_uid, nOwner);
}
