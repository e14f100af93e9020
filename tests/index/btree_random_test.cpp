// Long random runs of inserts, removals and lookups checked against
// std::set, with the file checker's invariants after every batch.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>

#include "index/file_check.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

struct RandomRun {
    int order;
    uint32_t seed;
    int operations;
    int keySpace;  // distinct codes drawn from
};

void PrintTo(const RandomRun& r, std::ostream* os) { *os << "order " << r.order << ", seed " << r.seed; }

class RandomizedTree : public ::testing::TestWithParam<RandomRun> {
protected:
    void SetUp() override {
        tree = NewIndexFile(dir.File("random.ndx"), GetParam().order);
        rng.seed(GetParam().seed);
    }

    // Codes of different lengths, so that strcmp order differs from
    // numeric order ("C10" sorts before "C9").
    std::string RandomCode() { return "C" + std::to_string(rng() % GetParam().keySpace); }
    int LastError() { return tree->File()->LastError(); }

    void InsertOne(const std::string& code) {
        bool fresh = model.count(code) == 0;
        ASSERT_EQ(InsertCode(*tree, code), fresh ? 1 : 0) << code;
        if (!fresh) {
            ASSERT_EQ(LastError(), kDuplicateEntry);
            return;
        }
        model.insert(code);
    }

    void RemoveOne(const std::string& code) {
        bool present = model.count(code) != 0;
        ASSERT_EQ(RemoveCode(*tree, code), present ? 1 : 0) << code;
        if (!present) {
            ASSERT_EQ(LastError(), kEntryNotFound);
            return;
        }
        model.erase(code);
    }

    void LookUpOne(const std::string& code) {
        CodeKey key(code), scratch;
        auto at = model.find(code);
        ASSERT_EQ(tree->Find(key, scratch, 0), at != model.end() ? 1 : 0) << code;
        if (at == model.end()) {
            ASSERT_EQ(LastError(), kEntryNotFound);
            return;
        }
        ASSERT_EQ(key.Code(), code);
        CodeKey next(code), previous(code);
        auto after = std::next(at);
        ASSERT_EQ(tree->FindNext(next, scratch, 0), after != model.end() ? 1 : 0) << code;
        ASSERT_EQ(next.Code(), after != model.end() ? *after : code);
        ASSERT_EQ(tree->FindPrevious(previous, scratch, 0), at != model.begin() ? 1 : 0) << code;
        ASSERT_EQ(previous.Code(), at != model.begin() ? *std::prev(at) : code);
    }

    void CheckAgainstModel() {
        ASSERT_EQ(tree->Flush(), kNoError);
        ASSERT_EQ(tree->Header().keyCount, static_cast<int32_t>(model.size()));
        std::vector<std::string> forward(model.begin(), model.end());
        ASSERT_EQ(WalkForward(*tree), forward);
        std::vector<std::string> backward(model.rbegin(), model.rend());
        ASSERT_EQ(WalkBackward(*tree), backward);
        CheckReport report = CheckStore(*tree->File(), true);
        ASSERT_TRUE(report.IsSound()) << (report.problems.empty() ? "" : report.problems.front());
        ASSERT_EQ(report.treeKeys, static_cast<int64_t>(model.size()));
        ASSERT_EQ(report.treeNodes, tree->Header().nodeCount);
        ASSERT_TRUE(report.warnings.empty()) << report.warnings.front();
    }

    TempDir dir;
    std::unique_ptr<BtreeIndex> tree;
    std::mt19937 rng;
    std::set<std::string> model;
};

TEST_P(RandomizedTree, MixedOperationsMatchASetAndKeepTheTreeSound) {
    const RandomRun run = GetParam();
    const size_t high = run.keySpace * 6 / 10, low = run.keySpace / 20;
    const int batch = 2500;
    bool growing = true;
    int32_t tallest = 1;
    auto started = std::chrono::steady_clock::now();
    for (int done = 0; done < run.operations; ++done) {
        // Grow towards most of the key space, then shrink to a few keys, so
        // that splits, borrows, merges and root changes all recur.
        if (growing && model.size() >= high) growing = false;
        if (!growing && model.size() <= low) growing = true;
        unsigned roll = rng() % 100;
        std::string code = RandomCode();
        if (roll < (growing ? 55u : 20u)) {
            ASSERT_NO_FATAL_FAILURE(InsertOne(code));
        } else if (roll < 80) {
            ASSERT_NO_FATAL_FAILURE(RemoveOne(code));
        } else {
            ASSERT_NO_FATAL_FAILURE(LookUpOne(code));
        }
        tallest = std::max(tallest, tree->Header().height.Get());
        if ((done + 1) % batch == 0) {
            ASSERT_NO_FATAL_FAILURE(CheckAgainstModel()) << "after " << done + 1;
        }
    }

    std::vector<std::string> rest(model.begin(), model.end());
    std::shuffle(rest.begin(), rest.end(), rng);
    for (const std::string& code : rest) ASSERT_NO_FATAL_FAILURE(RemoveOne(code));
    ASSERT_NO_FATAL_FAILURE(CheckAgainstModel());
    EXPECT_GE(tallest, 3) << "the run should have built and torn down a deeper tree";
    EXPECT_EQ(tree->Header().height, 1);
    EXPECT_EQ(tree->Header().nodeCount, 1);
    FileAddress deleted, released;
    const int32_t blocks = tree->File()->CountBlocks();
    EXPECT_EQ(tree->File()->CountFree(&deleted, &released), blocks - 1);
    EXPECT_EQ(released, blocks - 1);
    EXPECT_EQ(deleted, 0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("order %d: %d operations, height up to %d, %d blocks, %.2f s\n", run.order, run.operations, tallest,
                blocks, seconds);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomizedTree,
                         ::testing::Values(RandomRun{5, 1, 100000, 3000}, RandomRun{7, 2, 40000, 3000},
                                           RandomRun{29, 3, 40000, 6000}),
                         [](const auto& info) { return "order" + std::to_string(info.param.order); });

}  // namespace
}  // namespace kodexa::test
