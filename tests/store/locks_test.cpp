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

class Locks : public ::testing::TestWithParam<LockKind> {
protected:
    void SetUp() override { f.Make(GetParam().revision, 1); }
    void Patch(int offset, uint32_t value) {
        f.EditOnDisk([&](const std::string& path) { PatchLe32(path, GetParam().lockAddress + offset, value); });
    }
    uint32_t Field(int offset) { return f.FieldOnDisk(GetParam().lockAddress + offset); }
    StoreFixture f;
};

TEST_P(Locks, ReadersShareAndWritersExclude) {
    const LockKind& k = GetParam();
    const int x = k.conflict;
    struct Step { int lock, type, code; uint32_t reads, write; } steps[] = {
        {1, 0, 0, 1, 0}, {1, 0, 0, 2, 0}, {1, 1, x, 2, 0}, {0, 0, 0, 1, 0}, {0, 0, 0, 0, 0},
        {0, 0, 0, 0, 0},  // unlock without a lock
        {1, 1, 0, 0, 1}, {1, 0, x, 0, 1}, {1, 1, x, 0, 1}, {0, 1, 0, 0, 0}, {0, 1, 0, 0, 0},
        {1, 2, 43, 0, 0}, {0, -1, 43, 0, 0},
    };
    int n = 0;
    for (const Step& s : steps) {
        ++n;
        EXPECT_EQ(k.change(f.store, s.lock, s.type), s.code) << k.name << " step " << n;
        EXPECT_EQ(f.store.LastError(), s.code) << k.name << " step " << n;
        EXPECT_EQ(Field(0), 0u) << "guard, step " << n;
        EXPECT_EQ(Field(4), s.reads) << "read locks, step " << n;
        EXPECT_EQ(Field(8), s.write) << "write lock, step " << n;
    }
}

TEST_P(Locks, BusyGuardAndFullReadCount) {
    const LockKind& k = GetParam();
    Patch(0, 1);
    for (int lock : {1, 0})
        for (int type : {0, 1}) EXPECT_EQ(k.change(f.store, lock, type), k.busy) << lock << type;
    EXPECT_EQ(Field(0), 1u);
    EXPECT_EQ(k.revision == 'B' ? f.store.ResetFileLock() : f.store.ResetRecordLock(40), 0);
    EXPECT_EQ(Field(0), 0u);
    Patch(4, 0xFFFFFFFFu);
    EXPECT_EQ(k.change(f.store, 1, 0), k.conflict);
    EXPECT_EQ(k.change(f.store, 0, 0), 0);
    EXPECT_EQ(Field(4), 0xFFFFFFFEu);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Locks, ::testing::ValuesIn(kKinds),
                         [](const ::testing::TestParamInfo<LockKind>& info) { return std::string(info.param.name); });

// Revisions 0 and 'A' have no lock headers, 'B' none for records: the
// calls succeed and change no byte.
TEST(LocksElsewhere, RevisionsWithoutLockHeadersDoNothing) {
    for (char revision : {char(0), 'A', 'B'}) {
        StoreFixture f;
        f.Make(revision, 1);
        Bytes before = ReadAllBytes(f.path);
        EXPECT_EQ(f.store.LockRecord(kWriteLock, 28), kNoError);
        EXPECT_EQ(f.store.LockRecord(kWriteLock, 28), kNoError);
        if (revision != 'B') {
            EXPECT_EQ(f.store.LockFile(kWriteLock), kNoError);
            EXPECT_EQ(f.store.LockFile(9), kNoError);
        }
        f.store.Close();
        EXPECT_EQ(ReadAllBytes(f.path), before) << int(revision);
    }
    StoreFixture f;
    f.Make('C', 1);
    EXPECT_EQ(f.store.LockRecord(kReadLock, 41), kSyncError) << "takes a block address";
}

}  // namespace
}  // namespace kodexa::test
