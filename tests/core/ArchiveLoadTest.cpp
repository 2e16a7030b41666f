// ArchiveLoadTest.cpp: opening archives: offsets, limits, refused and damaged files.
#include "tests/core/CoreTestUtil.h"

using namespace coretest;

class ArchiveLoad : public CoreTest {
protected:
    bool Open(const std::string& strPath) { return m_pDoc->OpenDocumentFile(strPath); }

    // Opening must fail with one message, and leave an empty "Untitled" document.
    void ExpectRefused(const Bytes& data, const std::string& strMessage)
    {
        std::string strPath = File("bad.vpp", data);
        m_messages.clear();
        EXPECT_FALSE(Open(strPath));
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].strText, strMessage);
        EXPECT_EQ(m_messages[0].strCaption, "Kestrin Manager QUARNEL");
        EXPECT_EQ(m_messages[0].nFlags, QMB_OK | QMB_ICONEXCLAMATION);
        EXPECT_EQ(m_pDoc->m_nFileCount, 0);
        EXPECT_EQ(m_pDoc->m_nTotalSize, 0);
        EXPECT_EQ(m_pDoc->m_nSignature, VPP_SIGNATURE);
        EXPECT_EQ(m_pDoc->GetTitle(), "Untitled");
        EXPECT_EQ(m_pDoc->GetPathName(), "");
        EXPECT_FALSE(m_pDoc->IsModified());
    }
};

TEST_F(ArchiveLoad, WorkedExampleOffsetsAndRows)
{
    std::string strPath = Archive("ex.vpp", {{"ten", Pattern(10, 1)}, {"zero", {}}, {"big", Pattern(5000, 2)}});
    ASSERT_EQ(ReadAll(strPath).size(), 12288u);
    int nLoadStarted = 0;
    m_pDoc->m_fnOnLoadStarted = [&] { nLoadStarted++; };
    ASSERT_TRUE(Open(strPath));
    EXPECT_EQ(nLoadStarted, 1);
    EXPECT_TRUE(m_messages.empty());
    ASSERT_EQ(m_pDoc->m_nFileCount, 3);
    const int32_t nOffsets[] = {4096, 6144, 6144};
    const int32_t nSizes[] = {10, 0, 5000};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(m_pDoc->m_entries[i].m_nOffset, nOffsets[i]);
        EXPECT_EQ(m_pDoc->m_entries[i].m_nSize, nSizes[i]);
        EXPECT_EQ(m_pDoc->m_entries[i].m_bInArchive, 1);
        EXPECT_EQ(m_pDoc->m_entries[i].m_strSourcePath, strPath);
    }
    EXPECT_EQ(m_pDoc->m_entries[2].m_strName, "big");
    EXPECT_EQ(m_pDoc->m_nTotalSize, 12288);
    EXPECT_EQ(m_pDoc->GetPathName(), strPath);
    EXPECT_EQ(m_pDoc->GetTitle(), "ex.vpp");
    EXPECT_FALSE(m_pDoc->IsModified());
}

TEST_F(ArchiveLoad, DirectoryBlockBoundaryAndZeroSizeRuns)
{
    std::vector<Member> members;
    for (int i = 0; i < 33; i++)
        members.push_back({"m" + std::to_string(i), {}});
    members[31].data = Pattern(3, 3);
    ASSERT_TRUE(Open(Archive("d33.vpp", members)));
    EXPECT_EQ(m_pDoc->m_entries[0].m_nOffset, 6144);   // 33 entries: data after two directory blocks
    EXPECT_EQ(m_pDoc->m_entries[31].m_nOffset, 6144);  // zero-size runs share the next member's offset
    EXPECT_EQ(m_pDoc->m_entries[32].m_nOffset, 8192);
    members.pop_back();
    ASSERT_TRUE(Open(Archive("d32.vpp", members)));
    EXPECT_EQ(m_pDoc->m_entries[0].m_nOffset, 4096);
}

TEST_F(ArchiveLoad, TotalSizeFieldIsIgnored)
{
    WriteAll(Path("t.vpp"), BuildArchive({{"a", Pattern(1, 4)}}, -1, 12345));
    ASSERT_TRUE(Open(Path("t.vpp")));
    EXPECT_EQ(m_pDoc->m_nTotalSize, 6144);
}

TEST_F(ArchiveLoad, SixtyByteNameIsReadWhole)
{
    std::string strName(60, 'n');
    Bytes data = BuildArchive({{"", Pattern(2, 5)}});
    std::fill(data.begin() + 2048, data.begin() + 2048 + 60, 'n');
    ASSERT_TRUE(Open(File("n.vpp", data)));
    EXPECT_EQ(m_pDoc->m_entries[0].m_strName, strName);
}

TEST_F(ArchiveLoad, EmptyFileOpensAsEmptyArchiveWithoutReading)
{
    int nLoadStarted = 0;
    m_pDoc->m_fnOnLoadStarted = [&] { nLoadStarted++; };
    ASSERT_TRUE(Open(File("empty.vpp", {})));
    EXPECT_EQ(nLoadStarted, 0);
    EXPECT_EQ(m_pDoc->m_nFileCount, 0);
    EXPECT_EQ(m_pDoc->GetTitle(), "empty.vpp");
}

TEST_F(ArchiveLoad, FullTableLoadsWithoutWarning)
{
    std::vector<Member> members(VPP_MAX_FILES);
    members[VPP_MAX_FILES - 1] = {"last", Pattern(1, 6)};
    ASSERT_TRUE(Open(Archive("full.vpp", members)));
    EXPECT_TRUE(m_messages.empty());
    EXPECT_EQ(m_pDoc->m_nFileCount, VPP_MAX_FILES);
    EXPECT_EQ(m_pDoc->m_entries[VPP_MAX_FILES - 1].m_nOffset, 2048 + 65536 * 64);
}

TEST_F(ArchiveLoad, TooManyMembersWarnsAndKeepsTrueOffsets)
{
    std::vector<Member> members(VPP_MAX_FILES + 1);
    members[0] = {"first", Pattern(100, 7)};
    members[1] = {"second", Pattern(1, 8)};
    ASSERT_TRUE(Open(Archive("over.vpp", members)));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].strText,
              "WARNING! This file has too many files (65537) for QUARNEL to handle right. QUARNEL will only load "
              "the first 65536 files. Saving over this file is refused; saving under a new name writes the first 65536 files.");
    EXPECT_EQ(m_pDoc->m_nFileCount, VPP_MAX_FILES);
    EXPECT_EQ(m_pDoc->m_entries[0].m_nOffset, 4198400);
    EXPECT_EQ(m_pDoc->m_entries[1].m_nOffset, 4198400 + 2048);
    EXPECT_EQ(m_pDoc->m_nTotalSize, 2048 + 65536 * 64 + 4096);
}

TEST_F(ArchiveLoad, WrongSignatureOrVersionIsRefused)
{
    Bytes good = BuildArchive({{"a", Pattern(5, 9)}});
    Bytes bad = good;
    bad[0] = 'P';
    ExpectRefused(bad, "Unsupported file format (Invalid signature)!");
    ExpectRefused(Bytes{'h', 'i'}, "Unsupported file format (Invalid signature)!");
    bad = good;
    bad[4] = 2;
    ExpectRefused(bad, "Unsupported file format (Invalid version number)!");
}

TEST_F(ArchiveLoad, RefusalAfterAGoodArchiveResetsTheDocument)
{
    ASSERT_TRUE(Open(Archive("good.vpp", {{"a", Pattern(5, 10)}})));
    Bytes bad(100, 'x');
    ExpectRefused(bad, "Unsupported file format (Invalid signature)!");
}

TEST_F(ArchiveLoad, DamagedArchivesAreRefusedWhole)
{
    Bytes good = BuildArchive({{"a", Pattern(5, 11)}, {"b", Pattern(5, 12)}});
    ExpectRefused(Bytes(good.begin(), good.begin() + 6), "Unsupported file format (File is truncated)!");
    ExpectRefused(Bytes(good.begin(), good.begin() + 12), "Unsupported file format (File is truncated)!");
    // The directory ends inside the second entry.
    ExpectRefused(Bytes(good.begin(), good.begin() + 2048 + 100), "Unsupported file format (File is truncated)!");
    // A header that promises more entries than the file holds.
    Bytes more = good;
    PutLE32(more, 8, 1000);
    ExpectRefused(more, "Unsupported file format (File is truncated)!");

    Bytes negCount = good;
    PutLE32(negCount, 8, 0xFFFFFFFF);
    ExpectRefused(negCount, "Unsupported file format (Invalid number of files)!");

    Bytes negSize = good;
    PutLE32(negSize, 2048 + 64 + 60, 0x80000000);
    ExpectRefused(negSize, "Unsupported file format (Invalid file size)!");

    // A member that would end past the signed 32-bit range.
    Bytes huge = good;
    PutLE32(huge, 2048 + 60, 0x7FFFF000);
    ExpectRefused(huge, "Unsupported file format (Archive larger than 2 GB)!");
}

TEST_F(ArchiveLoad, MissingFileLeavesDocumentAsItWas)
{
    ASSERT_TRUE(Open(Archive("keep.vpp", {{"a", Pattern(5, 13)}})));
    m_messages.clear();
    EXPECT_FALSE(Open(Path("missing.vpp")));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].strText.find("missing.vpp"), std::string::npos);
    EXPECT_EQ(m_pDoc->m_nFileCount, 1);
    EXPECT_EQ(m_pDoc->GetTitle(), "keep.vpp");
}
