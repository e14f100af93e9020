#include "index/index_key.h"

#include <algorithm>
#include <cstring>

namespace kodexa {

int IndexKey::CompareToImage(const unsigned char*) const { return kNoImageOrder; }

void IndexKey::CopyFrom(const IndexKey& other) {
    address = other.address;
    int size = std::min(KeySize(), other.KeySize());
    if (size > 0 && image != other.image) std::memmove(image, other.image, static_cast<size_t>(size));
}

}  // namespace kodexa
