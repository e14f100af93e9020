#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/store/store_test_util.h"

namespace kodexa::test {
namespace {

struct DiskBlock {
    uint32_t check, length, status;
    int32_t next;
};

DiskBlock BlockOnDisk(const std::string& path, int32_t at) {
    Bytes b = ReadAllBytes(path);
    return {Le32(b, at), Le32(b, at + 4), Le32(b, at + 8), static_cast<int32_t>(Le32(b, at + 12))};
}

int32_t HeadOnDisk(const std::string& path) { return static_cast<int32_t>(Le32(ReadAllBytes(path), 0)); }

class Blocks : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0); }
    StoreFixture f;
};

TEST_F(Blocks, AppendAndRemove) {
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 44);
    EXPECT_EQ(f.store.EndOfFile().Get(), 54);
    EXPECT_EQ(f.store.LastBlock().Get(), 28);
    EXPECT_EQ(ReadAllBytes(f.path).size(), 54u);
    DiskBlock b = BlockOnDisk(f.path, 28);
    EXPECT_EQ(b.check, 0xFEFEu);
    EXPECT_EQ(b.length, 26u);
    EXPECT_EQ(b.status, uint32_t('N'));
    EXPECT_EQ(b.next, 0);
    EXPECT_EQ(f.store.ObjectLength(44), 10);
    EXPECT_EQ(f.store.BlockLength(44), 26);

    EXPECT_EQ(f.store.Remove(44, 0), 1);
    EXPECT_EQ(f.store.Remove(44, 0), 0) << "freeing twice does nothing";
    EXPECT_EQ(BlockOnDisk(f.path, 28).status, uint32_t('D'));
    EXPECT_EQ(HeadOnDisk(f.path), 28);

    EXPECT_EQ(f.store.Remove(40, 0), 0) << "no block header there";
    EXPECT_EQ(f.store.LastError(), 40);
    EXPECT_EQ(f.store.Remove(16, 0), 0) << "the file header is never a block";
}

// One free block of the given length, then a request of total 26.
TEST_F(Blocks, FirstFitSplitsOnlyWhenTheRemainderHoldsABlock) {
    struct Case { int length; bool reused; } cases[] = {{26, true}, {40, false}, {42, false}, {43, true}, {100, true}};
    for (const Case& c : cases) {
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
        MakeFreeList(f.store, {c.length});
        int32_t end = 28 + c.length;
        int32_t got = f.store.Allocate(10, 2).Get();
        if (!c.reused) {
            EXPECT_EQ(got, end + 16) << c.length;
            EXPECT_EQ(HeadOnDisk(f.path), 28) << c.length;
            continue;
        }
        EXPECT_EQ(got, 44) << c.length;
        EXPECT_EQ(BlockOnDisk(f.path, 28).length, 26u);
        EXPECT_EQ(f.store.EndOfFile().Get(), end);
        if (c.length == 26) {
            EXPECT_EQ(HeadOnDisk(f.path), 0);
        } else {
            DiskBlock rest = BlockOnDisk(f.path, 54);
            EXPECT_EQ(rest.check, 0xFEFEu);
            EXPECT_EQ(rest.length, uint32_t(c.length - 26)) << c.length;
            EXPECT_EQ(rest.status, uint32_t('R'));
            EXPECT_EQ(rest.next, 0);
            EXPECT_EQ(HeadOnDisk(f.path), 54);
        }
    }
}

TEST_F(Blocks, FirstFitRelinksThePredecessorAndModeZeroAppends) {
    std::vector<int32_t> blocks = MakeFreeList(f.store, {40, 60, 45});  // 28, 68, 128; end 173
    EXPECT_EQ(f.store.Allocate(10, 0).Get(), 173 + 16);
    EXPECT_EQ(f.store.Allocate(10, 2).Get(), blocks[1] + 16);
    EXPECT_EQ(BlockOnDisk(f.path, 28).next, blocks[1] + 26) << "the 40-byte block now leads to the remainder";
    DiskBlock rest = BlockOnDisk(f.path, blocks[1] + 26);
    EXPECT_EQ(rest.length, 34u);
    EXPECT_EQ(rest.next, blocks[2]);
    FileAddress deleted, released;
    EXPECT_EQ(f.store.CountFree(&deleted, &released).Get(), 3);
    EXPECT_EQ(deleted.Get(), 2);
    EXPECT_EQ(released.Get(), 1);
}

TEST_F(Blocks, BestFitTakesTheSmallestSplittableSpare) {
    struct Case { std::vector<int> lengths; int chosen; } cases[] = {
        {{60, 26}, 1},      // exact fit, although a larger block comes first
        {{60, 45, 50}, 1},  // smallest spare
        {{50, 50}, 0},      // ties: the first met
        {{100, 43}, 1},
        {{40, 30, 42}, -1},  // nothing splittable: append
    };
    for (const Case& c : cases) {
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
        std::vector<int32_t> blocks = MakeFreeList(f.store, c.lengths);
        int32_t end = f.store.EndOfFile().Get();
        int32_t got = f.store.Allocate(10, 1).Get();
        if (c.chosen < 0) {
            EXPECT_EQ(got, end + 16);
            EXPECT_EQ(HeadOnDisk(f.path), blocks[0]);
            continue;
        }
        int32_t block = blocks[c.chosen];
        EXPECT_EQ(got, block + 16) << c.lengths.size() << " blocks, chosen " << c.chosen;
        if (c.lengths[c.chosen] != 26) {
            DiskBlock rest = BlockOnDisk(f.path, block + 26);
            EXPECT_EQ(rest.length, uint32_t(c.lengths[c.chosen] - 26));
            EXPECT_EQ(rest.status, uint32_t('R'));
        }
    }
}

TEST_F(Blocks, AbandonedListMarksButNeverLinks) {
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 44);
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 70);
    f.EditOnDisk([](const std::string& path) { PatchLe32(path, 0, 0xFFFFFFFFu); });
    EXPECT_EQ(f.store.Remove(44, 0), 1);
    DiskBlock b = BlockOnDisk(f.path, 28);
    EXPECT_EQ(b.status, uint32_t('D'));
    EXPECT_EQ(b.next, -1);
    EXPECT_EQ(HeadOnDisk(f.path), -1);
    EXPECT_EQ(f.store.Allocate(10, 2).Get(), 96);
    EXPECT_EQ(f.store.CountFree(nullptr, nullptr).Get(), -1);
    EXPECT_EQ(f.store.Undelete(44), 0);
}

TEST_F(Blocks, DamagedFreeBlockAbandonsTheList) {
    struct Case { const char* what; int offset; uint32_t value; int32_t countFree; } cases[] = {
        {"check word", 0, 0xFEFFu, -1},
        {"status in use", 8, 'N', 0},
        {"unknown status", 8, 'X', 0},
        {"next is itself", 12, 28, 0},
    };
    for (const Case& c : cases) {
        for (bool count : {false, true}) {
            ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
            MakeFreeList(f.store, {26});
            f.EditOnDisk([&](const std::string& path) { PatchLe32(path, 28 + c.offset, c.value); });
            if (count)
                EXPECT_EQ(f.store.CountFree(nullptr, nullptr).Get(), c.countFree) << c.what;
            else
                EXPECT_EQ(f.store.Allocate(10, 2).Get(), 54 + 16) << c.what;
            EXPECT_EQ(HeadOnDisk(f.path), -1) << c.what;
        }
    }
}

// A free list that runs in a circle (28 -> 54 -> 28) must end every walk;
// it is abandoned like a damaged block.
TEST_F(Blocks, CircularFreeListIsAbandoned) {
    enum Op { kFirst, kBest, kCount, kUndelete };
    for (Op op : {kFirst, kBest, kCount, kUndelete}) {
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
        MakeFreeList(f.store, {26, 26});
        ASSERT_EQ(f.store.Allocate(10, 0).Get(), 96);  // in use, marked deleted below
        f.EditOnDisk([](const std::string& path) {
            PatchLe32(path, 54 + 12, 28);
            PatchLe32(path, 80 + 8, 'D');
        });
        Watchdog watchdog(20);
        switch (op) {
            case kFirst: EXPECT_EQ(f.store.Allocate(11, 2).Get(), 106 + 16); break;
            case kBest: EXPECT_EQ(f.store.Allocate(11, 1).Get(), 106 + 16); break;
            case kCount: EXPECT_EQ(f.store.CountFree(nullptr, nullptr).Get(), -1); break;
            case kUndelete: EXPECT_EQ(f.store.Undelete(96), 0); break;
        }
        EXPECT_EQ(HeadOnDisk(f.path), -1) << op;
        int32_t end = f.store.EndOfFile().Get();
        EXPECT_EQ(f.store.Allocate(10, 2).Get(), end + 16) << op;
    }
}

TEST_F(Blocks, RevisionCObjectsCarryARecordLockHeader) {
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 'C'), 0);
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 40 + 28);
    EXPECT_EQ(f.store.EndOfFile().Get(), 82);
    Bytes bytes = ReadAllBytes(f.path);
    ASSERT_EQ(bytes.size(), 82u);
    EXPECT_EQ(Le32(bytes, 44), 42u);
    EXPECT_EQ(Bytes(bytes.begin() + 56, bytes.begin() + 68), Bytes(12, 0));
    EXPECT_EQ(f.store.ObjectLength(68), 10);
    EXPECT_EQ(f.store.Remove(68, 0), 1);
    EXPECT_EQ(f.store.Allocate(10, 2).Get(), 68);
}

TEST_F(Blocks, ObjectChecksums) {
    ASSERT_EQ(f.store.Allocate(3, 2).Get(), 44);
    unsigned stored = 7, computed = 7;
    EXPECT_EQ(f.store.WriteObjectChecksum(44).Get(), 0u) << "revision 0 has none";
    EXPECT_EQ(f.store.VerifyObjectChecksum(44, &stored, &computed), 1);
    EXPECT_EQ(stored + computed, 0u);

    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 'A'), 0);
    ASSERT_EQ(f.store.Allocate(3, 2).Get(), 44);
    EXPECT_EQ(f.store.BlockLength(44), 23);
    ASSERT_EQ(f.store.Write("abc", 3, 44, 1, 1), 0);
    EXPECT_EQ(f.store.WriteObjectChecksum(44).Get(), 0x352441C2u);
    Bytes bytes = ReadAllBytes(f.path);
    EXPECT_EQ(Bytes(bytes.begin() + 47, bytes.begin() + 51), (Bytes{0xC2, 0x41, 0x24, 0x35}));
    EXPECT_EQ(f.store.VerifyObjectChecksum(44, &stored, &computed), 1);
    EXPECT_EQ(computed, 0x352441C2u);
    ASSERT_EQ(f.store.Write("d", 1, 46, 1, 1), 0);
    EXPECT_EQ(f.store.VerifyObjectChecksum(44, &stored, &computed), 0);
    EXPECT_EQ(stored, 0x352441C2u);
    EXPECT_EQ(computed, Crc32("abd", 3));
    EXPECT_EQ(f.store.VerifyObjectChecksum(44, nullptr, nullptr), 0);
}

TEST_F(Blocks, FindCountAndUndelete) {
    EXPECT_EQ(f.store.FindBlock(0).Get(), 0);
    EXPECT_EQ(f.store.CountBlocks().Get(), 0);
    // Seven bytes that are not a block lie between data start and the blocks.
    f.EditOnDisk([](const std::string& path) {
        Bytes bytes = ReadAllBytes(path);
        bytes.resize(35, 0);
        WriteAllBytes(path, bytes);
    });
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 35 + 16);
    ASSERT_EQ(f.store.Allocate(0, 2).Get(), 61 + 16);
    ASSERT_EQ(f.store.Allocate(5, 2).Get(), 77 + 16);
    EXPECT_EQ(f.store.FindBlock(0).Get(), 35);
    EXPECT_EQ(f.store.Tell().Get(), 35);
    EXPECT_EQ(f.store.FindBlock(36).Get(), 61);
    EXPECT_EQ(f.store.FindBlock(62).Get(), 77);
    EXPECT_EQ(f.store.FindBlock(78).Get(), 0);
    EXPECT_EQ(f.store.CountBlocks().Get(), 3);

    ASSERT_EQ(f.store.Remove(77, 0), 1);
    ASSERT_EQ(f.store.Remove(93, 1), 1);
    FileAddress deleted, released;
    EXPECT_EQ(f.store.CountFree(&deleted, &released).Get(), 2);
    EXPECT_EQ(deleted.Get(), 1);
    EXPECT_EQ(released.Get(), 1);
    EXPECT_EQ(f.store.Undelete(93), 0) << "released space is not an object";
    EXPECT_EQ(f.store.Undelete(51), 0) << "in use";
    EXPECT_EQ(f.store.Undelete(77), 1);
    EXPECT_EQ(BlockOnDisk(f.path, 61).status, uint32_t('N'));
    EXPECT_EQ(BlockOnDisk(f.path, 61).next, 0);
    EXPECT_EQ(HeadOnDisk(f.path), 77) << "unlinked from behind the released block";
    EXPECT_EQ(BlockOnDisk(f.path, 77).next, 0);
    EXPECT_EQ(f.store.CountFree(nullptr, nullptr).Get(), 1);
    EXPECT_EQ(f.store.CountBlocks().Get(), 3);
}

// A length field shorter than a block header cannot lead to the next block;
// the count must still come to an end.
TEST_F(Blocks, CountBlocksSurvivesAShortLengthField) {
    for (uint32_t length : {0u, 1u, 15u}) {
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
        for (int i = 0; i < 3; ++i) ASSERT_NE(f.store.Allocate(10, 2).Get(), 0);
        f.EditOnDisk([&](const std::string& path) { PatchLe32(path, 54 + 4, length); });
        Watchdog watchdog(20);
        int32_t count = f.store.CountBlocks().Get();
        EXPECT_GE(count, 2) << length;
        EXPECT_LE(count, 3) << length;
    }
}

}  // namespace
}  // namespace kodexa::test
