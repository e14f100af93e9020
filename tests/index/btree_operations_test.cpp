// Splits of a full order-29 leaf. Long mixed runs of every operation are in
// btree_random_test.cpp.
#include <gtest/gtest.h>

#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

// 28 keys K001, K003, ..., K055 fill an order-29 leaf; the key K(2p) lands at
// position p. Positions below 13 send the old key 13 up, 13 and 14 the new
// key, higher ones the old key 14.
TEST(OrderTwentyNineSplit, FullLeafSplitsAsTheTableSays) {
    const struct {
        int position, leftCount, rightCount;
        bool newKeyGoesUp;
    } cases[] = {{0, 14, 14, false}, {12, 14, 14, false}, {13, 13, 15, true},
                 {14, 14, 14, true}, {15, 14, 14, false}, {28, 14, 14, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        TempDir dir;
        auto tree = NewIndexFile(dir.File("split.ndx"), 29);
        std::vector<std::string> old;
        for (int i = 0; i < 28; ++i) {
            old.push_back(Numbered(2 * i + 1));
            ASSERT_EQ(InsertCode(*tree, old.back()), 1);
        }
        std::string added = Numbered(2 * c.position);
        CodeKey key(added), scratch, separator;
        ASSERT_EQ(tree->Insert(key, scratch, 1), 1);
        EXPECT_EQ(tree->Header().nodeCount, 3);

        NodeGeometry g = NodeGeometry::Of(tree->Header());
        BtreeNode root(g), left(g), right(g);
        ASSERT_EQ(root.Read(*tree->File(), tree->Header().root), kNoError);
        ASSERT_EQ(left.Read(*tree->File(), root.Child(-1)), kNoError);
        ASSERT_EQ(right.Read(*tree->File(), root.Child(0)), kNoError);
        EXPECT_EQ(std::make_tuple(root.Count(), left.Count(), right.Count()),
                  std::make_tuple(1, c.leftCount, c.rightCount));
        root.Load(0, separator);
        EXPECT_EQ(separator.Code(), c.newKeyGoesUp ? added : old[c.position < 13 ? 13 : 14]);
        old.insert(std::lower_bound(old.begin(), old.end(), added), added);
        EXPECT_EQ(Walk(*tree), old);
    }
}

}  // namespace
}  // namespace kodexa::test
