// A store file of arbitrary bytes, opened read-only and then read-write on a
// copy: header asked, blocks walked and counted, free list counted, a few
// objects allocated and written, one removed.
#include <algorithm>
#include <memory>

#include "check/file_check.h"
#include "store/store_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

// Every block counted takes at least a block header of the file's real bytes.
void CheckCountsAgainstSize(StoreFile& store, int64_t realSize) {
    int64_t limit = realSize / kBlockHeaderSize + 1;
    FileAddress blocks = store.CountBlocks();
    FUZZ_REQUIRE(blocks.Get() >= 0 && blocks.Get() <= limit, "CountBlocks counts more blocks than the file holds");
    FileAddress deleted = 0, released = 0;
    FileAddress free = store.CountFree(&deleted, &released);
    FUZZ_REQUIRE(free.Get() >= -1 && free.Get() <= limit, "CountFree counts more blocks than the file holds");
    FUZZ_REQUIRE(deleted.Get() >= 0 && released.Get() >= 0 && deleted.Get() + released.Get() <= limit,
                 "CountFree reports impossible numbers");
}

void AskHeader(StoreFile& store) {
    store.HeaderSize();
    store.BlockHeaderSize();
    store.HasChecksums();
    std::unique_ptr<char[]> signature(store.Signature());
    store.FreeListHead();
    store.EndOfFile();
    store.DataStart();
    store.LastBlock();
    store.StaticAreaSize();
    store.RefreshHeader();
}

// Each step moves forward, so the walk takes no more steps than the file has bytes.
void WalkBlocks(StoreFile& store, int64_t realSize) {
    int64_t steps = 0;
    for (FileAddress block = store.FindBlock(0); block != 0; ++steps) {
        FUZZ_REQUIRE(steps <= realSize, "the block walk takes more steps than the file has bytes");
        FUZZ_REQUIRE(block.Get() + store.BlockHeaderSize() <= realSize, "FindBlock answers a block past the file");
        FileAddress object = block.Get() + store.BlockHeaderSize();
        int length = store.BlockLength(object);
        store.ObjectLength(object);
        store.VerifyObjectChecksum(object, nullptr, nullptr);
        int64_t next = block.Get() + std::max<int64_t>(length, 1);
        if (next >= realSize || next > INT32_MAX) break;
        FileAddress following = store.FindBlock(static_cast<int32_t>(next));
        FUZZ_REQUIRE(following == 0 || following > block, "FindBlock goes backwards");
        block = following;
    }
}

void Inspect(StoreFile& store, int64_t realSize) {
    AskHeader(store);
    WalkBlocks(store, realSize);
    CheckCountsAgainstSize(store, realSize);
}

struct Placed {
    FileAddress object;
    int size;
    unsigned char fill;
};

// Answers the objects placed and written that still hold their bytes.
std::vector<Placed> Change(StoreFile& store, int64_t& growthAllowed) {
    static const int kSizes[] = {0, 13, 100, 40};
    static const int kModes[] = {kAppendOnly, kBestFit, kFirstFit, kFirstFit};
    std::vector<Placed> placed;
    const int overhead = kLockedBlockHeaderSize + kChecksumSize;
    const int64_t dataStart = store.Header().dataStart.Get();
    for (int i = 0; i < 4; ++i) {
        growthAllowed += kSizes[i] + overhead;
        FileAddress object = store.Allocate(kSizes[i], kModes[i]);
        if (object == 0) continue;
        FUZZ_REQUIRE(object.Get() - store.BlockHeaderSize() >= dataStart,
                     "Allocate hands out the file header or the static area");
        const auto fill = static_cast<unsigned char>(0xA0 + i);
        Bytes bytes(static_cast<size_t>(kSizes[i]), fill);
        if (store.Write(bytes.data(), kSizes[i], object, 1, 1) != kNoError) continue;
        store.WriteObjectChecksum(object);
        placed.push_back({object, kSizes[i], fill});
    }
    FileAddress victim = store.FindBlock(0);
    if (victim != 0) {
        FileAddress object = victim.Get() + store.BlockHeaderSize();
        if (store.Remove(object, (victim.Get() & 1) != 0))
            placed.erase(std::remove_if(placed.begin(), placed.end(),
                                        [&](const Placed& p) { return p.object == object; }),
                         placed.end());
    }
    return placed;
}

// Objects handed out lie inside the file and not twice; in a sound file they
// also keep their bytes and the file stays sound.
void CheckPlacedObjects(const std::string& path, const std::vector<Placed>& placed, bool wasSound) {
    const Bytes image = ReadFile(path);
    for (size_t i = 0; i < placed.size(); ++i) {
        for (size_t j = i + 1; j < placed.size(); ++j)
            FUZZ_REQUIRE(placed[i].object != placed[j].object, "Allocate hands out one object twice");
        const int64_t start = placed[i].object.Get();
        FUZZ_REQUIRE(start + placed[i].size <= int64_t(image.size()), "an allocated object lies past the file");
        for (int64_t k = 0; wasSound && k < placed[i].size; ++k)
            FUZZ_REQUIRE(image[size_t(start + k)] == placed[i].fill, "an object lost its bytes to another");
    }
    if (wasSound) FUZZ_REQUIRE(CheckStoreFile(path, false).IsSound(), "allocations damaged a sound file");
}

}  // namespace

int FuzzStoreFile(const uint8_t* data, size_t size) {
    const std::string original = ScratchFile("store.kvd");
    const std::string copy = ScratchFile("store-copy.kvd");
    WriteFile(original, data, size);
    {
        StoreFile store;
        if (store.Open(original.c_str(), 0) == kNoError) Inspect(store, int64_t(size));
        store.Close();
    }
    FUZZ_REQUIRE_UNCHANGED(original, data, size, "a read-only open changed the file");

    WriteFile(copy, data, size);
    const bool wasSound = IsClean(copy, false);
    int64_t growthAllowed = kLockedHeaderSize;
    std::vector<Placed> placed;
    {
        StoreFile store;
        if (store.Open(copy.c_str(), 1) == kNoError) {
            Inspect(store, int64_t(size));
            placed = Change(store, growthAllowed);
            Inspect(store, FileLength(copy));
        }
        store.Close();
    }
    FUZZ_REQUIRE(FileLength(copy) <= int64_t(size) + growthAllowed,
                 "the file grew by more than the objects allocated in it");
    CheckPlacedObjects(copy, placed, wasSound);
    return 0;
}

}  // namespace kodexa::fuzz
