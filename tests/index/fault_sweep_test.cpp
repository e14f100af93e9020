// A failing file call during a B-tree insert and removal: the tree reports
// it, and whatever it reports as done is really done.
#include <gtest/gtest.h>

#include "check/file_check.h"
#include "index/btree_cursor.h"
#include "tests/index/tree_helpers.h"
#include "tests/support/fault_sweep.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

class BtreeFaultSweep : public ::testing::TestWithParam<FaultMode> {};

TEST_P(BtreeFaultSweep, InsertAndRemoveReportEveryFault) {
    TempDir dir;
    const std::string pristine = dir.File("pristine.ndx"), path = dir.File("tree.ndx");
    TwoLevelIndex shape(pristine);
    const std::vector<unsigned char> before = ReadAllBytes(pristine);
    SweepSteps steps;
    steps.prepare = [&] { WriteAllBytes(path, before); };
    steps.run = [&] {
        BtreeIndex tree(CodeKey(), 29, -1);
        if (tree.OpenFile(path.c_str(), 1) != kNoError) return false;
        // K014 is the root's only key: its removal takes a successor and merges.
        bool done = InsertCode(tree, "K001A") == 1 && RemoveCode(tree, "K014") == 1;
        if (tree.Close() != kNoError) return false;
        return done;
    };
    steps.verify = [&](bool succeeded) {
        BtreeIndex tree(CodeKey(), 29, -1);
        ASSERT_EQ(tree.OpenFile(path.c_str(), 0), kNoError) << "a fault left a file that does not open";
        if (!succeeded) return;
        std::vector<std::string> expected = {"K000", "K001", "K001A"};  // K014 went, K001A sorts after K001
        for (int i = 2; i < 40; ++i)
            if (i != 14) expected.push_back(Numbered(i));
        EXPECT_EQ(Walk(tree), expected);
        tree.Close();
        EXPECT_TRUE(CheckStoreFile(path, true).IsSound());
    };
    SweepCounts counts = Sweep(GetParam(), steps, "B-tree insert and removal");
    EXPECT_GT(counts.points, 15);
    EXPECT_GT(counts.reported, counts.points / 2);
}

// A failing call during a cursor walk, through the mapping (read-only) and
// through stdio (read-write): the walk either lists every key and says it
// ended, or says it failed and names the file; never a short list that
// passes for the whole.
TEST_P(BtreeFaultSweep, CursorWalkReportsEveryFault) {
    TempDir dir;
    const std::string path = dir.File("tree.ndx");
    { TwoLevelIndex shape(path); }
    std::vector<std::string> all;
    for (int i = 0; i < 40; ++i) all.push_back(Numbered(i));
    for (int mode : {kReadOnlyMode, kReadWriteMode}) {
        std::vector<std::string> walked;
        WalkStatus status;
        SweepSteps steps;
        steps.prepare = [&] { walked.clear(); };
        steps.run = [&] {
            BtreeIndex tree(CodeKey(), 29, -1);
            if (tree.OpenFile(path.c_str(), mode) != kNoError) return false;
            CodeKey key, scratch;
            BtreeCursor cursor(tree, key, scratch);
            for (bool on = cursor.First(); on; on = cursor.Next()) walked.push_back(key.Code());
            status = cursor.Status();
            return tree.Close() == kNoError && status.Ended();
        };
        steps.verify = [&](bool succeeded) {
            if (succeeded) {
                EXPECT_EQ(walked, all);
            } else if (status.Failed()) {
                EXPECT_EQ(status.file, path);
                EXPECT_FALSE(status.reason.empty());
            }
        };
        SweepCounts counts = Sweep(GetParam(), steps, mode ? "cursor walk, read-write" : "cursor walk, read-only");
        EXPECT_GT(counts.points, 3);
        EXPECT_GT(counts.reported, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, BtreeFaultSweep, ::testing::ValuesIn(kAllFaultModes), [](const auto& info) {
    return std::string(info.param == FaultMode::Once ? "Once" : info.param == FaultMode::Short ? "Short" : "FromThenOn");
});

}  // namespace
}  // namespace kodexa::test
