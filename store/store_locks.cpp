// Advisory file and record locks. The guard word only narrows the window in
// which two processes could both change a lock header; nothing here waits.
#include "store/store_file.h"

namespace kodexa {

namespace {
// What ChangeLock does with a lock.
constexpr int kGiveBack = 0;
constexpr int kTake = 1;
}  // namespace

int StoreFile::LockFile(int type) {
    if (HeaderSize() != kLockedHeaderSize) return Fail(kNoError);
    return ChangeLock(type, kTake, kFileLockAddress, kFileLockHeaderBusy, kFileLockConflict);
}

int StoreFile::UnlockFile(int type) {
    if (HeaderSize() != kLockedHeaderSize) return Fail(kNoError);
    return ChangeLock(type, kGiveBack, kFileLockAddress, kFileLockHeaderBusy, kFileLockConflict);
}

int StoreFile::ResetFileLock() {
    if (HeaderSize() != kLockedHeaderSize) return Fail(kNoError);
    const FileLockHeader unlocked = {};
    return WriteStructure(&unlocked, sizeof unlocked, kFileLockAddress);
}

int StoreFile::ReadRecordLockAddress(FileAddress blockAddress, FileAddress& lockAddress) {
    BlockHeader block;
    int code = ReadBlockHeader(block, blockAddress);
    lockAddress = blockAddress.Get() + kBlockHeaderSize;
    return code;
}

int StoreFile::LockRecord(int type, FileAddress blockAddress) {
    if (BlockHeaderSize() != kLockedBlockHeaderSize) return Fail(kNoError);
    FileAddress lockAddress;
    int code = ReadRecordLockAddress(blockAddress, lockAddress);
    if (code != kNoError) return code;
    return ChangeLock(type, kTake, lockAddress, kRecordLockHeaderBusy, kRecordLockConflict);
}

int StoreFile::UnlockRecord(int type, FileAddress blockAddress) {
    if (BlockHeaderSize() != kLockedBlockHeaderSize) return Fail(kNoError);
    FileAddress lockAddress;
    int code = ReadRecordLockAddress(blockAddress, lockAddress);
    if (code != kNoError) return code;
    return ChangeLock(type, kGiveBack, lockAddress, kRecordLockHeaderBusy, kRecordLockConflict);
}

int StoreFile::ResetRecordLock(FileAddress blockAddress) {
    if (BlockHeaderSize() != kLockedBlockHeaderSize) return Fail(kNoError);
    FileAddress lockAddress;
    int code = ReadRecordLockAddress(blockAddress, lockAddress);
    if (code != kNoError) return code;
    const RecordLockHeader unlocked = {};
    return WriteStructure(&unlocked, sizeof unlocked, lockAddress);
}

int StoreFile::ChangeLock(int type, int lock, FileAddress lockAddress, int busyCode, int conflictCode) {
    // Another process may have changed the header since this stream buffered
    // it; flushing drops the buffer so that the read goes to the file.
    if (IsReady() && FileFlush(handle) != 0) return Fail(kWriteError);
    LockHeader locks;
    int code = Read(&locks, sizeof locks, lockAddress);
    if (code != kNoError) return code;
    if (locks.guard != 0u) return Fail(busyCode);

    StoredUInt32* field;
    int offset;
    if (type == kWriteLock) {
        if (lock && (locks.readLocks != 0u || locks.writeLock != 0u)) return Fail(conflictCode);
        if (!lock && locks.writeLock == 0u) return Fail(kNoError);
        locks.writeLock = lock ? 1u : 0u;
        field = &locks.writeLock;
        offset = kLockWriteOffset;
    } else if (type == kReadLock) {
        if (lock && (locks.writeLock != 0u || locks.readLocks == 0xFFFFFFFFu)) return Fail(conflictCode);
        if (!lock && locks.readLocks == 0u) return Fail(kNoError);
        locks.readLocks = locks.readLocks.Get() + (lock ? 1u : 0xFFFFFFFFu);
        field = &locks.readLocks;
        offset = kLockReadCountOffset;
    } else {
        return Fail(kInvalidLockType);
    }

    const StoredUInt32 held = 1u, free = 0u;
    if ((code = WriteStructure(&held, sizeof held, lockAddress)) != kNoError) return code;
    if ((code = WriteStructure(field, sizeof *field, lockAddress.Get() + offset)) != kNoError) return code;
    return WriteStructure(&free, sizeof free, lockAddress);
}

}  // namespace kodexa
