// ArchiveSaveTest.cpp: the writer's bytes and the save procedure with its ".try" file and failure paths.
#include "tests/core/CoreTestUtil.h"

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace coretest;

namespace {

class CCountingView : public CViewBase {
public:
    void OnUpdate(CViewBase* pSender, long lHint, void* pHint) override
    {
        EXPECT_EQ(pSender, nullptr);
        EXPECT_EQ(lHint, 0);
        EXPECT_EQ(pHint, nullptr);
        m_nUpdates++;
    }
    int m_nUpdates = 0;
};

/** @brief A document whose final replace step fails, as when the target cannot be replaced. */
class CNoReplaceDoc : public CQuarnelDoc {
protected:
    bool ReplaceTarget(const std::string&, const std::string& strTo, CFileException* pError) override
    {
        *pError = CFileException(FileErrorCause::accessDenied, 5, strTo);
        return false;
    }
};

}  // namespace

class ArchiveSave : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        m_pDoc->AddView(&m_view);
    }
    void TearDown() override
    {
        m_pDoc->RemoveView(&m_view);
        CoreTest::TearDown();
    }

    CCountingView m_view;
};

TEST_F(ArchiveSave, NewDocumentState)
{
    EXPECT_EQ(m_pDoc->m_nFileCount, 0);
    EXPECT_EQ(m_pDoc->m_nTotalSize, 0);
    EXPECT_EQ(m_pDoc->m_nSignature, VPP_SIGNATURE);
    EXPECT_EQ(m_pDoc->m_nVersion, 1u);
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->GetTitle(), "Untitled");
}

TEST_F(ArchiveSave, EmptyArchiveIsOneBlock)
{
    ASSERT_TRUE(m_pDoc->OnSaveDocument(Path("empty.vpp")));
    Bytes data = ReadAll(Path("empty.vpp"));
    EXPECT_EQ(data, BuildArchive({}));
    EXPECT_EQ(data.size(), 2048u);
    EXPECT_EQ(ReadLE32(&data[12]), 2048u);
    EXPECT_EQ(m_pDoc->m_nTotalSize, 2048);
    EXPECT_EQ(m_pDoc->GetPathName(), Path("empty.vpp"));
    EXPECT_FALSE(Exists("empty.vpp.try"));  // no file existed: written straight to the target
    EXPECT_EQ(m_view.m_nUpdates, 1);
}

TEST_F(ArchiveSave, WrittenBytesMatchTheLayout)
{
    // Sizes around the block size, a zero-size member, and names at the field's limits.
    std::vector<Member> members = {{"one", Pattern(1, 1)},           {"zero", {}},
                                   {std::string(59, 'x'), Pattern(2048, 2)}, {"b2049", Pattern(2049, 3)},
                                   {"last", Pattern(10, 4)}};
    for (const auto& m : members)
        ASSERT_GE(m_pDoc->AddFile(File(m.strName, m.data)), 0);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(Path("out.vpp")));
    EXPECT_EQ(ReadAll(Path("out.vpp")), BuildArchive(members));
    EXPECT_EQ(m_pDoc->m_nTotalSize, static_cast<int32_t>(ReadAll(Path("out.vpp")).size()));

    // A single one-byte member: data at 4096, file 6144 bytes long.
    auto pDoc = std::make_unique<CQuarnelDoc>();
    pDoc->OnNewDocument();
    pDoc->AddFile(File("single", Pattern(1, 5)));
    ASSERT_TRUE(pDoc->OnSaveDocument(Path("single.vpp")));
    EXPECT_EQ(pDoc->m_entries[0].m_nOffset, 4096);
    EXPECT_EQ(ReadAll(Path("single.vpp")).size(), 6144u);
}

TEST_F(ArchiveSave, SixtyByteNameIsStoredAsFiftyNine)
{
    Bytes data = BuildArchive({{"", Pattern(2, 5)}});
    std::fill(data.begin() + 2048, data.begin() + 2048 + 60, 'n');
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(File("n.vpp", data)));
    ASSERT_TRUE(m_pDoc->OnSaveDocument(Path("n2.vpp")));
    EXPECT_EQ(m_pDoc->m_entries[0].m_strName, std::string(59, 'n'));
}

TEST_F(ArchiveSave, SaveOverOpenedArchiveGoesThroughTryAndReopens)
{
    std::string strArchive = Archive("a.vpp", {{"keep1", Pattern(3000, 1)}, {"gone", Pattern(10, 2)},
                                              {"keep2", Pattern(5, 3)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->RemoveFile("gone"), 1);
    ASSERT_EQ(m_pDoc->AddFile(File("new.bin", Pattern(7, 4))), 0);
    // A leftover ".try" from an earlier attempt is simply overwritten.
    WriteText(strArchive + ".try", "leftover");
    EXPECT_TRUE(m_pDoc->IsModified());

    ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_FALSE(Exists("a.vpp.try"));
    EXPECT_EQ(ReadAll(strArchive),
              BuildArchive({{"keep1", Pattern(3000, 1)}, {"keep2", Pattern(5, 3)}, {"new.bin", Pattern(7, 4)}}));
    EXPECT_FALSE(m_pDoc->IsModified());
    ASSERT_EQ(m_pDoc->m_nFileCount, 3);
    const int32_t nOffsets[] = {4096, 8192, 10240};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(m_pDoc->m_entries[i].m_bInArchive, 1);
        EXPECT_EQ(m_pDoc->m_entries[i].m_strSourcePath, strArchive);
        EXPECT_EQ(m_pDoc->m_entries[i].m_nOffset, nOffsets[i]);
    }
    EXPECT_EQ(m_view.m_nUpdates, 1);
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(ArchiveSave, MembersCopiedTogetherGetZerosBetweenThem)
{
    // Members that follow one another in the archive are copied in large pieces; whatever lies
    // between them in the archive read (here 0xEE), the new one holds zeros, also across a piece's end.
    const std::vector<Member> members = {{"a", Pattern(3000, 1)}, {"b", Pattern(VPP_COPY_CHUNK - 4196, 2)},
                                         {"c", Pattern(5, 3)}, {"d", {}}, {"e", Pattern(2048, 4)}};
    Bytes data = BuildArchive(members);
    for (size_t i = 0, nAt = 4096; i < members.size(); nAt += (members[i++].data.size() + 2047) / 2048 * 2048)
        std::fill(data.begin() + nAt + members[i].data.size(), data.begin() + nAt + (members[i].data.size() + 2047) / 2048 * 2048, 0xEE);
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(File("a.vpp", data)));
    ASSERT_TRUE(m_pDoc->OnSaveDocument(Path("b.vpp")));
    EXPECT_EQ(ReadAll(Path("b.vpp")), BuildArchive(members));
}

TEST_F(ArchiveSave, SaveAsToAnotherExistingFileKeepsTheSource)
{
    std::string strSource = Archive("src.vpp", {{"m", Pattern(100, 1)}});
    std::string strOther = Archive("other.vpp", {{"x", Pattern(1, 2)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strSource));
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strOther));
    EXPECT_EQ(ReadAll(strOther), ReadAll(strSource));
    EXPECT_EQ(m_pDoc->GetPathName(), strOther);
    EXPECT_EQ(m_pDoc->m_entries[0].m_strSourcePath, strOther);
}

class ArchiveSaveFailure : public ArchiveSave {
protected:
    // Opens an archive, adds an outside file and returns the archive's bytes before the save.
    void Prepare()
    {
        m_strArchive = Archive("a.vpp", {{"m", Pattern(500, 1)}});
        ASSERT_TRUE(m_pDoc->OpenDocumentFile(m_strArchive));
        m_strOutside = File("outside.bin", Pattern(3000, 2));
        ASSERT_EQ(m_pDoc->AddFile(m_strOutside), 0);
        m_before = ReadAll(m_strArchive);
    }

    void ExpectFailedAndUntouched()
    {
        EXPECT_FALSE(m_pDoc->OnSaveDocument(m_strArchive));
        EXPECT_EQ(ReadAll(m_strArchive), m_before);
        EXPECT_FALSE(Exists("a.vpp.try"));
        EXPECT_TRUE(m_pDoc->IsModified());
        ASSERT_EQ(m_pDoc->m_nFileCount, 2);
        EXPECT_EQ(m_pDoc->m_entries[1].m_strSourcePath, m_strOutside);
        EXPECT_EQ(m_pDoc->m_entries[1].m_bInArchive, 0);
        EXPECT_EQ(m_pDoc->m_bSaveFailed, 1);
        EXPECT_EQ(m_view.m_nUpdates, 1);
    }

    std::string m_strArchive, m_strOutside;
    Bytes m_before;
};

TEST_F(ArchiveSaveFailure, OutsideFileDeleted)
{
    Prepare();
    std::filesystem::remove(m_strOutside);
    ExpectFailedAndUntouched();
    EXPECT_EQ(m_pDoc->GetSaveFailureReport(), "outside.bin\r\nError while trying to access source file.\r\n\r\n");
    EXPECT_TRUE(m_messages.empty());  // the procedure itself shows no message for a failed member
}

TEST_F(ArchiveSaveFailure, OutsideFileGrownOrShrunk)
{
    Prepare();
    WriteAll(m_strOutside, Pattern(3001, 2));
    ExpectFailedAndUntouched();
    EXPECT_EQ(m_pDoc->GetSaveFailureReport(),
              "outside.bin\r\nThe file has changed size since it was added; add it again.\r\n\r\n");
    m_view.m_nUpdates = 0;
    WriteAll(m_strOutside, Pattern(10, 2));
    ExpectFailedAndUntouched();
}

TEST_F(ArchiveSaveFailure, ArchiveMemberPastEndOfSourceIsNotZeroFilled)
{
    // The directory promises more bytes than the archive holds; the save must not invent them.
    Bytes data = BuildArchive({{"m", Pattern(500, 1)}});
    PutLE32(data, 2048 + 60, 5000);
    WriteAll(Path("a.vpp"), data);
    m_strArchive = Path("a.vpp");
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(m_strArchive));
    m_strOutside = File("outside.bin", Pattern(3000, 2));
    ASSERT_EQ(m_pDoc->AddFile(m_strOutside), 0);
    m_before = ReadAll(m_strArchive);
    ExpectFailedAndUntouched();
    EXPECT_EQ(m_pDoc->GetSaveFailureReport(),
              "m\r\nError while trying to read source file (it ends before the member does).\r\n\r\n");
}

TEST_F(ArchiveSaveFailure, FailedSaveAsLeavesNoNewFile)
{
    Prepare();
    std::filesystem::remove(m_strOutside);
    EXPECT_FALSE(m_pDoc->OnSaveDocument(Path("fresh.vpp")));
    EXPECT_FALSE(Exists("fresh.vpp"));
    EXPECT_EQ(m_pDoc->GetPathName(), m_strArchive);
}

TEST_F(ArchiveSaveFailure, ReplaceFailureKeepsTheCompleteTryFile)
{
    auto pDoc = std::make_unique<CNoReplaceDoc>();
    pDoc->OnNewDocument();
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(500, 1)}});
    ASSERT_TRUE(pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(pDoc->AddFile(File("n", Pattern(9, 3))), 0);
    Bytes before = ReadAll(strArchive);
    EXPECT_FALSE(pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(ReadAll(strArchive), before);
    EXPECT_EQ(ReadAll(strArchive + ".try"), BuildArchive({{"m", Pattern(500, 1)}, {"n", Pattern(9, 3)}}));
    EXPECT_TRUE(pDoc->IsModified());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].strText, "Access to " + strArchive + " was denied.");
}

TEST_F(ArchiveSaveFailure, UnwritableOutputIsReported)
{
    Prepare();
    EXPECT_FALSE(m_pDoc->OnSaveDocument(Path("no-such-folder") + SEP + "x.vpp"));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].strText.find("x.vpp"), std::string::npos);
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_EQ(ReadAll(m_strArchive), m_before);
}

#ifndef _WIN32
// A file-size limit makes writes fail part-way, as a full disk does.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nLimit)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nLimit;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int);
};

TEST_F(ArchiveSaveFailure, DiskFullDuringStore)
{
    Prepare();
    {
        CFileSizeLimit limit(4096 + 100);
        EXPECT_FALSE(m_pDoc->OnSaveDocument(m_strArchive));
    }
    EXPECT_EQ(ReadAll(m_strArchive), m_before);
    EXPECT_FALSE(Exists("a.vpp.try"));
    EXPECT_TRUE(m_pDoc->IsModified());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].strText, "There is not enough space on the disk to write " + m_strArchive + ".try.");
}

TEST_F(ArchiveSaveFailure, DiskFullDuringExtractKeepsTheOlderFile)
{
    std::string strArchive = Archive("x.vpp", {{"big", Pattern(300000, 1)}, {"new", Pattern(300000, 2)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    std::filesystem::create_directory(Path("out"));
    File("out/big", Pattern(50, 9));
    int nCodeOld, nCodeNew;
    {
        CFileSizeLimit limit(100000);
        nCodeOld = m_pDoc->ExtractFile("big", Path("out"));
        nCodeNew = m_pDoc->ExtractFile("new", Path("out"));
    }
    EXPECT_EQ(nCodeOld, EXTRACT_RESULT_WRITE_FAILED);
    EXPECT_EQ(nCodeNew, EXTRACT_RESULT_WRITE_FAILED_NEW);  // no older file to keep: the text says so
    EXPECT_EQ(ReadAll(Path("out/big")), Pattern(50, 9));  // the file it would have replaced is intact
    EXPECT_FALSE(Exists("out/new"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("out")), std::filesystem::directory_iterator()), 1);
}
#endif
