// The importer on arbitrary text for its three input files (three pieces of
// one input: chapters, groups, codes) into an empty directory. It must end
// with a clear message and nothing in the directory, or with six files that
// the checker finds sound and that hold what it reports.
#include <filesystem>
#include <sstream>
#include <string>

#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_sink.h"
#include "catalogue/catalogue_writer.h"
#include "catalogue/importer.h"
#include "index/file_check.h"
#include "index/object_database.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/fuzz_targets.h"

namespace kodexa::fuzz {

namespace {

class CountingSearchSink : public SearchSink {
public:
    void AddResult(const std::string&, const std::string&) override { ++results; }
    size_t results = 0;
};

size_t CodesFound(const std::string& dir) {
    ObjectDatabase codes;
    if (OpenCatalogueDatabase(codes, dir + "/", CatalogueFile::Codes, 0) != kNoError) return 0;
    CountingSearchSink hits;
    SearchCodes(codes, "", hits);
    codes.Close();
    return hits.results;
}

}  // namespace

int FuzzImporter(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    const std::string source = ScratchFile("import-source"), target = ScratchFile("import-target");
    std::error_code ignored;
    fs::remove_all(target, ignored);
    fs::create_directory(source, ignored);
    std::vector<Bytes> pieces = SplitInput(data, size, 3);
    ImportRequest request;
    request.files.chapters = source + "/kapitel.txt";
    request.files.groups = source + "/gruppen.txt";
    request.files.codes = source + "/kodes.txt";
    WriteFile(request.files.chapters, pieces[0]);
    WriteFile(request.files.groups, pieces[1]);
    WriteFile(request.files.codes, pieces[2]);
    request.targetDir = target;
    request.progress = ProgressStyle::None;
    request.quiet = true;

    std::ostringstream report;
    ImportCounts counts;
    int status = RunImport(request, report, &counts);
    if (status != 0) {
        FUZZ_REQUIRE(!report.str().empty(), "a failed import says nothing");
        bool empty = !fs::exists(target) || fs::is_empty(target);
        FUZZ_REQUIRE(empty, "a failed import left files in an empty target directory");
        return 0;
    }
    for (const std::string& name : CatalogueFileList())
        FUZZ_REQUIRE(CheckStoreFile(target + "/" + name, IsIndexFileName(name)).IsSound(),
                     "an import reported as done wrote a damaged file");
    FUZZ_REQUIRE(CodesFound(target) == counts.codes, "the code index lists another number of codes than imported");
    return 0;
}

}  // namespace kodexa::fuzz
