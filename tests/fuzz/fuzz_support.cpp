#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kodexa::fuzz {

namespace fs = std::filesystem;

namespace {

const char kPieceSeparator[] = "\n~~KODEXA~~\n";

std::string scratchDir;  // made on first use, removed at exit

std::string ScratchPath(const std::string& name) {
    if (scratchDir.empty()) {
        std::string pattern = fs::temp_directory_path().string() + "/kodexa-fuzz-XXXXXX";
        FUZZ_REQUIRE(mkdtemp(pattern.data()) != nullptr, "no scratch directory could be made");
        scratchDir = pattern;
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(scratchDir, ignored);
        });
    }
    return scratchDir + "/" + name;
}

}  // namespace

std::string ScratchFile(const std::string& name, const Bytes& content) {
    const std::string path = ScratchPath(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    out.close();
    FUZZ_REQUIRE(out.good(), "the scratch file could not be written");
    return path;
}

std::string FreshScratchDir(const std::string& name, bool create) {
    const std::string dir = ScratchPath(name);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    if (create) fs::create_directory(dir, ignored);
    return dir;
}

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
