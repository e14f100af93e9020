#include "tests/fuzz/fuzz_support.h"

#include "check/file_check.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kodexa::fuzz {

namespace fs = std::filesystem;

namespace {

std::string BaseDir() {
    const char* chosen = std::getenv("KODEXA_FUZZ_TMP");
    if (chosen != nullptr && *chosen != 0) return chosen;
    std::error_code ignored;
    if (fs::is_directory("/dev/shm", ignored) && access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return fs::temp_directory_path().string();
}

std::string made;

void RemoveScratch() {
    std::error_code ignored;
    if (!made.empty()) fs::remove_all(made, ignored);
}

}  // namespace

const char kPieceSeparator[] = "\n~~KODEXA~~\n";

const Target* AllTargets() {
    static const Target kTargets[] = {{"store", FuzzStoreFile},     {"index", FuzzIndexFile},
                                      {"check", FuzzFileCheck},     {"catalogue", FuzzCatalogue},
                                      {"import", FuzzImporter},     {"mapped", FuzzMappedReads},
                                      {"alpha", FuzzAlphaImporter},
                                      {nullptr, nullptr}};
    return kTargets;
}

std::string ScratchFile(const std::string& name) {
    if (made.empty()) {
        std::string pattern = BaseDir() + "/kodexa-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("kodexa fuzz: mkdtemp");
            std::abort();
        }
        made = pattern;
        std::atexit(RemoveScratch);
    }
    return made + "/" + name;
}

std::string FreshScratchDir(const std::string& name, bool create) {
    const std::string dir = ScratchFile(name);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    if (create) fs::create_directory(dir, ignored);
    return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    FUZZ_REQUIRE(out.good(), "the scratch file could not be written");
}

void WriteFile(const std::string& path, const Bytes& bytes) { WriteFile(path, bytes.data(), bytes.size()); }

Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int64_t FileLength(const std::string& path) {
    std::error_code error;
    const auto length = fs::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(length);
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
    std::vector<Bytes> out(pieces);
    const size_t separatorLength = sizeof kPieceSeparator - 1;
    size_t piece = 0, start = 0;
    for (size_t i = 0; i + separatorLength <= size && piece + 1 < pieces; ++i) {
        if (std::memcmp(data + i, kPieceSeparator, separatorLength) != 0) continue;
        out[piece++].assign(data + start, data + i);
        start = i + separatorLength;
        i = start - 1;
    }
    out[piece].assign(data + start, data + size);
    return out;
}

}  // namespace kodexa::fuzz
