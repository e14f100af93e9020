#include "store/crc32.h"

#include <zlib.h>

namespace kodexa {

// zlib's CRC-32 is the one the format uses: polynomial 0xEDB88320
// (reflected), register started at all ones and inverted at the end. zlib
// takes and answers the inverted register, hence the inversions in the step.
uint32_t Crc32Step(unsigned char byte, uint32_t crc) {
    return ~static_cast<uint32_t>(::crc32(~crc & 0xFFFFFFFFu, &byte, 1));
}

uint32_t Crc32(const void* buffer, size_t count) {
    const Bytef* p = static_cast<const Bytef*>(buffer);
    uLong crc = ::crc32(0L, Z_NULL, 0);
    // zlib takes lengths as uInt; longer buffers go in pieces.
    while (count > 0) {
        uInt piece = count > 0x40000000u ? 0x40000000u : static_cast<uInt>(count);
        crc = ::crc32(crc, p, piece);
        p += piece;
        count -= piece;
    }
    return static_cast<uint32_t>(crc);
}

}  // namespace kodexa
