// The bytes an index file holds, and how the header on disk and the one in
// memory are kept in step.
#include <gtest/gtest.h>

#include "check/file_check.h"
#include "index/object_database.h"
#include "tests/index/tree_helpers.h"
#include "tests/store/store_test_util.h"

namespace kodexa::test {
namespace {

TEST(IndexFileFormat, FreshCatalogueIndexFileIsHeaderTreeHeaderAndOneEmptyNode) {
    TempDir dir;
    {
        ObjectDatabase db;
        ASSERT_EQ(db.Open(dir.File("d.dat").c_str(), dir.File("d.ndx").c_str(), CodeKey(), 29, 6, 1, 0, 1), kNoError);
    }
    // Free-list head, end of file (56 + 16 + 568), data start (28 + one
    // 28-byte header slot), last block; the tree header; the node's block header.
    Bytes expected = HeaderImage(0, 640, 56, 56, 0);
    for (int32_t field : {29, 20, 0, 1, 1, 72, -1, 0xFEFE, 16 + 568, int('N'), 0}) AppendLe32(expected, field);
    expected.resize(640, 0);  // the node: count 0, child 0 = 0, then untouched space
    EXPECT_EQ(ReadAllBytes(dir.File("d.ndx")), expected);
    EXPECT_EQ(ReadAllBytes(dir.File("d.dat")).size(), 28u);
}

// SyncHeader answers the number of the last field that differs from disk.
// The tree's own unwritten changes are kept; another writer's are taken (the
// lookups always ask for that; none syncs without taking).
TEST(IndexFileFormat, SyncHeaderKeepsOwnChangesAndTakesOtherWritersHeaders) {
    TempDir dir;
    auto tree = NewIndexFile(dir.File("shared.ndx"), 5);
    ASSERT_EQ(tree->Flush(), kNoError);
    for (int i = 0; i < 30; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
    EXPECT_EQ(tree->SyncHeader(1), 6);  // the root moved
    EXPECT_EQ(tree->Header().keyCount, 30);
    CodeKey key(Numbered(29)), scratch;
    EXPECT_EQ(tree->Find(key, scratch, 1), 1) << "a syncing lookup keeps the tree's own changes";
    ASSERT_EQ(tree->Flush(), kNoError);

    BtreeHeader other = tree->Header();
    other.keyCount = 9;
    other.height = other.height + 1;
    ASSERT_EQ(tree->File()->Write(&other, sizeof other, tree->HeaderAddress(), 1, 1), kNoError);
    EXPECT_EQ(tree->SyncHeader(1), 5);
    EXPECT_EQ(tree->Header().keyCount, 9);
}

// Nodes carry their object checksum where the revision has one: a tree
// grown, split, merged and emptied again is sound in every revision, and
// one changed byte of a node is caught where there are checksums.
TEST(IndexFileFormat, NodesAreSealedInEveryRevisionWithChecksums) {
    for (char revision : {'\0', 'A', 'B', 'C'}) {
        SCOPED_TRACE(std::string("revision ") + (revision == 0 ? '0' : revision));
        TempDir dir;
        const std::string path = dir.File("t.ndx");
        int32_t root = 0;
        {
            auto tree = NewIndexFile(path, 5, revision);
            for (int i = 0; i < 40; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
            for (int i = 0; i < 40; i += 2) ASSERT_EQ(RemoveCode(*tree, Numbered(i)), 1);
            root = tree->Header().root;
            ASSERT_EQ(tree->Close(), kNoError);
        }
        EXPECT_TRUE(CheckStoreFile(path, true).IsSound()) << "grown and shrunk";
        {
            auto tree = NewIndexFile(dir.File("empty.ndx"), 5, revision);
            ASSERT_EQ(tree->Close(), kNoError);
        }
        EXPECT_TRUE(CheckStoreFile(dir.File("empty.ndx"), true).IsSound()) << "empty";
        PatchLe32(path, root + 4, 0x7FFF);  // the root's child 0
        EXPECT_EQ(CheckStoreFile(path, true).checksumFailures, revision == 0 ? 0 : 1);
    }
}

}  // namespace
}  // namespace kodexa::test
