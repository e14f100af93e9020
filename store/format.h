// The byte layout of a store file, written once: the structures, their
// constants and the revision rules that the store and the checker share.
// Every field is a FileAddress or StoredUInt32 (4 bytes, least significant
// first), so the structures have no padding and are read and written as raw
// bytes. Addresses are byte offsets from the start of the file.
//
// A store file is laid out as
//
//   file header | file lock header (B, C) | static area | block | block | ...
//
// File header, at offset 0 (StoreHeader, 28 bytes):
//
//   OFFSET  SIZE  DESCRIPTION
//        0     4  Free-list head: block address of the first free block;
//                 0 for none, -1 once the list was abandoned after damage
//        4     4  End of file: where the next appended block starts
//        8     4  Data start: first block address (header + static area)
//       12     4  Last block: address of the block appended last, 0 for none
//       16     7  Signature "KVDBASE", no terminator
//       23     1  Revision byte (see LayoutOfRevision below)
//       24     4  Version, 4000
//
// File lock header, revisions B and C only, at offset 28 (LockHeader,
// 12 bytes); the header is then 40 bytes:
//
//   OFFSET  SIZE  DESCRIPTION
//        0     4  Guard word: 1 while a process changes this lock header
//        4     4  Number of read locks held
//        8     4  Write lock: 1 while held
//
// Static area: from the end of the header(s) to the data start; it belongs
// to the layer above (an index keeps its B-tree header there).
//
// Block, at a block address (BlockHeader, 16 bytes, then the object):
//
//   OFFSET  SIZE  DESCRIPTION
//        0     4  Check word 0x0000FEFE
//        4     4  Length of the whole block: headers, object and checksum
//        8     4  Status; its low byte is 'N' in use, 'D' deleted (can be
//                 undeleted), 'R' released
//       12     4  Next: block address of the next free block on the free
//                 list, 0 at its end
//       16    12  Revision C only: record lock header (LockHeader layout)
//     16/28    n  The object; its address is the block address plus the
//                 block header size (16, or 28 in revision C)
//   length-4   4  Checksums only: CRC-32 of the object's bytes (zlib's:
//                 polynomial 0xEDB88320 reflected, all ones in, inverted out)
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
constexpr int kLockReadCountOffset = 4;  // within a lock header
constexpr int kLockWriteOffset = 8;

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

// What the revision byte makes of a file's layout. Revision bytes 0 and ' '
// mean no checksums and no locks; 'A' checksums; 'B' also a file lock
// header; 'C' also a record lock header in every block. Case does not
// matter, and any other byte is read as 'A' (checksums only). A new file is
// created with 'A', 'B', 'C' or 0 (see NormalisedRevision).
struct RevisionLayout {
    int headerSize;       // file header and file lock header
    int blockHeaderSize;  // block header and record lock header
    int checksumSize;     // at the end of every block
    bool fileLocks;
    bool recordLocks;
};

constexpr char UpperRevision(char revision) {
    return revision >= 'a' && revision <= 'z' ? static_cast<char>(revision - 'a' + 'A') : revision;
}

constexpr RevisionLayout LayoutOfRevision(char revision) {
    const char r = UpperRevision(revision);
    const bool fileLocks = r == 'B' || r == 'C';
    const bool recordLocks = r == 'C';
    const bool checksums = revision != 0 && revision != ' ';
    return RevisionLayout{fileLocks ? kLockedHeaderSize : kStoreHeaderSize,
                          recordLocks ? kLockedBlockHeaderSize : kBlockHeaderSize, checksums ? kChecksumSize : 0,
                          fileLocks, recordLocks};
}

// The revision byte a new file gets for the one asked for.
constexpr char NormalisedRevision(char revision) {
    const char r = UpperRevision(revision);
    return r == 'A' || r == 'B' || r == 'C' ? r : 0;
}

static_assert(sizeof(StoreHeader) == kStoreHeaderSize, "store header is 28 bytes");
static_assert(sizeof(LockHeader) == 12, "lock header is 12 bytes");
static_assert(sizeof(BlockHeader) == kBlockHeaderSize, "block header is 16 bytes");

}  // namespace kodexa

#endif
