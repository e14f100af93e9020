// Shared by the fuzz targets: each takes one input, keeps no state from one
// input to the next, and crashes (through FUZZ_REQUIRE or a sanitizer) when
// the code under test breaks a promise; a hang is caught by the runner.
#ifndef KODEXA_TESTS_FUZZ_FUZZ_SUPPORT_H
#define KODEXA_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue_sink.h"
#include "check/file_check.h"
#include "tests/support/temp_dir.h"

namespace kodexa::fuzz {

using Bytes = std::vector<unsigned char>;

int FuzzStoreFile(const uint8_t* data, size_t size);
int FuzzIndexFile(const uint8_t* data, size_t size);
int FuzzFileCheck(const uint8_t* data, size_t size);
int FuzzCatalogue(const uint8_t* data, size_t size);
int FuzzImporter(const uint8_t* data, size_t size);
int FuzzMappedReads(const uint8_t* data, size_t size);
int FuzzAlphaImporter(const uint8_t* data, size_t size);
int FuzzTransitionImporter(const uint8_t* data, size_t size);
int FuzzDiagnosisLines(const uint8_t* data, size_t size);

using test::ReadAllBytes;
using test::TempDir;  // each input gets a directory of its own (under TMPDIR)

// Writes content to path and answers the path.
std::string ScratchFile(const std::string& path, const Bytes& content);
// Sound and without stray bytes: only such a file is promised to stay sound
// through changes, since bytes outside every block can be read as a block
// header once an append lands right behind them.
bool IsClean(const std::string& path, bool asIndex);

// Prints what was broken and aborts; libFuzzer saves the input as a crash.
[[noreturn]] void Broken(const char* what, const char* file, int line);

// An input cut into pieces at a separator that real files rarely hold, so
// that the fuzzer can grow, shrink and swap the pieces.
std::vector<Bytes> SplitInput(const uint8_t* data, size_t size, size_t pieces);

// Counts what a search or a tree fill gives; a term must never come back empty.
class CountingSink : public SearchSink, public TreeSink {
public:
    void AddResult(const std::string&, const std::string&) override { ++results; }
    void AddTerm(const TermHit& hit) override;
    Item AddItem(Item, const std::string&, IconRole, ItemKind, const std::string&) override {
        return reinterpret_cast<Item>(++items);
    }
    int64_t results = 0, items = 0;
    size_t terms = 0;
};

}  // namespace kodexa::fuzz

#define FUZZ_REQUIRE(condition, what) \
    ((condition) ? (void)0 : ::kodexa::fuzz::Broken(what, __FILE__, __LINE__))

#endif
