// Every damaged file kept in tests/data/damaged, and more made here by
// patching sound files, goes through the store and the index: open, header
// queries, block and free-list walks, allocations, both tree walks and
// inserts. Each call must return, each walk must end, and a copy may grow
// only by what was allocated in it. The watchdog turns a hang into a failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "tests/index/tree_helpers.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

std::string Damaged(const std::string& name) { return std::string(KODEXA_DAMAGED_DIR) + "/" + name; }

struct DamagedFile {
    std::string name;
    // Writes the damaged file at the path given.
    std::function<void(const std::string&)> make;
};

void PrintTo(const DamagedFile& f, std::ostream* os) { *os << f.name; }

DamagedFile FromDirectory(const std::string& name) {
    return {name, [name](const std::string& path) { WriteAllBytes(path, ReadAllBytes(Damaged(name))); }};
}

// A store file of three 10-byte objects (blocks 28, 54, 80), the middle one
// freed, then patched.
DamagedFile StoreWith(const std::string& name, std::function<void(const std::string&)> patch) {
    return {name, [patch](const std::string& path) {
                StoreFile store;
                store.Create(path.c_str(), 0, 0);
                for (int i = 0; i < 3; ++i) store.Allocate(10, kAppendOnly);
                store.Remove(54 + 16, 0);
                store.Close();
                patch(path);
            }};
}

// The two-level index of the tree helpers (root K014 over leaves of 14 and
// 25 keys), then patched.
DamagedFile IndexWith(const std::string& name, std::function<void(const std::string&, const TwoLevelIndex&)> patch) {
    return {name, [patch](const std::string& path) {
                TwoLevelIndex tree(path);
                patch(path, tree);
            }};
}

std::vector<DamagedFile> AllDamagedFiles() {
    std::vector<DamagedFile> files;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(KODEXA_DAMAGED_DIR))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const auto& name : names) files.push_back(FromDirectory(name));

    auto patch = [](long at, uint32_t value) { return [=](const std::string& p) { PatchLe32(p, at, value); }; };
    files.push_back(StoreWith("made-length-wraps-to-start", patch(28 + 4, 0xFFFFFFFFu)));
    files.push_back(StoreWith("made-length-wraps-to-next", patch(28 + 4, 0xFFFFFFE6u)));
    files.push_back(StoreWith("made-length-zero", patch(54 + 4, 0)));
    files.push_back(StoreWith("made-end-of-file-2gb", patch(4, 0x7FFFFFF0)));
    files.push_back(StoreWith("made-end-of-file-negative", patch(4, 0x80000010u)));
    files.push_back(StoreWith("made-free-list-cycle-claimed-2gb", [](const std::string& p) {
        PatchLe32(p, 54 + 12, 54 + 26), PatchLe32(p, 80 + 8, 'R'), PatchLe32(p, 80 + 12, 54);  // 54 <-> 80
        PatchLe32(p, 4, 0x7FFFFFF0);
    }));
    files.push_back(StoreWith("made-free-block-past-end", patch(54 + 4, 5000)));
    using Code = std::tuple<const char*, int, int, const char*>;  // name, node (0 left, 1 right, 2 root), entry, code
    for (auto [name, node, entry, code] : {Code{"made-index-duplicate-in-leaf", 0, 5, "K004"},
                                           Code{"made-index-right-leaf-out-of-order", 1, 0, "K001"},
                                           Code{"made-index-root-key-above-right-leaf", 2, 0, "K099"}}) {
        files.push_back(IndexWith(name, [node = node, entry = entry, code = code](const std::string& p, const TwoLevelIndex& t) {
            Bytes image(8, 0);
            std::copy(code, code + std::strlen(code), image.begin());
            PatchBytes(p, t.Entry(node == 0 ? t.left : node == 1 ? t.right : t.root, entry) + 4, image);
        }));
    }
    // Without free nodes to reuse, the first split has to append.
    files.push_back(IndexWith("made-index-end-of-file-beyond", [](const std::string& p, const TwoLevelIndex&) {
        PatchLe32(p, 0, 0), PatchLe32(p, 4, 454950656);
    }));
    return files;
}

size_t SizeOf(const std::string& path) { return ReadAllBytes(path).size(); }

// Every key a walk answers must sort strictly after (before) the one
// before it; a walk that outlasts the bound would go on for ever.
void WalkTree(BtreeIndex& tree, bool backward, size_t bound) {
    CodeKey key, scratch;
    std::vector<std::string> codes;
    for (int found = backward ? tree.FindLast(key, 1) : tree.FindFirst(key, 1); found && codes.size() <= bound;
         found = backward ? tree.FindPrevious(key, scratch, 1) : tree.FindNext(key, scratch, 1))
        codes.push_back(key.Code());
    ASSERT_LE(codes.size(), bound) << (backward ? "backward" : "forward") << " walk does not end";
    for (size_t i = 1; i < codes.size(); ++i)
        EXPECT_TRUE(backward ? codes[i] < codes[i - 1] : codes[i] > codes[i - 1])
            << codes[i - 1] << " then " << codes[i];
}

void ThroughStoreReadOnly(const std::string& path, size_t size) {
    StoreFile store;
    if (store.Open(path.c_str(), 0) != kNoError) return;
    store.FreeListHead(), store.EndOfFile(), store.DataStart(), store.LastBlock(), store.StaticAreaSize();
    EXPECT_LE(size_t(store.CountBlocks().Get()), size / kBlockHeaderSize);
    store.CountFree(nullptr, nullptr);
    size_t found = 0;
    for (FileAddress p = store.FindBlock(0); p != 0 && found <= size; p = store.FindBlock(p.Get() + 1)) ++found;
    EXPECT_LE(found, size) << "block scan does not end";
}

// Allocations on a copy: the file may grow by the blocks handed out, never
// to what a damaged header claims.
void AllocateOnCopy(const std::string& path) {
    constexpr int kObject = 100, kAllocations = 3;
    size_t before = SizeOf(path);
    StoreFile store;
    if (store.Open(path.c_str(), 1) == kNoError) {
        for (int i = 0; i < kAllocations; ++i) store.Allocate(kObject, kFirstFit);
        store.CountBlocks();
        store.Close();
    }
    EXPECT_LE(SizeOf(path), before + kAllocations * (kObject + kLockedBlockHeaderSize + kChecksumSize));
}

void InsertOnCopy(const std::string& path) {
    constexpr int kInserts = 5;
    size_t before = SizeOf(path);
    BtreeIndex tree(CodeKey(), 29, -1);
    int64_t mostNewNodes = 0, nodeBlock = 0;
    if (tree.OpenFile(path.c_str(), 1) == kNoError) {
        nodeBlock = NodeGeometry::Of(tree.Header()).DataSize() + kLockedBlockHeaderSize + kChecksumSize;
        // A split per level and a new root at most, for every insert.
        mostNewNodes = int64_t(kInserts) * (DepthLimit(tree.Header().height) + 1);
        for (int i = 0; i < kInserts; ++i) InsertCode(tree, "N" + std::to_string(i));
        tree.Close();
    }
    EXPECT_LE(int64_t(SizeOf(path)), int64_t(before) + mostNewNodes * nodeBlock);
}

class EveryDamagedFile : public ::testing::TestWithParam<DamagedFile> {};

TEST_P(EveryDamagedFile, PassesThroughWithoutHangOrGrowth) {
    TempDir dir;
    std::string original = dir.File("original"), copy = dir.File("copy");
    GetParam().make(original);
    const Bytes bytes = ReadAllBytes(original);
    Watchdog watchdog(30);
    WriteAllBytes(copy, bytes);
    ThroughStoreReadOnly(copy, bytes.size());
    EXPECT_EQ(ReadAllBytes(copy), bytes) << "a read-only pass wrote to the file";
    {
        BtreeIndex tree(CodeKey(), 29, -1);
        if (tree.OpenFile(copy.c_str(), 0) == kNoError) {
            WalkTree(tree, false, bytes.size());
            WalkTree(tree, true, bytes.size());
        }
    }
    AllocateOnCopy(copy);
    WriteAllBytes(copy, bytes);
    InsertOnCopy(copy);
}

INSTANTIATE_TEST_SUITE_P(Files, EveryDamagedFile, ::testing::ValuesIn(AllDamagedFiles()), [](const auto& info) {
    std::string name = info.param.name;
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
});

// The walk answers a key that does not lie beyond the one it was given
// with "File is corrupt" and so ends, after the keys that are in order.
TEST(DamagedIndexWalk, EndsWithCorruptAtTheFirstKeyOutOfOrder) {
    using Case = std::tuple<const char*, bool, size_t, const char*>;  // file, backward, keys answered, the last
    // The right leaf of the second file begins with K0005, which sorts before the root key K0034.
    for (auto [file, backward, answers, last] : {Case{"F4-duplicate-code-backward-walk.ndx", true, 1, "A"},
                                                 Case{"F4-key-out-of-order-forward-walk.ndx", false, 24, "K0034"}}) {
        TempDir dir;
        std::string path = dir.File("walk.ndx");
        WriteAllBytes(path, ReadAllBytes(Damaged(file)));
        Watchdog watchdog(10);
        BtreeIndex tree(CodeKey(), 29, -1);
        ASSERT_EQ(tree.OpenFile(path.c_str(), 0), kNoError);
        std::vector<std::string> codes = Walk(tree, backward);
        ASSERT_EQ(codes.size(), answers) << file;
        EXPECT_EQ(codes.back(), last);
        EXPECT_EQ(tree.File()->LastError(), kFileCorrupt);
        EXPECT_STREQ(tree.File()->CorruptionReason(), "keys out of order");
    }
}

// Damage the tree itself: every operation must stop with "File is corrupt"
// (15) instead of reading past a node buffer or running for ever.
constexpr long kTreeHeader = 28;  // the header slot, right after the store header

struct TempIndexPath {
    TempDir dir;
    std::string path = dir.File("damaged.ndx");
};
struct TreeFile : TempIndexPath, TwoLevelIndex {
    TreeFile() : TwoLevelIndex(path) {}
};

struct Damage {
    const char* name;
    std::function<void(TreeFile&)> apply;
    const char* reason;  // kept beside code 15, with the node's address
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class DamagedIndex : public ::testing::TestWithParam<Damage> {};

// Every kind of descent, from each edge of the tree, meets the damage.
TEST_P(DamagedIndex, EveryOperationEndsWithCorrupt) {
    TreeFile file;
    GetParam().apply(file);
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
    };
    for (const auto& [name, run] : operations) {
        CodeKey key("A"), scratch;
        EXPECT_EQ(run(key, scratch), 0) << name;
        EXPECT_EQ(tree.File()->LastError(), kFileCorrupt) << name;
        EXPECT_STREQ(tree.File()->CorruptionReason(), GetParam().reason) << name;
        const int64_t at = tree.File()->CorruptionOffset();
        EXPECT_TRUE(at == file.root || at == file.left || at == file.right) << name << " " << at;
    }
    CodeKey key(Numbered(14)), scratch;
    EXPECT_EQ(tree.Find(key, scratch, 0), 1) << "the root itself is sound";
}

// Counts outside 0..28 in both leaves; links back to the root from both
// leaves (through child 0 on the left, the last entry on the right); a root
// linking to itself under a height beyond belief, cut off at the depth cap.
constexpr const char* kBadCount = "node entry count out of range";
constexpr const char* kTooDeep = "node lies deeper than the tree's height";
auto BadCount(int32_t n) { return [n](TreeFile& f) { PatchLe32(f.path, f.left, n), PatchLe32(f.path, f.right, n); }; }
const Damage kDamages[] = {
    {"CountMinusOne", BadCount(-1), kBadCount},
    {"CountAboveMax", BadCount(29), kBadCount},
    {"CountMin", BadCount(INT32_MIN), kBadCount},
    {"CountMax", BadCount(INT32_MAX), kBadCount},
    {"LinksBackToRoot",
     [](TreeFile& f) { PatchLe32(f.path, f.left + 4, f.root), PatchLe32(f.path, f.Entry(f.right, 24), f.root); },
     kTooDeep},
    {"SelfLinksUnderAbsurdHeight",
     [](TreeFile& f) {
         PatchLe32(f.path, f.root + 4, f.root), PatchLe32(f.path, f.Entry(f.root, 0), f.root);
         PatchLe32(f.path, kTreeHeader + 16, INT32_MAX);
     },
     kTooDeep},
};
INSTANTIATE_TEST_SUITE_P(Kinds, DamagedIndex, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

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
        EXPECT_EQ(tree.Insert(key, scratch, 1), 0);
        EXPECT_EQ(tree.Close(), kNoError);
        EXPECT_EQ(ReadAllBytes(file.path), before);
    }
}

}  // namespace
}  // namespace kodexa::test
