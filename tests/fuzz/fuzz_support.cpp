#include "tests/fuzz/fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace kodexa::fuzz {

namespace {

std::string BaseDir() {
    const char* chosen = std::getenv("KODEXA_FUZZ_TMP");
    if (chosen != nullptr && *chosen != 0) return chosen;
    struct stat info;
    if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK) == 0) return "/dev/shm";
    return std::filesystem::temp_directory_path().string();
}

std::string made;

void RemoveScratch() {
    std::error_code ignored;
    if (!made.empty()) std::filesystem::remove_all(made, ignored);
}

}  // namespace

const char kPieceSeparator[] = "\n~~KODEXA~~\n";

const std::string& ScratchDir() {
    if (made.empty()) {
        std::string pattern = BaseDir() + "/kodexa-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("kodexa fuzz: mkdtemp");
            std::abort();
        }
        made = pattern;
        std::atexit(RemoveScratch);
    }
    return made;
}

std::string ScratchFile(const std::string& name) { return ScratchDir() + "/" + name; }

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
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
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
