// Helpers shared by the store tests: byte access to files on disk, a store
// file in its own temporary directory, and free-list set-up.
#ifndef KODEXA_TESTS_STORE_STORE_TEST_UTIL_H
#define KODEXA_TESTS_STORE_STORE_TEST_UTIL_H

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/store_file.h"
#include "tests/support/temp_dir.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {

using Bytes = std::vector<unsigned char>;

inline uint32_t Le32(const Bytes& bytes, size_t at) {
    return uint32_t(bytes.at(at)) | uint32_t(bytes.at(at + 1)) << 8 | uint32_t(bytes.at(at + 2)) << 16 |
           uint32_t(bytes.at(at + 3)) << 24;
}

inline void AppendLe32(Bytes& bytes, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(value >> shift));
}

// The 28 bytes of a store header as they lie on disk.
inline Bytes HeaderImage(int32_t freeHead, int32_t end, int32_t dataStart, int32_t last, char revision) {
    Bytes bytes;
    for (int32_t field : {freeHead, end, dataStart, last}) AppendLe32(bytes, uint32_t(field));
    bytes.insert(bytes.end(), {'K', 'V', 'D', 'B', 'A', 'S', 'E', static_cast<unsigned char>(revision)});
    AppendLe32(bytes, 4000);
    return bytes;
}

struct StoreFixture {
    TempDir dir;
    std::string path = dir.File("store.kvd");
    StoreFile store;

    // Closes the store, lets `edit` change the file on disk, reopens it.
    template <typename Edit>
    void EditOnDisk(Edit edit) {
        store.Close();
        edit(path);
        store.Open(path.c_str(), 1);
    }
    // A fresh store of the given revision holding `objects` objects of 10 bytes.
    void Make(char revision = 0, int objects = 0) {
        ASSERT_EQ(store.Create(path.c_str(), 0, revision), kNoError);
        for (int i = 0; i < objects; ++i) ASSERT_NE(store.Allocate(10, kAppendOnly).Get(), 0);
    }
    int32_t HeadOnDisk() const { return static_cast<int32_t>(Le32(ReadAllBytes(path), 0)); }
    uint32_t FieldOnDisk(int32_t at) const { return Le32(ReadAllBytes(path), at); }
};

// Appends blocks of the given total lengths and frees them (as deleted) so
// that the free list runs through them in the given order. Answers the
// block addresses in that order.
inline std::vector<int32_t> MakeFreeList(StoreFile& store, const std::vector<int>& lengths) {
    int overhead = store.BlockHeaderSize() + (store.HasChecksums() ? kChecksumSize : 0);
    std::vector<int32_t> blocks;
    for (int length : lengths) blocks.push_back(store.Allocate(length - overhead, kAppendOnly) - store.BlockHeaderSize());
    for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) store.Remove(*it + store.BlockHeaderSize(), 0);
    return blocks;
}

}  // namespace kodexa::test

#endif
