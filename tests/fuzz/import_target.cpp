// The importer on arbitrary text for its three input files (three pieces of
// one input: chapters, groups, codes) into a directory that is not there
// yet. It must end with a clear message and nothing in the directory, or
// with six files that the checker finds sound and that hold what it reports.
#include <filesystem>

#include "catalogue/catalogue.h"
#include "import/catalogue_writer.h"
#include "import/importer.h"
#include "check/file_check.h"
#include "index/object_database.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

int64_t CodesFound(const std::string& dir) {
    Catalogue catalogue(dir);
    if (catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading) != kNoError) return 0;
    CountingSearchSink hits;
    catalogue.Search("", hits);
    return hits.results;
}

}  // namespace

int FuzzImporter(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    const std::string source = ScratchFile("import-source"), target = FreshScratchDir("import-target", false);
    std::error_code ignored;
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

    FailureOnlyReport report;
    ImportCounts counts;
    if (RunImport(request, report, &counts) != 0) {
        FUZZ_REQUIRE(!report.message.empty(), "a failed import says nothing");
        FUZZ_REQUIRE(!fs::exists(target) || fs::is_empty(target), "a failed import left files in the target directory");
        return 0;
    }
    for (const std::string& name : CatalogueFileList())
        FUZZ_REQUIRE(CheckStoreFile(target + "/" + name, IsIndexFileName(name)).IsSound(),
                     "an import reported as done wrote a damaged file");
    FUZZ_REQUIRE(CodesFound(target) == int64_t(counts.codes), "the code index lists another number of codes than imported");
    return 0;
}

}  // namespace kodexa::fuzz
