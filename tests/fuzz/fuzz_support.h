// Shared by the fuzz targets: each takes one input, keeps no state from one
// input to the next, and crashes (through FUZZ_REQUIRE or a sanitizer) when
// the code under test breaks a promise; a hang is caught by the runner.
#ifndef KODEXA_TESTS_FUZZ_FUZZ_SUPPORT_H
#define KODEXA_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/catalogue_sink.h"
#include "index/index_key.h"

namespace kodexa::fuzz {

using Bytes = std::vector<unsigned char>;
using TargetFunction = int (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;  // also the folder of its seeds and regressions
    TargetFunction run;
};

int FuzzStoreFile(const uint8_t* data, size_t size);
int FuzzIndexFile(const uint8_t* data, size_t size);
int FuzzFileCheck(const uint8_t* data, size_t size);
int FuzzCatalogue(const uint8_t* data, size_t size);
int FuzzImporter(const uint8_t* data, size_t size);
int FuzzMappedReads(const uint8_t* data, size_t size);
int FuzzAlphaImporter(const uint8_t* data, size_t size);
// The reads, seeks and changes appended to every file of the mapped reads' seeds.
Bytes MappedSeedScript();
// Every target, ended by {nullptr, nullptr}.
const Target* AllTargets();

// One directory per process, removed at exit; in /dev/shm when there is one,
// as every input is written to a file.
std::string ScratchFile(const std::string& name);
void WriteFile(const std::string& path, const uint8_t* data, size_t size);
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
int64_t FileLength(const std::string& path);
// Sound and without stray bytes: only such a file is promised to stay sound
// through changes, since bytes outside every block can be read as a block
// header once an append lands right behind them.
bool IsClean(const std::string& path, bool asIndex);
// Empties the scratch directory `name` (creating it when `create`) and answers its path.
std::string FreshScratchDir(const std::string& name, bool create);

// Prints what was broken and aborts; libFuzzer saves the input as a crash.
[[noreturn]] void Broken(const char* what, const char* file, int line);

// An input cut into pieces at a separator that real files rarely hold, so
// that the fuzzer can grow, shrink and swap the pieces.
std::vector<Bytes> SplitInput(const uint8_t* data, size_t size, size_t pieces);
extern const char kPieceSeparator[];

// Real files to start the fuzzers from, written into dir/<target>/: store
// files of every revision with objects in use, deleted and released, index
// files of a few shapes, and for each source set (a directory holding the
// three files of an import) an import input and, imported, a catalogue;
// every alphabetical index file of a source set is an input of its own.
// Answers an empty list when a file could not be made.
struct SeedFile {
    std::string target;
    std::string path;
};
std::vector<SeedFile> MakeSeedFiles(const std::string& dir, const std::vector<std::string>& sourceSets = {});

class CountingSearchSink : public SearchSink {
public:
    void AddResult(const std::string&, const std::string&) override { ++results; }
    int64_t results = 0;
};

// A 16-byte key (a code text padded with zeros, then whatever a file holds)
// ordered by all of its bytes, as the file checker orders key images, so
// that a tree the checker finds sound is one this key can walk.
class FuzzKey : public IndexKey {
public:
    static constexpr int kSize = 16;
    explicit FuzzKey(const std::string& code = "") : IndexKey(image), image{} {
        std::memcpy(image, code.data(), code.size() < kSize ? code.size() : kSize);
    }
    std::string Image() const { return std::string(reinterpret_cast<const char*>(image), kSize); }
    int KeySize() const override { return kSize; }
    int IsEqual(const IndexKey& other) const override { return std::memcmp(image, other.KeyImage(), kSize) == 0; }
    int IsGreater(const IndexKey& other) const override { return std::memcmp(image, other.KeyImage(), kSize) > 0; }

private:
    unsigned char image[kSize];
};

}  // namespace kodexa::fuzz

#define FUZZ_REQUIRE(condition, what) \
    ((condition) ? (void)0 : ::kodexa::fuzz::Broken(what, __FILE__, __LINE__))
#define FUZZ_REQUIRE_UNCHANGED(path, data, size, what) \
    FUZZ_REQUIRE(::kodexa::fuzz::ReadFile(path) == ::kodexa::fuzz::Bytes((data), (data) + (size)), what)

#endif
