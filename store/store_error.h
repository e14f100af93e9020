// The numbered error codes of the record store and the layers above it.
#ifndef KODEXA_STORE_STORE_ERROR_H
#define KODEXA_STORE_STORE_ERROR_H

namespace kodexa {

enum StoreError : int {
    kNoError = 0,
    kInvalidErrorCode = 1,
    kAccessViolation = 2,
    kAssertionFailed = 3,
    kWrongObjectType = 4,
    kBadObjectAddress = 5,
    kBadReference = 6,
    kBlockAllocationError = 7,
    kCacheFull = 8,
    kChecksumError = 9,
    kDivideByZero = 10,
    kDuplicateEntry = 11,
    kEntryNotFound = 12,
    kUnexpectedEof = 13,
    kCloseError = 14,
    kFileCorrupt = 15,
    kCreateError = 16,
    kFileExists = 17,
    kFileClosed = 18,
    kFileNotReady = 19,
    kNotWritable = 20,
    kOpenError = 21,
    kPositionError = 22,
    kReadError = 23,
    kSeekError = 24,
    kWriteError = 25,
    kInsertError = 26,
    kMemoryError = 27,
    kNoDatabaseOpen = 28,
    kNoSuchFile = 29,
    kNoObjects = 30,
    kNullPointer = 31,
    kObjectExists = 32,
    kFileReferenced = 33,
    kOverflow = 34,
    kParseError = 35,
    kInvalidPath = 36,
    kReadOnlyFile = 37,
    kStackEmpty = 38,
    kStackFull = 39,
    kSyncError = 40,
    kUnderflow = 41,
    kWrongFileType = 42,
    kInvalidLockType = 43,
    kFileLockHeaderBusy = 44,
    kFileLockConflict = 45,
    kRecordLockHeaderBusy = 46,
    kRecordLockConflict = 47,
};

constexpr int kStoreErrorCount = 48;

// The fixed message of a code; codes outside the table get the message of
// kInvalidErrorCode.
const char* StoreErrorMessage(int code);

}  // namespace kodexa

#endif
