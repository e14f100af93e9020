// Lookups, splits and removals on small, fully known trees.
#include <gtest/gtest.h>

#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

struct SplitCase {
    int position;     // where the 29th key falls in the full leaf
    int leftCount;
    int rightCount;
    bool newKeyGoesUp;
};

// 28 keys K001, K003, ..., K055; the key K(2p) lands at position p.
class OrderTwentyNineSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(OrderTwentyNineSplit, FullLeafSplitsAsTheTableSays) {
    const SplitCase c = GetParam();
    TempDir dir;
    auto tree = NewIndexFile(dir.File("split.ndx"), 29);
    std::vector<std::string> old;
    for (int i = 0; i < 28; ++i) {
        old.push_back(Numbered(2 * i + 1));
        ASSERT_EQ(InsertCode(*tree, old.back()), 1);
    }
    ASSERT_EQ(tree->Header().height, 1);
    ASSERT_EQ(tree->Header().nodeCount, 1);

    std::string added = Numbered(2 * c.position);
    CodeKey key(added), scratch;
    ASSERT_EQ(tree->Insert(key, scratch, 1), 1);
    EXPECT_EQ(tree->Header().height, 2);
    EXPECT_EQ(tree->Header().nodeCount, 3);
    EXPECT_EQ(tree->Header().keyCount, 29);

    NodeGeometry g = NodeGeometry::Of(tree->Header());
    BtreeNode root(g), left(g), right(g);
    ReadTreeNode(*tree, tree->Header().root, root);
    ReadTreeNode(*tree, root.Child(-1), left);
    ReadTreeNode(*tree, root.Child(0), right);
    EXPECT_EQ(left.Count(), c.leftCount);
    EXPECT_EQ(right.Count(), c.rightCount);
    std::string separator = c.newKeyGoesUp ? added : old[c.position < 13 ? 13 : 14];
    EXPECT_EQ(NodeCodes(root), std::vector<std::string>{separator});
    // The key object comes back holding the separator that went up.
    EXPECT_EQ(key.Code(), separator);
    EXPECT_EQ(key.address, root.Child(0));
    EXPECT_TRUE(left.IsLeaf() && right.IsLeaf());
    std::vector<std::string> all = old;
    all.insert(std::lower_bound(all.begin(), all.end(), added), added);
    EXPECT_EQ(WalkForward(*tree), all);
}

INSTANTIATE_TEST_SUITE_P(Positions, OrderTwentyNineSplit,
                         ::testing::Values(SplitCase{0, 14, 14, false}, SplitCase{12, 14, 14, false},
                                           SplitCase{13, 13, 15, true}, SplitCase{14, 14, 14, true},
                                           SplitCase{15, 14, 14, false}, SplitCase{28, 14, 14, false}),
                         [](const auto& info) { return "at" + std::to_string(info.param.position); });

TEST(BtreeLookup, EmptyTreeAnswersNothingAndFindRecordsNotFound) {
    TempDir dir;
    auto tree = NewIndexFile(dir.File("e.ndx"), 29);
    CodeKey key("A00"), scratch;
    tree->File()->SetError(kChecksumError);
    EXPECT_EQ(tree->FindFirst(key, 0), 0);
    EXPECT_EQ(tree->FindLast(key, 0), 0);
    EXPECT_EQ(tree->File()->LastError(), kChecksumError) << "an empty tree records no code";
    EXPECT_EQ(tree->Find(key, scratch, 0), 0);
    EXPECT_EQ(tree->File()->LastError(), kEntryNotFound);
}

class SmallTree : public ::testing::Test {
protected:
    void SetUp() override {
        tree = NewIndexFile(dir.File("t.ndx"), 5);
        for (int i = 0; i < 40; ++i) {
            codes.push_back(Numbered(i * 10));
            ASSERT_EQ(InsertCode(*tree, codes.back()), 1);
        }
        ASSERT_GE(tree->Header().height, 3);
    }
    int LastError() { return tree->File()->LastError(); }

    TempDir dir;
    std::unique_ptr<BtreeIndex> tree;
    std::vector<std::string> codes;
};

TEST_F(SmallTree, WalksVisitEveryKeyOnceAndEndAsDocumented) {
    EXPECT_EQ(WalkForward(*tree), codes);
    EXPECT_EQ(LastError(), kNoError) << "FindNext of the greatest key records nothing";
    std::vector<std::string> reversed(codes.rbegin(), codes.rend());
    EXPECT_EQ(WalkBackward(*tree), reversed);
    EXPECT_EQ(LastError(), kEntryNotFound) << "FindPrevious of the smallest key";
}

TEST_F(SmallTree, FindReturnsTheStoredImageAndNeighboursOfEveryKey) {
    for (size_t i = 0; i < codes.size(); ++i) {
        CodeKey key(codes[i]), scratch;
        ASSERT_EQ(tree->Find(key, scratch, 1), 1) << codes[i];
        EXPECT_EQ(key.Code(), codes[i]);
        CodeKey next(codes[i]);
        EXPECT_EQ(tree->FindNext(next, scratch, 1), i + 1 < codes.size() ? 1 : 0);
        if (i + 1 < codes.size()) {
            EXPECT_EQ(next.Code(), codes[i + 1]);
        }
        CodeKey previous(codes[i]);
        EXPECT_EQ(tree->FindPrevious(previous, scratch, 1), i > 0 ? 1 : 0);
        if (i > 0) {
            EXPECT_EQ(previous.Code(), codes[i - 1]);
        }
    }
}

TEST_F(SmallTree, AbsentKeysAreNotFoundAndDuplicatesRefused) {
    const long keyCount = tree->Header().keyCount;
    CodeKey scratch;
    for (const char* absent : {"K005", "A", "Z", ""}) {
        CodeKey key(absent);
        EXPECT_EQ(tree->Find(key, scratch, 0), 0);
        EXPECT_EQ(LastError(), kEntryNotFound);
        EXPECT_EQ(tree->FindNext(key, scratch, 0), 0);
        EXPECT_EQ(LastError(), kEntryNotFound);
        EXPECT_EQ(tree->FindPrevious(key, scratch, 0), 0);
        EXPECT_EQ(LastError(), kEntryNotFound);
        EXPECT_EQ(tree->Remove(key, scratch, 0), 0);
        EXPECT_EQ(LastError(), kEntryNotFound);
    }
    for (const std::string& present : {codes.front(), codes[17], codes.back()}) {
        EXPECT_EQ(InsertCode(*tree, present), 0);
        EXPECT_EQ(LastError(), kDuplicateEntry);
    }
    EXPECT_EQ(tree->Header().keyCount, keyCount);
    EXPECT_EQ(WalkForward(*tree), codes);
}

TEST_F(SmallTree, KeyRemovedFromInnerNodeIsReplacedByItsSuccessor) {
    NodeGeometry g = NodeGeometry::Of(tree->Header());
    BtreeNode root(g);
    ReadTreeNode(*tree, tree->Header().root, root);
    std::string inner = NodeCodes(root).front();
    auto at = std::find(codes.begin(), codes.end(), inner);
    ASSERT_NE(at, codes.end());
    std::string predecessor = *(at - 1), successor = *(at + 1);

    ASSERT_EQ(RemoveCode(*tree, inner), 1);
    CodeKey key(predecessor), scratch;
    ASSERT_EQ(tree->FindNext(key, scratch, 0), 1);
    EXPECT_EQ(key.Code(), successor);
    codes.erase(at);
    EXPECT_EQ(WalkForward(*tree), codes);
}

TEST_F(SmallTree, RemovingEveryKeyLeavesOneEmptyLeafAndFreesEveryOtherNode) {
    const int32_t nodes = tree->Header().nodeCount;
    for (size_t i = 0; i < codes.size(); ++i) ASSERT_EQ(RemoveCode(*tree, codes[(i * 7) % codes.size()]), 1);
    EXPECT_EQ(tree->Header().keyCount, 0);
    EXPECT_EQ(tree->Header().height, 1);
    EXPECT_EQ(tree->Header().nodeCount, 1);
    CodeKey key, scratch;
    EXPECT_EQ(tree->FindFirst(key, 0), 0);
    FileAddress deleted, released;
    EXPECT_EQ(tree->File()->CountFree(&deleted, &released), nodes - 1);
    EXPECT_EQ(released, nodes - 1);
    EXPECT_EQ(tree->File()->CountBlocks(), nodes);
    // The freed nodes are taken again before the file grows.
    FileAddress end = tree->File()->EndOfFile();
    for (const std::string& code : codes) ASSERT_EQ(InsertCode(*tree, code), 1);
    EXPECT_EQ(tree->File()->EndOfFile(), end);
}

TEST(BtreeLifecycle, OperationsOnAnUnopenedOrFailedTreeFailQuietly) {
    TempDir dir;
    BtreeIndex unbound(CodeKey(), 29, -1);
    CodeKey key("A"), scratch;
    EXPECT_EQ(unbound.Find(key, scratch, 1), 0);
    EXPECT_EQ(unbound.Insert(key, scratch, 1), 0);
    EXPECT_EQ(unbound.Close(), kNoError);

    BtreeIndex missing(CodeKey(), 29, -1);
    EXPECT_EQ(missing.OpenFile(dir.File("none.ndx").c_str(), 1), kOpenError);
    EXPECT_EQ(missing.Insert(key, scratch, 1), 0);
    EXPECT_EQ(missing.File()->LastError(), kFileClosed);
    EXPECT_EQ(missing.Close(), kNoError);
    EXPECT_EQ(missing.File(), nullptr);
}

TEST(BtreeLifecycle, IndexOpenedOnARecordFileIsRefusedAndTheFileLeftAlone) {
    TempDir dir;
    std::string path = dir.File("records.dat");
    {
        StoreFile records;
        ASSERT_EQ(records.Create(path.c_str(), 0, 0), kNoError);
        ASSERT_NE(records.Allocate(40, kFirstFit), 0);
    }
    std::vector<unsigned char> before = ReadAllBytes(path);
    BtreeIndex tree(CodeKey(), 29, -1);
    EXPECT_EQ(tree.OpenFile(path.c_str(), 1), kFileCorrupt);
    CodeKey key("A"), scratch;
    EXPECT_EQ(tree.Insert(key, scratch, 1), 0);
    EXPECT_EQ(tree.Close(), kNoError);
    EXPECT_EQ(ReadAllBytes(path), before);
}

}  // namespace
}  // namespace kodexa::test
