// Store files whose header or blocks lie: an end of file outside the file, a
// free list that runs in a circle. Each call must return promptly, and no
// write may land beyond what the file holds plus the block being allocated.
// Block lengths that wrap past 2^32 are among the store's fuzz regressions.
#include <gtest/gtest.h>

#include <string>

#include "tests/store/store_test_util.h"
#include "tests/support/fault_injection.h"

namespace kodexa::test {
namespace {

// A private copy of a damaged file, so that writes never reach the original.
struct DamagedCopy : StoreFixture {
    explicit DamagedCopy(const std::string& name) {
        WriteAllBytes(path, ReadAllBytes(std::string(KODEXA_DAMAGED_DIR) + "/" + name));
    }
};

// Another writer, or a damaged disk, may change the end of file after the
// store was opened: appending there would grow the file by the difference
// or write over the header.
TEST(DamagedStore, AppendRefusesAnEndOfFileOutsideTheFile) {
    for (uint32_t claimed : {200000000u, 4u}) {
        StoreFixture f;
        f.Make('A', 1);  // file 58 bytes
        PatchLe32(f.path, 4, claimed);
        ASSERT_EQ(f.store.EndOfFile().Get(), int32_t(claimed));
        Watchdog watchdog(10);
        EXPECT_EQ(f.store.FindBlock(44).Get(), 0) << "the scan stops at the real end";
        EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), 0);
        EXPECT_EQ(f.store.LastError(), kFileCorrupt);
        EXPECT_EQ(f.store.ErrorDescription(),
                  "Database exception: File is corrupt (end of file lies outside the data area at " +
                      std::to_string(int32_t(claimed)) + ")");
        Bytes bytes = ReadAllBytes(f.path);
        EXPECT_EQ(bytes.size(), 58u);
        EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.begin() + 23), Bytes(kSignature, kSignature + 7));
    }
}

// Two released blocks linking to each other under a claimed 2 GB end of
// file: the step bound came from the header and allowed 134 million reads.
TEST(DamagedStore, FreeListCycleIsAbandonedAfterAFewReads) {
    for (int32_t claimed : {0x7FFFFFF0, 60}) {
        DamagedCopy f("store/finding-F3-free-list-cycle-claimed-2gb.dat");
        PatchLe32(f.path, 4, static_cast<uint32_t>(claimed));
        Watchdog watchdog(10);
        ASSERT_EQ(f.store.Open(f.path.c_str(), 0), kNoError);
        FaultInjector counter;
        EXPECT_EQ(f.store.CountFree(nullptr, nullptr).Get(), -1) << claimed;
        EXPECT_LE(counter.Calls(Stdio::Fread), 6) << claimed;
    }
    DamagedCopy f("store/finding-F3-free-list-cycle-claimed-2gb.dat");
    PatchLe32(f.path, 4, 60);  // an honest end of file, so the file opens for writing
    ASSERT_EQ(f.store.Open(f.path.c_str(), 1), kNoError);
    Watchdog watchdog(10);
    EXPECT_EQ(f.store.Allocate(100, kBestFit).Get(), 60 + 16);
    EXPECT_EQ(f.store.FreeListHead().Get(), kAbandonedList);
    EXPECT_EQ(ReadAllBytes(f.path).size(), 60u + 116u);
}

// Sizes and addresses at the edge of the 32-bit range: the sums used to
// overflow before anything was checked.
TEST(DamagedStore, AddressesAtTheEdgeOfTheRangeAreRefused) {
    StoreFixture f;
    EXPECT_EQ(f.store.Create(f.path.c_str(), INT32_MAX - kLockedHeaderSize + 1, 'C'), kCreateError);
    f.Make(0, 1);
    for (int32_t at : {INT32_MIN, INT32_MIN + 15}) {
        EXPECT_EQ(f.store.Remove(at, 0), 0);
        EXPECT_EQ(f.store.Undelete(at), 0);
        EXPECT_EQ(f.store.LastError(), kSyncError);
    }
    std::string big = f.dir.File("big.kvd");
    WriteAllBytes(big, {0});
    ASSERT_EQ(truncate(big.c_str(), (off_t(1) << 32) + 44), 0);
    EXPECT_EQ(StoreFile::FileSize(big.c_str()).Get(), INT32_MAX) << "not 44";
}

}  // namespace
}  // namespace kodexa::test
