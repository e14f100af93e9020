// On-disk structures and constants of a store file. Every field is a
// FileAddress or StoredUInt32, so the structures have no padding and are
// read and written as raw bytes.
#ifndef KODEXA_STORE_FORMAT_H
#define KODEXA_STORE_FORMAT_H

#include "store/file_address.h"

namespace kodexa {

constexpr int32_t kHeaderAddress = 0;
constexpr int32_t kCurrentPosition = -1;
constexpr int32_t kAbandonedList = -1;
constexpr int32_t kStoreVersion = 4000;
constexpr uint32_t kCheckWord = 0xFEFE;
constexpr char kSignature[] = "KVDBASE";
constexpr int kSignatureLength = 7;

constexpr int kStoreHeaderSize = 28;
constexpr int kLockedHeaderSize = 40;      // revisions 'B' and 'C'
constexpr int kBlockHeaderSize = 16;
constexpr int kLockedBlockHeaderSize = 28;  // revision 'C'
constexpr int kChecksumSize = 4;
constexpr int32_t kFileLockAddress = 28;

constexpr unsigned char kStatusInUse = 'N';
constexpr unsigned char kStatusDeleted = 'D';
constexpr unsigned char kStatusReleased = 'R';

struct StoreHeader {
    FileAddress freeListHead;
    FileAddress endOfFile;
    FileAddress dataStart;
    FileAddress lastBlock;
    char signature[kSignatureLength];
    char revision;
    FileAddress version;
};

// Shared layout of the file lock header and of a record lock header.
struct LockHeader {
    StoredUInt32 guard;
    StoredUInt32 readLocks;
    StoredUInt32 writeLock;
};
using FileLockHeader = LockHeader;
using RecordLockHeader = LockHeader;

struct BlockHeader {
    StoredUInt32 checkWord;
    StoredUInt32 length;
    StoredUInt32 status;
    FileAddress next;

    unsigned char StatusByte() const { return static_cast<unsigned char>(status.Get() & 0xFFu); }
};

static_assert(sizeof(StoreHeader) == kStoreHeaderSize, "store header is 28 bytes");
static_assert(sizeof(LockHeader) == 12, "lock header is 12 bytes");
static_assert(sizeof(BlockHeader) == kBlockHeaderSize, "block header is 16 bytes");

}  // namespace kodexa

#endif
