// The importer on arbitrary text, into a directory that is not there yet. It
// must end with a clear message and nothing in the directory, or with files
// that the checker finds sound and that hold what it reports.
#include <filesystem>

#include "catalogue/catalogue.h"
#include "import/catalogue_writer.h"
#include "import/facts_writer.h"
#include "import/importer.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

namespace fs = std::filesystem;

// Answers whether the import was done, and then what an empty search over
// the catalogue (its alphabetical index too) gives: every title and term,
// as each contains the empty text.
bool ImportChecked(const ImportRequest& request, ImportCounts& counts, CountingSink& all) {
    const std::string& target = request.targetDir;
    FailureOnlyReport report;
    if (RunImport(request, report, &counts) != 0) {
        FUZZ_REQUIRE(!report.message.empty(), "a failed import says nothing");
        FUZZ_REQUIRE(!fs::exists(target) || fs::is_empty(target), "a failed import left files in the target directory");
        return false;
    }
    std::vector<std::string> names = CatalogueFileList();
    for (const std::string& name : OptionalCatalogueFileList())
        if (fs::exists(target + "/" + name)) names.push_back(name);
    for (const std::string& name : names)
        FUZZ_REQUIRE(CheckStoreFile(target + "/" + name, IsIndexFileName(name)).IsSound(),
                     "an import reported as done wrote a damaged file");
    Catalogue catalogue(target);
    if (catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading) != kNoError) return true;
    catalogue.OpenIfPresent(CatalogueFile::AlphaIndex);
    catalogue.Search("", all);
    return true;
}

}  // namespace

// The three input files are three pieces of one input: chapters, groups, codes.
int FuzzImporter(const uint8_t* data, size_t size) {
    const TempDir scratch;
    std::vector<Bytes> pieces = SplitInput(data, size, 3);
    ImportRequest request;
    request.files.chapters = ScratchFile(scratch.File("kapitel.txt"), pieces[0]);
    request.files.groups = ScratchFile(scratch.File("gruppen.txt"), pieces[1]);
    request.files.codes = ScratchFile(scratch.File("kodes.txt"), pieces[2]);
    request.targetDir = scratch.File("catalogue");
    ImportCounts counts;
    CountingSink all;
    if (ImportChecked(request, counts, all))
        FUZZ_REQUIRE(all.results == int64_t(counts.codes),
                     "the code index lists another number of codes than imported");
    return 0;
}

// The input is the alphabetical index, beside a small fixed classification
// whose codes it may name; it must give back every term the import reported.
int FuzzAlphaImporter(const uint8_t* data, size_t size) {
    const TempDir scratch;
    ImportRequest request;
    request.sourceDir = KODEXA_FUZZ_CLASSIFICATION_DIR;
    request.alphaFile = ScratchFile(scratch.File("alpha-index.txt"), Bytes(data, data + size));
    request.targetDir = scratch.File("catalogue");
    ImportCounts counts;
    CountingSink all;
    if (ImportChecked(request, counts, all))
        FUZZ_REQUIRE(all.terms == counts.terms,
                     "the alphabetical index gives back another number of terms than imported");
    return 0;
}

}  // namespace kodexa::fuzz
