// The importer on arbitrary text for the alphabetical index, beside a small
// fixed classification whose codes the index may name. It must end with a
// clear message and nothing in the target directory, or with files that the
// checker finds sound and an index that gives back every term it reported.
#include <filesystem>

#include "catalogue/catalogue.h"
#include "check/file_check.h"
#include "import/catalogue_writer.h"
#include "import/facts_writer.h"
#include "import/importer.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

class TermCounter : public SearchSink {
public:
    void AddResult(const std::string&, const std::string&) override {}
    void AddTerm(const TermHit& hit) override {
        ++terms;
        FUZZ_REQUIRE(!hit.term.empty(), "a stored term came back empty");
    }
    size_t terms = 0;
};

// Every term contains the empty text, so an empty search gives them all.
size_t TermsFound(const std::string& dir) {
    Catalogue catalogue(dir);
    if (catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading) != kNoError) return 0;
    if (catalogue.OpenIfPresent(CatalogueFile::AlphaIndex) != OptionalState::Open) return 0;
    TermCounter counter;
    catalogue.Search("", counter);
    return counter.terms;
}

}  // namespace

int FuzzAlphaImporter(const uint8_t* data, size_t size) {
    namespace fs = std::filesystem;
    const std::string alpha = ScratchFile("alpha-index.txt"), target = FreshScratchDir("alpha-target", false);
    WriteFile(alpha, data, size);
    ImportRequest request;
    request.sourceDir = KODEXA_FUZZ_CLASSIFICATION_DIR;
    request.alphaFile = alpha;
    request.targetDir = target;

    FailureOnlyReport report;
    ImportCounts counts;
    if (RunImport(request, report, &counts) != 0) {
        FUZZ_REQUIRE(!report.message.empty(), "a failed import says nothing");
        FUZZ_REQUIRE(!fs::exists(target) || fs::is_empty(target), "a failed import left files in the target directory");
        return 0;
    }
    std::vector<std::string> names = CatalogueFileList();
    for (const std::string& name : OptionalCatalogueFileList())
        if (fs::exists(target + "/" + name)) names.push_back(name);
    for (const std::string& name : names)
        FUZZ_REQUIRE(CheckStoreFile(target + "/" + name, IsIndexFileName(name)).IsSound(),
                     "an import reported as done wrote a damaged file");
    FUZZ_REQUIRE(TermsFound(target) == counts.terms, "the alphabetical index gives back another number of terms than imported");
    return 0;
}

}  // namespace kodexa::fuzz
