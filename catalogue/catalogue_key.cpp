#include "catalogue/catalogue_key.h"

#include <cstring>

namespace kodexa {

namespace {

constexpr int kCodeBytes = kKeyCodeLength + 1;

// Byte order of two code fields as unsigned values, read up to and including
// the first terminator and never beyond the field, so that a damaged image
// is still compared within its own bytes.
int CompareCodes(const unsigned char* a, const unsigned char* b) {
    for (int i = 0; i < kCodeBytes; ++i) {
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
        if (a[i] == 0) return 0;
    }
    return 0;
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
