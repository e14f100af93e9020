// The transition table's reader and the import of a table beside a small
// fixed classification. A table is either refused with a message and
// nothing written, or imported so that every code's record gives back what
// the table said, and every successor it names is a code of the catalogue.
#include <filesystem>

#include "catalogue/catalogue.h"
#include "import/importer.h"
#include "import/transition_source.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

namespace fs = std::filesystem;

void CheckTable(const TransitionTable& table) {
    FUZZ_REQUIRE(!table.pairs.empty() && table.pairs.size() == table.lines.size(), "a table read without its pairs");
    for (const TransitionPair& pair : table.pairs)
        FUZZ_REQUIRE(!pair.oldCode.empty() || !pair.newCode.empty(), "a pair without a code was taken");
    for (const CodeTransitions& code : GroupByCode(table.pairs)) {
        FUZZ_REQUIRE(PackLinks(UnpackLinks(PackLinks(code.onward))) == PackLinks(code.onward),
                     "links do not survive their stored text");
        FUZZ_REQUIRE(!code.onward.empty() || !code.back.empty(), "a code without links");
    }
}

void CheckImported(const TransitionTable& table, const std::string& target) {
    for (const std::string& name : FileNamesOf(kOptionalCatalogueFiles))
        if (fs::exists(target + "/" + name))
            FUZZ_REQUIRE(CheckStoreFile(target + "/" + name, IsIndexFileName(name)).IsSound(),
                         "an import reported as done wrote a damaged file");
    Catalogue catalogue(target);
    FUZZ_REQUIRE(catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading) == kNoError, "no codes after import");
    FUZZ_REQUIRE(catalogue.OpenIfPresent(CatalogueFile::Transitions) == OptionalState::Open, "the table is not there");
    const std::vector<CodeTransitions> expected = GroupByCode(table.pairs);
    std::vector<CodeTransitions> all;
    FUZZ_REQUIRE(ReadAllTransitions(catalogue, all) && all.size() == expected.size(),
                 "the stored table has another number of codes");
    for (const CodeTransitions& code : expected) {
        CodeTransitions stored;
        FUZZ_REQUIRE(LookUpTransitions(catalogue, code.code, stored), "a code of the table is not found");
        FUZZ_REQUIRE(PackLinks(stored.onward) == PackLinks(code.onward) && PackLinks(stored.back) == PackLinks(code.back),
                     "a code's links came back changed");
        for (const std::string& successor : catalogue.SuccessorOf(code.code).codes) {
            CodeFacts facts;
            FUZZ_REQUIRE(catalogue.LookUp(successor, facts) && facts.code == successor,
                         "a successor is not a code of the catalogue");
        }
    }
}

}  // namespace

int FuzzTransitionImporter(const uint8_t* data, size_t size) {
    const TempDir scratch;
    const std::string path = ScratchFile(scratch.File("icd10gm2099syst_umsteiger_2098_2099.txt"), Bytes(data, data + size));
    TransitionTable table;
    ImportError error;
    const bool read = ReadTransitionTable(path, table, error);
    if (read) CheckTable(table);
    else FUZZ_REQUIRE(!error.message.empty() && error.line >= 0, "a refused table says nothing");

    ImportRequest request;
    request.sourceDir = KODEXA_FUZZ_CLASSIFICATION_DIR;
    request.transitionsFile = path;
    request.targetDir = scratch.File("catalogue");
    FailureOnlyReport report;
    ImportCounts counts;
    if (RunImport(request, report, &counts) != 0) {
        FUZZ_REQUIRE(!report.message.empty(), "a failed import says nothing");
        FUZZ_REQUIRE(!fs::exists(request.targetDir) || fs::is_empty(request.targetDir),
                     "a failed import left files in the target directory");
        return 0;
    }
    FUZZ_REQUIRE(read, "the importer took a table the reader refused");
    FUZZ_REQUIRE(counts.transitions && counts.transitionPairs == table.pairs.size(),
                 "the import reports another number of transitions");
    CheckImported(table, request.targetDir);
    return 0;
}

}  // namespace kodexa::fuzz
