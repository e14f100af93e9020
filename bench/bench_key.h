// A 16-byte key shaped like the catalogue's: a NUL-terminated text of at
// most seven characters compared as strcmp does, then two 4-byte fields.
#ifndef KODEXA_BENCH_BENCH_KEY_H
#define KODEXA_BENCH_BENCH_KEY_H

#include <cstring>
#include <string>

#include "index/index_key.h"

namespace kodexa::bench {

class BenchKey : public IndexKey {
public:
    BenchKey() : IndexKey(image) { std::memset(image, 0, sizeof image); }
    void Set(const std::string& text, int32_t value) {
        std::memset(image, 0, sizeof image);
        std::memcpy(image, text.data(), text.size() < 7 ? text.size() : 7);
        FileAddress v = value;
        std::memcpy(image + 8, &v, sizeof v);
    }
    int32_t Value() const {
        FileAddress v;
        std::memcpy(&v, image + 8, sizeof v);
        return v.Get();
    }
    int KeySize() const override { return sizeof image; }
    int IsEqual(const IndexKey& other) const override { return Compare(other) == 0; }
    int IsGreater(const IndexKey& other) const override { return Compare(other) > 0; }

private:
    int Compare(const IndexKey& other) const {
        return std::strncmp(reinterpret_cast<const char*>(image),
                            reinterpret_cast<const char*>(other.KeyImage()), 8);
    }
    unsigned char image[16];
};

}  // namespace kodexa::bench

#endif
