#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/store/store_test_util.h"

namespace kodexa::test {
namespace {

// A block header as it lies on disk at `at`.
Bytes BlockImage(uint32_t length, unsigned char status, int32_t next) {
    Bytes bytes;
    for (uint32_t field : {kCheckWord, length, uint32_t(status), uint32_t(next)}) AppendLe32(bytes, field);
    return bytes;
}
Bytes BlockOnDisk(const StoreFixture& f, int32_t at) {
    Bytes file = ReadAllBytes(f.path);
    return Bytes(file.begin() + at, file.begin() + at + kBlockHeaderSize);
}

class Blocks : public ::testing::Test {
protected:
    void SetUp() override { f.Make(); }
    StoreFixture f;
};

TEST_F(Blocks, AppendAndRemove) {
    ASSERT_EQ(f.store.Allocate(10, kFirstFit).Get(), 44);
    EXPECT_EQ(ReadAllBytes(f.path).size(), 54u);
    EXPECT_EQ(BlockOnDisk(f, 28), BlockImage(26, 'N', 0));
    EXPECT_EQ(f.store.ObjectLength(44), 10);
    EXPECT_EQ(f.store.Remove(44, 0), 1);
    EXPECT_EQ(f.store.Remove(44, 0), 0) << "freeing twice does nothing";
    EXPECT_EQ(BlockOnDisk(f, 28), BlockImage(26, 'D', 0));
    EXPECT_EQ(f.HeadOnDisk(), 28);
    EXPECT_EQ(f.store.Remove(40, 0), 0) << "no block header there";
    EXPECT_EQ(f.store.LastError(), kSyncError);
}

// First fit takes the first block the object fits; best fit the one with
// the smallest spare. A block is split only when the remainder holds a block
// header and at least one byte; no fit, or mode 0, appends.
TEST_F(Blocks, AllocationChoosesTheFreeBlock) {
    struct Case { std::vector<int> lengths; int mode, chosen; int32_t head; } cases[] = {
        {{26}, kFirstFit, 0, 0},
        {{42}, kFirstFit, -1, 28},
        {{43}, kFirstFit, 0, 54},
        {{40, 60, 45}, kAppendOnly, -1, 28},
        {{60, 26}, kBestFit, 1, 28},       // exact fit, although a larger block comes first
        {{60, 45, 50}, kBestFit, 1, 28},   // smallest spare
        {{50, 50}, kBestFit, 0, 54},       // ties: the first met
        {{40, 30, 42}, kBestFit, -1, 28},  // nothing splittable
    };
    for (const Case& c : cases) {
        f.Make();
        std::vector<int32_t> blocks = MakeFreeList(f.store, c.lengths);
        int32_t end = f.store.EndOfFile().Get();
        EXPECT_EQ(f.store.Allocate(10, c.mode).Get(), (c.chosen < 0 ? end : blocks[c.chosen]) + 16) << c.chosen;
        EXPECT_EQ(f.HeadOnDisk(), c.head) << c.chosen;
    }
}

// The remainder of a split is released space that takes the block's place
// in the list.
TEST_F(Blocks, SplitRelinksThePredecessor) {
    std::vector<int32_t> blocks = MakeFreeList(f.store, {40, 60, 45});  // 28, 68, 128
    EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), blocks[1] + 16);
    EXPECT_EQ(BlockOnDisk(f, 28), BlockImage(40, 'D', blocks[1] + 26));
    EXPECT_EQ(BlockOnDisk(f, blocks[1]), BlockImage(26, 'N', 0));
    EXPECT_EQ(BlockOnDisk(f, blocks[1] + 26), BlockImage(34, 'R', blocks[2]));
}

// Reusing a free block that lies across the end of the file, or in the
// header, would write the remainder's header past the end or over the header.
// Offsets are from the block at 28; the last row moves the header's data start.
// A block removed from the abandoned list is marked but never linked.
TEST_F(Blocks, DamagedFreeBlockAbandonsTheList) {
    struct Case { const char* what; int offset; uint32_t value; } cases[] = {
        {"check word", 0, 0xFEFFu},
        {"status in use", 8, 'N'},
        {"length past the end of the file", 4, 1000},
        {"lies before the data start", 8 - 28, 54},
    };
    for (const Case& c : cases) {
        f.Make();
        MakeFreeList(f.store, {26});
        f.EditOnDisk([&](const std::string& path) { PatchLe32(path, 28 + c.offset, c.value); });
        EXPECT_EQ(f.store.Allocate(10, kFirstFit).Get(), 54 + 16) << c.what;
        EXPECT_EQ(ReadAllBytes(f.path).size(), 80u) << c.what;
        EXPECT_EQ(f.store.Remove(54 + 16, 0), 1) << c.what;
        EXPECT_EQ(BlockOnDisk(f, 54), BlockImage(26, 'D', -1)) << c.what;
        EXPECT_EQ(f.HeadOnDisk(), -1) << c.what;
    }
}

// A changed byte failing the checksum is the checker's test (CheckedRevision).
TEST_F(Blocks, ObjectChecksumFollowsTheObject) {
    f.Make('A');
    ASSERT_EQ(f.store.Allocate(3, kFirstFit).Get(), 44);
    ASSERT_EQ(f.store.Write("abc", 3, 44, 1, 1), kNoError);
    EXPECT_EQ(f.store.WriteObjectChecksum(44).Get(), 0x352441C2u);
    EXPECT_EQ(f.FieldOnDisk(47), 0x352441C2u);
}

TEST_F(Blocks, FindCountAndUndelete) {
    EXPECT_EQ(f.store.FindBlock(0).Get(), 0);
    // Seven bytes that are not a block lie between data start and the blocks.
    f.EditOnDisk([](const std::string& path) { std::filesystem::resize_file(path, 35); });
    for (int size : {10, 0, 5}) ASSERT_NE(f.store.Allocate(size, kFirstFit).Get(), 0);  // blocks 35, 61, 77
    EXPECT_EQ(f.store.FindBlock(0).Get(), 35);
    EXPECT_EQ(f.store.FindBlock(36).Get(), 61);
    EXPECT_EQ(f.store.FindBlock(78).Get(), 0);
    EXPECT_EQ(f.store.CountBlocks().Get(), 3);

    ASSERT_EQ(f.store.Remove(77, 0), 1);
    ASSERT_EQ(f.store.Remove(93, 1), 1);
    EXPECT_EQ(f.store.Undelete(93), 0) << "released space is not an object";
    EXPECT_EQ(f.store.Undelete(51), 0) << "in use";
    EXPECT_EQ(f.store.Undelete(77), 1);
    EXPECT_EQ(BlockOnDisk(f, 61), BlockImage(16, 'N', 0));
    EXPECT_EQ(f.HeadOnDisk(), 77) << "unlinked from behind the released block";
    EXPECT_EQ(BlockOnDisk(f, 77), BlockImage(21, 'R', 0));
}

}  // namespace
}  // namespace kodexa::test
