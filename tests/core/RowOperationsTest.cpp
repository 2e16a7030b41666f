// RowOperationsTest.cpp: removing and extracting rows by table index, duplicate names included.
#include "tests/core/CoreTestUtil.h"

using namespace coretest;

namespace {
class RowOps : public CoreTest {};
}

TEST_F(RowOps, RemoveEntriesTakesExactlyTheGivenRowsOfDuplicateNames)
{
    // Two members named "dup": removing by name would take the last; by index takes the first.
    std::string strArchive = Archive("d.vpp", {{"dup", Pattern(10, 1)}, {"mid", Pattern(3000, 2)},
                                               {"dup", Pattern(20, 3)}, {"end", {}}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    ASSERT_EQ(m_pDoc->m_nFileCount, 4);
    int32_t nSecondDupOffset = m_pDoc->m_entries[2].m_nOffset;

    // Unsorted, with a repeat and indexes outside the table, which are ignored.
    EXPECT_EQ(m_pDoc->RemoveEntries({3, 0, 3, -1, 4, 70000}), 2);
    ASSERT_EQ(m_pDoc->m_nFileCount, 2);
    EXPECT_EQ(m_pDoc->m_entries[0].m_strName, "mid");
    EXPECT_EQ(m_pDoc->m_entries[1].m_strName, "dup");
    EXPECT_EQ(m_pDoc->m_entries[1].m_nSize, 20);
    EXPECT_EQ(m_pDoc->m_entries[1].m_nOffset, nSecondDupOffset);
    EXPECT_EQ(m_pDoc->m_entries[2].m_strName, "");  // the freed rows are cleared
    EXPECT_EQ(m_pDoc->m_nTotalSize, 2048 + 2048 + 2048 * 2 + 2048);
    EXPECT_TRUE(m_pDoc->IsModified());
    // The name lookups see the new table.
    EXPECT_EQ(m_pDoc->FindEntry("dup"), 1);
    EXPECT_EQ(m_pDoc->FindEntry("end"), -1);
    // Nothing valid to remove changes nothing.
    m_pDoc->SetModifiedFlag(false);
    EXPECT_EQ(m_pDoc->RemoveEntries({2, -5}), 0);
    EXPECT_FALSE(m_pDoc->IsModified());
}

TEST_F(RowOps, ExtractEntryWritesTheRowAskedForOfTwoOfTheSameName)
{
    Bytes first = Pattern(100, 7), second = Pattern(200, 8);
    std::string strArchive = Archive("e.vpp", {{"dup", first}, {"dup", second}});
    ASSERT_TRUE(m_pDoc->OpenDocumentFile(strArchive));
    EXPECT_EQ(m_pDoc->ExtractEntry(0, Dir()), EXTRACT_RESULT_DONE);
    EXPECT_EQ(ReadAll(Path("dup")), first);
    EXPECT_EQ(m_pDoc->ExtractEntry(2, Dir()), EXTRACT_RESULT_NOT_FOUND);
}
