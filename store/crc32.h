// The CRC-32 of the store's checksums (zlib's).
#ifndef KODEXA_STORE_CRC32_H
#define KODEXA_STORE_CRC32_H

#include <cstddef>
#include <cstdint>

namespace kodexa {

// A step takes and answers the register, which starts at all ones and is
// inverted at the end.
uint32_t Crc32Step(unsigned char byte, uint32_t crc);
uint32_t Crc32(const void* buffer, size_t count);

}  // namespace kodexa

#endif
