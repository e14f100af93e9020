// The importer on arbitrary text, into a directory that is not there yet. It
// must end with a clear message and nothing in the directory, or with files
// that the checker finds sound and that hold what it reports.
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

// The three input files are three pieces of one input: chapters, groups, codes.
int FuzzImporter(const uint8_t* data, size_t size) {
    FreshScratchDir("import-source", true);
    std::vector<Bytes> pieces = SplitInput(data, size, 3);
    ImportRequest request;
    request.files.chapters = ScratchFile("import-source/kapitel.txt", pieces[0]);
    request.files.groups = ScratchFile("import-source/gruppen.txt", pieces[1]);
    request.files.codes = ScratchFile("import-source/kodes.txt", pieces[2]);
    request.targetDir = FreshScratchDir("import-target", false);
    ImportCounts counts;
    if (ImportChecked(request, counts))
        FUZZ_REQUIRE(SearchAll(request.targetDir).results == int64_t(counts.codes),
                     "the code index lists another number of codes than imported");
    return 0;
}

// The input is the alphabetical index, beside a small fixed classification
// whose codes it may name; it must give back every term the import reported.
int FuzzAlphaImporter(const uint8_t* data, size_t size) {
    ImportRequest request;
    request.sourceDir = KODEXA_FUZZ_CLASSIFICATION_DIR;
    request.alphaFile = ScratchFile("alpha-index.txt", Bytes(data, data + size));
    request.targetDir = FreshScratchDir("alpha-target", false);
    ImportCounts counts;
    if (ImportChecked(request, counts))
        FUZZ_REQUIRE(SearchAll(request.targetDir).terms == counts.terms,
                     "the alphabetical index gives back another number of terms than imported");
    return 0;
}

}  // namespace kodexa::fuzz
