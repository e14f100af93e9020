// Lifecycle, raw access and header handling of a store file.
#include "store/store_file.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "store/crc32.h"

namespace kodexa {

StoreFile::StoreFile()
    : revision(0), header(), handle(nullptr), lastAccess(LastAccess::Read), error(kNoError),
      ready(0), handleOpen(0), readable(0), writable(0) {
    header = StoreHeader();
    std::strcpy(fileName, kClosedFileName);
}

// A close that fails keeps the file open for another try; a file going away
// gets no other try, so it lets go of the holder instead of leaking it.
StoreFile::~StoreFile() {
    if (Close() != kNoError) FileDiscard(handle);
}

int StoreFile::HeaderSize() const { return LayoutOfRevision(revision).headerSize; }

int StoreFile::BlockHeaderSize() const { return LayoutOfRevision(revision).blockHeaderSize; }

int StoreFile::HasChecksums() const { return LayoutOfRevision(revision).checksumSize != 0; }

char* StoreFile::Signature() const {
    char* copy = new (std::nothrow) char[kSignatureLength + 1];
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, header.signature, kSignatureLength);
    copy[kSignatureLength] = 0;
    return copy;
}

int StoreFile::Corrupt(const char* reason, int64_t offset) {
    Fail(kFileCorrupt);
    corruptionReason = reason != nullptr ? reason : "";
    corruptionOffset = offset;
    return error;
}

std::string StoreFile::ErrorDescription() const {
    std::string text = ErrorMessage();
    if (error != kFileCorrupt || *corruptionReason == 0) return text;
    text += std::string(" (") + corruptionReason;
    if (corruptionOffset >= 0) text += " at " + std::to_string(corruptionOffset);
    return text + ")";
}

void StoreFile::ClearFlags() { ready = handleOpen = readable = writable = 0; }

// A name that does not fit the buffer is refused rather than cut short, so
// that the engine never opens a different file than the one asked for.
int StoreFile::SetFileName(const char* name) {
    if (name == nullptr || std::strlen(name) >= sizeof fileName) return kInvalidPath;
    std::strcpy(fileName, name);
    return kNoError;
}

int StoreFile::Create(const char* name, FileAddress staticAreaSize, char rev) {
    if (name == nullptr || std::strlen(name) >= sizeof fileName) return Fail(kInvalidPath);
    if (staticAreaSize < 0 || staticAreaSize > INT32_MAX - kLockedHeaderSize) return Fail(kCreateError);
    int code = Close();
    if (code != kNoError) return code;
    handle = FileCreate(name);
    if (handle == nullptr) {
        ClearFlags();
        return Fail(kCreateError);
    }
    ready = handleOpen = readable = writable = 1;
    SetFileName(name);
    revision = NormalisedRevision(rev);
    lastAccess = LastAccess::Read;

    header = StoreHeader();
    header.dataStart = staticAreaSize.Get() + HeaderSize();
    header.freeListHead = 0;
    header.endOfFile = header.dataStart;
    header.lastBlock = 0;
    std::memcpy(header.signature, kSignature, kSignatureLength);
    header.revision = revision;
    header.version = kStoreVersion;
    if ((code = WriteHeader()) != kNoError) return code;
    if (HeaderSize() == kLockedHeaderSize && (code = ResetFileLock()) != kNoError) return code;
    if (header.dataStart > HeaderSize() && (code = ExtendTo(header.dataStart)) != kNoError) return code;
    return Fail(kNoError);
}

int StoreFile::Open(const char* name, int readWrite) {
    if (name == nullptr || std::strlen(name) >= sizeof fileName) return Fail(kInvalidPath);
    int code = Close();
    if (code != kNoError) return code;
    readable = 1;
    writable = readWrite ? 1 : 0;
    handle = FileOpen(name, readWrite);
    if (handle == nullptr) {
        readable = writable = 0;
        return Fail(kOpenError);
    }
    handleOpen = ready = 1;
    SetFileName(name);
    lastAccess = LastAccess::Write;
    if ((code = ReadHeader()) != kNoError) {
        // A file too short for a header is not a store file: writing the
        // half-read header back on close would damage it.
        ready = 0;
        return code;
    }
    if (std::memcmp(header.signature, kSignature, kSignatureLength) != 0) {
        ready = 0;
        return Fail(kWrongFileType);
    }
    revision = header.revision;
    FileAddress size = FileSize(name);
    if (size != -1 && header.endOfFile > size && writable) {
        // The file lost its tail, or its header lies. Appending at the end
        // the header claims would blow the file up to that size, and making
        // the end of file up would hide records that are gone; such a file
        // is left exactly as it is. Read-only, nothing can be written, and
        // every scan stops at the real end anyway.
        ready = 0;
        return Corrupt("end of file lies beyond the end of the file", header.endOfFile.Get());
    }
    if (size != -1 && header.endOfFile < size) {
        header.endOfFile = size;
        if ((code = Flush()) != kNoError) return code;
    }
    return Fail(kNoError);
}

// A header that cannot be written is reported, but the file is closed all
// the same: the stream that refused the header would refuse it again, and a
// store going away would otherwise leak it.
int StoreFile::Close() {
    if (IsReady()) {
        int headerCode = writable ? WriteHeader() : kNoError;
        if (FileClose(handle) != 0) return Fail(kCloseError);
        handle = nullptr;
        std::strcpy(fileName, kClosedFileName);
        ClearFlags();
        return Fail(headerCode);
    } else if (handle != nullptr) {
        // A file rejected by Open still holds its C file; let it go
        // without touching its header.
        if (FileClose(handle) != 0) return Fail(kCloseError);
        handle = nullptr;
        std::strcpy(fileName, kClosedFileName);
    }
    ClearFlags();
    return Fail(kNoError);
}

int StoreFile::Flush() {
    if (!writable) return Fail(kNoError);
    int code = WriteHeader();
    if (code != kNoError) return code;
    if (FileFlush(handle) != 0) return Fail(kWriteError);
    return Seek(0, kFromCurrent);
}

int StoreFile::Seek(FileAddress offset, int origin) {
    if (!IsReady()) return Fail(kFileNotReady);
    if (FileSeek(handle, offset.Get(), origin) != 0) return Fail(kSeekError);
    lastAccess = LastAccess::Seek;
    return Fail(kNoError);
}

FileAddress StoreFile::Tell() {
    if (!IsReady()) {
        Fail(kFileNotReady);
        return -1;
    }
    long position = FileTell(handle);
    // A position past the largest address would come back as some other,
    // nearer address.
    if (position > INT32_MAX) {
        Fail(kPositionError);
        return -1;
    }
    Fail(position < 0 ? kPositionError : kNoError);
    return static_cast<int32_t>(position);
}

FileAddress StoreFile::SeekTo(FileAddress address) {
    FileAddress position = Tell();
    if (address == -1) return position;
    if (error != kNoError) return position;
    int code;
    if (address > position)
        code = Seek(address.Get() - position.Get(), kFromCurrent);
    else if (address < position)
        code = Seek(address, kFromStart);
    else if (lastAccess != LastAccess::Read)
        code = Seek(0, kFromCurrent);
    else
        // Already there after a read: the stream needs no move, and the
        // last access stays a read, so a write that follows still seeks
        // first as the C library demands.
        code = kNoError;
    // A failed move keeps its code; the caller looks at LastError.
    if (code != kNoError) return position;
    return Tell();
}

// Whether the stream stands at address after anything but a write, so that
// reading there needs no seek: every seek costs a system call, even one to
// where the stream already is, and record reads often start exactly where
// the move before them ended. A failing position query is reported (false,
// code 22).
bool StoreFile::AlreadyAt(FileAddress address, bool& failed) {
    failed = false;
    if (lastAccess == LastAccess::Write) return false;
    long position = FileTell(handle);
    if (position < 0) return failed = true, Fail(kPositionError), false;
    return position == address.Get();
}

int StoreFile::Read(void* buffer, int length, FileAddress address) {
    if (!IsReady()) return Fail(kFileNotReady);
    if (length < 0) return Fail(kReadError);
    if (IsMapped(handle)) return ReadMapped(buffer, length, address);
    int code = MoveForRead(address);
    if (code != kNoError) return code;
    if (length > 0 && FileRead(handle, buffer, static_cast<size_t>(length)) != 0) return Fail(kReadError);
    lastAccess = LastAccess::Read;
    return Fail(kNoError);
}

// Brings a stdio stream to address for a read, with as few system calls as
// the C library allows.
int StoreFile::MoveForRead(FileAddress address) {
    if (address == -1) return lastAccess == LastAccess::Write ? Seek(0, kFromCurrent) : kNoError;
    bool failed = false;
    if (AlreadyAt(address, failed)) return kNoError;
    return failed ? error : Seek(address, kFromStart);
}

int StoreFile::ReadUpTo(void* buffer, int length, FileAddress address) {
    if (!IsReady()) return Fail(kFileNotReady), -1;
    if (length < 0) return Fail(kReadError), -1;
    if (IsMapped(handle)) {
        if (address != -1 && FileSeek(handle, address.Get(), kFromStart) != 0) return Fail(kSeekError), -1;
    } else if (MoveForRead(address) != kNoError) {
        return -1;
    }
    size_t moved = 0;
    if (FileReadSome(handle, buffer, static_cast<size_t>(length), moved) != 0) return Fail(kReadError), -1;
    lastAccess = LastAccess::Read;
    Fail(kNoError);
    return static_cast<int>(moved);
}

// A mapped file moves to an address without a system call, and is never
// written through this handle, so no seek is needed to turn a write into a
// read; where the stream stands needs no asking.
int StoreFile::ReadMapped(void* buffer, int length, FileAddress address) {
    const int outcome = MappedReadAt(handle, buffer, static_cast<size_t>(length), address.Get());
    if (outcome < 0) return Fail(kSeekError);
    if (outcome != 0) return Fail(kReadError);
    lastAccess = LastAccess::Read;
    return Fail(kNoError);
}

int StoreFile::Write(const void* buffer, int length, FileAddress address, int flush, int verify) {
    if (!writable) return Fail(kNotWritable);
    if (length < 0) return Fail(kWriteError);
    int code = kNoError;
    if (address == -1) {
        if (lastAccess == LastAccess::Read) code = Seek(0, kFromCurrent);
    } else {
        code = Seek(address, kFromStart);
    }
    if (code != kNoError) return code;
    FileAddress start = Tell();
    if (error != kNoError) return error;
    if (length > 0 && FileWrite(handle, buffer, static_cast<size_t>(length)) != 0) return Fail(kWriteError);
    lastAccess = LastAccess::Write;
    if (flush) {
        if (FileFlush(handle) != 0) return Fail(kWriteError);
        // The read-back below moves the stream itself; a seek by 0 first
        // would only cost another system call.
        if (!verify && (code = Seek(0, kFromCurrent)) != kNoError) return code;
    }
    if (!verify) return Fail(kNoError);
    uint32_t written = Crc32(buffer, static_cast<size_t>(length));
    uint32_t onDisk = ReadBackChecksum(length, start);
    if (error != kNoError) return error;
    return Fail(written == onDisk ? kNoError : kChecksumError);
}

// The range just written needs no check against the end of the file (which
// costs a seek to the end and the loss of the stdio buffer): its length is
// that of the caller's buffer, and a file that lost those bytes fails the
// read as it would fail the check.
uint32_t StoreFile::ReadBackChecksum(int length, FileAddress start) {
    unsigned char* buffer = new (std::nothrow) unsigned char[length > 0 ? length : 1];
    if (buffer == nullptr) return Checksum(length, start, kByteByByte);
    int code = Read(buffer, length, start);
    uint32_t crc = code == kNoError ? Crc32(buffer, static_cast<size_t>(length)) : 0;
    delete[] buffer;
    return crc;
}

// A checksum over a negative length or past the end of the file would make
// the engine allocate or read without bound; such a range is refused.
int StoreFile::CheckReadRange(int length, FileAddress& address) {
    if (length < 0) return Fail(kReadError);
    if (address == -1) {
        address = Tell();
        if (error != kNoError) return error;
    }
    int code = Seek(0, kFromEnd);
    if (code != kNoError) return code;
    FileAddress end = Tell();
    if (error != kNoError) return error;
    if (address < 0 || static_cast<int64_t>(address.Get()) + length > end.Get()) return Fail(kReadError);
    return kNoError;
}

uint32_t StoreFile::Checksum(int length, FileAddress address, int buffered) {
    if (CheckReadRange(length, address) != kNoError) return 0;
    unsigned char* buffer = buffered ? new (std::nothrow) unsigned char[length > 0 ? length : 1] : nullptr;
    if (buffer != nullptr) {
        int code = Read(buffer, length, address);
        uint32_t crc = code == kNoError ? Crc32(buffer, static_cast<size_t>(length)) : 0;
        delete[] buffer;
        return crc;
    }
    SeekTo(address);
    if (error != kNoError) return 0;
    uint32_t crc = 0xFFFFFFFFu;
    for (int i = 0; i < length; ++i) {
        unsigned char byte;
        if (Read(&byte, 1, -1) != kNoError) return 0;
        crc = Crc32Step(byte, crc);
    }
    return ~crc;
}

int StoreFile::ReadHeader() { return Read(&header, sizeof header, kHeaderAddress); }

int StoreFile::WriteHeader() { return Write(&header, sizeof header, kHeaderAddress, kFlush, kVerify); }

// The C library may answer a read from the bytes it buffered earlier, which
// hides what another writer has put into the file since. Flushing drops that
// buffer, so the next read goes to the file.
int StoreFile::RefreshHeader() {
    if (handle != nullptr) FileFlush(handle);
    StoreHeader onDisk;
    if (Read(&onDisk, sizeof onDisk, kHeaderAddress) != kNoError) return 0;
    int rereads = 0;
    FileAddress StoreHeader::*const fields[] = {&StoreHeader::freeListHead, &StoreHeader::endOfFile,
                                                &StoreHeader::dataStart, &StoreHeader::lastBlock};
    for (auto field : fields) {
        if (onDisk.*field != header.*field) {
            ReadHeader();
            ++rereads;
        }
    }
    return rereads;
}

FileAddress StoreFile::HeaderField(FileAddress StoreHeader::*field) {
    if (handle != nullptr) FileFlush(handle);  // see RefreshHeader
    StoreHeader onDisk;
    if (Read(&onDisk, sizeof onDisk, kHeaderAddress) == kNoError && onDisk.*field != header.*field)
        ReadHeader();
    return header.*field;
}

FileAddress StoreFile::FreeListHead() { return HeaderField(&StoreHeader::freeListHead); }
FileAddress StoreFile::EndOfFile() { return HeaderField(&StoreHeader::endOfFile); }
FileAddress StoreFile::DataStart() { return HeaderField(&StoreHeader::dataStart); }
FileAddress StoreFile::LastBlock() { return HeaderField(&StoreHeader::lastBlock); }
// A damaged header's data start may lie anywhere; the difference must not
// overflow, so it is taken wide and held to what an address can say.
FileAddress StoreFile::StaticAreaSize() {
    const int64_t size = int64_t{DataStart().Get()} - HeaderSize();
    return static_cast<int32_t>(std::max<int64_t>(size, INT32_MIN));
}

int StoreFile::FileExists(const char* name) { return FileExistsOnDisk(name); }

FileAddress StoreFile::FileSize(const char* name) {
    long size = FileSizeOnDisk(name);
    return static_cast<int32_t>(size > INT32_MAX ? INT32_MAX : size);
}

// The length of the open file, -1 when it cannot be had. Nothing that reads
// or writes blocks may go by the header's end of file alone: a damaged
// header can claim gigabytes the file does not hold.
int64_t StoreFile::RealLength() const { return handle != nullptr ? FileLengthOnDisk(handle) : -1; }

// Where scans for blocks stop: the end of file, or the real end of the file
// when that comes first.
int64_t StoreFile::ScanEnd() const {
    int64_t end = header.endOfFile.Get();
    int64_t real = RealLength();
    return real >= 0 && real < end ? real : end;
}

int StoreFile::WriteStructure(const void* buffer, int length, FileAddress address) {
    return Write(buffer, length, address, kFlush, kVerify);
}

// Writes one zero byte just before end, so that the file reaches it.
int StoreFile::ExtendTo(FileAddress end) {
    const unsigned char zero = 0;
    return WriteStructure(&zero, 1, end.Get() - 1);
}

}  // namespace kodexa
