// The fuzz targets. Each takes one input, never keeps state from one input
// to the next, and crashes (through FUZZ_REQUIRE or a sanitizer) when the
// code under test breaks a promise; a hang is caught by the runner.
#ifndef KODEXA_TESTS_FUZZ_FUZZ_TARGETS_H
#define KODEXA_TESTS_FUZZ_FUZZ_TARGETS_H

#include <cstddef>
#include <cstdint>

namespace kodexa::fuzz {

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

// Every target this build has, ended by {nullptr, nullptr}.
const Target* AllTargets();

}  // namespace kodexa::fuzz

#endif
