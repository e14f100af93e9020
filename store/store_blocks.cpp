// Block allocation, the free list, block scans and object checksums.
#include <cstdint>
#include <cstring>

#include "store/store_file.h"

namespace kodexa {

// A free block met on the free list, with the block that links to it
// (address 0 when the list head does).
struct StoreFile::FreeBlock {
    FileAddress address;
    BlockHeader block;
    FileAddress previous;
    BlockHeader previousBlock;
};

// Walks the free list one block at a time. A damaged block abandons the
// list. So does a list longer than the file could hold blocks: that list
// runs in a circle, and following it would never end. What the file could
// hold is measured on the file itself, not taken from its header.
class StoreFile::FreeListWalk {
public:
    enum class End { None, ListEnd, Abandoned, ReadFailed, Damaged, BadCheckWord, TooLong };

    explicit FreeListWalk(StoreFile& store)
        : file(store), nextAddress(store.header.freeListHead), stepsLeft(MaxSteps(store)), scanEnd(store.ScanEnd()) {
        current = FreeBlock();
    }

    bool Step() {
        if (started) {
            current.previous = current.address;
            current.previousBlock = current.block;
            nextAddress = current.block.next;
        }
        started = true;
        if (nextAddress == 0) return Stop(End::ListEnd);
        if (nextAddress == kAbandonedList) return Stop(End::Abandoned);
        if (stepsLeft-- <= 0) return Abandon(End::TooLong);
        if (file.Read(&current.block, sizeof current.block, nextAddress) != kNoError)
            return Stop(End::ReadFailed);
        current.address = nextAddress;
        if (current.block.checkWord != kCheckWord) return Abandon(End::BadCheckWord);
        unsigned char status = current.block.StatusByte();
        if ((status != kStatusDeleted && status != kStatusReleased) || current.block.next == current.address ||
            !LiesInFile(current))
            return Abandon(End::Damaged);
        return true;
    }

    FreeBlock current;
    End end = End::None;

private:
    static int64_t MaxSteps(const StoreFile& store) {
        int smallest = store.BlockHeaderSize() + (store.HasChecksums() ? kChecksumSize : 0);
        return store.ScanEnd() / smallest + 1;
    }
    // Reusing a block outside the blocks area would write over the header
    // or past the end of the file.
    bool LiesInFile(const FreeBlock& free) const {
        int64_t start = free.address.Get();
        return start >= file.header.dataStart.Get() && start + free.block.length.Get() <= scanEnd;
    }
    bool Stop(End why) {
        end = why;
        return false;
    }
    bool Abandon(End why) {
        file.header.freeListHead = kAbandonedList;
        file.WriteHeader();
        return Stop(why);
    }

    StoreFile& file;
    FileAddress nextAddress;
    int64_t stepsLeft;
    int64_t scanEnd;
    bool started = false;
};

int StoreFile::SplitThreshold(int total) const {
    return total + BlockHeaderSize() + (HasChecksums() ? kChecksumSize : 0);
}

// Puts `replacement` where `block` stood on the free list.
int StoreFile::Unlink(const FreeBlock& block) { return Relink(block, block.block.next); }

int StoreFile::Relink(const FreeBlock& block, FileAddress replacement) {
    if (block.previous == 0) {
        header.freeListHead = replacement;
        return WriteHeader();
    }
    BlockHeader previous = block.previousBlock;
    previous.next = replacement;
    return WriteBlockHeader(previous, block.previous);
}

// Cuts the tail of a free block off as released space that takes its place
// on the free list; the head part of `total` bytes is handed out.
int StoreFile::SplitInto(const FreeBlock& block, int total) {
    FileAddress remainderAddress = block.address.Get() + total;
    BlockHeader remainder;
    remainder.checkWord = kCheckWord;
    remainder.length = block.block.length.Get() - static_cast<uint32_t>(total);
    remainder.status = kStatusReleased;
    remainder.next = block.block.next;
    int code = WriteBlockHeader(remainder, remainderAddress);
    if (code != kNoError) return code;
    return Relink(block, remainderAddress);
}

FileAddress StoreFile::TakeFirstFit(int total) {
    FreeListWalk walk(*this);
    while (walk.Step()) {
        int64_t length = walk.current.block.length.Get();
        if (length == total) return Unlink(walk.current) == kNoError ? walk.current.address : FileAddress(0);
        if (length > SplitThreshold(total))
            return SplitInto(walk.current, total) == kNoError ? walk.current.address : FileAddress(0);
    }
    return 0;
}

// An exact fit is taken at once; otherwise the splittable block that leaves
// the smallest remainder, the first one met among equals.
FileAddress StoreFile::TakeBestFit(int total) {
    FreeListWalk walk(*this);
    FreeBlock best;
    int64_t bestSpare = -1;
    while (walk.Step()) {
        int64_t length = walk.current.block.length.Get();
        if (length == total) return Unlink(walk.current) == kNoError ? walk.current.address : FileAddress(0);
        if (length > SplitThreshold(total) && (bestSpare < 0 || length - total < bestSpare)) {
            best = walk.current;
            bestSpare = length - total;
        }
    }
    if (bestSpare < 0 || header.freeListHead == kAbandonedList) return 0;
    return SplitInto(best, total) == kNoError ? best.address : FileAddress(0);
}

// Appends at the end of file, which must lie inside what the file really
// holds: a header claiming more would make the file grow by the difference.
// The end of file moves only once the file reaches the new block's end, so
// a failed extension never leaves a header that claims bytes the file lacks.
FileAddress StoreFile::AppendBlock(int total) {
    FileAddress block = header.endOfFile;
    int64_t real = RealLength();
    if (block < header.dataStart || (real >= 0 && block > real)) {
        Corrupt("end of file lies outside the data area", block.Get());
        return 0;
    }
    if (static_cast<int64_t>(block.Get()) + total > INT32_MAX) {
        Fail(kBlockAllocationError);
        return 0;
    }
    FileAddress end = block.Get() + total;
    if (ExtendTo(end) != kNoError) return 0;
    header.endOfFile = end;
    header.lastBlock = block;
    return block;
}

FileAddress StoreFile::Allocate(int size, int mode) {
    if (!writable) return Fail(kNotWritable), FileAddress(0);
    if (!IsReady()) return Fail(kFileNotReady), FileAddress(0);
    if (size < 0 || size > INT32_MAX - kLockedBlockHeaderSize - kChecksumSize)
        return Fail(kBlockAllocationError), FileAddress(0);
    int total = size + BlockHeaderSize() + (HasChecksums() ? kChecksumSize : 0);

    FileAddress block = 0;
    if (header.freeListHead != 0) {
        if (mode == kFirstFit) block = TakeFirstFit(total);
        else if (mode == kBestFit) block = TakeBestFit(total);
    }
    if (block == 0 && (block = AppendBlock(total)) == 0) return 0;

    BlockHeader inUse;
    inUse.checkWord = kCheckWord;
    inUse.length = static_cast<uint32_t>(total);
    inUse.status = kStatusInUse;
    inUse.next = 0;
    if (WriteBlockHeader(inUse, block) != kNoError) return GiveBack(block);
    if (BlockHeaderSize() == kLockedBlockHeaderSize) {
        const RecordLockHeader unlocked = {};
        if (WriteStructure(&unlocked, sizeof unlocked, block.Get() + kBlockHeaderSize) != kNoError)
            return GiveBack(block);
    }
    if (block > header.lastBlock) header.lastBlock = block;
    // A block the header on disk does not know of is no block to hand out.
    if (WriteHeader() != kNoError) return GiveBack(block);
    FileAddress object = SeekTo(block.Get() + BlockHeaderSize());
    return error == kNoError ? object : GiveBack(block);
}

// A block whose allocation failed half-way goes back as free space rather
// than stay in use with no owner, if the file already marks it in use; the
// failure keeps its code. Answers the failed allocation's 0.
FileAddress StoreFile::GiveBack(FileAddress block) {
    int code = error;
    Remove(block.Get() + BlockHeaderSize(), kMarkReleased);
    Fail(code);
    return 0;
}

int StoreFile::ReadBlockHeader(BlockHeader& block, FileAddress blockAddress) {
    int code = Read(&block, sizeof block, blockAddress);
    if (code != kNoError) return code;
    return Fail(block.checkWord == kCheckWord ? kNoError : kSyncError);
}

int StoreFile::WriteBlockHeader(const BlockHeader& block, FileAddress blockAddress) {
    return WriteStructure(&block, sizeof block, blockAddress);
}

int StoreFile::Remove(FileAddress objectAddress, int released) {
    // The file header and the static area are never a block, whatever bytes
    // they happen to hold. Computed wide: an address near the bottom of the
    // range has no block address.
    if (int64_t(objectAddress.Get()) - BlockHeaderSize() < header.dataStart) return Fail(kSyncError), 0;
    FileAddress blockAddress = objectAddress.Get() - BlockHeaderSize();
    BlockHeader block;
    if (ReadBlockHeader(block, blockAddress) != kNoError) return 0;
    if (block.StatusByte() != kStatusInUse) return 0;
    if (released)
        block.status = kStatusReleased;
    else
        block.status = (block.status.Get() & ~0xFFu) | kStatusDeleted;
    if (!writable) return Fail(kNotWritable), 0;
    block.next = header.freeListHead;
    if (WriteBlockHeader(block, blockAddress) != kNoError) return 0;
    if (header.freeListHead != kAbandonedList) {
        header.freeListHead = blockAddress;
        // The block is free in memory either way; the caller must learn that
        // the list on disk lacks it until the next header write succeeds.
        if (WriteHeader() != kNoError) return 0;
    }
    return 1;
}

int StoreFile::ReadObjectBlock(FileAddress objectAddress, BlockHeader& block) {
    if (objectAddress == kCurrentPosition) {
        objectAddress = Tell();
        if (error != kNoError) return error;
    }
    return ReadBlockHeader(block, objectAddress.Get() - BlockHeaderSize());
}

int StoreFile::BlockLength(FileAddress objectAddress) {
    BlockHeader block;
    if (ReadObjectBlock(objectAddress, block) != kNoError) return 0;
    return static_cast<int>(block.length.Get());
}

int StoreFile::ObjectLength(FileAddress objectAddress) {
    BlockHeader block;
    if (ReadObjectBlock(objectAddress, block) != kNoError) return 0;
    int64_t length = static_cast<int64_t>(block.length.Get()) - BlockHeaderSize() -
                     (HasChecksums() ? kChecksumSize : 0);
    if (length < 0 || length > INT32_MAX)
        return Corrupt("block too short for its headers", objectAddress.Get() - BlockHeaderSize()), 0;
    return static_cast<int>(length);
}

FileAddress StoreFile::FindBlock(FileAddress address) {
    RefreshHeader();
    if (header.dataStart == header.endOfFile) return 0;
    int64_t end = ScanEnd();
    int64_t p = address == 0 ? header.dataStart.Get() : address.Get();
    if (p < 0 || p >= end) return 0;
    // A block header may end exactly at the end of the file (an empty
    // object), so the last position tried is end of file - header size.
    for (;; ++p) {
        if (p + BlockHeaderSize() > end || !IsReady()) return 0;
        BlockHeader block;
        if (Read(&block, sizeof block, static_cast<int32_t>(p)) != kNoError) return 0;
        if (block.checkWord == kCheckWord) break;
    }
    return SeekTo(static_cast<int32_t>(p));
}

// Length of the object data of a checksummed block, or -1 on failure.
int StoreFile::ChecksummedLength(FileAddress objectAddress) {
    if (!IsReady()) return Fail(kFileNotReady), -1;
    BlockHeader block;
    if (ReadBlockHeader(block, objectAddress.Get() - BlockHeaderSize()) != kNoError) return -1;
    int64_t length = static_cast<int64_t>(block.length.Get()) - BlockHeaderSize() - kChecksumSize;
    if (length < 0 || length > INT32_MAX)
        return Corrupt("block too short for its headers and checksum", objectAddress.Get() - BlockHeaderSize()), -1;
    return static_cast<int>(length);
}

StoredUInt32 StoreFile::WriteObjectChecksum(FileAddress objectAddress) {
    if (!HasChecksums()) return 0;
    int length = ChecksummedLength(objectAddress);
    if (length < 0) return 0;
    StoredUInt32 crc = Checksum(length, objectAddress, kBuffered);
    if (error != kNoError) return 0;
    if (WriteStructure(&crc, sizeof crc, objectAddress.Get() + length) != kNoError) return 0;
    return crc;
}

int StoreFile::VerifyObjectChecksum(FileAddress objectAddress, unsigned* stored, unsigned* computed) {
    if (!HasChecksums()) {
        if (stored) *stored = 0;
        if (computed) *computed = 0;
        return 1;
    }
    int length = ChecksummedLength(objectAddress);
    if (length < 0) return 0;
    uint32_t crc = Checksum(length, objectAddress, kBuffered);
    if (error != kNoError) return 0;
    StoredUInt32 onDisk;
    if (Read(&onDisk, sizeof onDisk, objectAddress.Get() + length) != kNoError) return 0;
    if (stored) *stored = onDisk;
    if (computed) *computed = crc;
    return onDisk == crc;
}

// Every step moves strictly forward and the scan ends at the real end of
// the file, so no block length, however damaged, can make it go round.
FileAddress StoreFile::CountBlocks() {
    RefreshHeader();
    int64_t end = ScanEnd();
    int32_t count = 0;
    FileAddress p = FindBlock(0);
    while (p != 0 && p < end) {
        BlockHeader block;
        if (Read(&block, sizeof block, p) != kNoError) break;
        // A block shorter than its own header cannot lead to the next one;
        // the scan moves on byte by byte instead of standing still.
        if (block.checkWord != kCheckWord || block.length < static_cast<uint32_t>(BlockHeaderSize())) {
            p = FindBlock(p.Get() + (block.checkWord == kCheckWord ? 1 : 0));
            continue;
        }
        int64_t next = static_cast<int64_t>(p.Get()) + block.length.Get();
        // A block running past the file is not one the file holds.
        if (next > end) break;
        ++count;
        if (next == end) break;
        p = static_cast<int32_t>(next);
    }
    return count;
}

FileAddress StoreFile::CountFree(FileAddress* deleted, FileAddress* released) {
    int32_t deletedCount = 0, releasedCount = 0;
    FreeListWalk walk(*this);
    while (walk.Step()) {
        if (walk.current.block.StatusByte() == kStatusDeleted)
            ++deletedCount;
        else
            ++releasedCount;
    }
    if (deleted) *deleted = deletedCount;
    if (released) *released = releasedCount;
    switch (walk.end) {
        case FreeListWalk::End::Abandoned:
        case FreeListWalk::End::BadCheckWord:
        case FreeListWalk::End::TooLong:
            return -1;
        case FreeListWalk::End::Damaged:
            return 0;
        default:
            return deletedCount + releasedCount;
    }
}

int StoreFile::Undelete(FileAddress objectAddress) {
    if (int64_t(objectAddress.Get()) - BlockHeaderSize() < header.dataStart) return Fail(kSyncError), 0;
    FileAddress blockAddress = objectAddress.Get() - BlockHeaderSize();
    BlockHeader block;
    if (ReadBlockHeader(block, blockAddress) != kNoError) return 0;
    if (block.StatusByte() != kStatusDeleted) return 0;
    if (!writable) return Fail(kNotWritable), 0;
    FreeListWalk walk(*this);
    while (walk.Step()) {
        if (walk.current.address != blockAddress) continue;
        if (Unlink(walk.current) != kNoError) return 0;
        block = walk.current.block;
        block.status = (block.status.Get() & ~0xFFu) | kStatusInUse;
        block.next = 0;
        return WriteBlockHeader(block, blockAddress) == kNoError;
    }
    return 0;
}

}  // namespace kodexa
