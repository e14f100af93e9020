// Shared by the fuzz targets: a private scratch directory for the files an
// input becomes, byte access to them, and the check that turns a broken
// promise into a crash the fuzzer (or the replay test) reports.
#ifndef KODEXA_TESTS_FUZZ_FUZZ_SUPPORT_H
#define KODEXA_TESTS_FUZZ_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "index/index_key.h"

namespace kodexa::fuzz {

using Bytes = std::vector<unsigned char>;

// One directory per process, made on first use and removed at exit. It lies
// in /dev/shm when there is one: every input is written to a file, and
// memory is far quicker than a disk for that.
const std::string& ScratchDir();
std::string ScratchFile(const std::string& name);

void WriteFile(const std::string& path, const uint8_t* data, size_t size);
void WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);
int64_t FileLength(const std::string& path);

// Prints what was broken and aborts; libFuzzer saves the input as a crash.
[[noreturn]] void Broken(const char* what, const char* file, int line);

// An input cut into pieces at a separator that real files rarely hold, so
// that the fuzzer can grow, shrink and swap the pieces.
std::vector<Bytes> SplitInput(const uint8_t* data, size_t size, size_t pieces);
extern const char kPieceSeparator[];

// A 16-byte key (a code text padded with zeros, then whatever a file holds)
// ordered by all of its bytes, as the file checker orders key images, so
// that a tree the checker finds sound is one this key can walk.
class FuzzKey : public IndexKey {
public:
    static constexpr int kSize = 16;
    explicit FuzzKey(const std::string& code = "") : IndexKey(image), image{} {
        std::memcpy(image, code.data(), code.size() < kSize ? code.size() : kSize);
    }
    std::string Image() const { return std::string(reinterpret_cast<const char*>(image), kSize); }
    int KeySize() const override { return kSize; }
    int IsEqual(const IndexKey& other) const override { return std::memcmp(image, other.KeyImage(), kSize) == 0; }
    int IsGreater(const IndexKey& other) const override { return std::memcmp(image, other.KeyImage(), kSize) > 0; }

private:
    unsigned char image[kSize];
};

}  // namespace kodexa::fuzz

#define FUZZ_REQUIRE(condition, what) \
    ((condition) ? (void)0 : ::kodexa::fuzz::Broken(what, __FILE__, __LINE__))

#endif
