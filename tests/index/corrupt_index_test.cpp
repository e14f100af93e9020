// Damaged index files: every operation must stop with "File is corrupt"
// (15) instead of reading past a node buffer or running for ever.
#include <gtest/gtest.h>

#include <functional>

#include "index/file_check.h"
#include "tests/index/tree_helpers.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

// A two-level order-29 tree of K000..K039: a root with one key over a left
// leaf of 14 and a right leaf of 25 keys.
class DamagedIndex : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("damaged.ndx");
        auto tree = NewIndexFile(path, 29);
        for (int i = 0; i < 40; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
        NodeGeometry g = NodeGeometry::Of(tree->Header());
        BtreeNode node(g);
        root = tree->Header().root;
        ReadTreeNode(*tree, root, node);
        left = node.Child(-1);
        right = node.Child(0);
        ReadTreeNode(*tree, right, node);
        rightCount = node.Count();
        ASSERT_EQ(tree->Close(), kNoError);
    }

    static long EntryChild(int32_t node, int p) { return node + 8 + 20L * p; }

    std::unique_ptr<BtreeIndex> Reopen() {
        auto tree = OpenIndexFile(path, 29, 1);
        EXPECT_TRUE(tree->IsUsable());
        return tree;
    }

    TempDir dir;
    std::string path;
    int32_t root = 0, left = 0, right = 0;
    int rightCount = 0;
};

struct Operation {
    const char* name;
    std::function<int(BtreeIndex&)> run;
};

std::vector<Operation> EveryOperation(const std::string& inLeftLeaf, const std::string& greatest) {
    return {
        {"Find", [](BtreeIndex& t) { CodeKey k("A"), s; return t.Find(k, s, 1); }},
        {"FindFirst", [](BtreeIndex& t) { CodeKey k; return t.FindFirst(k, 1); }},
        {"FindLast", [](BtreeIndex& t) { CodeKey k; return t.FindLast(k, 1); }},
        {"FindNext", [greatest](BtreeIndex& t) { CodeKey k(greatest), s; return t.FindNext(k, s, 1); }},
        {"FindPrevious", [inLeftLeaf](BtreeIndex& t) { CodeKey k(inLeftLeaf), s; return t.FindPrevious(k, s, 1); }},
        {"InsertSmallest", [](BtreeIndex& t) { CodeKey k("A"), s; return t.Insert(k, s, 1); }},
        {"InsertGreatest", [](BtreeIndex& t) { CodeKey k("Z"), s; return t.Insert(k, s, 1); }},
        {"Remove", [](BtreeIndex& t) { CodeKey k("A"), s; return t.Remove(k, s, 1); }},
    };
}

// Both leaves link back to the root: the left one through child 0, the
// right one through its last entry, so every walk meets the cycle.
TEST_F(DamagedIndex, LinksBackToTheRootEndEveryOperationWithCorrupt) {
    PatchBytes(path, left + 4, Le32(root));
    PatchBytes(path, EntryChild(right, rightCount - 1), Le32(root));
    Watchdog watchdog(60);
    auto tree = Reopen();
    for (const Operation& op : EveryOperation(Numbered(0), Numbered(39))) {
        EXPECT_EQ(op.run(*tree), 0) << op.name;
        EXPECT_EQ(tree->File()->LastError(), kFileCorrupt) << op.name;
    }
    EXPECT_FALSE(CheckStore(*tree->File(), true).IsSound());
}

// With a height beyond belief the descent is still cut off, at the cap.
TEST_F(DamagedIndex, SelfLinkUnderAnAbsurdHeightStopsAtTheDepthCap) {
    PatchBytes(path, root + 4, Le32(root));
    PatchBytes(path, 28 + 16, Le32(1000000));  // header height
    Watchdog watchdog(60);
    auto tree = Reopen();
    CodeKey key("A"), scratch;
    EXPECT_EQ(tree->Find(key, scratch, 0), 0);
    EXPECT_EQ(tree->File()->LastError(), kFileCorrupt);
    EXPECT_EQ(tree->Insert(key, scratch, 0), 0);
    EXPECT_EQ(tree->File()->LastError(), kFileCorrupt);
}

class BadEntryCount : public DamagedIndex, public ::testing::WithParamInterface<int32_t> {};

TEST_P(BadEntryCount, NodeIsRefusedBeforeItsEntriesAreRead) {
    PatchBytes(path, left, Le32(GetParam()));
    PatchBytes(path, right, Le32(GetParam()));
    auto tree = Reopen();
    for (const Operation& op : EveryOperation(Numbered(0), Numbered(39))) {
        EXPECT_EQ(op.run(*tree), 0) << op.name;
        EXPECT_EQ(tree->File()->LastError(), kFileCorrupt) << op.name;
    }
    // The root itself is still sound.
    CodeKey key(Numbered(14)), scratch;
    EXPECT_EQ(tree->Find(key, scratch, 0), 1);
}

INSTANTIATE_TEST_SUITE_P(Counts, BadEntryCount, ::testing::Values(-1, 29, 1000, INT32_MIN, INT32_MAX));

TEST_F(DamagedIndex, HeaderThatMakesNoUsableNodeIsRefusedAndNotWrittenBack) {
    struct Case {
        int32_t order, entrySize;
    };
    for (Case c : {Case{29, 0}, Case{29, 4}, Case{29, -20}, Case{1 << 30, 20}, Case{29, 1 << 30}}) {
        PatchBytes(path, 28, Le32(c.order));
        PatchBytes(path, 32, Le32(c.entrySize));
        std::vector<unsigned char> before = ReadAllBytes(path);
        BtreeIndex tree(CodeKey(), 29, -1);
        EXPECT_EQ(tree.OpenFile(path.c_str(), 1), kFileCorrupt) << c.order << " " << c.entrySize;
        CodeKey key("A"), scratch;
        EXPECT_EQ(tree.Insert(key, scratch, 1), 0);
        EXPECT_EQ(tree.Close(), kNoError);
        EXPECT_EQ(ReadAllBytes(path), before);
    }
}

}  // namespace
}  // namespace kodexa::test
