// A private temporary directory per test, removed with everything in it, and
// whole-file reads and writes; free of GoogleTest, as the fuzz targets use it.
#ifndef KODEXA_TESTS_SUPPORT_TEMP_DIR_H
#define KODEXA_TESTS_SUPPORT_TEMP_DIR_H

#include <cstdint>
#include <string>
#include <vector>

namespace kodexa::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

std::vector<unsigned char> ReadAllBytes(const std::string& file);
// Answers whether every byte was written.
bool WriteAllBytes(const std::string& file, const std::vector<unsigned char>& bytes);
// Overwrites bytes of a file that no store object holds open; a range outside
// the file throws std::out_of_range.
void PatchBytes(const std::string& file, long offset, const std::vector<unsigned char>& bytes);
// Writes a 32-bit value least significant byte first, as every field on disk is stored.
void PatchLe32(const std::string& file, long offset, uint32_t value);

}  // namespace kodexa::test

#endif
