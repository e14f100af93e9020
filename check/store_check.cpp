// The store part of the file check: header, blocks, free list, checksums.
#include "check/store_scan.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

namespace kodexa {

const ScannedBlock* StoreScan::BlockOfObject(int64_t objectAddress) const {
    int64_t block = objectAddress - blockHeaderSize;
    if (block < INT32_MIN || block > INT32_MAX) return nullptr;
    auto found = blocks.find(static_cast<int32_t>(block));
    return found != blocks.end() ? &found->second : nullptr;
}

namespace {

std::string Number(int64_t value) { return std::to_string(value); }

std::string RevisionText(char revision) {
    switch (revision) {
        case 0: return "0 (no checksums, no locks)";
        case ' ': return "blank (same as 0: no checksums, no locks)";
        case 'A': case 'a': return std::string(1, revision) + " (checksums)";
        case 'B': case 'b': return std::string(1, revision) + " (checksums, file locks)";
        case 'C': case 'c': return std::string(1, revision) + " (checksums, file and record locks)";
        default: return "byte " + Number(static_cast<unsigned char>(revision)) + " (read as A: checksums)";
    }
}

std::string StatusName(unsigned char status) {
    switch (status) {
        case kStatusInUse: return "in use";
        case kStatusDeleted: return "deleted";
        case kStatusReleased: return "released";
        default: return "unknown";
    }
}

class StoreChecker {
public:
    StoreChecker(StoreFile& store, CheckReport& out, StoreScan& blocks) : file(store), report(out), scan(blocks) {}

    bool Run();

private:
    bool ReadHeaderAndSize();
    void ReportHeader();
    bool HeaderIsConsistent();
    void ReportLocks();
    void ScanBlocks();
    int64_t NextCheckWord(int64_t from);
    bool TakeBlock(int64_t at, const BlockHeader& block);
    void VerifyChecksum(int64_t at);
    void WalkFreeList();
    void CheckLastBlock();

    StoreFile& file;
    CheckReport& report;
    StoreScan& scan;
    int64_t strayBytes = 0;
};

bool StoreChecker::Run() {
    if (!ReadHeaderAndSize()) return false;
    ReportHeader();
    if (!HeaderIsConsistent()) return false;
    ReportLocks();
    ScanBlocks();
    WalkFreeList();
    CheckLastBlock();
    return true;
}

bool StoreChecker::ReadHeaderAndSize() {
    if (file.Read(&scan.header, sizeof scan.header, kHeaderAddress) != kNoError) {
        report.Problem("cannot read the 28-byte store header: " + std::string(file.ErrorMessage()));
        return false;
    }
    if (std::memcmp(scan.header.signature, kSignature, kSignatureLength) != 0) {
        report.Problem("not a store file: the signature is not KVDBASE");
        return false;
    }
    if (file.Seek(0, kFromEnd) != kNoError) {
        report.Problem("cannot find the end of the file: " + std::string(file.ErrorMessage()));
        return false;
    }
    scan.fileSize = file.Tell().Get();
    if (file.LastError() != kNoError) {
        report.Problem("the file is larger than the 2 GB a store file can address");
        return false;
    }
    RevisionLayout layout = LayoutOfRevision(scan.header.revision);
    scan.blockHeaderSize = layout.blockHeaderSize;
    scan.checksumSize = layout.checksumSize;
    return true;
}

void StoreChecker::ReportHeader() {
    const StoreHeader& h = scan.header;
    report.Fact("revision", RevisionText(h.revision));
    report.Fact("file size", Number(scan.fileSize));
    report.Fact("free-list head", Number(h.freeListHead.Get()));
    report.Fact("end of file", Number(h.endOfFile.Get()));
    report.Fact("data start", Number(h.dataStart.Get()));
    report.Fact("static area", Number(int64_t(h.dataStart.Get()) - file.HeaderSize()));
    report.Fact("last block", Number(h.lastBlock.Get()));
    report.Fact("version", Number(h.version.Get()));
}

bool StoreChecker::HeaderIsConsistent() {
    const StoreHeader& h = scan.header;
    if (h.version != kStoreVersion) report.Warn("version is " + Number(h.version.Get()) + ", not 4000");
    if (h.dataStart < file.HeaderSize() || h.dataStart > scan.fileSize) {
        report.Problem("data start " + Number(h.dataStart.Get()) + " lies outside " + Number(file.HeaderSize()) +
                       ".." + Number(scan.fileSize));
        return false;
    }
    if (h.endOfFile < h.dataStart) report.Problem("end of file lies before the data start");
    if (h.endOfFile > scan.fileSize)
        report.Problem("the file is " + Number(scan.fileSize) + " bytes, shorter than its end of file " +
                       Number(h.endOfFile.Get()) + " (cut short?)");
    else if (h.endOfFile < scan.fileSize)
        report.Warn("the file runs on past its end of file (" + Number(scan.fileSize - h.endOfFile.Get()) +
                    " bytes); the engine moves the end of file there when it opens the file");
    return true;
}

void StoreChecker::ReportLocks() {
    if (file.HeaderSize() != kLockedHeaderSize) return;
    FileLockHeader locks;
    if (file.Read(&locks, sizeof locks, kFileLockAddress) != kNoError) {
        report.Problem("cannot read the file lock header");
        return;
    }
    report.Fact("file locks", "guard " + Number(locks.guard.Get()) + ", read locks " +
                                  Number(locks.readLocks.Get()) + ", write lock " + Number(locks.writeLock.Get()));
    if (locks.guard != 0u || locks.readLocks != 0u || locks.writeLock != 0u)
        report.Warn("the file lock header shows locks held (left behind by a program that stopped?)");
}

// Searches in chunks for the next check word a block header could start
// with; answers the file size when there is none.
int64_t StoreChecker::NextCheckWord(int64_t from) {
    const unsigned char word[4] = {0xFE, 0xFE, 0x00, 0x00};
    const int64_t lastStart = scan.fileSize - scan.blockHeaderSize;
    std::vector<unsigned char> chunk(64 * 1024);
    for (int64_t at = from; at <= lastStart;) {
        int64_t length = std::min<int64_t>(int64_t(chunk.size()), scan.fileSize - at);
        if (length < 4 || file.Read(chunk.data(), static_cast<int>(length), static_cast<int32_t>(at)) != kNoError)
            break;
        for (int64_t i = 0; i + 4 <= length && at + i <= lastStart; ++i)
            if (std::memcmp(&chunk[i], word, 4) == 0) return at + i;
        at += length - 3;
    }
    return scan.fileSize;
}

void StoreChecker::ScanBlocks() {
    int64_t at = scan.header.dataStart.Get();
    while (at < scan.fileSize) {
        BlockHeader block;
        if (at + scan.blockHeaderSize > scan.fileSize ||
            file.Read(&block, sizeof block, static_cast<int32_t>(at)) != kNoError) {
            strayBytes += scan.fileSize - at;
            break;
        }
        if (block.checkWord != kCheckWord) {
            int64_t next = NextCheckWord(at + 1);
            strayBytes += next - at;
            at = next;
            continue;
        }
        if (!TakeBlock(at, block)) {
            at = NextCheckWord(at + 1);
            continue;
        }
        at += block.length.Get();
    }
    if (strayBytes > 0) report.Warn(Counted(strayBytes, "byte lies", "bytes lie") + " outside any block");
    report.Fact("blocks", Number(int64_t(scan.blocks.size())) + " (in use " + Number(report.blocksInUse) +
                              ", deleted " + Number(report.blocksDeleted) + ", released " +
                              Number(report.blocksReleased) + ")");
    if (scan.checksumSize > 0)
        report.Fact("checksum failures", Number(report.checksumFailures));
    else
        report.Fact("checksum failures", "none checked (revision without checksums)");
}

// Records a block whose length is believable; false sends the scan looking
// for the next block header.
bool StoreChecker::TakeBlock(int64_t at, const BlockHeader& block) {
    int64_t length = block.length.Get();
    if (length < scan.blockHeaderSize + scan.checksumSize) {
        report.Problem("block at " + Number(at) + " has an impossible length " + Number(length));
        return false;
    }
    if (at + length > scan.fileSize) {
        report.Problem("block at " + Number(at) + " of length " + Number(length) + " runs past the end of the file");
        return false;
    }
    unsigned char status = block.StatusByte();
    scan.blocks[static_cast<int32_t>(at)] = ScannedBlock{block.length.Get(), status, block.next.Get()};
    if (status == kStatusInUse) {
        ++report.blocksInUse;
        if (scan.checksumSize > 0) VerifyChecksum(at);
    } else if (status == kStatusDeleted) {
        ++report.blocksDeleted;
    } else if (status == kStatusReleased) {
        ++report.blocksReleased;
    } else {
        report.Problem("block at " + Number(at) + " has an unknown status byte " + Number(status));
    }
    return true;
}

void StoreChecker::VerifyChecksum(int64_t at) {
    unsigned stored = 0, computed = 0;
    int32_t object = static_cast<int32_t>(at + scan.blockHeaderSize);
    if (file.VerifyObjectChecksum(object, &stored, &computed)) return;
    ++report.checksumFailures;
    report.Problem("checksum of the object at " + Number(object) + " fails: stored " + Number(stored) +
                   ", computed " + Number(computed));
}

void StoreChecker::WalkFreeList() {
    int32_t at = scan.header.freeListHead.Get();
    if (at == kAbandonedList) {
        report.freeListLength = -1;
        report.Fact("free list", "abandoned");
        report.Warn("the free list was abandoned after damage; freed space is no longer reused");
        return;
    }
    std::set<int32_t> onList;
    while (at != 0) {
        auto found = scan.blocks.find(at);
        if (found == scan.blocks.end()) {
            report.Problem("the free list leads to " + Number(at) + ", which is not a block");
            break;
        }
        unsigned char status = found->second.status;
        if (status != kStatusDeleted && status != kStatusReleased) {
            report.Problem("the free list holds the block at " + Number(at) + ", which is " + StatusName(status));
            break;
        }
        if (!onList.insert(at).second) {
            report.Problem("the free list runs in a circle at " + Number(at));
            break;
        }
        at = found->second.next;
    }
    report.freeListLength = int64_t(onList.size());
    report.Fact("free list", Counted(report.freeListLength, "block", "blocks"));
    int64_t unlisted = report.blocksDeleted + report.blocksReleased - report.freeListLength;
    if (unlisted > 0) report.Warn(Counted(unlisted, "free block is", "free blocks are") + " not on the free list (space lost)");
}

void StoreChecker::CheckLastBlock() {
    int32_t last = scan.header.lastBlock.Get();
    if (scan.blocks.empty()) {
        if (last != 0) report.Warn("last block is " + Number(last) + " although the file holds no blocks");
        return;
    }
    if (scan.blocks.count(last) == 0) report.Warn("last block " + Number(last) + " is not the address of a block");
}

}  // namespace

bool ScanStore(StoreFile& file, CheckReport& report, StoreScan& scan) {
    StoreChecker checker(file, report, scan);
    return checker.Run();
}

}  // namespace kodexa
