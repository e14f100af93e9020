#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace kodexa::fuzz {

namespace {

const char kPieceSeparator[] = "\n~~KODEXA~~\n";

}  // namespace

std::string ScratchFile(const std::string& path, const Bytes& content) {
    FUZZ_REQUIRE(test::WriteAllBytes(path, content), "the scratch file could not be written");
    return path;
}

bool IsClean(const std::string& path, bool asIndex) {
    const CheckReport report = CheckStoreFile(path, asIndex);
    return report.IsSound() && report.warnings.empty();
}

void Broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "kodexa fuzz: broken at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

std::vector<Bytes> SplitInput(const uint8_t* data, size_t size, size_t pieces) {
    std::vector<Bytes> out;
    const uint8_t* start = data;
    const uint8_t* end = data + size;
    while (out.size() + 1 < pieces) {
        const uint8_t* at = std::search(start, end, kPieceSeparator, kPieceSeparator + sizeof kPieceSeparator - 1);
        if (at == end) break;
        out.emplace_back(start, at);
        start = at + sizeof kPieceSeparator - 1;
    }
    out.emplace_back(start, end);
    out.resize(pieces);
    return out;
}

void CountingSink::AddTerm(const TermHit& hit) {
    ++terms;
    FUZZ_REQUIRE(!hit.term.empty(), "a stored term came back empty");
}

}  // namespace kodexa::fuzz
