// An index file of arbitrary bytes: opened, walked both ways, a few keys
// looked up, then read-write one key inserted and one removed. Where the
// checker finds it sound, both walks list the same keys, every listed key is
// found, and the changes keep the file sound.
#include <algorithm>
#include <cstring>

#include "index/btree_cursor.h"
#include "index/btree_index.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

// A 16-byte key (a code text padded with zeros, then whatever a file holds)
// ordered by all of its bytes, as the file checker orders key images, so
// that a tree the checker finds sound is one this key can walk.
class FuzzKey : public IndexKey {
public:
    static constexpr int kSize = 16;
    explicit FuzzKey(const std::string& code = "") : IndexKey(image), image{} {
        std::memcpy(image, code.data(), code.size() < kSize ? code.size() : kSize);
    }
    std::string Image() const { return std::string(reinterpret_cast<const char*>(image), kSize); }
    int KeySize() const override { return kSize; }
    int IsEqual(const IndexKey& other) const override { return std::memcmp(image, other.KeyImage(), kSize) == 0; }
    int IsGreater(const IndexKey& other) const override { return std::memcmp(image, other.KeyImage(), kSize) > 0; }

private:
    unsigned char image[kSize];
};

std::vector<std::string> Walk(BtreeIndex& tree, bool backward, int64_t realSize) {
    std::vector<std::string> codes;
    FuzzKey key, scratch;
    int found = backward ? tree.FindLast(key, 1) : tree.FindFirst(key, 1);
    while (found) {
        FUZZ_REQUIRE(codes.empty() || (backward ? key.Image() < codes.back() : key.Image() > codes.back()),
                     "a walk answers a key out of order");
        codes.push_back(key.Image());
        // No walk may answer more keys than the file has room for entries.
        FUZZ_REQUIRE(int64_t(codes.size()) <= realSize / (kEntryLinkSize + 1) + 2,
                     "a walk over the index does not end");
        found = backward ? tree.FindPrevious(key, scratch, 1) : tree.FindNext(key, scratch, 1);
    }
    return codes;
}

// The same walk with a cursor, which steps along the leaves instead of
// descending for every key; it must end and keep the order on any file, and
// tell how it ended.
std::vector<std::string> CursorWalk(BtreeIndex& tree, int64_t realSize) {
    std::vector<std::string> codes;
    FuzzKey key, scratch;
    BtreeCursor cursor(tree, key, scratch);
    for (bool on = cursor.First(); on; on = cursor.Next()) {
        FUZZ_REQUIRE(codes.empty() || key.Image() > codes.back(), "a cursor answers a key out of order");
        codes.push_back(key.Image());
        FUZZ_REQUIRE(int64_t(codes.size()) <= realSize / (kEntryLinkSize + 1) + 2, "a cursor walk does not end");
    }
    FUZZ_REQUIRE(cursor.Status().Ended() || cursor.Status().Failed(), "a cursor stopped without a status");
    FUZZ_REQUIRE(!cursor.Status().Failed() || !cursor.Status().reason.empty(), "a failed walk gives no reason");
    return codes;
}

std::vector<std::string> Inspect(BtreeIndex& tree, int64_t realSize, bool sound) {
    std::vector<std::string> forward = Walk(tree, false, realSize);
    std::vector<std::string> backward = Walk(tree, true, realSize);
    const std::vector<std::string> stepped = CursorWalk(tree, realSize);
    FuzzKey scratch;
    for (size_t i = 0; i < forward.size(); i += std::max<size_t>(1, forward.size() / 8)) {
        FuzzKey key(forward[i]);
        const int found = tree.Find(key, scratch, 1);
        FUZZ_REQUIRE(!sound || found == 1, "a key the walk listed is not found");
        FUZZ_REQUIRE(!sound || key.Image() == forward[i], "Find answers another key");
    }
    if (!sound) return forward;
    FUZZ_REQUIRE(stepped == forward, "the cursor lists other keys than FindNext");
    std::reverse(backward.begin(), backward.end());
    FUZZ_REQUIRE(forward == backward, "the backward walk lists other keys than the forward walk");
    FUZZ_REQUIRE(int64_t(forward.size()) == tree.Header().keyCount.Get(),
                 "a sound tree walks another number of keys than its header counts");
    return forward;
}

void Change(BtreeIndex& tree, const std::vector<std::string>& walked, bool sound) {
    // A key that is not in the tree yet (the walk listed every key it holds).
    std::string code = "N";
    while (code.size() < FuzzKey::kSize && std::count(walked.begin(), walked.end(), FuzzKey(code).Image()) > 0)
        code += '~';
    const std::string added = FuzzKey(code).Image();
    const std::string removedKey = walked.empty() ? added : walked[walked.size() / 2];
    FuzzKey key(added), victim(removedKey), scratch;
    const int inserted = tree.Insert(key, scratch, 1);
    const int removed = tree.Remove(victim, scratch, 1);
    if (!sound) return;
    FUZZ_REQUIRE(inserted == 1, "a new key could not be inserted into a sound tree");
    FUZZ_REQUIRE(removed == 1, "a present key could not be removed from a sound tree");
    std::vector<std::string> expected = walked;
    expected.push_back(added);
    expected.erase(std::find(expected.begin(), expected.end(), removedKey));
    std::sort(expected.begin(), expected.end());
    FUZZ_REQUIRE(Walk(tree, false, int64_t(ReadAllBytes(tree.File()->FileName()).size())) == expected,
                 "the tree lists other keys after one insert and one removal");
}

// The checker orders key images by all their bytes, as FuzzKey does when the
// file's entries hold exactly its 16 bytes; only then must the two agree.
bool Trusted(const BtreeIndex& tree, bool checkerSound) {
    return checkerSound && tree.Header().entrySize.Get() == FuzzKey::kSize + kEntryLinkSize;
}

}  // namespace

int FuzzIndexFile(const uint8_t* data, size_t size) {
    constexpr int kOrder = 29;
    const Bytes input(data, data + size);
    const TempDir scratch;
    const std::string path = ScratchFile(scratch.File("index.ndx"), input);
    const CheckReport report = CheckStoreFile(path, true);
    {
        BtreeIndex tree(FuzzKey(), kOrder, -1);
        if (tree.OpenFile(path.c_str(), 0) == kNoError) Inspect(tree, int64_t(size), Trusted(tree, report.IsSound()));
        tree.Close();
    }
    FUZZ_REQUIRE(ReadAllBytes(path) == input, "a read-only open changed the index file");

    bool trusted = false;
    int64_t nodeSize = 0;
    {
        BtreeIndex tree(FuzzKey(), kOrder, -1);
        if (tree.OpenFile(path.c_str(), 1) == kNoError) {
            trusted = Trusted(tree, report.IsSound());
            nodeSize = NodeGeometry::Of(tree.Header()).DataSize();
            Change(tree, Inspect(tree, int64_t(size), trusted), trusted);
        }
        tree.Close();
    }
    if (trusted && report.warnings.empty())
        FUZZ_REQUIRE(CheckStoreFile(path, true).IsSound(), "one insert and one removal damaged a sound index");
    // One insert splits at most one node per level and grows a new root;
    // its blocks, not the header's claims, are all the file may grow by.
    const int64_t perNode = nodeSize + kLockedBlockHeaderSize + kChecksumSize;
    const int64_t grown = int64_t(ReadAllBytes(path).size()) - int64_t(size);
    FUZZ_REQUIRE(grown <= (kMaxTreeDepth + 1) * perNode + kLockedHeaderSize,
                 "the index file grew by more than one insert can need");
    return 0;
}

}  // namespace kodexa::fuzz
