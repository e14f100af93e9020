// Long random runs of inserts, removals and lookups checked against
// std::set, with the file checker's invariants after every batch.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "check/file_check.h"
#include "index/btree_cursor.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

struct RandomRun {
    int order, seed, operations, keySpace;  // keySpace: how many distinct codes are drawn from
};

void PrintTo(const RandomRun& r, std::ostream* os) { *os << "order " << r.order << ", seed " << r.seed; }

class RandomizedTree : public ::testing::TestWithParam<RandomRun> {
protected:
    void SetUp() override {
        tree = NewIndexFile(dir.File("random.ndx"), GetParam().order);
        rng.seed(GetParam().seed);
        firstEnd = tree->File()->EndOfFile();
        nodeBlock = tree->File()->ObjectLength(tree->Header().root) + kBlockHeaderSize;
    }
    int LastError() { return tree->File()->LastError(); }

    void InsertOne(const std::string& code) {
        bool fresh = model.insert(code).second;
        ASSERT_EQ(InsertCode(*tree, code), fresh ? 1 : 0) << code;
        if (!fresh) { ASSERT_EQ(LastError(), kDuplicateEntry); }
        mostNodes = std::max(mostNodes, tree->Header().nodeCount.Get());
    }

    void RemoveOne(const std::string& code) {
        bool present = model.erase(code) != 0;
        ASSERT_EQ(RemoveCode(*tree, code), present ? 1 : 0) << code;
        if (!present) { ASSERT_EQ(LastError(), kEntryNotFound); }
    }

    // A present key is found (its neighbours come from the walks); for an
    // absent one Find, FindNext and FindPrevious all record "not found".
    void LookUpOne(const std::string& code) {
        CodeKey key(code), next(code), previous(code), scratch;
        bool present = model.count(code) != 0;
        ASSERT_EQ(tree->Find(key, scratch, 0), present ? 1 : 0) << code;
        if (present) {
            ASSERT_EQ(key.Code(), code);
            return;
        }
        ASSERT_EQ(LastError(), kEntryNotFound);
        ASSERT_EQ(tree->FindNext(next, scratch, 0), 0) << code;
        ASSERT_EQ(LastError(), kEntryNotFound);
        ASSERT_EQ(tree->FindPrevious(previous, scratch, 0), 0) << code;
        ASSERT_EQ(LastError(), kEntryNotFound);
    }

    // The checker also holds the header's key and node counts to the tree.
    void CheckAgainstModel() {
        ASSERT_EQ(tree->Flush(), kNoError);
        ASSERT_EQ(Walk(*tree), std::vector<std::string>(model.begin(), model.end()));
        ASSERT_EQ(LastError(), kNoError) << "FindNext past the greatest key records nothing";
        ASSERT_EQ(Walk(*tree, true), std::vector<std::string>(model.rbegin(), model.rend()));
        // FindPrevious before the smallest key records "not found"; an empty tree records nothing.
        ASSERT_EQ(LastError(), model.empty() ? kNoError : kEntryNotFound);
        CheckReport report = CheckStore(*tree->File(), true);
        ASSERT_TRUE(report.IsSound()) << (report.problems.empty() ? "" : report.problems.front());
        ASSERT_TRUE(report.warnings.empty()) << report.warnings.front();
        // Freed nodes are taken again before the file grows: it holds no
        // more blocks than the tree ever had nodes at once.
        ASSERT_EQ(tree->File()->EndOfFile(), firstEnd + (mostNodes - 1) * nodeBlock);
    }

    // Between two steps of a walk: a few fresh keys inserted, or a few
    // present ones removed, never both, so that the key count in the header
    // moves (the cursor's sign of a change). Answers whether anything changed.
    bool ChangeBetweenSteps() {
        const int count = 1 + static_cast<int>(rng() % 3);
        const bool insert = model.size() < 2 || rng() % 2 == 0;
        int changed = 0;
        for (int attempt = 0; attempt < 20 && changed < count; ++attempt) {
            std::string code = "C" + std::to_string(rng() % GetParam().keySpace);
            if (insert == (model.count(code) != 0)) continue;
            if (insert) {
                EXPECT_NO_FATAL_FAILURE(InsertOne(code));
            } else {
                EXPECT_NO_FATAL_FAILURE(RemoveOne(code));
            }
            ++changed;
        }
        EXPECT_EQ(tree->Flush(), kNoError);
        return changed > 0;
    }

    // The key the model has next after `after` (the first when null), or
    // "" at its end.
    std::string ModelNext(const std::string* after) const {
        auto next = after == nullptr ? model.begin() : model.upper_bound(*after);
        return next == model.end() ? std::string() : *next;
    }

    TempDir dir;
    std::unique_ptr<BtreeIndex> tree;
    std::mt19937 rng;
    std::set<std::string> model;
    int32_t firstEnd = 0, nodeBlock = 0, mostNodes = 1;
};

TEST_P(RandomizedTree, MixedOperationsMatchASetAndKeepTheTreeSound) {
    const RandomRun run = GetParam();
    const size_t high = run.keySpace * 6 / 10, low = run.keySpace / 20;
    bool growing = true;
    int32_t tallest = 1;
    ASSERT_NO_FATAL_FAILURE(LookUpOne("C0"));  // in the empty tree
    ASSERT_NO_FATAL_FAILURE(CheckAgainstModel());
    for (int done = 1; done <= run.operations; ++done) {
        // Grow towards most of the key space, then shrink to a few keys, so
        // that splits, borrows, merges and root changes all recur. Codes of
        // different lengths make strcmp order differ from numeric order.
        if (growing && model.size() >= high) growing = false;
        if (!growing && model.size() <= low) growing = true;
        unsigned roll = rng() % 100;
        std::string code = "C" + std::to_string(rng() % run.keySpace);
        if (roll < (growing ? 55u : 20u)) {
            ASSERT_NO_FATAL_FAILURE(InsertOne(code));
        } else if (roll < 80) {
            ASSERT_NO_FATAL_FAILURE(RemoveOne(code));
        } else {
            ASSERT_NO_FATAL_FAILURE(LookUpOne(code));
        }
        tallest = std::max(tallest, tree->Header().height.Get());
        if (done % 2500 == 0) { ASSERT_NO_FATAL_FAILURE(CheckAgainstModel()) << "after " << done; }
    }

    // Removing every key leaves one empty leaf, every other node freed.
    std::vector<std::string> rest(model.begin(), model.end());
    std::shuffle(rest.begin(), rest.end(), rng);
    for (const std::string& code : rest) ASSERT_NO_FATAL_FAILURE(RemoveOne(code));
    ASSERT_NO_FATAL_FAILURE(CheckAgainstModel());
    EXPECT_GE(tallest, 3) << "the run should have built and torn down a deeper tree";
    EXPECT_EQ(tree->Header().height, 1);
    EXPECT_EQ(tree->Header().nodeCount, 1);
    FileAddress released;
    EXPECT_EQ(tree->File()->CountFree(nullptr, &released), mostNodes - 1);
    EXPECT_EQ(released, mostNodes - 1);
}

// A walk by a second, read-only handle on the same file while the first one
// inserts and removes between its steps: each step answers the smallest key
// beyond the one before as the tree is now, a seek the smallest key not below
// the one sought, and the walk ends where the set does.
TEST_P(RandomizedTree, CursorOfAnotherHandleFollowsEveryChange) {
    const RandomRun run = GetParam();
    for (int i = 0; i < run.keySpace / 3; ++i) ASSERT_NO_FATAL_FAILURE(InsertOne("C" + std::to_string(rng() % run.keySpace)));
    ASSERT_EQ(tree->Flush(), kNoError);
    BtreeIndex reader(CodeKey(), run.order, -1);
    ASSERT_EQ(reader.OpenFile(dir.File("random.ndx").c_str(), kReadOnlyMode), kNoError);
    CodeKey key, scratch;
    BtreeCursor cursor(reader, key, scratch);
    EXPECT_FALSE(cursor.Valid()) << "a cursor stands on no key before First or Seek";
    size_t steps = 0, changes = 0;
    for (int walk = 0; walk < 40; ++walk) {
        std::string last;
        bool on;
        if (walk % 4 == 3) {
            const CodeKey sought("C" + std::to_string(rng() % run.keySpace));
            on = cursor.Seek(sought);
            auto expected = model.lower_bound(sought.Code());
            ASSERT_EQ(on ? key.Code() : std::string(), expected == model.end() ? std::string() : *expected);
        } else {
            on = cursor.First();
            ASSERT_EQ(on ? key.Code() : std::string(), ModelNext(nullptr));
        }
        for (; on; ++steps) {
            last = key.Code();
            // Changes fall into most gaps, so that the cursor meets them in
            // the leaf it stands in, in nodes above it and in the root.
            if (rng() % 3 != 0 && ChangeBetweenSteps()) ++changes;
            on = cursor.Next();
            ASSERT_EQ(on ? key.Code() : std::string(), ModelNext(&last)) << "after " << last;
        }
        ASSERT_TRUE(cursor.Status().Ended()) << cursor.Status().Description();
        ASSERT_EQ(reader.File()->LastError(), kNoError);
        // The writer grows the tree, then shrinks it to a few keys, then grows it again.
        const bool shrink = walk % 10 >= 5;
        for (int i = 0; i < run.keySpace / 10; ++i) {
            std::string code = "C" + std::to_string(rng() % run.keySpace);
            if (shrink) {
                ASSERT_NO_FATAL_FAILURE(RemoveOne(code));
            } else {
                ASSERT_NO_FATAL_FAILURE(InsertOne(code));
            }
        }
        ASSERT_EQ(tree->Flush(), kNoError);
    }
    EXPECT_GT(changes, steps / 2) << "most steps should have met a change";
    EXPECT_GE(tree->Header().height, 3);
    ASSERT_NO_FATAL_FAILURE(CheckAgainstModel());
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomizedTree,
                         ::testing::Values(RandomRun{5, 1, 100000, 3000}, RandomRun{7, 2, 40000, 3000},
                                           RandomRun{29, 3, 40000, 6000}),
                         [](const auto& info) { return "order" + std::to_string(info.param.order); });

}  // namespace
}  // namespace kodexa::test
