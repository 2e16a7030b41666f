// HardeningTest.cpp: what a careless or hostile user does to the document: archives replaced by
// another program, relative paths, side files that are member sources, long names, limits near 2 GB.
#include "tests/core/CoreTestUtil.h"

#include <chrono>
#include <thread>

#include "core/MemberNames.h"

#ifdef _WIN32
#include <windows.h>
#endif

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
    static bool CreateSymlink(const std::string& strTo, const std::string& strLink)
    {
#ifdef _WIN32
        return CreateSymbolicLinkA(strLink.c_str(), strTo.c_str(), 0);  // Wine: a link of the file system below
#else
        std::error_code ec;
        std::filesystem::create_symlink(strTo, strLink, ec);
        return !ec;
#endif
    }

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

    // Once every row that lived in the old archive is gone, nothing is read from it: Save As works,
    // but a save over the changed archive would still lose the other program's result.
    m_pDoc->RemoveFile("A.txt");
    m_pDoc->RemoveFile("B.txt");
    EXPECT_FALSE(m_pDoc->OnSaveDocument(strArchive));
    EXPECT_EQ(ReadAll(strArchive), other);
    EXPECT_TRUE(m_pDoc->OnSaveDocument(Path("elsewhere.vpp")));
    EXPECT_EQ(ReadAll(Path("elsewhere.vpp")), BuildArchive({{"n.txt", Pattern(5, 3)}}));
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

TEST_F(Hardening, ASaveOverAnArchiveChangedSinceItWasReadIsRefused)
{
    // Two documents read one archive, each replacing every member (or there was none): the second
    // save would throw the first one's result away. A save after our own, or New + Save As, is fine.
    for (bool bEmpty : {true, false}) {
        std::string strArchive = Archive("a.vpp", bEmpty ? std::vector<Member>{} : std::vector<Member>{{"f", Pattern(9, 1)}});
        CQuarnelDoc other;
        ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive) && other.OpenDocumentFile(strArchive));
        ASSERT_TRUE(m_pDoc->AddFile(File("f", Pattern(5, 2))) >= 0 && other.AddFile(File("g", Pattern(6, 3))) >= 0);
        ASSERT_TRUE(other.OnSaveDocument(strArchive));
        Bytes first = ReadAll(strArchive);
        EXPECT_FALSE(m_pDoc->OnSaveDocument(strArchive)) << bEmpty;
        EXPECT_EQ(ReadAll(strArchive), first);
        EXPECT_NE(TakeMessages().find("was changed by another program"), std::string::npos);
        other.SetModifiedFlag(true);
        EXPECT_TRUE(other.OnSaveDocument(strArchive));
        m_pDoc->OnNewDocument();
        EXPECT_TRUE(m_pDoc->OnSaveDocument(strArchive));
    }
    // Over an archive whose members beyond the table were left out, only Save As works.
    std::vector<Member> members(VPP_MAX_FILES + 1);
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(Archive("over.vpp", members)));
    EXPECT_FALSE(m_pDoc->OnSaveDocument(Path("over.vpp")));
    EXPECT_NE(TakeMessages().find("would lose the 1 member beyond that"), std::string::npos);
    EXPECT_EQ(ReadAll(Path("over.vpp")), BuildArchive(members));
    EXPECT_TRUE(m_pDoc->OnSaveDocument(Path("new.vpp")));
}

TEST_F(Hardening, ArchiveChangedOrWriteFailingBetweenMembersLeavesEverythingAsItWas)
{
    // After a member is copied another program rewrites the archive in place, its write time put back,
    // or replaces it during a save reading nothing from it, or a write fails: the save or member fails,
    // both files stay as they were, no side file or part of a member is left (Windows keeps an extracted
    // archive from being written: there the extraction succeeds).
    namespace fs = std::filesystem;
    std::string strArchive = Path("a.vpp");
    const Bytes original = BuildArchive({{"A", Pattern(3000, 1)}, {"B", Pattern(3000, 2)}});
    const Bytes rewritten = BuildArchive({{"B", Pattern(3000, 2)}, {"A", Pattern(3000, 1)}});
    enum Change { REWRITE, REPLACE, WRITE_FAILS };
    for (auto target : {std::make_pair("a.vpp", REWRITE), std::make_pair("b.vpp", REWRITE), std::make_pair("a.vpp", REPLACE),
                        std::make_pair("a.vpp", WRITE_FAILS), std::make_pair("", REWRITE)}) {
        WriteAll(strArchive, original);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a change in a later tick of the file clock
        fs::remove_all(Path("out"));
        fs::create_directory(Path("out"));
        CHookedDoc doc;
        ASSERT_TRUE(doc.OpenDocumentFile(strArchive));
        doc.SetModifiedFlag(true);
        if (target.second == REPLACE) {
            ASSERT_TRUE(doc.RemoveFile("A") && doc.RemoveFile("B") && doc.AddFile(File("n", Pattern(5, 3))) >= 0);
        }
        bool bChanged = false;
        doc.m_fnAfterMember = [&](int32_t nIndex) {
            if (nIndex == 0 && target.second == WRITE_FAILS)
                throw CFileException(FileErrorCause::diskFull, 0, strArchive + ".try");
            if (nIndex == 0 && target.second == REPLACE) {
                ReplaceAsAnotherProgram(strArchive, rewritten);
                bChanged = true;
            } else if (nIndex == 0) {
                const auto time = fs::last_write_time(strArchive);
                bChanged = RewriteInPlace(strArchive, rewritten);
                std::error_code ec;
                fs::last_write_time(strArchive, time, ec);
            }
        };
        if (!*target.first) {  // an extraction session, member by member
            CExtractSession session(doc);
            const int nFirst = doc.ExtractEntry(0, Path("out")), nSecond = doc.ExtractEntry(1, Path("out"));
            EXPECT_EQ(nFirst, bChanged ? EXTRACT_RESULT_ARCHIVE_CHANGED : EXTRACT_RESULT_DONE);
            EXPECT_EQ(nSecond, bChanged ? EXTRACT_RESULT_ARCHIVE_CHANGED : EXTRACT_RESULT_DONE);
            EXPECT_EQ(fs::is_empty(Path("out")), bChanged);
        }
        if (!*target.first) {
            EXPECT_TRUE(CFile::Remove(strArchive));  // closed when the session ended
            continue;
        }
        EXPECT_FALSE(doc.OnSaveDocument(Path(target.first))) << target.first << target.second;
        EXPECT_EQ(ReadAll(strArchive), target.second == WRITE_FAILS ? original : rewritten);
        EXPECT_FALSE(Exists("b.vpp") || Exists("a.vpp.try"));
    }
    // Made read-only meanwhile, it is still the archive read: Save As copies it.
    WriteAll(strArchive, original);
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    fs::permissions(strArchive, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
    EXPECT_TRUE(m_pDoc->OnSaveDocument(Path("r.vpp"))) << TakeMessages();
    EXPECT_EQ(ReadAll(Path("r.vpp")), original);
    fs::permissions(strArchive, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(Hardening, WhateverStandsAtTheSideFileNameIsNeverWrittenInto)
{
    // ".try" as a hard link to an unrelated file or to the archive (kept as "keep" too), a symbolic
    // link, a file left over, a member's source, the side file of a save still running: the save works,
    // the file behind "keep" survives, and only the plain leftover is removed.
    namespace fs = std::filesystem;
    enum Kind { HARD_LINK, LINK_TO_ARCHIVE, SYMLINK, LEFTOVER, SOURCE, HELD };
    for (Kind kind : {HARD_LINK, LINK_TO_ARCHIVE, SYMLINK, LEFTOVER, SOURCE, HELD}) {
        fs::remove_all(Path("k"));
        fs::create_directory(Path("k"));
        const std::string strArchive = Archive("k/a.vpp", {{"m", Pattern(100, 1)}}), strTry = strArchive + ".try";
        const std::string strKeep = kind == LINK_TO_ARCHIVE ? strArchive + ".keep" : kind == HELD ? strTry : File("k/keep", Pattern(50, 2));
        if (kind == HARD_LINK || kind == LINK_TO_ARCHIVE)
            fs::create_hard_link(kind == HARD_LINK ? strKeep : strArchive, strTry);
        if (kind == LINK_TO_ARCHIVE)
            fs::create_hard_link(strArchive, strKeep);
        if (kind == LEFTOVER || kind == SOURCE)
            File("k/a.vpp.try", Pattern(70, 3));
        CFile held;  // locked (POSIX) or open without sharing, as a running save holds it
        if (kind == HELD) {
            ASSERT_TRUE(held.Open(strTry, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive));
        }
        if (kind == SYMLINK && !(CreateSymlink(strKeep, strTry) && fs::exists(fs::symlink_status(strTry))))
            continue;  // no symbolic links here (Wine's CreateSymbolicLinkA makes none)
        const Bytes keep = ReadAll(strKeep);
        ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
        ASSERT_EQ(kind == SOURCE ? m_pDoc->AddFile(strTry) : m_pDoc->RemoveFile("m"), kind == SOURCE ? ADD_RESULT_ADDED : 1);
        ASSERT_TRUE(m_pDoc->OnSaveDocument(strArchive)) << TakeMessages();
        EXPECT_EQ(ReadAll(strKeep), keep) << kind;
        EXPECT_EQ(ReadAll(strArchive), kind == SOURCE ? BuildArchive({{"m", Pattern(100, 1)}, {"a.vpp.try", Pattern(70, 3)}})
                                                      : BuildArchive({})) << kind;
        EXPECT_EQ(fs::exists(fs::symlink_status(strTry)), kind != LEFTOVER) << kind;
        EXPECT_FALSE(fs::exists(strTry + "2")) << kind;
    }
}

TEST_F(Hardening, NamesThatTheCutWouldMakeEqualAreRefused)
{
    // Another tool may store 60-byte names; a save cuts them to 59 and must not merge two members.
    // Names equal ignoring case are one name to the game; two rows of one name were so already.
    const std::string s59(59, 'n');
    const struct { std::string first, second; bool bRefused; } kCases[] = {
        {s59 + "1", s59 + "2", true},
        {s59 + "X", std::string(59, 'N') + "y", true},  // equal ignoring case once cut
        {s59 + "1", s59, true},
        {s59 + "1", s59 + "1", false},                   // one name twice already
        {s59 + "1", "s", false},
    };
    for (const auto& names : kCases) {
        const bool bRefused = names.bRefused;
        std::string strArchive = Archive("a.vpp", {{names.first, Pattern(5, 1)}, {names.second, Pattern(6, 2)}});
        Bytes before = ReadAll(strArchive);
        ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
        m_pDoc->SetModifiedFlag(true);
        EXPECT_EQ(m_pDoc->OnSaveDocument(strArchive), !bRefused) << names.second;
        std::string strMessages = TakeMessages(), strPair = names.first + " and " + names.second;
        EXPECT_EQ(ReadAll(strArchive) == before, bRefused);
        EXPECT_EQ(strMessages.find(strPair) != std::string::npos, bRefused) << strMessages;
        EXPECT_EQ(m_pDoc->GetSaveFailureDetails(), "");  // the message is the one report
    }
    // Every pair in that one message.
    const std::string m59(59, 'm');
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(Archive("m.vpp", {{s59 + "1", {}}, {s59 + "2", {}}, {m59 + "A", {}}, {m59 + "B", {}}})));
    EXPECT_FALSE(m_pDoc->OnSaveDocument(Path("m2.vpp")));
    EXPECT_NE(TakeMessages().find(": " + s59 + "1 and " + s59 + "2; " + m59 + "A and " + m59 + "B."), std::string::npos);
}
