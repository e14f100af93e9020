// The engine object for one store file: a file header, an optional static
// area that belongs to the layer above, and variable-length objects in
// blocks with a free list, optional CRC-32 checksums and advisory locks.
// Nothing here throws: every operation records its outcome as a StoreError
// code, which LastError() answers until the next operation.
#ifndef KODEXA_STORE_STORE_FILE_H
#define KODEXA_STORE_STORE_FILE_H

#include <cstdint>
#include <string>

#include "store/file_address.h"
#include "store/file_layer.h"
#include "store/format.h"
#include "store/store_error.h"

namespace kodexa {

enum class LastAccess { Read, Write, Seek };

enum AllocationMode : int { kAppendOnly = 0, kBestFit = 1, kFirstFit = 2 };

enum LockType : int { kReadLock = 0, kWriteLock = 1 };

// The flags and modes of the calls below; their values are the ones the
// calls have always taken.
enum OpenMode : int { kReadOnlyMode = 0, kReadWriteMode = 6 };  // any mode but 0 writes
enum SeekOrigin : int { kFromStart = 0, kFromCurrent = 1, kFromEnd = 2 };  // as fseek's
enum FlushMode : int { kNoFlush = 0, kFlush = 1 };
enum VerifyMode : int { kNoVerify = 0, kVerify = 1 };  // read back and compare checksums
enum RemoveMode : int { kMarkDeleted = 0, kMarkReleased = 1 };
enum ChecksumReading : int { kByteByByte = 0, kBuffered = 1 };

constexpr int kFileNameCapacity = 255;  // 254 characters and the terminator
constexpr char kClosedFileName[] = "closed.kvd";

class StoreFile {
public:
    StoreFile();
    virtual ~StoreFile();
    StoreFile(const StoreFile&) = delete;
    StoreFile& operator=(const StoreFile&) = delete;

    // Lifecycle; each answers the error code, 0 on success.
    virtual int Create(const char* name, FileAddress staticAreaSize, char revision);
    virtual int Open(const char* name, int readWrite);
    virtual int Close();
    virtual int Flush();
    // Address of a new object of size bytes, 0 on failure.
    virtual FileAddress Allocate(int size, int mode);

    int LastError() const { return error; }
    int SetError(int code) { return Fail(code); }
    const char* ErrorMessage() const { return StoreErrorMessage(error); }
    // Records kFileCorrupt together with what was wrong (a fixed text that
    // outlives the call) and the file offset where it was found.
    int Corrupt(const char* reason, int64_t offset);
    // What Corrupt recorded, while the last outcome is that code 15; "" and
    // -1 after any other outcome, or when the layer gave no reason.
    const char* CorruptionReason() const { return corruptionReason; }
    int64_t CorruptionOffset() const { return corruptionOffset; }
    // The message of the last code and, for recorded damage, what and where:
    // "Database exception: File is corrupt (node count out of range at 1234)".
    std::string ErrorDescription() const;
    int IsReady() const { return ready && handleOpen; }
    int IsWritable() const { return writable; }
    char Revision() const { return revision; }
    const char* FileName() const { return fileName; }
    int HeaderSize() const;
    int BlockHeaderSize() const;
    int HasChecksums() const;
    // Newly allocated 8-byte copy of the header's signature; the caller
    // frees it with delete[].
    char* Signature() const;

    // Positioning and raw access; address -1 means the current position.
    int Seek(FileAddress offset, int origin);
    FileAddress SeekTo(FileAddress address);
    FileAddress Tell();
    int Read(void* buffer, int length, FileAddress address);
    // Up to length bytes from address: the count moved, fewer at the end of
    // the file (for a mapped file: of its mapping), or -1 on a failed read
    // (code recorded). For a caller that does not know a length yet, reads
    // what it may need at once, and reads with Read what it still lacks.
    int ReadUpTo(void* buffer, int length, FileAddress address);
    int Write(const void* buffer, int length, FileAddress address, int flush, int verify);
    uint32_t Checksum(int length, FileAddress address, int buffered);

    // Header.
    int ReadHeader();
    int WriteHeader();
    int RefreshHeader();
    FileAddress FreeListHead();
    FileAddress EndOfFile();
    FileAddress DataStart();
    FileAddress LastBlock();
    FileAddress StaticAreaSize();
    const StoreHeader& Header() const { return header; }

    // The length of the open file now, -1 when it cannot be had.
    int64_t RealLength() const;
    static int FileExists(const char* name);
    // A size beyond the largest address answers that address.
    static FileAddress FileSize(const char* name);

    // Blocks and objects (object address = block address + BlockHeaderSize).
    int Remove(FileAddress objectAddress, int released);
    int Remove(FileAddress objectAddress) { return Remove(objectAddress, kMarkReleased); }
    int ReadBlockHeader(BlockHeader& block, FileAddress blockAddress);
    int WriteBlockHeader(const BlockHeader& block, FileAddress blockAddress);
    int ObjectLength(FileAddress objectAddress);
    int BlockLength(FileAddress objectAddress);
    FileAddress FindBlock(FileAddress address);
    StoredUInt32 WriteObjectChecksum(FileAddress objectAddress);
    int VerifyObjectChecksum(FileAddress objectAddress, unsigned* stored, unsigned* computed);
    FileAddress CountBlocks();
    FileAddress CountFree(FileAddress* deleted, FileAddress* released);
    int Undelete(FileAddress objectAddress);

    // Advisory locks: file locks in revisions 'B' and 'C', record locks in
    // 'C'; in other revisions they do nothing and answer 0.
    int LockFile(int type);
    int UnlockFile(int type);
    int ResetFileLock();
    int LockRecord(int type, FileAddress blockAddress);
    int UnlockRecord(int type, FileAddress blockAddress);
    int ResetRecordLock(FileAddress blockAddress);

private:
    struct FreeBlock;
    class FreeListWalk;

    int Fail(int code) {
        corruptionReason = "";
        corruptionOffset = -1;
        return error = code;
    }
    void ClearFlags();
    int SetFileName(const char* name);
    FileAddress HeaderField(FileAddress StoreHeader::*field);
    int WriteStructure(const void* buffer, int length, FileAddress address);
    int ReadObjectBlock(FileAddress objectAddress, BlockHeader& block);
    int CheckReadRange(int length, FileAddress& address);
    bool AlreadyAt(FileAddress address, bool& failed);
    int MoveForRead(FileAddress address);
    int ReadMapped(void* buffer, int length, FileAddress address);
    uint32_t ReadBackChecksum(int length, FileAddress start);
    int ExtendTo(FileAddress end);
    int64_t ScanEnd() const;
    int Unlink(const FreeBlock& block);
    int Relink(const FreeBlock& block, FileAddress replacement);
    int ChecksummedLength(FileAddress objectAddress);
    int SplitInto(const FreeBlock& block, int total);
    FileAddress TakeFirstFit(int total);
    FileAddress TakeBestFit(int total);
    FileAddress AppendBlock(int total);
    FileAddress GiveBack(FileAddress block);
    int SplitThreshold(int total) const;
    int ChangeLock(int type, int lock, FileAddress lockAddress, int busyCode, int conflictCode);
    int ReadRecordLockAddress(FileAddress blockAddress, FileAddress& lockAddress);

    char fileName[kFileNameCapacity];
    char revision;
    StoreHeader header;
    FileHolder* handle;
    LastAccess lastAccess;
    int error;
    const char* corruptionReason = "";
    int64_t corruptionOffset = -1;
    int ready;
    int handleOpen;
    int readable;
    int writable;
};

}  // namespace kodexa

#endif
