#include <gtest/gtest.h>

#include <string>

#include "tests/store/store_test_util.h"

namespace kodexa::test {
namespace {

// File locks live at 28 in revision 'B'. Steps past the first unlock run
// without a lock; a set guard word makes every change busy.
TEST(Locks, ReadersShareAndWritersExclude) {
    StoreFixture f;
    f.Make('B', 1);
    const int x = kFileLockConflict;
    struct Step { int lock, type, code; uint32_t reads, write; } steps[] = {
        {1, 0, 0, 1, 0}, {1, 0, 0, 2, 0}, {1, 1, x, 2, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
        {1, 1, 0, 0, 1}, {1, 0, x, 0, 1}, {1, 1, x, 0, 1}, {0, 1, 0, 0, 0}, {1, 2, 43, 0, 0},
    };
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        EXPECT_EQ(s.lock ? f.store.LockFile(s.type) : f.store.UnlockFile(s.type), s.code) << "step " << n;
        EXPECT_EQ(f.FieldOnDisk(28 + 4), s.reads) << "read locks, step " << n;
        EXPECT_EQ(f.FieldOnDisk(28 + 8), s.write) << "write lock, step " << n;
    }
    f.EditOnDisk([&](const std::string& path) { PatchLe32(path, 28, 1); });
    EXPECT_EQ(f.store.LockFile(kReadLock), kFileLockHeaderBusy);

    // Record locks take the same path; the lock of the block at 40 lies
    // right behind its block header in revision 'C'.
    StoreFixture r;
    r.Make('C', 1);
    EXPECT_EQ(r.store.LockRecord(kWriteLock, 40), kNoError);
    EXPECT_EQ(r.FieldOnDisk(56 + 8), 1u);
    EXPECT_EQ(r.store.LockRecord(kReadLock, 40), kRecordLockConflict);
}

}  // namespace
}  // namespace kodexa::test
