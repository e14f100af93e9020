// Nothing Kodexa does may damage a catalogue: failing file calls during an
// import, an import killed at any call by a kill or a power cut. A catalogue
// changed under an open window or kodexa-find is tested with those.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "store/file_set_replace.h"
#include "import/catalogue_writer.h"
#include "check/file_check.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/fault_sweep.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::vector<unsigned char>>;

const std::string kData = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/";

// Staging directories and an unfinished marker that failing clean-up calls
// left behind: no reader looks at them, and the next import clears them.
Files WithoutStaging(Files files) {
    for (auto it = files.begin(); it != files.end();)
        it = it->first.rfind(kStagingPrefix, 0) == 0 && it->first != kPendingMarkerName ? files.erase(it) : std::next(it);
    return files;
}

// The old catalogue (an excerpt of 2010) and the new one (a small set),
// each imported once without faults as the reference.
class Catalogues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Import(kData + "icd10gm2010-excerpt", oldRef), "0 ");
        ASSERT_EQ(Import(kData + "mini-utf8", newRef), "0 ");
    }
    std::string target() const { return dir.File("target"); }
    bool HoldsOnly(const Files& reference) const { return WithoutStaging(Snapshot(target())) == reference; }
    // An empty target, or a copy of the old catalogue.
    void Prepare(bool replacing) {
        std::error_code ignored;
        fs::remove_all(target(), ignored);
        if (replacing) fs::copy(oldRef, target());
    }
    void ExpectMarkedReplacementCompletes(const Files& newFiles) {
        bool completed = false;
        std::string error;
        ASSERT_TRUE(CompletePendingReplacement(target(), completed, error)) << error;
        EXPECT_TRUE(HoldsOnly(newFiles)) << "a marked replacement completes to the new catalogue";
    }

    TempDir dir;
    const std::string oldRef = dir.File("old-ref"), newRef = dir.File("new-ref");
};

class ImportFaultSweep : public Catalogues, public ::testing::WithParamInterface<FaultMode> {};

// A failed import leaves the target as it was, or (once its marker is
// written) a replacement that the next run completes, or, failing only in
// the last sync, the new catalogue; a successful one leaves exactly the new
// catalogue.
TEST_P(ImportFaultSweep, TargetIsOldOrNewNeverAMixture) {
    const Files oldFiles = Snapshot(oldRef), newFiles = Snapshot(newRef);
    for (bool replacing : {false, true}) {
        SweepSteps steps;
        steps.prepare = [&] { Prepare(replacing); };
        steps.run = [&] { return Import(kData + "mini-utf8", target(), true) == "0 "; };
        steps.verify = [&](bool succeeded) {
            if (succeeded) {
                EXPECT_TRUE(HoldsOnly(newFiles));
                return;
            }
            if (fs::exists(target() + "/" + kPendingMarkerName)) return ExpectMarkedReplacementCompletes(newFiles);
            // A failing sync after the last rename fails a complete install.
            bool asBefore = replacing ? HoldsOnly(oldFiles) : WithoutStaging(Snapshot(target())).empty();
            EXPECT_TRUE(asBefore || HoldsOnly(newFiles)) << "a failed import changed the target";
        };
        // Writing the files takes most calls and the same few paths again and
        // again; the install at the end is where the states differ.
        SweepCounts counts = Sweep(GetParam(), steps, replacing ? "import replacing a catalogue" : "import into nothing",
                                   GetParam() == FaultMode::Short ? 3 : 9, 120);
        EXPECT_GT(counts.points, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, ImportFaultSweep, ::testing::ValuesIn(kAllFaultModes), [](const auto& info) {
    return std::string(info.param == FaultMode::Once ? "Once" : info.param == FaultMode::Short ? "Short" : "FromThenOn");
});

// What a reader of dir sees: the tree, a search and a lookup; empty lines
// where a step failed, nothing when it does not open.
std::vector<std::string> ReadThrough(const std::string& dir) {
    Catalogue catalogue(dir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) return {};
    LineSink items;
    items.lines.push_back(catalogue.FillTree(items) ? "walked" : "walk stopped");
    catalogue.Search("a", items);
    CodeFacts facts;
    items.lines.push_back(catalogue.LookUp("A00.0", facts) ? facts.title : "");
    return items.lines;
}

class ImportCrashSweep : public Catalogues, public ::testing::WithParamInterface<CrashKind> {
protected:
    // Runs the import in a child that dies at its nth call through the file
    // layer, counting one call after a finished import; false when the child
    // outlived that call. A power cut reaches the directory holding the
    // target, since making the target changes it.
    bool CrashImportAt(int n, bool replacing) {
        Prepare(replacing);
        pid_t child = fork();
        if (child < 0) return false;
        if (child == 0) {
            FaultInjector faults;
            faults.CrashAt(n, GetParam(), replacing ? target() : dir.Path());
            bool imported = Import(kData + "mini-utf8", target(), true) == "0 ";
            struct stat info;
            PathStatus(target().c_str(), &info);
            _exit(imported ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }
};

// An import dies at each of its calls in turn, by a kill or by a power cut
// that loses everything not yet synced. What is left must be the old
// catalogue, the new one, or a marked replacement that the next import
// completes and in which a reader already finds the new catalogue whole;
// every file the checker reads is sound. After a power cut even a marked
// replacement has not yet changed a catalogue file, since renames reach the
// disk with the directory's sync; and once the import has said it finished,
// the new catalogue is on the disk.
TEST_P(ImportCrashSweep, LeavesOldNewOrAMarkedReplacement) {
    const Files newFiles = Snapshot(newRef);
    const std::vector<std::string> newLines = ReadThrough(newRef);
    const char* full = std::getenv("KODEXA_FULL_SWEEP");
    // The writing is swept call by call by the fault sweeps; here the
    // install at the end is what matters.
    const int stride = full != nullptr && std::string(full) == "1" ? 1 : 27, denseTail = 120;
    for (bool replacing : {true, false}) {
        const Files oldFiles = replacing ? Snapshot(oldRef) : Files{};
        Prepare(replacing);
        int calls = 0;
        {
            FaultInjector counter;
            ASSERT_EQ(Import(kData + "mini-utf8", target(), true), "0 ");
            calls = counter.TotalCalls() + 1;
        }
        int seen[3] = {0, 0, 0};  // old, new, marked
        for (int n = 1; n <= calls; n += (n >= calls - denseTail ? 1 : stride)) {
            SCOPED_TRACE(std::string(CrashKindName(GetParam())) + (replacing ? " replacing" : " into nothing") +
                         " at call " + std::to_string(n));
            ASSERT_TRUE(CrashImportAt(n, replacing)) << "the import outlived its crash";
            Files left = WithoutStaging(Snapshot(target()));
            const bool marked = left.erase(kPendingMarkerName) != 0;
            const bool isOld = left == oldFiles, isNew = left == newFiles;
            if (GetParam() == CrashKind::PowerCut || !marked) {
                EXPECT_TRUE(isOld || isNew) << "neither the old nor the new catalogue";
            }
            if (n == calls) {
                EXPECT_TRUE(isNew && !marked) << "a finished import is not on the disk";
            }
            if (marked) {
                EXPECT_EQ(ReadThrough(target()), newLines) << "a reader of a marked replacement";
                ExpectMarkedReplacementCompletes(newFiles);
            }
            ++seen[marked ? 2 : isOld ? 0 : 1];
            if (!WithoutStaging(Snapshot(target())).empty()) {
                for (const std::string& name : CatalogueFileList())
                    EXPECT_TRUE(CheckStoreFile(target() + "/" + name, IsIndexFileName(name)).IsSound()) << name;
            }
            if (HasFatalFailure()) break;
        }
        EXPECT_GT(seen[0], 0);
        EXPECT_GT(seen[1], 0);
        EXPECT_GT(seen[2], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ImportCrashSweep, ::testing::Values(CrashKind::Kill, CrashKind::PowerCut),
                         [](const auto& info) { return std::string(info.param == CrashKind::Kill ? "Kill" : "PowerCut"); });

}  // namespace
}  // namespace kodexa::test
