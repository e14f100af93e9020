// A whole catalogue cut from one input (six pieces: data1.dat, data1.ndx,
// data2.dat, ... data3.ndx), opened read-write as the window opens it,
// filled into a tree, searched twice and closed. Every walk must end within
// what the files can hold, and a catalogue the checker finds sound, without
// even a warning, must be left byte for byte as it was.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_sink.h"
#include "index/file_check.h"
#include "index/object_database.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace kodexa::fuzz {

namespace {

const char* const kFileNames[6] = {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"};

class CountingTreeSink : public TreeSink {
public:
    Item AddItem(Item, const std::string&, IconRole, ItemKind, const std::string&) override {
        ++items;
        return reinterpret_cast<Item>(items);
    }
    int64_t items = 0;
};

class CountingSearchSink : public SearchSink {
public:
    void AddResult(const std::string&, const std::string&) override { ++results; }
    int64_t results = 0;
};

// Silences the diagnostics the tree filler writes for damaged files while
// one input runs; standard output is back afterwards.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            close(null);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        if (saved >= 0) {
            dup2(saved, STDOUT_FILENO);
            close(saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int saved = -1;
};

}  // namespace

int FuzzCatalogue(const uint8_t* data, size_t size) {
    QuietStdout quiet;
    const std::string dir = ScratchFile("catalogue") + "/";
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    std::filesystem::create_directory(dir, ignored);
    std::vector<Bytes> pieces = SplitInput(data, size, 6);
    int64_t indexBytes = 0;
    bool sound = true;
    for (int i = 0; i < 6; ++i) {
        WriteFile(dir + kFileNames[i], pieces[i]);
        if (i % 2 == 1) indexBytes += int64_t(pieces[i].size());
        // Oddities the checker only warns of (a file longer than its header
        // says) are put right by a read-write open, as they always were.
        CheckReport report = CheckStoreFile(dir + kFileNames[i], i % 2 == 1);
        sound = sound && report.IsSound() && report.warnings.empty();
    }
    {
        ObjectDatabase chapters, groups, codes;
        OpenCatalogueDatabase(chapters, dir, CatalogueFile::Chapters, 1);
        OpenCatalogueDatabase(groups, dir, CatalogueFile::Groups, 1);
        OpenCatalogueDatabase(codes, dir, CatalogueFile::Codes, 1);
        // Every item and every hit comes from one index entry.
        const int64_t mostEntries = indexBytes / (kEntryLinkSize + 1) + 2;
        CountingTreeSink tree;
        FillChapterTree(chapters, groups, codes, tree);
        FUZZ_REQUIRE(tree.items <= mostEntries, "the tree holds more items than the indexes hold entries");
        for (const char* text : {"", "a"}) {
            CountingSearchSink hits;
            SearchCodes(codes, text, hits);
            FUZZ_REQUIRE(hits.results <= mostEntries, "a search lists more hits than the code index holds");
        }
        groups.Close();
        chapters.Close();
        codes.Close();
    }
    if (sound) {
        for (int i = 0; i < 6; ++i)
            FUZZ_REQUIRE(ReadFile(dir + kFileNames[i]) == pieces[i], "opening and closing changed a sound catalogue file");
    }
    return 0;
}

}  // namespace kodexa::fuzz
