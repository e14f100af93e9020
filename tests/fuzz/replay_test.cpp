// Every fuzz target over the kept inputs (findings; seeds: sound real files
// and hand-picked damaged ones) without libFuzzer, so every build replays
// them; a broken promise aborts, a hang trips the watchdog.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "tests/fuzz/fuzz_support.h"
#include "tests/support/watchdog.h"

namespace kodexa::fuzz {
namespace {

namespace fs = std::filesystem;

// By the folder of their seeds and regressions.
const std::map<std::string, int (*)(const uint8_t*, size_t)> kTargets = {
    {"store", FuzzStoreFile}, {"index", FuzzIndexFile},    {"check", FuzzFileCheck},    {"catalogue", FuzzCatalogue},
    {"import", FuzzImporter}, {"mapped", FuzzMappedReads}, {"alpha", FuzzAlphaImporter},
    {"transitions", FuzzTransitionImporter},
    {"lines", FuzzDiagnosisLines}};

// Every file in <kind>/<folder>/ goes through the target of that folder; the
// checker takes the store's and the index's files as well.
TEST(KeptInputsReplay, RegressionsAndSeedsPass) {
    for (const std::string kind : {"regressions", "seeds"}) {
        const fs::path root = fs::path(KODEXA_FUZZ_SOURCE_DIR) / kind;
        for (const auto& [name, run] : kTargets) {
            std::vector<std::string> folders = {name};
            if (name == "check") folders.insert(folders.end(), {"store", "index"});
            int replayed = 0;
            std::error_code absent;
            for (const std::string& folder : folders) {
                for (const auto& input : fs::directory_iterator(root / folder, absent)) {
                    SCOPED_TRACE(name + " on " + input.path().string());
                    const Bytes bytes = ReadAllBytes(input.path().string());
                    test::Watchdog guard(30);
                    EXPECT_EQ(run(bytes.data(), bytes.size()), 0);
                    ++replayed;
                }
            }
            EXPECT_TRUE(kind != "seeds" || replayed > 0) << name << " has no seeds";
        }
    }
}

}  // namespace
}  // namespace kodexa::fuzz
