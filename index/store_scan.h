// What the file check learns about a store file's blocks, shared between
// the store part and the B-tree part of the check.
#ifndef KODEXA_INDEX_STORE_SCAN_H
#define KODEXA_INDEX_STORE_SCAN_H

#include <cstdint>
#include <map>

#include "index/file_check.h"
#include "store/store_file.h"

namespace kodexa {

struct ScannedBlock {
    uint32_t length;
    unsigned char status;
    int32_t next;
};

struct StoreScan {
    StoreHeader header;  // as found on disk
    int64_t fileSize = 0;
    int blockHeaderSize = kBlockHeaderSize;
    int checksumSize = 0;
    std::map<int32_t, ScannedBlock> blocks;  // by block address

    // The block whose object starts at objectAddress, or null.
    const ScannedBlock* BlockOfObject(int64_t objectAddress) const;
    int64_t ObjectLength(const ScannedBlock& block) const {
        return int64_t(block.length) - blockHeaderSize - checksumSize;
    }
};

void CheckTree(StoreFile& file, const StoreScan& scan, CheckReport& report);

}  // namespace kodexa

#endif
