// EntryOperationsTest.cpp: AddFile, RemoveFile(s), ExtractFile and the result texts.
#include "tests/core/CoreTestUtil.h"

using namespace coretest;

class EntryOps : public CoreTest {};

TEST_F(EntryOps, AddAppendsAndReplacesIgnoringCase)
{
    std::string strFoo = File("foo.txt", Pattern(10, 1));
    std::string strBar = File("bar.txt", Pattern(3000, 2));
    EXPECT_EQ(m_pDoc->AddFile(strFoo), ADD_RESULT_ADDED);
    EXPECT_EQ(m_pDoc->AddFile(strBar), ADD_RESULT_ADDED);
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->m_nTotalSize, 4096 + 2048 + 2048 * 2);

    std::filesystem::create_directory(Path("other"));
    std::string strUpper = File("other" + std::string(1, SEP) + "Foo.TXT", Pattern(20, 3));
    EXPECT_EQ(m_pDoc->AddFile(strUpper), ADD_RESULT_REPLACED);
    ASSERT_EQ(m_pDoc->m_nFileCount, 2);
    const VppEntry& row = m_pDoc->m_entries[0];  // keeps its place, takes the new spelling
    EXPECT_EQ(row.m_strName, "Foo.TXT");
    EXPECT_EQ(row.m_nSize, 20);
    EXPECT_EQ(row.m_strSourcePath, strUpper);
    EXPECT_EQ(row.m_nOffset, 0);
    EXPECT_EQ(row.m_bInArchive, 0);
    // The exact lookups follow the new spelling.
    EXPECT_EQ(m_pDoc->RemoveFile("foo.txt"), 0);
    EXPECT_EQ(m_pDoc->FindEntry("Foo.TXT"), 0);
}

TEST_F(EntryOps, AddReplacesTheLastOfDuplicateNames)
{
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(
        Archive("d.vpp", {{"Dup.txt", Pattern(1, 1)}, {"x", {}}, {"dup.TXT", Pattern(2, 2)}, {"y", {}}})));
    EXPECT_EQ(m_pDoc->AddFile(File("DUP.txt", Pattern(5, 3))), ADD_RESULT_REPLACED);
    EXPECT_EQ(m_pDoc->m_entries[0].m_strName, "Dup.txt");
    EXPECT_EQ(m_pDoc->m_entries[2].m_strName, "DUP.txt");
    EXPECT_EQ(m_pDoc->m_entries[2].m_nSize, 5);
}

TEST_F(EntryOps, AddUnreadableFileChangesNothing)
{
    EXPECT_EQ(m_pDoc->AddFile(Path("missing.txt")), ADD_RESULT_NOT_FOUND);
    EXPECT_EQ(m_pDoc->m_nFileCount, 0);
    EXPECT_FALSE(m_pDoc->IsModified());
}

TEST_F(EntryOps, FullTableRefusesNewNamesButReplaces)
{
    for (int32_t i = 0; i < VPP_MAX_FILES; i++)
        m_pDoc->m_entries[i] = {"f" + std::to_string(i), 0, "", 0, 1};
    m_pDoc->m_nFileCount = VPP_MAX_FILES;
    m_pDoc->InvalidateNameIndex();
    m_pDoc->UpdateTotalSize();
    EXPECT_EQ(m_pDoc->AddFile(File("new.txt", Pattern(1, 1))), ADD_RESULT_TABLE_FULL);
    EXPECT_EQ(CQuarnelDoc::GetAddResultText(ADD_RESULT_TABLE_FULL), "VPP exceeds 65536 files.");
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->AddFile(File("F65535", Pattern(1, 1))), ADD_RESULT_REPLACED);
    EXPECT_EQ(m_pDoc->m_entries[65535].m_strName, "F65535");
}

TEST_F(EntryOps, AddRefusesWhatTheSizeFieldsCannotHold)
{
    m_pDoc->m_entries[0] = {"huge", INT32_MAX - 4096, "", 0, 1};
    m_pDoc->m_nFileCount = 1;
    m_pDoc->InvalidateNameIndex();
    m_pDoc->UpdateTotalSize();
    EXPECT_EQ(m_pDoc->AddFile(File("one", Pattern(1, 1))), ADD_RESULT_TOO_LARGE);
    EXPECT_EQ(m_pDoc->m_nFileCount, 1);
}

TEST_F(EntryOps, RemoveIsExactAndLastWins)
{
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(Archive(
        "r.vpp", {{"a", Pattern(1, 1)}, {"foo.txt", Pattern(3000, 2)}, {"b", Pattern(1, 3)}, {"foo.txt", {}}})));
    EXPECT_EQ(m_pDoc->RemoveFile("FOO.TXT"), 0);
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->RemoveFile("foo.txt"), 1);
    ASSERT_EQ(m_pDoc->m_nFileCount, 3);
    EXPECT_EQ(m_pDoc->m_entries[1].m_nSize, 3000);  // the later, empty one went
    EXPECT_EQ(m_pDoc->RemoveFile("a"), 1);
    ASSERT_EQ(m_pDoc->m_nFileCount, 2);
    EXPECT_EQ(m_pDoc->m_entries[0].m_strName, "foo.txt");
    EXPECT_EQ(m_pDoc->m_entries[1].m_strName, "b");
    EXPECT_EQ(m_pDoc->m_entries[1].m_nOffset, 10240);  // rows keep all their fields
    EXPECT_EQ(m_pDoc->m_nTotalSize, 4096 + 4096 + 2048);
    EXPECT_TRUE(m_pDoc->IsModified());
}

TEST_F(EntryOps, BatchRemovalMatchesRepeatedRemoveFile)
{
    std::mt19937 rng(42);
    for (int nRound = 0; nRound < 20; nRound++) {
        auto pOne = std::make_unique<CQuarnelDoc>();
        auto pBatch = std::make_unique<CQuarnelDoc>();
        int nRows = 1 + static_cast<int>(rng() % 60);
        for (int i = 0; i < nRows; i++) {
            VppEntry e{"n" + std::to_string(rng() % 8), static_cast<int32_t>(rng() % 5000), "src", i + 1, 1};
            pOne->m_entries[i] = e;
            pBatch->m_entries[i] = e;
        }
        pOne->m_nFileCount = pBatch->m_nFileCount = nRows;
        std::vector<std::string> names;
        for (int i = 0, n = static_cast<int>(rng() % 30); i < n; i++)
            names.push_back("n" + std::to_string(rng() % 10));
        std::vector<int> expected;
        for (const auto& s : names)
            expected.push_back(pOne->RemoveFile(s));
        std::vector<int> results;
        pBatch->RemoveFiles(names, &results);
        EXPECT_EQ(results, expected);
        ASSERT_EQ(pBatch->m_nFileCount, pOne->m_nFileCount);
        for (int i = 0; i < pOne->m_nFileCount; i++) {
            EXPECT_EQ(pBatch->m_entries[i].m_strName, pOne->m_entries[i].m_strName);
            EXPECT_EQ(pBatch->m_entries[i].m_nOffset, pOne->m_entries[i].m_nOffset);
        }
        EXPECT_EQ(pBatch->m_nTotalSize, pOne->m_nTotalSize);
        EXPECT_EQ(pBatch->IsModified(), pOne->IsModified());
    }
}

TEST_F(EntryOps, ExtractWritesMembersAndReportsFailures)
{
    Bytes data = Pattern(5000, 1);
    std::string strArchive =
        Archive("x.vpp", {{"a.bin", data}, {"empty", {}}, {"sub\\deep.txt", Pattern(3, 2)}, {"A.BIN", {}}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    std::filesystem::create_directory(Path("out"));
    EXPECT_EQ(m_pDoc->ExtractFile("a.bin", Path("out")), EXTRACT_RESULT_DONE);
    EXPECT_EQ(ReadAll(Path("out") + SEP + "a.bin"), data);
    // With a trailing separator the same file is written.
    EXPECT_EQ(m_pDoc->ExtractFile("empty", Path("out") + SEP), EXTRACT_RESULT_DONE);
    EXPECT_TRUE(std::filesystem::exists(Path("out") + SEP + "empty"));
    EXPECT_EQ(std::filesystem::file_size(Path("out") + SEP + "empty"), 0u);
    // Sub-folders are not created, but used when they exist.
    EXPECT_EQ(m_pDoc->ExtractFile("sub\\deep.txt", Path("out")), EXTRACT_RESULT_NO_FOLDER);
    std::filesystem::create_directory(Path("out") + SEP + "sub");
    EXPECT_EQ(m_pDoc->ExtractFile("sub\\deep.txt", Path("out")), EXTRACT_RESULT_DONE);
    EXPECT_EQ(ReadAll(Path("out") + SEP + "sub" + SEP + "deep.txt"), Pattern(3, 2));

    EXPECT_EQ(m_pDoc->ExtractFile("A.bin", Path("out")), EXTRACT_RESULT_NOT_FOUND);
    EXPECT_EQ(m_pDoc->ExtractFile("a.bin", Path("nowhere")), EXTRACT_RESULT_NO_FOLDER);
    ASSERT_EQ(m_pDoc->AddFile(File("added.txt", Pattern(4, 3))), ADD_RESULT_ADDED);
    EXPECT_EQ(m_pDoc->ExtractFile("added.txt", Path("out")), EXTRACT_RESULT_NOT_SAVED);
    EXPECT_FALSE(std::filesystem::exists(Path("out") + SEP + "added.txt"));
    std::filesystem::remove(strArchive);
    EXPECT_EQ(m_pDoc->ExtractFile("a.bin", Path("out")), EXTRACT_RESULT_NO_ARCHIVE);
}

TEST_F(EntryOps, ExtractRefusesNamesThatLeaveTheFolder)
{
    std::filesystem::create_directory(Path("out"));
    std::filesystem::create_directory(Path("out") + SEP + "sub");
    std::vector<Member> members;
    for (const char* psz : {"..\\escape.txt", "../escape2.txt", "sub\\..\\..\\escape3.txt", "C:evil", "a.txt:ads",
                            "CON", "nul.txt", "trail.", "\\rooted"})
        members.push_back({psz, Pattern(4, 1)});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(Archive("h.vpp", members)));
    for (const auto& m : members) {
        EXPECT_EQ(m_pDoc->ExtractFile(m.strName, Path("out") + SEP + "sub"), EXTRACT_RESULT_UNSAFE_NAME) << m.strName;
    }
    EXPECT_EQ(m_pDoc->ExtractEntry(0, Path("out")), EXTRACT_RESULT_UNSAFE_NAME);
    // Nothing was written anywhere near the folder.
    EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(Path("out")),
                            std::filesystem::recursive_directory_iterator()),
              1);
    EXPECT_FALSE(Exists("escape.txt"));
    EXPECT_FALSE(Exists("escape3.txt"));
}

TEST_F(EntryOps, ExtractOfMemberPastEndLeavesNoFile)
{
    Bytes data = BuildArchive({{"cut", Pattern(100, 1)}});
    PutLE32(data, 2048 + 60, 3000);  // claims more than the file holds
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(File("cut.vpp", data)));
    std::filesystem::create_directory(Path("out"));
    File("out" + std::string(1, SEP) + "cut", Pattern(7, 9));  // an older file of that name is not clobbered
    EXPECT_EQ(m_pDoc->ExtractFile("cut", Path("out")), EXTRACT_RESULT_ARCHIVE_SHORT);
    EXPECT_EQ(ReadAll(Path("out") + SEP + "cut"), Pattern(7, 9));
}

TEST_F(EntryOps, ExtractNeverOverwritesTheArchiveItself)
{
    std::string strArchive = Archive("self.vpp", {{"self.vpp", Pattern(10, 1)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    Bytes before = ReadAll(strArchive);
    EXPECT_EQ(m_pDoc->ExtractFile("self.vpp", Dir()), EXTRACT_RESULT_IS_ARCHIVE);
    EXPECT_EQ(ReadAll(strArchive), before);
}

TEST(ResultTexts, AllCodes)
{
    EXPECT_EQ(CQuarnelDoc::GetAddResultText(0), "File successfully added.");
    EXPECT_EQ(CQuarnelDoc::GetAddResultText(1), "File successfully replaced.");
    EXPECT_EQ(CQuarnelDoc::GetAddResultText(-2),
              "Could not access file. Please verify that it is not opened in another program.");
    EXPECT_EQ(CQuarnelDoc::GetAddResultText(-9), "Unknown error -9.");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(0), "File successfully extracted.");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(-1), "Internal error (file reference not found in memory).");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(-2), "Error while trying to access the .VP file.");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(-3),
              "Error while trying to save file (File/Directory access problem?).");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(-4), "Skipped since this file is not yet saved in a .VPP.");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(-5), "Skipped since the file name is not a safe relative path.");
    EXPECT_EQ(CQuarnelDoc::GetExtractResultText(7), "Unknown error 7.");
    EXPECT_EQ(CQuarnelDoc::GetCopyResultText(0), "File successfully copied.");
    EXPECT_EQ(CQuarnelDoc::GetCopyResultText(-1), "Error while trying to access source file.");
    EXPECT_EQ(CQuarnelDoc::GetCopyResultText(-2), "The file has changed size since it was added; add it again.");
}
