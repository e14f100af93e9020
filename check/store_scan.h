// The store part of the file check, and what it learns about a store file's
// blocks for the tree part.
#ifndef KODEXA_CHECK_STORE_SCAN_H
#define KODEXA_CHECK_STORE_SCAN_H

#include <cstdint>
#include <map>

#include "check/check_report.h"
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

// Header, blocks, free list and checksums into report; false when the header
// is too damaged for anything after it (the tree part then does not run).
bool ScanStore(StoreFile& file, CheckReport& report, StoreScan& scan);

}  // namespace kodexa

#endif
