// A key laid out like the catalogue's: an 8-byte NUL-terminated code, a
// 4-byte record address and a 4-byte tag, ordered by the code like strcmp.
#ifndef KODEXA_TESTS_INDEX_CODE_KEY_H
#define KODEXA_TESTS_INDEX_CODE_KEY_H

#include <cstring>
#include <string>

#include "index/index_key.h"

namespace kodexa::test {

class CodeKey : public IndexKey {
public:
    static constexpr int kCodeSize = 8;

    CodeKey() : IndexKey(image) { std::memset(image, 0, sizeof image); }
    explicit CodeKey(const std::string& code, int32_t record = 0, int32_t tag = 0) : CodeKey() {
        Set(code, record, tag);
    }

    void Set(const std::string& code, int32_t record = 0, int32_t tag = 0) {
        std::memset(image, 0, sizeof image);
        std::memcpy(image, code.data(), code.size() < kCodeSize ? code.size() : kCodeSize - 1);
        FileAddress r = record, t = tag;
        std::memcpy(image + 8, &r, 4);
        std::memcpy(image + 12, &t, 4);
    }
    std::string Code() const { return std::string(Text(*this), strnlen(Text(*this), kCodeSize)); }
    int32_t Record() const {
        FileAddress r;
        std::memcpy(&r, image + 8, 4);
        return r;
    }

    int KeySize() const override { return 16; }
    // Bounded, so that a damaged image without its NUL is still compared
    // within the code field.
    int IsEqual(const IndexKey& other) const override { return std::strncmp(Text(*this), Text(other), kCodeSize) == 0; }
    int IsGreater(const IndexKey& other) const override { return std::strncmp(Text(*this), Text(other), kCodeSize) > 0; }

private:
    static const char* Text(const IndexKey& key) { return reinterpret_cast<const char*>(key.KeyImage()); }
    unsigned char image[16];
};

}  // namespace kodexa::test

#endif
