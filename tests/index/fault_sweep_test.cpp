// A failing file call during a B-tree insert and removal: the tree reports
// it, and whatever it reports as done is really done.
#include <gtest/gtest.h>

#include "check/file_check.h"
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

INSTANTIATE_TEST_SUITE_P(Modes, BtreeFaultSweep, ::testing::ValuesIn(kAllFaultModes), [](const auto& info) {
    return std::string(info.param == FaultMode::Once ? "Once" : info.param == FaultMode::Short ? "Short" : "FromThenOn");
});

}  // namespace
}  // namespace kodexa::test
