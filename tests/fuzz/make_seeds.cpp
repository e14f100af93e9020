// kodexa-fuzz-seeds DIR [SOURCESET...]: writes the fuzzers' seed files into
// DIR/<target>/; each SOURCESET directory holds the three files of an import,
// or alphabetical index files, or both.
#include <cstdio>

#include "tests/fuzz/fuzz_support.h"

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "Usage: kodexa-fuzz-seeds DIR [SOURCESET...]\n");
        return 2;
    }
    if (!kodexa::fuzz::MakeSeedFiles(argv[1], std::vector<std::string>(argv + 2, argv + argc))) {
        std::fprintf(stderr, "kodexa-fuzz-seeds: could not write the seed files into %s\n", argv[1]);
        return 1;
    }
    std::printf("kodexa-fuzz-seeds: seed files written into %s\n", argv[1]);
    return 0;
}
