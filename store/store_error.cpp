#include "store/store_error.h"

namespace kodexa {

namespace {
const char* const kMessages[kStoreErrorCount] = {
    "Database exception: No exception reported",
    "Database exception: Invalid error code reported",
    "Database exception: Access Violation",
    "Database exception: Assertion failed",
    "Database exception: Wrong object type",
    "Database exception: Bad object address",
    "Database exception: Bad reference",
    "Database exception: Block allocation error",
    "Database exception: Cache full",
    "Database exception: Checksum error",
    "Database exception: Divide by zero error",
    "Database exception: Duplicate entry error",
    "Database exception: Specified entry was not found",
    "Database exception: Unexpected end of file was reached",
    "Database exception: Error closing file",
    "Database exception: File is corrupt",
    "Database exception: Error creating file",
    "Database exception: File already exists",
    "Database exception: Trying to use a closed file",
    "Database exception: File not ready for reading/writing",
    "Database exception: Could not write to file",
    "Database exception: Error opening file",
    "Database exception: Cannot obtain a file position",
    "Database exception: Error reading from file",
    "Database exception: Error seeking in file",
    "Database exception: Error writing to file",
    "Database exception: Error inserting database entry",
    "Database exception: Memory allocation error",
    "Database exception: No database open",
    "Database exception: No such file exists",
    "Database exception: No objects exist",
    "Database exception: Accessing a null pointer",
    "Database exception: Object already exists",
    "Database exception: Another object is referencing this file",
    "Database exception: Math overflow error",
    "Database exception: Parse error",
    "Database exception: Invalid path",
    "Database exception: Trying to write to a read-only file",
    "Database exception: Stack empty",
    "Database exception: Stack full",
    "Database exception: Synchronization Error",
    "Database exception: Math under-flow error",
    "Database exception: Wrong file type",
    "Database exception: Invalid lock type specified",
    "Database exception: Cannot access the file lock header",
    "Database exception: Cannot lock the file",
    "Database exception: Cannot access the record lock header",
    "Database exception: Cannot lock the specified record",
};
}  // namespace

const char* StoreErrorMessage(int code) {
    if (code < 0 || code >= kStoreErrorCount) return kMessages[kInvalidErrorCode];
    return kMessages[code];
}

}  // namespace kodexa
