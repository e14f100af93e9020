// Nothing Kodexa does may damage a catalogue: failing file calls during an
// import, an open and close, a tree walk and a search; an import killed at
// any call, by a kill or a power cut; two programs on one catalogue.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>

#include "store/file_set_replace.h"
#include "catalogue/catalogue_sink.h"
#include "import/catalogue_writer.h"
#include "import/importer.h"
#include "check/file_check.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/fault_sweep.h"

namespace kodexa::test {
namespace {

namespace fs = std::filesystem;
using Snapshot = std::map<std::string, std::vector<unsigned char>>;

const std::string kData = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/";

// Every entry of a directory, hidden ones too, with the bytes of files.
Snapshot Take(const std::string& dir) {
    Snapshot files;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(dir, ignored))
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? ReadAllBytes(entry.path().string()) : std::vector<unsigned char>{'/'};
    return files;
}

// Staging directories and an unfinished marker that failing clean-up calls
// left behind: no reader looks at them, and the next import clears them.
Snapshot WithoutStaging(Snapshot files) {
    for (auto it = files.begin(); it != files.end();)
        it = it->first.rfind(kStagingPrefix, 0) == 0 && it->first != kPendingMarkerName ? files.erase(it) : std::next(it);
    return files;
}

void CopyDir(const std::string& from, const std::string& to) {
    std::error_code ignored;
    fs::remove_all(to, ignored);
    fs::create_directory(to);
    for (const auto& [name, bytes] : Take(from)) WriteAllBytes(to + "/" + name, bytes);
}

bool Import(const std::string& source, const std::string& target, bool force) {
    ImportRequest request;
    request.sourceDir = source;
    request.targetDir = target;
    request.force = force;
    FailureOnlyReport report;
    return RunImport(request, report) == 0;
}

void ExpectSound(const std::string& dir) {
    for (const std::string& name : CatalogueFileList())
        EXPECT_TRUE(CheckStoreFile(dir + "/" + name, IsIndexFileName(name)).IsSound()) << name;
}

struct Items : TreeSink, SearchSink {
    Item AddItem(Item, const std::string& label, IconRole, ItemKind kind, const std::string&) override {
        lines.push_back(std::to_string(kind) + " " + label);
        return reinterpret_cast<Item>(lines.size());
    }
    void AddResult(const std::string& code, const std::string& title) override { lines.push_back(code + "\t" + title); }
    std::vector<std::string> lines;
};

// The old catalogue (an excerpt of 2010) and the new one (a small set),
// each imported once without faults as the reference.
class Catalogues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Import(kData + "icd10gm2010-excerpt", oldRef(), false));
        ASSERT_TRUE(Import(kData + "mini-utf8", newRef(), false));
    }
    std::string oldRef() const { return dir.File("old-ref"); }
    std::string newRef() const { return dir.File("new-ref"); }
    std::string target() const { return dir.File("target"); }
    bool HoldsOnly(const Snapshot& reference) const { return WithoutStaging(Take(target())) == reference; }

    TempDir dir;
};

class ImportFaultSweep : public Catalogues, public ::testing::WithParamInterface<FaultMode> {};

// A failed import leaves the target as it was, or (once its marker is
// written) a replacement that the next run completes, or, failing only in
// the last sync, the new catalogue; a successful one leaves exactly the new
// catalogue.
TEST_P(ImportFaultSweep, TargetIsOldOrNewNeverAMixture) {
    const Snapshot oldFiles = Take(oldRef()), newFiles = Take(newRef());
    for (bool replacing : {false, true}) {
        SweepSteps steps;
        steps.prepare = [&] {
            std::error_code ignored;
            fs::remove_all(target(), ignored);
            if (replacing) CopyDir(oldRef(), target());
        };
        steps.run = [&] { return Import(kData + "mini-utf8", target(), true); };
        steps.verify = [&](bool succeeded) {
            if (succeeded) {
                EXPECT_TRUE(HoldsOnly(newFiles));
                return;
            }
            if (fs::exists(target() + "/" + kPendingMarkerName)) {
                bool completed = false;
                std::string error;
                ASSERT_TRUE(CompletePendingReplacement(target(), completed, error)) << error;
                EXPECT_TRUE(HoldsOnly(newFiles)) << "a marked replacement completes to the new catalogue";
                return;
            }
            // A failing sync after the last rename fails a complete install.
            bool asBefore = replacing ? HoldsOnly(oldFiles) : WithoutStaging(Take(target())).empty();
            EXPECT_TRUE(asBefore || HoldsOnly(newFiles)) << "a failed import changed the target";
        };
        // Writing the files takes most calls and the same few paths again and
        // again; the install at the end is where the states differ.
        SweepCounts counts = Sweep(GetParam(), steps, replacing ? "import replacing a catalogue" : "import into nothing",
                                   GetParam() == FaultMode::Short ? 3 : 9, 120);
        EXPECT_GT(counts.points, 0);
    }
}

// The window opens the three databases read-only, fills the tree, searches,
// looks a code up and closes: whatever fails, the files stay byte for byte
// as they were.
TEST_P(ImportFaultSweep, WindowOpenWalkSearchAndCloseChangeNoByte) {
    CopyDir(newRef(), target());
    const Snapshot before = Take(target());
    SweepSteps steps;
    Items items;
    steps.prepare = [&] { items.lines.clear(); };
    steps.run = [&] {
        Catalogue catalogue(target());
        bool opened = catalogue.Open(CatalogueFile::Chapters, CatalogueAccess::Reading) == kNoError;
        opened = catalogue.Open(CatalogueFile::Groups, CatalogueAccess::Reading) == kNoError && opened;
        opened = catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading) == kNoError && opened;
        bool walked = opened && catalogue.FillTree(items);
        bool found = walked && catalogue.Search("a", items);
        CodeFacts facts;
        found = found && catalogue.LookUp("A00.0", facts);
        bool closed = catalogue.CloseAll();
        return opened && walked && found && closed;
    };
    steps.verify = [&](bool) { EXPECT_EQ(Take(target()), before); };
    EXPECT_GT(Sweep(GetParam(), steps, "window open, walk, search, close").points, 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, ImportFaultSweep, ::testing::ValuesIn(kAllFaultModes), [](const auto& info) {
    return std::string(info.param == FaultMode::Once ? "Once" : info.param == FaultMode::Short ? "Short" : "FromThenOn");
});

// Two windows (or a window and kodexa-find) on one catalogue, closed in
// either order.
TEST_F(Catalogues, TwoOpenersClosedInEitherOrderChangeNothing) {
    CopyDir(newRef(), target());
    const Snapshot before = Take(target());
    for (bool firstClosesFirst : {true, false}) {
        auto first = std::make_unique<CatalogueDbs>(target() + "/");
        auto second = std::make_unique<CatalogueDbs>(target() + "/", firstClosesFirst ? 1 : 0);
        Items a, b;
        EXPECT_TRUE(FillChapterTree(first->chapters, first->groups, first->codes, a));
        EXPECT_TRUE(FillChapterTree(second->chapters, second->groups, second->codes, b));
        EXPECT_EQ(a.lines, b.lines);
        if (firstClosesFirst) first.reset();
        second.reset();
        first.reset();
        EXPECT_EQ(Take(target()), before) << (firstClosesFirst ? "first closed first" : "second closed first");
        ExpectSound(target());
    }
}

// What a reader sees of the catalogue it opened: the tree, a search and a
// lookup; empty lines where a step failed.
std::vector<std::string> ReadThrough(Catalogue& catalogue) {
    Items items;
    bool walked = catalogue.FillTree(items);
    items.lines.push_back(walked ? "walked" : "walk stopped");
    catalogue.Search("a", items);
    CodeFacts facts;
    items.lines.push_back(catalogue.LookUp("A00.0", facts) ? facts.title : "");
    return items.lines;
}

std::vector<std::string> ReadThrough(const std::string& dir) {
    Catalogue catalogue(dir);
    if (!catalogue.OpenAll(CatalogueAccess::Reading)) return {};
    return ReadThrough(catalogue);
}

// Other programs at work on the files of a catalogue a reader has open: the
// reader keeps what it opened, and the next reader sees what is there now,
// or fails to open without harm.
TEST_F(Catalogues, AnOpenCatalogueKeepsWhatItOpenedWhileOthersReplaceItsFiles) {
    const std::string codes = target() + "/" + NamesOf(CatalogueFile::Codes).dataName;
    struct Case {
        const char* what;
        std::function<void()> change;
        bool nextOpens;
    };
    const Case cases[] = {
        {"a replacing import", [&] { ASSERT_TRUE(Import(kData + "mini-utf8", target(), true)); }, true},
        {"the codes replaced by a directory", [&] { fs::remove(codes); fs::create_directory(codes); }, false},
        {"the codes removed", [&] { fs::remove(codes); }, false},
    };
    const std::vector<std::string> oldLines = ReadThrough(oldRef()), newLines = ReadThrough(newRef());
    ASSERT_NE(oldLines, newLines);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopyDir(oldRef(), target());
        Catalogue open(target());
        ASSERT_TRUE(open.OpenAll(CatalogueAccess::Reading));
        c.change();
        EXPECT_EQ(ReadThrough(open), oldLines);
        EXPECT_EQ(ReadThrough(target()), c.nextOpens ? newLines : std::vector<std::string>{});
    }
}

// True when every line of part is one of whole; the lines that tell how a
// step ended are left out. The order may differ: a record that straddles the
// cut end can be read with zeros for its lost bytes, and its code then goes
// under another heading.
bool IsPartOf(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    for (const std::string& line : part) {
        if (line.empty() || line == "walked" || line == "walk stopped") continue;
        if (std::find(whole.begin(), whole.end(), line) == whole.end()) return false;
    }
    return true;
}

// The codes' data file cut short in place under a reader: no crash, and the
// tree and the search hold only what could still be read.
TEST_F(Catalogues, ACatalogueCutShortUnderAReaderShowsWhatCouldBeRead) {
    const std::string codes = target() + "/" + NamesOf(CatalogueFile::Codes).dataName;
    CopyDir(oldRef(), target());
    const std::vector<std::string> whole = ReadThrough(target());
    const uintmax_t size = fs::file_size(codes);
    for (uintmax_t length : {uintmax_t(0), size / 3, size / 2}) {
        SCOPED_TRACE("cut to " + std::to_string(length));
        CopyDir(oldRef(), target());
        Catalogue open(target());
        ASSERT_TRUE(open.OpenAll(CatalogueAccess::Reading));
        fs::resize_file(codes, length);
        const std::vector<std::string> seen = ReadThrough(open);
        EXPECT_LT(seen.size(), whole.size());
        EXPECT_TRUE(IsPartOf(seen, whole)) << "lines never stored";
    }
}

class ImportCrashSweep : public Catalogues, public ::testing::WithParamInterface<CrashKind> {
protected:
    void Prepare(bool replacing) {
        std::error_code ignored;
        fs::remove_all(target(), ignored);
        if (replacing) CopyDir(oldRef(), target());
    }
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
            bool imported = Import(kData + "mini-utf8", target(), true);
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
    const Snapshot newFiles = Take(newRef());
    const std::vector<std::string> newLines = ReadThrough(newRef());
    const char* full = std::getenv("KODEXA_FULL_SWEEP");
    // The writing is swept call by call by the fault sweeps; here the
    // install at the end is what matters.
    const int stride = full != nullptr && std::string(full) == "1" ? 1 : 27, denseTail = 120;
    for (bool replacing : {true, false}) {
        const Snapshot oldFiles = replacing ? Take(oldRef()) : Snapshot{};
        Prepare(replacing);
        int calls = 0;
        {
            FaultInjector counter;
            ASSERT_TRUE(Import(kData + "mini-utf8", target(), true));
            calls = counter.TotalCalls() + 1;
        }
        int seen[3] = {0, 0, 0};  // old, new, marked
        for (int n = 1; n <= calls; n += (n >= calls - denseTail ? 1 : stride)) {
            SCOPED_TRACE(std::string(CrashKindName(GetParam())) + (replacing ? " replacing" : " into nothing") +
                         " at call " + std::to_string(n));
            ASSERT_TRUE(CrashImportAt(n, replacing)) << "the import outlived its crash";
            Snapshot left = WithoutStaging(Take(target()));
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
                bool completed = false;
                std::string error;
                ASSERT_TRUE(CompletePendingReplacement(target(), completed, error)) << error;
                EXPECT_TRUE(HoldsOnly(newFiles)) << "a marked replacement completes to the new catalogue";
            }
            ++seen[marked ? 2 : isOld ? 0 : 1];
            if (!WithoutStaging(Take(target())).empty()) ExpectSound(target());
            if (HasFatalFailure()) break;
        }
        std::printf("%s of an import %s at %d calls: %d old, %d new, %d marked and completed\n",
                    CrashKindName(GetParam()), replacing ? "replacing a catalogue" : "into nothing", calls, seen[0],
                    seen[1], seen[2]);
        EXPECT_GT(seen[0], 0);
        EXPECT_GT(seen[1], 0);
        EXPECT_GT(seen[2], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ImportCrashSweep, ::testing::Values(CrashKind::Kill, CrashKind::PowerCut),
                         [](const auto& info) { return std::string(info.param == CrashKind::Kill ? "Kill" : "PowerCut"); });

}  // namespace
}  // namespace kodexa::test
