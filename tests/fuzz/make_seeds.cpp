// kodexa-fuzz-seeds DIR [SOURCESET...]: writes the fuzzers' seed files into
// DIR/<target>/; each SOURCESET directory holds the three files of an import,
// or alphabetical index files, or both.
#include <cstdio>
#include <cstring>

#include "tests/fuzz/fuzz_support.h"

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
        std::printf("Usage: kodexa-fuzz-seeds DIR [SOURCESET...]\n"
                    "Writes store and index files to start the fuzzers from into DIR/store, DIR/index and\n"
                    "DIR/check; each SOURCESET directory, holding the three files of an import, becomes an\n"
                    "input in DIR/import and, imported, a catalogue in DIR/catalogue; its alphabetical\n"
                    "index files become inputs in DIR/alpha.\n");
        return argc >= 2 ? 0 : 2;
    }
    auto seeds = kodexa::fuzz::MakeSeedFiles(argv[1], std::vector<std::string>(argv + 2, argv + argc));
    if (seeds.empty()) {
        std::fprintf(stderr, "kodexa-fuzz-seeds: could not write the seed files into %s\n", argv[1]);
        return 1;
    }
    std::printf("kodexa-fuzz-seeds: %zu files in %s\n", seeds.size(), argv[1]);
    return 0;
}
