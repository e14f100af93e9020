// A store file of arbitrary bytes, opened read-only and then read-write:
// header asked, blocks walked and counted, free list counted, a few
// objects allocated and written, one removed.
#include <algorithm>
#include <memory>

#include "store/store_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

void Inspect(StoreFile& store, int64_t realSize) {
    // Every header field is read through one path; the static area's size is figured from one.
    store.RefreshHeader();
    store.StaticAreaSize();
    std::unique_ptr<char[]> signature(store.Signature());
    // Each step moves forward and stays inside the file, so the walk ends.
    for (FileAddress block = store.FindBlock(0); block != 0;) {
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
    // Every block counted takes at least a block header of the file's real bytes.
    const int64_t limit = realSize / kBlockHeaderSize + 1;
    FileAddress blocks = store.CountBlocks();
    FUZZ_REQUIRE(blocks.Get() >= 0 && blocks.Get() <= limit, "CountBlocks counts more blocks than the file holds");
    FileAddress deleted = 0, released = 0;
    FileAddress free = store.CountFree(&deleted, &released);
    FUZZ_REQUIRE(free.Get() >= -1 && free.Get() <= limit && deleted.Get() >= 0 && released.Get() >= 0 &&
                     deleted.Get() + released.Get() <= limit,
                 "CountFree counts below zero or more blocks than the file holds");
}

// Each object is filled with a byte of its own: 0x80 + its size.
struct Placed {
    FileAddress object;
    int size;
};

// Removes the first block, then allocates and writes a few objects (the
// first-fit ones may reuse the freed block); answers the objects written and
// how much the file may grow.
std::vector<Placed> Change(StoreFile& store, int64_t& growthAllowed) {
    if (FileAddress victim = store.FindBlock(0); victim != 0)
        store.Remove(victim.Get() + store.BlockHeaderSize(), (victim.Get() & 1) != 0);
    static const struct {
        int size, mode;
    } kAllocations[] = {{0, kAppendOnly}, {13, kBestFit}, {100, kFirstFit}, {40, kFirstFit}};
    std::vector<Placed> placed;
    const int64_t dataStart = store.Header().dataStart.Get();
    for (const auto& allocation : kAllocations) {
        const int size = allocation.size;
        growthAllowed += size + kLockedBlockHeaderSize + kChecksumSize;
        FileAddress object = store.Allocate(size, allocation.mode);
        if (object == 0) continue;
        FUZZ_REQUIRE(object.Get() - store.BlockHeaderSize() >= dataStart,
                     "Allocate hands out the file header or the static area");
        const Bytes bytes(static_cast<size_t>(size), static_cast<unsigned char>(0x80 + size));
        if (store.Write(bytes.data(), size, object, 1, 1) != kNoError) continue;
        store.WriteObjectChecksum(object);
        placed.push_back({object, size});
    }
    return placed;
}

}  // namespace

int FuzzStoreFile(const uint8_t* data, size_t size) {
    const Bytes input(data, data + size);
    const TempDir scratch;
    const std::string path = ScratchFile(scratch.File("store.kvd"), input);
    {
        StoreFile store;
        if (store.Open(path.c_str(), 0) == kNoError) Inspect(store, int64_t(size));
        store.Close();
    }
    FUZZ_REQUIRE(ReadAllBytes(path) == input, "a read-only open changed the file");

    const bool wasSound = IsClean(path, false);
    int64_t growthAllowed = kLockedHeaderSize;
    std::vector<Placed> placed;
    {
        StoreFile store;
        if (store.Open(path.c_str(), 1) == kNoError) {
            placed = Change(store, growthAllowed);
            Inspect(store, int64_t(ReadAllBytes(path).size()));
        }
        store.Close();
    }
    const Bytes image = ReadAllBytes(path);
    FUZZ_REQUIRE(int64_t(image.size()) <= int64_t(size) + growthAllowed,
                 "the file grew by more than the objects allocated in it");
    for (size_t i = 0; i < placed.size(); ++i) {
        for (size_t j = i + 1; j < placed.size(); ++j)
            FUZZ_REQUIRE(placed[i].object != placed[j].object, "Allocate hands out one object twice");
        const int64_t start = placed[i].object.Get();
        FUZZ_REQUIRE(start + placed[i].size <= int64_t(image.size()), "an allocated object lies past the file");
        for (int64_t k = 0; wasSound && k < placed[i].size; ++k)
            FUZZ_REQUIRE(image[size_t(start + k)] == 0x80 + placed[i].size, "an object lost its bytes to another");
    }
    if (wasSound) FUZZ_REQUIRE(CheckStoreFile(path, false).IsSound(), "allocations damaged a sound file");
    return 0;
}

}  // namespace kodexa::fuzz
