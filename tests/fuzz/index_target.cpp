// An index file of arbitrary bytes: opened, walked both ways, a few keys
// looked up, then on a copy one key inserted and one removed. Where the
// checker finds it sound, both walks list the same keys, every listed key is
// found, and the changes keep the file sound.
#include <algorithm>

#include "index/btree_index.h"
#include "check/file_check.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

constexpr int kOrder = 29;

// No walk may answer more keys than the file has room for entries.
int64_t MostKeys(int64_t realSize) { return realSize / (kEntryLinkSize + 1) + 2; }

std::vector<std::string> Walk(BtreeIndex& tree, bool backward, int64_t realSize) {
    std::vector<std::string> codes;
    FuzzKey key, scratch;
    int found = backward ? tree.FindLast(key, 1) : tree.FindFirst(key, 1);
    while (found) {
        codes.push_back(key.Image());
        FUZZ_REQUIRE(int64_t(codes.size()) <= MostKeys(realSize), "a walk over the index does not end");
        if (codes.size() >= 2) {
            const std::string& before = codes[codes.size() - 2];
            FUZZ_REQUIRE(backward ? codes.back() < before : codes.back() > before,
                         "a walk answers a key out of order");
        }
        found = backward ? tree.FindPrevious(key, scratch, 1) : tree.FindNext(key, scratch, 1);
    }
    return codes;
}

void LookUp(BtreeIndex& tree, const std::vector<std::string>& walked, bool sound) {
    FuzzKey scratch;
    for (const char* probe : {"", "A00", "K014", "M54.5", "ZZZ"}) {
        FuzzKey key(probe);
        tree.Find(key, scratch, 1);
    }
    if (!sound) return;
    size_t step = std::max<size_t>(1, walked.size() / 8);
    for (size_t i = 0; i < walked.size(); i += step) {
        FuzzKey key(walked[i]);
        FUZZ_REQUIRE(tree.Find(key, scratch, 1) == 1, "a key the walk listed is not found");
        FUZZ_REQUIRE(key.Image() == walked[i], "Find answers another key");
    }
}

std::vector<std::string> Inspect(BtreeIndex& tree, int64_t realSize, bool sound) {
    std::vector<std::string> forward = Walk(tree, false, realSize);
    std::vector<std::string> backward = Walk(tree, true, realSize);
    if (sound) {
        std::reverse(backward.begin(), backward.end());
        FUZZ_REQUIRE(forward == backward, "the backward walk lists other keys than the forward walk");
        FUZZ_REQUIRE(int64_t(forward.size()) == tree.Header().keyCount.Get(),
                     "a sound tree walks another number of keys than its header counts");
    }
    LookUp(tree, forward, sound);
    return forward;
}

// A key that is not in the tree yet (the walk listed every key it holds).
std::string AbsentKey(const std::vector<std::string>& walked) {
    std::string code = "N";
    while (code.size() < FuzzKey::kSize && std::find(walked.begin(), walked.end(), FuzzKey(code).Image()) != walked.end())
        code += '~';
    return FuzzKey(code).Image();
}

void Change(BtreeIndex& tree, const std::vector<std::string>& walked, bool sound) {
    const std::string added = AbsentKey(walked);
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
    FUZZ_REQUIRE(Walk(tree, false, FileLength(tree.File()->FileName())) == expected,
                 "the tree lists other keys after one insert and one removal");
}

// The checker orders key images by all their bytes, as FuzzKey does when the
// file's entries hold exactly its 16 bytes; only then must the two agree.
bool Trusted(const BtreeIndex& tree, bool checkerSound) {
    return checkerSound && tree.Header().entrySize.Get() == FuzzKey::kSize + kEntryLinkSize;
}

}  // namespace

int FuzzIndexFile(const uint8_t* data, size_t size) {
    const std::string original = ScratchFile("index.ndx");
    const std::string copy = ScratchFile("index-copy.ndx");
    WriteFile(original, data, size);
    const bool checkerSound = CheckStoreFile(original, true).IsSound();
    {
        BtreeIndex tree(FuzzKey(), kOrder, -1);
        if (tree.OpenFile(original.c_str(), 0) == kNoError) Inspect(tree, int64_t(size), Trusted(tree, checkerSound));
        tree.Close();
    }
    FUZZ_REQUIRE_UNCHANGED(original, data, size, "a read-only open changed the index file");

    WriteFile(copy, data, size);
    const bool clean = IsClean(copy, true);
    bool trusted = false;
    int64_t nodeSize = 0;
    {
        BtreeIndex tree(FuzzKey(), kOrder, -1);
        if (tree.OpenFile(copy.c_str(), 1) == kNoError) {
            trusted = Trusted(tree, checkerSound);
            nodeSize = NodeGeometry::Of(tree.Header()).DataSize();
            std::vector<std::string> walked = Inspect(tree, int64_t(size), trusted);
            Change(tree, walked, trusted);
        }
        tree.Close();
    }
    if (trusted && clean)
        FUZZ_REQUIRE(CheckStoreFile(copy, true).IsSound(), "one insert and one removal damaged a sound index");
    // One insert splits at most one node per level and grows a new root;
    // its blocks, not the header's claims, are all the file may grow by.
    const int64_t perNode = nodeSize + kLockedBlockHeaderSize + kChecksumSize;
    FUZZ_REQUIRE(FileLength(copy) <= int64_t(size) + (kMaxTreeDepth + 1) * perNode + kLockedHeaderSize,
                 "the index file grew by more than one insert can need");
    return 0;
}

}  // namespace kodexa::fuzz
