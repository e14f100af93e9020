#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kodexa::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kodexa-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::vector<unsigned char> ReadAllBytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteAllBytes(const std::string& file, const std::vector<unsigned char>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out.good();
}

void PatchBytes(const std::string& file, long offset, const std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> image = ReadAllBytes(file);
    if (offset < 0 || offset + bytes.size() > image.size()) throw std::out_of_range("patch outside " + file);
    std::copy(bytes.begin(), bytes.end(), image.begin() + offset);
    WriteAllBytes(file, image);
}

void PatchLe32(const std::string& file, long offset, uint32_t value) {
    PatchBytes(file, offset, {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                              static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)});
}

}  // namespace kodexa::test
