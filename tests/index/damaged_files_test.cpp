// Damaged index files: nodes whose counts or links lie, headers that make no
// usable node. Every operation must end with "File is corrupt"; the watchdog
// turns a hang into a failure. Walks over keys out of order are replayed from
// the fuzzers' kept inputs.
#include <gtest/gtest.h>

#include <functional>

#include "index/btree_cursor.h"
#include "tests/index/tree_helpers.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

constexpr long kTreeHeader = 28;  // the header slot, right after the store header

struct TempIndexPath {
    TempDir dir;
    std::string path = dir.File("damaged.ndx");
};
struct TreeFile : TempIndexPath, TwoLevelIndex {
    TreeFile() : TwoLevelIndex(path) {}
};

// Walks with a cursor until it stops; true when it says it failed, naming
// the tree's file.
bool WalkFails(BtreeIndex& tree, CodeKey& key, CodeKey& scratch, const CodeKey* from) {
    BtreeCursor cursor(tree, key, scratch);
    for (bool on = from != nullptr ? cursor.Seek(*from) : cursor.First(); on;) on = cursor.Next();
    return cursor.Status().Failed() && cursor.Status().file == tree.File()->FileName() &&
           cursor.Status().code == kFileCorrupt;
}

constexpr const char* kBadCount = "node entry count out of range";
constexpr const char* kTooDeep = "node lies deeper than the tree's height";

// Every kind of descent, from each edge of the tree, meets the damage:
// counts just outside 0..28 in both leaves; links back to the root from both
// leaves (through child 0 on the left, the last entry on the right); a root
// linking to itself under a height beyond belief, cut off at the depth cap.
// The reason is kept beside code 15, with the node's address.
TEST(DamagedIndex, EveryOperationEndsWithCorrupt) {
    auto badCount = [](int32_t n) {
        return [n](TreeFile& f) { PatchLe32(f.path, f.left, n), PatchLe32(f.path, f.right, n); };
    };
    const std::pair<std::function<void(TreeFile&)>, const char*> damages[] = {
        {badCount(-1), kBadCount},
        {badCount(29), kBadCount},
        {[](TreeFile& f) { PatchLe32(f.path, f.left + 4, f.root), PatchLe32(f.path, f.Entry(f.right, 24), f.root); },
         kTooDeep},
        {[](TreeFile& f) {
             PatchLe32(f.path, f.root + 4, f.root), PatchLe32(f.path, f.Entry(f.root, 0), f.root);
             PatchLe32(f.path, kTreeHeader + 16, INT32_MAX);
         },
         kTooDeep},
    };
    for (size_t d = 0; d < std::size(damages); ++d) {
        SCOPED_TRACE(d);
        TreeFile file;
        damages[d].first(file);
        Watchdog watchdog(60);
        BtreeIndex tree(CodeKey(), 29, -1);
        ASSERT_EQ(tree.OpenFile(file.path.c_str(), 1), kNoError);
        const std::pair<const char*, std::function<int(CodeKey&, CodeKey&)>> operations[] = {
            {"Find", [&](CodeKey& k, CodeKey& s) { return tree.Find(k, s, 1); }},
            {"FindFirst", [&](CodeKey& k, CodeKey&) { return tree.FindFirst(k, 1); }},
            {"FindLast", [&](CodeKey& k, CodeKey&) { return tree.FindLast(k, 1); }},
            {"FindNext", [&](CodeKey&, CodeKey& s) { CodeKey k(Numbered(39)); return tree.FindNext(k, s, 1); }},
            {"FindPrevious", [&](CodeKey&, CodeKey& s) { CodeKey k(Numbered(0)); return tree.FindPrevious(k, s, 1); }},
            {"InsertSmallest", [&](CodeKey& k, CodeKey& s) { return tree.Insert(k, s, 1); }},
            {"InsertGreatest", [&](CodeKey&, CodeKey& s) { CodeKey k("Z"); return tree.Insert(k, s, 1); }},
            {"Remove", [&](CodeKey& k, CodeKey& s) { return tree.Remove(k, s, 1); }},
            // A whole walk from the first key, and one from the right leaf on;
            // answers 1 unless the walk says it failed.
            {"Cursor", [&](CodeKey& k, CodeKey& s) { return WalkFails(tree, k, s, nullptr) ? 0 : 1; }},
            {"CursorSeek", [&](CodeKey& k, CodeKey& s) { CodeKey w(Numbered(30)); return WalkFails(tree, k, s, &w) ? 0 : 1; }},
        };
        for (const auto& [name, run] : operations) {
            CodeKey key("A"), scratch;
            EXPECT_EQ(run(key, scratch), 0) << name;
            EXPECT_EQ(tree.File()->LastError(), kFileCorrupt) << name;
            EXPECT_STREQ(tree.File()->CorruptionReason(), damages[d].second) << name;
            const int64_t at = tree.File()->CorruptionOffset();
            EXPECT_TRUE(at == file.root || at == file.left || at == file.right) << name << " " << at;
        }
        CodeKey key(Numbered(14)), scratch;
        EXPECT_EQ(tree.Find(key, scratch, 0), 1) << "the root itself is sound";
    }
}

TEST(DamagedIndexHeader, HeaderThatMakesNoUsableNodeIsRefusedAndNotWrittenBack) {
    TreeFile file;
    using Geometry = std::pair<int32_t, int32_t>;  // order, entry size
    for (auto [order, entrySize] : std::vector<Geometry>{{29, 0}, {29, 4}, {29, -20}, {1 << 30, 20}, {29, 1 << 30}}) {
        PatchLe32(file.path, kTreeHeader, order);
        PatchLe32(file.path, kTreeHeader + 4, entrySize);
        std::vector<unsigned char> before = ReadAllBytes(file.path);
        BtreeIndex tree(CodeKey(), 29, -1);
        EXPECT_EQ(tree.OpenFile(file.path.c_str(), 1), kFileCorrupt) << order << " " << entrySize;
        CodeKey key("A"), scratch;
        EXPECT_EQ(tree.Find(key, scratch, 1), 0);
        EXPECT_EQ(tree.Insert(key, scratch, 1), 0);
        EXPECT_EQ(tree.Close(), kNoError);
        EXPECT_EQ(ReadAllBytes(file.path), before);
    }
}

}  // namespace
}  // namespace kodexa::test
