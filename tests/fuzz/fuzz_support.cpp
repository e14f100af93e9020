#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kodexa::fuzz {

namespace {

const char kPieceSeparator[] = "\n~~KODEXA~~\n";

// Made on first use, removed at exit.
std::string ScratchPath(const std::string& name) {
    static const test::TempDir scratch;
    return scratch.File(name);
}

}  // namespace

std::string ScratchFile(const std::string& name, const Bytes& content) {
    const std::string path = ScratchPath(name);
    FUZZ_REQUIRE(test::WriteAllBytes(path, content), "the scratch file could not be written");
    return path;
}

std::string FreshScratchDir(const std::string& name, bool create) {
    const std::string dir = ScratchPath(name);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
    if (create) std::filesystem::create_directory(dir, ignored);
    return dir;
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
