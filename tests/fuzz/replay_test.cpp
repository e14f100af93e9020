// Every fuzz target over the kept inputs (findings, hand-picked seeds) and
// fresh real files, without libFuzzer, so every build replays them; a broken
// promise aborts, a hang trips the watchdog.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/watchdog.h"

namespace kodexa::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kSecondsPerInput = 30;

const Target* FindTarget(const std::string& name) {
    for (const Target* t = AllTargets(); t->name != nullptr; ++t)
        if (name == t->name) return t;
    return nullptr;
}

std::vector<fs::path> KeptInputs(const std::string& kind, const std::string& target) {
    std::vector<fs::path> files;
    fs::path dir = fs::path(KODEXA_FUZZ_SOURCE_DIR) / kind / target;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir, ignored))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

void Replay(const Target& target, const fs::path& input) {
    SCOPED_TRACE(input.string());
    Bytes bytes = ReadFile(input.string());
    test::Watchdog guard(kSecondsPerInput);
    EXPECT_EQ(target.run(bytes.data(), bytes.size()), 0);
}

class KeptInputsReplay : public ::testing::TestWithParam<const char*> {};

TEST_P(KeptInputsReplay, RegressionsAndSeedsPass) {
    const Target* target = FindTarget(GetParam());
    ASSERT_NE(target, nullptr);
    size_t replayed = 0;
    for (const char* kind : {"regressions", "seeds"}) {
        for (const fs::path& input : KeptInputs(kind, target->name)) {
            Replay(*target, input);
            ++replayed;
        }
    }
    RecordProperty("inputs", static_cast<int>(replayed));
}

INSTANTIATE_TEST_SUITE_P(Targets, KeptInputsReplay, ::testing::Values("store", "index", "check", "catalogue", "import", "mapped", "alpha"),
                         [](const auto& info) { return std::string(info.param); });

// The generated files are sound, so they also exercise every check the
// targets reserve for sound files (walks agree, changes keep them sound).
TEST(GeneratedSeedsReplay, EveryTargetPassesOnRealFiles) {
    test::TempDir dir;
    const fs::path sets = fs::path(KODEXA_FUZZ_SOURCE_DIR).parent_path() / "import" / "data";
    std::vector<std::string> sourceSets;
    for (const char* set : {"mini-utf8", "mini-latin1", "icd10gm2010-excerpt"}) sourceSets.push_back((sets / set).string());
    sourceSets.push_back((fs::path(KODEXA_FUZZ_SOURCE_DIR).parent_path() / "data" / "alpha").string());
    std::vector<SeedFile> seeds = MakeSeedFiles(dir.File("seeds"), sourceSets);
    ASSERT_GE(seeds.size(), 48u);
    for (const SeedFile& seed : seeds) {
        const Target* target = FindTarget(seed.target);
        ASSERT_NE(target, nullptr) << seed.target;
        Replay(*target, seed.path);
    }
}

TEST(SplitInput, CutsAtSeparatorsAndKeepsTheRestInTheLastPiece) {
    const std::string separator = kPieceSeparator;
    const std::string input = "one" + separator + "two" + separator + separator + "four" + separator + "five";
    auto pieces = SplitInput(reinterpret_cast<const uint8_t*>(input.data()), input.size(), 4);
    ASSERT_EQ(pieces.size(), 4u);
    EXPECT_EQ(std::string(pieces[0].begin(), pieces[0].end()), "one");
    EXPECT_EQ(std::string(pieces[1].begin(), pieces[1].end()), "two");
    EXPECT_TRUE(pieces[2].empty());
    EXPECT_EQ(std::string(pieces[3].begin(), pieces[3].end()), "four" + separator + "five");
    auto whole = SplitInput(reinterpret_cast<const uint8_t*>("abc"), 3, 3);
    EXPECT_EQ(std::string(whole[0].begin(), whole[0].end()), "abc");
    EXPECT_TRUE(whole[1].empty() && whole[2].empty());
}

}  // namespace
}  // namespace kodexa::fuzz
