// HardeningTest.cpp: what a careless or hostile user does to the document: archives replaced by
// another program, relative paths, side files that are member sources, long names, limits near 2 GB.
#include "tests/core/CoreTestUtil.h"

#include "core/MemberNames.h"

using namespace coretest;

namespace {

/** @brief Restores the current folder on scope exit. */
class CCurrentFolder {
public:
    explicit CCurrentFolder(const std::filesystem::path& path) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    ~CCurrentFolder() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

}  // namespace

class Hardening : public CoreTest {
protected:
    // Replaces the file at strPath as another program's save does: a new file renamed over it.
    void ReplaceAsAnotherProgram(const std::string& strPath, const Bytes& data)
    {
        WriteAll(strPath + ".other", data);
        std::filesystem::rename(strPath + ".other", strPath);
    }
};

TEST_F(Hardening, ArchiveReplacedByAnotherProgramIsNeverCopiedFrom)
{
    // Same member names and sizes in another order: the old offsets now point at the other's bytes.
    std::string strArchive = Archive("a.vpp", {{"A.txt", Pattern(3000, 1)}, {"B.txt", Pattern(3000, 2)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->AddFile(File("n.txt", Pattern(5, 3))), ADD_RESULT_ADDED);
    Bytes other = BuildArchive({{"B.txt", Pattern(3000, 2)}, {"A.txt", Pattern(3000, 1)}});
    ReplaceAsAnotherProgram(strArchive, other);
    EXPECT_FALSE(m_pDoc->IsArchiveUnchanged());

    EXPECT_FALSE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(ReadAll(strArchive), other);
    EXPECT_FALSE(Exists("a.vpp.try"));
    EXPECT_TRUE(m_pDoc->IsModified());
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].strText.find("was changed by another program"), std::string::npos);
    EXPECT_NE(m_messages[0].strText.find("open it again"), std::string::npos);
    // Save As elsewhere would copy the same wrong bytes: refused as well.
    EXPECT_FALSE(m_pDoc->OnSaveDocument(Path("elsewhere.vpp")));
    EXPECT_FALSE(Exists("elsewhere.vpp"));
    // Extracting would write B's bytes as A.txt.
    std::filesystem::create_directory(Path("out"));
    EXPECT_EQ(m_pDoc->ExtractFile("A.txt", Path("out")), EXTRACT_RESULT_ARCHIVE_CHANGED);
    EXPECT_FALSE(std::filesystem::exists(Path("out") + SEP + "A.txt"));

    // Once every row that lived in the old archive is gone, nothing is read from it: the save works.
    m_pDoc->RemoveFile("A.txt");
    m_pDoc->RemoveFile("B.txt");
    EXPECT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(ReadAll(strArchive), BuildArchive({{"n.txt", Pattern(5, 3)}}));
}

TEST_F(Hardening, ArchiveRewrittenInPlaceIsNoticedToo)
{
    std::string strArchive = Archive("a.vpp", {{"A.txt", Pattern(3000, 1)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    m_pDoc->SetModifiedFlag(true);
    WriteAll(strArchive, BuildArchive({{"A.txt", Pattern(9000, 4)}}));  // same file, new length
    EXPECT_FALSE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(ReadAll(strArchive), BuildArchive({{"A.txt", Pattern(9000, 4)}}));
}

TEST_F(Hardening, RelativePathsAreMadeFullWhereTheyEnter)
{
    std::filesystem::create_directory(Path("work"));
    std::filesystem::create_directory(Path("elsewhere"));
    std::string strWork = Path("work");
    Archive("work/a.vpp", {{"m", Pattern(100, 1)}});
    File("work/add.bin", Pattern(7, 2));
    // The same names in another folder: a relative path must never come to mean these.
    Archive("elsewhere/a.vpp", {{"decoy", Pattern(100, 9)}});
    File("elsewhere/add.bin", Pattern(7, 9));
    {
        CCurrentFolder cd(strWork);
        ASSERT_TRUE(m_pDoc->OpenDocumentFile("a.vpp"));
        ASSERT_EQ(m_pDoc->AddFile("add.bin"), ADD_RESULT_ADDED);
    }
    const std::string strFull = strWork + SEP + "a.vpp";
    EXPECT_EQ(m_pDoc->GetPathName(), strFull);
    EXPECT_EQ(m_pDoc->m_entries[0].m_strSourcePath, strFull);
    EXPECT_EQ(m_pDoc->m_entries[1].m_strSourcePath, strWork + SEP + "add.bin");
    {
        // A file dialog moved the current folder; the document still saves what it opened.
        CCurrentFolder cd(Path("elsewhere"));
        ASSERT_TRUE(m_pDoc->OnSaveDocument(m_pDoc->GetPathName()));
        m_pDoc->SetPathName("a.vpp");  // as the framework does after a save to a relative name
        EXPECT_EQ(m_pDoc->GetPathName(), Path("elsewhere") + SEP + "a.vpp");
    }
    EXPECT_EQ(ReadAll(strFull), BuildArchive({{"m", Pattern(100, 1)}, {"add.bin", Pattern(7, 2)}}));
    EXPECT_EQ(ReadAll(Path("elsewhere") + SEP + "a.vpp"), BuildArchive({{"decoy", Pattern(100, 9)}}));

    // A relative save target becomes full as well: rows and path name the file written.
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strFull));
    {
        CCurrentFolder cd(Path("elsewhere"));
        ASSERT_TRUE(m_pDoc->OnSaveDocument("copy.vpp"));
    }
    EXPECT_EQ(m_pDoc->GetPathName(), Path("elsewhere") + SEP + "copy.vpp");
    EXPECT_EQ(m_pDoc->m_entries[0].m_strSourcePath, Path("elsewhere") + SEP + "copy.vpp");
}

TEST_F(Hardening, SideFileThatIsAMemberSourceIsLeftAlone)
{
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(100, 1)}});
    std::string strTry = File("a.vpp.try", Pattern(5000, 2));
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->AddFile(strTry), ADD_RESULT_ADDED);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive)) << (m_messages.empty() ? "" : m_messages[0].strText);
    EXPECT_EQ(ReadAll(strTry), Pattern(5000, 2));
    EXPECT_EQ(ReadAll(strArchive), BuildArchive({{"m", Pattern(100, 1)}, {"a.vpp.try", Pattern(5000, 2)}}));
    EXPECT_FALSE(Exists("a.vpp.try2"));  // the other side file was renamed over the target
}

TEST_F(Hardening, FailedSaveLeavesTheModifiedFlagAsItWas)
{
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(100, 1)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    EXPECT_FALSE(m_pDoc->OnSaveDocument(Path("no-such-folder") + SEP + "x.vpp"));
    EXPECT_FALSE(m_pDoc->IsModified());
}

TEST_F(Hardening, SaveWhoseReopenFailsEndsWithAnEmptyDocument)
{
    std::string strArchive = Archive("a.vpp", {{"m", Pattern(100, 1)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->AddFile(File("n", Pattern(3, 2))), ADD_RESULT_ADDED);
    m_pDoc->m_fnOnLoadStarted = [] { throw CUserException(); };  // the re-open is refused
    EXPECT_FALSE(m_pDoc->OnSaveDocument(strArchive));
    m_pDoc->m_fnOnLoadStarted = nullptr;
    EXPECT_EQ(m_pDoc->m_nFileCount, 0);
    EXPECT_EQ(m_pDoc->GetPathName(), "");
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(ReadAll(strArchive), BuildArchive({{"m", Pattern(100, 1)}, {"n", Pattern(3, 2)}}));
}

TEST_F(Hardening, NamesLongerThanTheEntryFieldAreRefused)
{
    std::string strLong(60, 'L');
    std::string strFit(59, 'F');
    EXPECT_EQ(m_pDoc->AddFile(File(strLong, Pattern(3, 1))), ADD_RESULT_NAME_TOO_LONG);
    EXPECT_EQ(m_pDoc->m_nFileCount, 0);
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_EQ(CQuarnelDoc::GetAddResultText(ADD_RESULT_NAME_TOO_LONG),
              "File name too long (a member name can have at most 59 bytes).");
    EXPECT_EQ(m_pDoc->AddFile(File(strFit, Pattern(3, 1))), ADD_RESULT_ADDED);
}

TEST_F(Hardening, ReplaceKeepsTheTotalAndTheNameLookupsRight)
{
    std::string strArchive = Archive("a.vpp", {{"foo.txt", Pattern(5000, 1)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->FindEntry("foo.txt"), 0);  // the name index exists before the replace
    std::filesystem::create_directory(Path("new"));
    ASSERT_EQ(m_pDoc->AddFile(File("new/Foo.TXT", Pattern(10, 2))), ADD_RESULT_REPLACED);
    EXPECT_EQ(m_pDoc->m_nTotalSize, 6144);
    int32_t nRunning = m_pDoc->m_nTotalSize;
    m_pDoc->UpdateTotalSize();
    EXPECT_EQ(m_pDoc->m_nTotalSize, nRunning);
    // The new spelling is found, the old one is not.
    EXPECT_EQ(m_pDoc->ExtractFile("Foo.TXT", Dir()), EXTRACT_RESULT_NOT_SAVED);
    EXPECT_EQ(m_pDoc->ExtractFile("foo.txt", Dir()), EXTRACT_RESULT_NOT_FOUND);
    ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    ASSERT_EQ(m_pDoc->FindEntry("Foo.TXT"), 0);
    ASSERT_EQ(m_pDoc->AddFile(File("FOO.txt", Pattern(4, 3))), ADD_RESULT_REPLACED);
    EXPECT_EQ(m_pDoc->RemoveFile("FOO.txt"), 1);
    EXPECT_EQ(m_pDoc->m_nFileCount, 0);
}

TEST_F(Hardening, ReplaceOfAMemberNear2GBIsNotRefused)
{
    // The largest member one archive can hold: data at 4096, ending at the last block below 2 GB.
    const int32_t nHuge = static_cast<int32_t>((INT32_MAX - 4096) / 2048 * 2048);
    m_pDoc->m_entries[0] = {"huge.bin", nHuge, "", 4096, 1};
    m_pDoc->m_nFileCount = 1;
    m_pDoc->InvalidateNameIndex();
    m_pDoc->UpdateTotalSize();
    EXPECT_EQ(m_pDoc->AddFile(File("HUGE.bin", Pattern(10, 1))), ADD_RESULT_REPLACED);
    EXPECT_EQ(m_pDoc->m_nTotalSize, 6144);
}

TEST_F(Hardening, ArchiveWhoseLastMemberCrosses2GBIsRefused)
{
    Bytes data = BuildArchive({{"a", Pattern(5, 1)}, {"b", Pattern(5, 2)}, {"c", Pattern(5, 3)}});
    // The first two members are far below the limit; the last one ends just past it.
    PutLE32(data, 2048 + 64 + 60, 0x40000000);
    PutLE32(data, 2048 + 128 + 60, 0x40000000 - 8192 + 1);
    EXPECT_FALSE(m_pDoc->OpenDocumentFile(File("cross.vpp", data)));
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_EQ(m_messages[0].strText, "Unsupported file format (Archive larger than 2 GB)!");
    // One byte less and it fits (only the directory is read).
    m_messages.clear();
    PutLE32(data, 2048 + 128 + 60, 0x40000000 - 8192);
    EXPECT_TRUE(m_pDoc->OpenDocumentFile(File("fits.vpp", data)));
}

TEST_F(Hardening, LastMemberEndingAtTheEndOfTheFileIsExtracted)
{
    Bytes data = BuildArchive({{"a", Pattern(10, 1)}, {"last", Pattern(3000, 2)}});
    data.resize(data.size() - (4096 - 3000));  // no padding after the last member
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(File("tight.vpp", data)));
    std::filesystem::create_directory(Path("out"));
    EXPECT_EQ(m_pDoc->ExtractFile("last", Path("out")), EXTRACT_RESULT_DONE);
    EXPECT_EQ(ReadAll(Path("out") + SEP + "last"), Pattern(3000, 2));
    // And it is copied by a save.
    EXPECT_TRUE(m_pDoc->OnSaveDocument(Path("copy.vpp")));
}

TEST_F(Hardening, EmptyDestinationMeansTheCurrentFolder)
{
    std::string strArchive = Archive("a.vpp", {{"qx-empty-dest.bin", Pattern(10, 1)}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    std::filesystem::create_directory(Path("here"));
    {
        CCurrentFolder cd(Path("here"));
        EXPECT_EQ(m_pDoc->ExtractFile("qx-empty-dest.bin", ""), EXTRACT_RESULT_DONE);
    }
    EXPECT_EQ(ReadAll(Path("here") + SEP + "qx-empty-dest.bin"), Pattern(10, 1));
    EXPECT_EQ(JoinExtractPath("", "x.txt"), "x.txt");
}

TEST_F(Hardening, CopyResultTextsSayWhatHappened)
{
    // A changed size and a read failure are not "unknown", and not an archive that ends early.
    EXPECT_EQ(CQuarnelDoc::GetCopyResultText(COPY_RESULT_SIZE_CHANGED),
              "The file has changed size since it was added; add it again.");
    EXPECT_EQ(CQuarnelDoc::GetCopyResultText(COPY_RESULT_READ_FAILED), "Error while reading source file.");
    // Every extract destination problem has its own text.
    std::vector<std::string> texts;
    for (int nCode : std::initializer_list<int>{EXTRACT_RESULT_NO_DESTINATION, EXTRACT_RESULT_NO_FOLDER, EXTRACT_RESULT_WRITE_FAILED,
                      EXTRACT_RESULT_IS_ARCHIVE, EXTRACT_RESULT_LINK, EXTRACT_RESULT_IN_USE, EXTRACT_RESULT_ARCHIVE_SHORT,
                      EXTRACT_RESULT_ARCHIVE_CHANGED}) {
        std::string strText = CQuarnelDoc::GetExtractResultText(nCode);
        EXPECT_EQ(strText.find("Unknown"), std::string::npos) << nCode;
        EXPECT_EQ(std::count(texts.begin(), texts.end(), strText), 0) << strText;
        texts.push_back(strText);
    }
}
