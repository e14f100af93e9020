// Real files to start the fuzzers from: store files of every revision with
// objects in use, deleted and released, and index files of a few shapes.
#ifndef KODEXA_TESTS_FUZZ_SEED_FILES_H
#define KODEXA_TESTS_FUZZ_SEED_FILES_H

#include <string>
#include <vector>

namespace kodexa::fuzz {

struct SeedFile {
    std::string target;  // the fuzz target it is meant for
    std::string path;
};

// Writes the seed files into dir/<target>/ and answers them; an empty list
// when a file could not be made. sourceSets names directories that each hold
// the three input files of an import: they become importer inputs and,
// imported, catalogue inputs.
std::vector<SeedFile> MakeSeedFiles(const std::string& dir, const std::vector<std::string>& sourceSets = {});

}  // namespace kodexa::fuzz

#endif
