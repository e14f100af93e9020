#include "catalogue/catalogue_key.h"

#include <cstdint>
#include <cstring>

namespace kodexa {

namespace {

constexpr int kCodeBytes = kKeyCodeLength + 1;

// Byte order of two code fields as unsigned values, read up to and including
// the first terminator and never beyond the field, so that a damaged image
// is still compared within its own bytes. The eight bytes are taken as one
// word: the lowest differing byte decides, unless a terminator in a comes
// before it.
int CompareCodes(const unsigned char* a, const unsigned char* b) {
    static_assert(kCodeBytes == sizeof(uint64_t), "a code field is one word");
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    const uint64_t differing = x ^ y;
    if (differing == 0) return 0;
    const int first = __builtin_ctzll(differing) / 8;
    // The lowest zero byte of x is marked exactly (marks above it may be
    // false, but only the lowest is used).
    const uint64_t zeros = (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
    if (zeros != 0 && __builtin_ctzll(zeros) / 8 < first) return 0;
    return a[first] < b[first] ? -1 : 1;
#else
    for (int i = 0; i < kCodeBytes; ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
        if (a[i] == 0) return 0;
    }
    return 0;
#endif
}

}  // namespace

CatalogueKey::CatalogueKey() : IndexKey(&image), image() {}

CatalogueKey::CatalogueKey(const char* code, FileAddress objectAddress, FileAddress classTag)
    : IndexKey(&image), image() {
    if (code != nullptr) std::memcpy(image.code, code, strnlen(code, kKeyCodeLength));
    image.code[kKeyCodeLength] = 0;
    image.objectAddress = objectAddress;
    image.classTag = classTag;
}

int CatalogueKey::IsEqual(const IndexKey& other) const {
    return CompareCodes(KeyImage(), other.KeyImage()) == 0 ? 1 : 0;
}

int CatalogueKey::IsGreater(const IndexKey& other) const {
    return CompareCodes(KeyImage(), other.KeyImage()) > 0 ? 1 : 0;
}

int CatalogueKey::CompareToImage(const unsigned char* storedImage) const {
    return CompareCodes(KeyImage(), storedImage);
}

std::string CatalogueKey::Code() const {
    const char* text = reinterpret_cast<const char*>(image.code);
    return std::string(text, strnlen(text, kCodeBytes));
}

}  // namespace kodexa
