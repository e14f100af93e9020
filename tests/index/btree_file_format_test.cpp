// The bytes an index file holds, how order and entry size come about, and
// how the header on disk and the one in memory are kept in step.
#include <gtest/gtest.h>

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

// A node reusing a freed block shows which bytes the tree really writes:
// count and child 0, then only the entries in use.
TEST(IndexFileFormat, NodeWritesOnlyCountChildAndValidEntries) {
    TempDir dir;
    std::string path = dir.File("reuse.ndx");
    auto file = new StoreFile();
    ASSERT_EQ(file->Create(path.c_str(), 28, 0), kNoError);
    FileAddress old = file->Allocate(568, kFirstFit);
    ASSERT_EQ(old, 72);
    Bytes pattern(568, 0xAA);
    ASSERT_EQ(file->Write(pattern.data(), 568, old, 1, 1), kNoError);
    ASSERT_EQ(file->Remove(old), 1);
    BtreeIndex tree(CodeKey(), 29, -1);
    ASSERT_EQ(tree.Create(file, 1, 28), kNoError);
    ASSERT_EQ(tree.Header().root, 72);
    ASSERT_EQ(tree.Flush(), kNoError);
    auto nodeOnDisk = [&path] { Bytes image = ReadAllBytes(path); return Bytes(image.begin() + 72, image.end()); };
    Bytes node(568, 0xAA);
    std::fill(node.begin(), node.begin() + 8, 0);  // count 0, child 0
    EXPECT_EQ(nodeOnDisk(), node);

    ASSERT_EQ(InsertCode(tree, "A01"), 1);
    ASSERT_EQ(tree.Close(), kNoError);
    node[0] = 1;                                         // the count
    std::fill(node.begin() + 8, node.begin() + 28, 0);   // entry 0: its link and key image
    std::copy_n("A01", 3, node.begin() + 12);
    EXPECT_EQ(nodeOnDisk(), node);
}

TEST(IndexFileFormat, OrderBelowFiveKeepsItsValueButBuildsNodesOfFourEntries) {
    TempDir dir;
    auto tree = NewIndexFile(dir.File("small.ndx"), 3);
    EXPECT_EQ(tree->Header().order, 3);
    EXPECT_EQ(tree->File()->ObjectLength(tree->Header().root), 4 * 20 + 8);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
    EXPECT_EQ(tree->Header().height, 2);

    BtreeNode root(NodeGeometry::Of(tree->Header()));
    ReadTreeNode(*tree, tree->Header().root, root);
    EXPECT_EQ(NodeCodes(root), std::vector<std::string>{"K002"}) << "split in the middle of five";
}

TEST(IndexFileFormat, HeaderOnDiskGovernsOnOpenAndReadOnlyOpenWritesNothing) {
    TempDir dir;
    std::string path = dir.File("i.ndx");
    ASSERT_EQ(NewIndexFile(path, 29)->Close(), kNoError);
    {
        // Constructed for order 7 and a 32-byte entry, yet the file says 29 and 20.
        struct WideKey : CodeKey {
            int KeySize() const override { return 28; }
        };
        BtreeIndex tree(WideKey(), 7, -1);
        EXPECT_EQ(tree.Header().entrySize, 32);
        ASSERT_EQ(tree.OpenFile(path.c_str(), 1), kNoError);
        EXPECT_EQ(tree.Header().order, 29);
        EXPECT_EQ(tree.Header().entrySize, 20);
        for (int i = 0; i < 28; ++i) ASSERT_EQ(InsertCode(tree, Numbered(i)), 1);
        EXPECT_EQ(tree.Header().height, 1) << "an order-7 tree would have split";
        ASSERT_EQ(InsertCode(tree, Numbered(28)), 1);
        EXPECT_EQ(tree.Header().height, 2);
    }
    const Bytes before = ReadAllBytes(path);
    BtreeIndex tree(CodeKey(), 29, -1);
    ASSERT_EQ(tree.OpenFile(path.c_str(), 0), kNoError);
    EXPECT_EQ(tree.Flush(), kNoError);
    EXPECT_EQ(InsertCode(tree, "C30"), 0);
    EXPECT_EQ(tree.File()->LastError(), kNotWritable);
    CodeKey key(Numbered(28)), scratch;
    EXPECT_EQ(tree.Find(key, scratch, 1), 1);
    EXPECT_EQ(tree.Close(), kNoError);
    EXPECT_EQ(ReadAllBytes(path), before);
}

// SyncHeader answers the number of the last field that differs from disk.
// The tree's own unwritten changes are kept; another writer's are taken.
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
    EXPECT_EQ(tree->SyncHeader(0), 0);

    BtreeHeader other = tree->Header();
    other.keyCount = 9;
    other.height = other.height + 1;
    ASSERT_EQ(tree->File()->Write(&other, sizeof other, tree->HeaderAddress(), 1, 1), kNoError);
    EXPECT_EQ(tree->SyncHeader(0), 5);
    EXPECT_EQ(tree->Header().keyCount, 30) << "no reload asked for";
    EXPECT_EQ(tree->SyncHeader(1), 5);
    EXPECT_EQ(tree->Header().keyCount, 9);
    other.spare = 7;
    ASSERT_EQ(tree->File()->Write(&other, sizeof other, tree->HeaderAddress(), 1, 1), kNoError);
    EXPECT_EQ(tree->SyncHeader(0), 7);
}

}  // namespace
}  // namespace kodexa::test
