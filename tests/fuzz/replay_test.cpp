// Every fuzz target over the kept inputs (findings, hand-picked seeds) and
// fresh real files, without libFuzzer, so every build replays them; a broken
// promise aborts, a hang trips the watchdog.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/temp_dir.h"
#include "tests/support/watchdog.h"

namespace kodexa::fuzz {
namespace {

namespace fs = std::filesystem;

const fs::path kSourceDir = KODEXA_FUZZ_SOURCE_DIR;

// By the folder of their seeds and regressions.
const std::map<std::string, int (*)(const uint8_t*, size_t)> kTargets = {
    {"store", FuzzStoreFile}, {"index", FuzzIndexFile},    {"check", FuzzFileCheck},    {"catalogue", FuzzCatalogue},
    {"import", FuzzImporter}, {"mapped", FuzzMappedReads}, {"alpha", FuzzAlphaImporter}};

// Every file in root/<folder>/ through the target of that folder; the
// checker takes the store's and the index's files as well.
void ReplayFolders(const fs::path& root) {
    for (const auto& [name, run] : kTargets) {
        std::vector<std::string> folders = {name};
        if (name == "check") folders.insert(folders.end(), {"store", "index"});
        std::error_code absent;
        for (const std::string& folder : folders) {
            for (const auto& input : fs::directory_iterator(root / folder, absent)) {
                SCOPED_TRACE(name + " on " + input.path().string());
                const Bytes bytes = ReadFile(input.path().string());
                test::Watchdog guard(30);
                EXPECT_EQ(run(bytes.data(), bytes.size()), 0);
            }
        }
    }
}

TEST(KeptInputsReplay, RegressionsAndSeedsPass) {
    ReplayFolders(kSourceDir / "regressions");
    ReplayFolders(kSourceDir / "seeds");
}

// The generated files are sound, so they also exercise every check the
// targets reserve for sound files (walks agree, changes keep them sound).
TEST(GeneratedSeedsReplay, EveryTargetPassesOnRealFiles) {
    test::TempDir dir;
    const fs::path data = kSourceDir.parent_path();
    std::vector<std::string> sourceSets = {(data / "data" / "alpha").string()};
    for (const char* set : {"mini-utf8", "mini-latin1", "icd10gm2010-excerpt"})
        sourceSets.push_back((data / "import" / "data" / set).string());
    ASSERT_TRUE(MakeSeedFiles(dir.Path(), sourceSets));
    for (const auto& [name, run] : kTargets)
        EXPECT_TRUE(name == "check" || !fs::is_empty(fs::path(dir.Path()) / name)) << name << " has no seeds";
    ReplayFolders(dir.Path());
}

}  // namespace
}  // namespace kodexa::fuzz
