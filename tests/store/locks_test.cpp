#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "tests/store/store_test_util.h"

namespace kodexa::test {
namespace {

// File locks live at 28 in revision 'B'; the record lock of the block at 40
// lives right behind its block header in revision 'C'.
struct LockKind {
    const char* name;
    char revision;
    int32_t lockAddress;
    int busy, conflict;
    std::function<int(StoreFile&, int lock, int type)> change;
};

const LockKind kKinds[] = {
    {"file", 'B', 28, 44, 45,
     [](StoreFile& s, int lock, int type) { return lock ? s.LockFile(type) : s.UnlockFile(type); }},
    {"record", 'C', 56, 46, 47,
     [](StoreFile& s, int lock, int type) { return lock ? s.LockRecord(type, 40) : s.UnlockRecord(type, 40); }},
};

void PrintTo(const LockKind& k, std::ostream* out) { *out << k.name << " locks"; }

class Locks : public ::testing::TestWithParam<LockKind> {};

// Steps past the first unlock run without a lock; a set guard word makes
// every change busy.
TEST_P(Locks, ReadersShareAndWritersExclude) {
    const LockKind& k = GetParam();
    StoreFixture f;
    f.Make(k.revision, 1);
    const int x = k.conflict;
    struct Step { int lock, type, code; uint32_t reads, write; } steps[] = {
        {1, 0, 0, 1, 0}, {1, 0, 0, 2, 0}, {1, 1, x, 2, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0},
        {1, 1, 0, 0, 1}, {1, 0, x, 0, 1}, {1, 1, x, 0, 1}, {0, 1, 0, 0, 0}, {1, 2, 43, 0, 0},
    };
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        EXPECT_EQ(k.change(f.store, s.lock, s.type), s.code) << k.name << " step " << n;
        EXPECT_EQ(f.FieldOnDisk(k.lockAddress + 4), s.reads) << "read locks, step " << n;
        EXPECT_EQ(f.FieldOnDisk(k.lockAddress + 8), s.write) << "write lock, step " << n;
    }
    f.EditOnDisk([&](const std::string& path) { PatchLe32(path, k.lockAddress, 1); });
    EXPECT_EQ(k.change(f.store, 1, 0), k.busy);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Locks, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<LockKind>& info) { return std::string(info.param.name); });

// Revisions 0 and 'A' have no lock headers: the calls succeed and change no byte.
TEST(LocksElsewhere, RevisionsWithoutLockHeadersDoNothing) {
    StoreFixture f;
    f.Make('A', 1);
    Bytes before = ReadAllBytes(f.path);
    EXPECT_EQ(f.store.LockRecord(kWriteLock, 28), kNoError);
    EXPECT_EQ(f.store.LockFile(kWriteLock), kNoError);
    f.store.Close();
    EXPECT_EQ(ReadAllBytes(f.path), before);
}

}  // namespace
}  // namespace kodexa::test
