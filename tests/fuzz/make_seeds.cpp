// kodexa-fuzz-seeds DIR: writes the fuzzers' seed files into DIR/<target>/.
#include <cstdio>
#include <cstring>

#include "tests/fuzz/seed_files.h"

int main(int argc, char** argv) {
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0) {
        std::printf("Usage: kodexa-fuzz-seeds DIR\nWrites store and index files to start the fuzzers from "
                    "into DIR/store, DIR/index and DIR/check.\n");
        return argc == 2 ? 0 : 2;
    }
    auto seeds = kodexa::fuzz::MakeSeedFiles(argv[1]);
    if (seeds.empty()) {
        std::fprintf(stderr, "kodexa-fuzz-seeds: could not write the seed files into %s\n", argv[1]);
        return 1;
    }
    std::printf("kodexa-fuzz-seeds: %zu files in %s\n", seeds.size(), argv[1]);
    return 0;
}
