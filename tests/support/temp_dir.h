// A private temporary directory per test, removed with everything in it.
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
void WriteAllBytes(const std::string& file, const std::vector<unsigned char>& bytes);
// Overwrites bytes of a file that no store object holds open; the range must
// lie inside the file.
void PatchBytes(const std::string& file, long offset, const std::vector<unsigned char>& bytes);
// Writes a 32-bit value least significant byte first, as every field on disk is stored.
void PatchLe32(const std::string& file, long offset, uint32_t value);

}  // namespace kodexa::test

#endif
