// The bytes an index file holds, and how order and entry size come about.
#include <gtest/gtest.h>

#include "index/object_database.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

void AppendLe32(std::vector<unsigned char>& bytes, int32_t value) {
    for (unsigned char b : Le32(value)) bytes.push_back(b);
}

TEST(IndexFileFormat, FreshCatalogueIndexFileIsHeaderTreeHeaderAndOneEmptyNode) {
    TempDir dir;
    {
        ObjectDatabase db;
        ASSERT_EQ(db.Open(dir.File("d.dat").c_str(), dir.File("d.ndx").c_str(), CodeKey(), 29, 6, 1, 0, 1), kNoError);
    }
    std::vector<unsigned char> expected;
    AppendLe32(expected, 0);    // free-list head
    AppendLe32(expected, 640);  // end of file: 56 + 16 + 568
    AppendLe32(expected, 56);   // data start: 28 + one 28-byte header slot
    AppendLe32(expected, 56);   // last block
    for (char c : std::string("KVDBASE")) expected.push_back(static_cast<unsigned char>(c));
    expected.push_back(0);  // revision
    AppendLe32(expected, 4000);
    for (int32_t field : {29, 20, 0, 1, 1, 72, -1}) AppendLe32(expected, field);
    for (int32_t field : {0xFEFE, 16 + 568, int('N'), 0}) AppendLe32(expected, field);
    expected.resize(640, 0);  // the node: count 0, child 0 = 0, then untouched space

    EXPECT_EQ(ReadAllBytes(dir.File("d.ndx")), expected);
    EXPECT_EQ(ReadAllBytes(dir.File("d.dat")).size(), 28u);
}

// A node reusing a freed block shows which bytes the tree really writes.
TEST(IndexFileFormat, NodeWritesOnlyCountChildAndValidEntries) {
    TempDir dir;
    std::string path = dir.File("reuse.ndx");
    auto file = new StoreFile();
    ASSERT_EQ(file->Create(path.c_str(), 28, 0), kNoError);
    FileAddress old = file->Allocate(568, kFirstFit);
    ASSERT_EQ(old, 72);
    std::vector<unsigned char> pattern(568, 0xAA);
    ASSERT_EQ(file->Write(pattern.data(), 568, old, 1, 1), kNoError);
    ASSERT_EQ(file->Remove(old), 1);

    BtreeIndex tree(CodeKey(), 29, -1);
    ASSERT_EQ(tree.Create(file, 1, 28), kNoError);
    ASSERT_EQ(tree.Header().root, 72);
    ASSERT_EQ(tree.Flush(), kNoError);
    std::vector<unsigned char> image = ReadAllBytes(path);
    ASSERT_EQ(image.size(), 640u);
    EXPECT_EQ(std::vector<unsigned char>(image.begin() + 72, image.begin() + 80), std::vector<unsigned char>(8, 0));
    EXPECT_EQ(std::vector<unsigned char>(image.begin() + 80, image.end()), std::vector<unsigned char>(560, 0xAA));

    ASSERT_EQ(InsertCode(tree, "A01"), 1);
    ASSERT_EQ(tree.Close(), kNoError);
    image = ReadAllBytes(path);
    EXPECT_EQ(image[72], 1);  // entry count
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&image[84])), "A01");  // key behind the entry's link
    EXPECT_EQ(std::vector<unsigned char>(image.begin() + 100, image.end()), std::vector<unsigned char>(540, 0xAA));
}

TEST(IndexFileFormat, OrderBelowFiveKeepsItsValueButBuildsNodesOfFourEntries) {
    TempDir dir;
    auto tree = NewIndexFile(dir.File("small.ndx"), 3);
    EXPECT_EQ(tree->Header().order, 3);
    EXPECT_EQ(tree->File()->ObjectLength(tree->Header().root), 4 * 20 + 8);
    for (int i = 0; i < 4; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
    EXPECT_EQ(tree->Header().height, 1);
    ASSERT_EQ(InsertCode(*tree, Numbered(4)), 1);
    EXPECT_EQ(tree->Header().height, 2);
    EXPECT_EQ(tree->Header().nodeCount, 3);

    BtreeNode root(NodeGeometry::Of(tree->Header())), left(NodeGeometry::Of(tree->Header())),
        right(NodeGeometry::Of(tree->Header()));
    ReadTreeNode(*tree, tree->Header().root, root);
    ReadTreeNode(*tree, root.Child(-1), left);
    ReadTreeNode(*tree, root.Child(0), right);
    EXPECT_EQ(NodeCodes(root), std::vector<std::string>{"K002"});
    EXPECT_EQ(NodeCodes(left), (std::vector<std::string>{"K000", "K001"}));
    EXPECT_EQ(NodeCodes(right), (std::vector<std::string>{"K003", "K004"}));
}

TEST(IndexFileFormat, HeaderOnDiskGovernsOrderAndEntrySizeOnOpen) {
    TempDir dir;
    std::string path = dir.File("i.ndx");
    ASSERT_EQ(NewIndexFile(path, 29)->Close(), kNoError);

    // Constructed for order 7 and a 32-byte key, yet the file says 29 and 20.
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

TEST(IndexFileFormat, ReadOnlyIndexWritesNothingAndRefusesChanges) {
    TempDir dir;
    std::string path = dir.File("ro.ndx");
    {
        auto tree = NewIndexFile(path, 29);
        ASSERT_EQ(InsertCode(*tree, "B20"), 1);
        ASSERT_EQ(tree->Close(), kNoError);
    }
    std::vector<unsigned char> before = ReadAllBytes(path);
    auto tree = OpenIndexFile(path, 29, 0);
    ASSERT_TRUE(tree->IsUsable());
    EXPECT_EQ(tree->WriteHeader(), kNoError);
    EXPECT_EQ(tree->Flush(), kNoError);
    EXPECT_EQ(InsertCode(*tree, "C30"), 0);
    EXPECT_EQ(tree->File()->LastError(), kNotWritable);
    CodeKey key("B20"), scratch;
    EXPECT_EQ(tree->Find(key, scratch, 1), 1);
    EXPECT_EQ(tree->Close(), kNoError);
    EXPECT_EQ(ReadAllBytes(path), before);
}

TEST(IndexFileFormat, SyncHeaderNamesTheLastChangedFieldAndReloads) {
    TempDir dir;
    auto tree = NewIndexFile(dir.File("shared.ndx"), 5);
    ASSERT_EQ(tree->Flush(), kNoError);
    EXPECT_EQ(tree->SyncHeader(1), 0);

    // Another writer's header, as it would reach the file.
    BtreeHeader other = tree->Header();
    other.keyCount = 9;
    other.height = 4;
    ASSERT_EQ(tree->File()->Write(&other, sizeof other, tree->HeaderAddress(), 1, 1), kNoError);
    EXPECT_EQ(tree->SyncHeader(0), 5);
    EXPECT_EQ(tree->Header().keyCount, 0) << "no reload asked for";
    EXPECT_EQ(tree->SyncHeader(1), 5);
    EXPECT_EQ(tree->Header().keyCount, 9);
    EXPECT_EQ(tree->Header().height, 4);
    EXPECT_EQ(tree->SyncHeader(0), 0);
    other.spare = 7;
    ASSERT_EQ(tree->File()->Write(&other, sizeof other, tree->HeaderAddress(), 1, 1), kNoError);
    EXPECT_EQ(tree->SyncHeader(0), 7);
}

// Changes not yet flushed are the tree's own: a syncing lookup must not
// throw them away for the older header on disk.
TEST(IndexFileFormat, SyncingLookupKeepsUnwrittenChangesOfTheSameTree) {
    TempDir dir;
    auto tree = NewIndexFile(dir.File("w.ndx"), 5);
    ASSERT_EQ(tree->Flush(), kNoError);
    for (int i = 0; i < 30; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
    EXPECT_EQ(tree->SyncHeader(1), 6);
    EXPECT_EQ(tree->Header().keyCount, 30);
    CodeKey key(Numbered(29)), scratch;
    EXPECT_EQ(tree->Find(key, scratch, 1), 1);
    EXPECT_EQ(WalkForward(*tree).size(), 30u);
    ASSERT_EQ(tree->Flush(), kNoError);
    EXPECT_EQ(tree->SyncHeader(0), 0);
}

}  // namespace
}  // namespace kodexa::test
