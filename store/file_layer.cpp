#include "store/file_layer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <new>

namespace kodexa {

namespace {

const SystemCalls kSystem = {
    [](const char* name, const char* mode) { return std::fopen(name, mode); },
    [](FILE* f) { return std::fclose(f); },
    [](FILE* f) { return std::fflush(f); },
    [](void* b, size_t s, size_t n, FILE* f) { return std::fread(b, s, n, f); },
    [](const void* b, size_t s, size_t n, FILE* f) { return std::fwrite(b, s, n, f); },
    [](FILE* f, long o, int w) { return std::fseek(f, o, w); },
    [](FILE* f) { return std::ftell(f); },
};

SystemCalls active = kSystem;

FileHolder* Hold(FILE* file) {
    if (file == nullptr) return nullptr;
    FileHolder* holder = new (std::nothrow) FileHolder{file};
    if (holder == nullptr) active.fclose(file);
    return holder;
}

// A file cut short by another program under a mapping makes the copy out of
// the vanished pages raise SIGBUS. While a copy runs, the handler jumps back
// to it, and the read fails instead of the program; any other SIGBUS goes to
// the handler that was there before.
thread_local sigjmp_buf* guardedCopy = nullptr;
struct sigaction previousBusAction;

void OnBusError(int, siginfo_t*, void*) {
    if (guardedCopy != nullptr) siglongjmp(*guardedCopy, 1);
    // Returning re-runs the faulting instruction under the old handler.
    sigaction(SIGBUS, &previousBusAction, nullptr);
}

bool BusHandlerInstalled() {
    static const bool installed = [] {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_sigaction = OnBusError;
        // No deferring: the jump out of the handler must not leave SIGBUS
        // blocked, and saving the signal mask for every read would cost a
        // system call each.
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return sigaction(SIGBUS, &action, &previousBusAction) == 0;
    }();
    return installed;
}

// False when the pages under the copy went away; moved then says nothing.
bool GuardedCopy(void* buffer, const unsigned char* source, size_t count, size_t& moved) {
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        guardedCopy = nullptr;
        return false;
    }
    guardedCopy = &jump;
    moved = active.mappedRead(buffer, source, count);
    guardedCopy = nullptr;
    return true;
}

void MapForReading(FileHolder* holder) {
    struct stat info;
    int fd = fileno(holder->file);
    if (!BusHandlerInstalled() || active.fstat(fd, &info) != 0 || info.st_size <= 0) return;
    const size_t length = static_cast<size_t>(info.st_size);
    void* mapping = active.map(length, fd);
    if (mapping == MAP_FAILED) return;
    holder->mapping = static_cast<const unsigned char*>(mapping);
    holder->mappedLength = length;
    holder->position = 0;
}

void Unmap(FileHolder* holder) {
    active.unmap(const_cast<unsigned char*>(holder->mapping), holder->mappedLength);
    holder->mapping = nullptr;
    holder->mappedLength = 0;
}

// The C stream serves the holder from now on, from where the mapping stood.
void DropMapping(FileHolder* holder) {
    Unmap(holder);
    active.fseek(holder->file, holder->position, SEEK_SET);
}

enum class Reach { Mapped, PastEnd, Cut, Dropped };

// Brings the mapping to the file's present length, so that reads up to end
// see bytes another writer has appended since. A file shorter than the
// mapping was cut under it; one whose length or new mapping cannot be had is
// left to stdio. Both drop the mapping.
Reach MapUpTo(FileHolder* holder, size_t end) {
    struct stat info;
    if (active.fstat(fileno(holder->file), &info) != 0 || info.st_size < 0) {
        DropMapping(holder);
        return Reach::Dropped;
    }
    const size_t length = static_cast<size_t>(info.st_size);
    if (length < holder->mappedLength) {
        DropMapping(holder);
        return Reach::Cut;
    }
    if (length > holder->mappedLength) {
        void* grown = active.remap(const_cast<unsigned char*>(holder->mapping), holder->mappedLength, length);
        if (grown == MAP_FAILED) {
            DropMapping(holder);
            return Reach::Dropped;
        }
        holder->mapping = static_cast<const unsigned char*>(grown);
        holder->mappedLength = length;
    }
    return end <= length ? Reach::Mapped : Reach::PastEnd;
}

int StdioRead(FileHolder* holder, void* buffer, size_t count) {
    // A stream that once met the end stays there without this, and bytes
    // another writer appended since would never be read.
    clearerr(holder->file);
    return active.fread(buffer, 1, count, holder->file) != count;
}

// What the mapping holds of count bytes from where the holder stands, or
// nothing when it stands past the mapping; 1 when the pages went away
// under the copy.
int CopyMapped(FileHolder* holder, void* buffer, size_t count, size_t& moved) {
    moved = 0;
    const size_t start = static_cast<size_t>(holder->position);
    const size_t available = start < holder->mappedLength ? std::min(count, holder->mappedLength - start) : 0;
    if (!GuardedCopy(buffer, holder->mapping + std::min(start, holder->mappedLength), available, moved)) {
        DropMapping(holder);
        return 1;
    }
    holder->position += static_cast<long>(moved);
    return moved != available;
}

// Answers as fread does: a read past the end moves what there is and fails.
int MappedRead(FileHolder* holder, void* buffer, size_t count) {
    const size_t start = static_cast<size_t>(holder->position);
    if (start + count > holder->mappedLength) {
        Reach reach = MapUpTo(holder, start + count);
        if (reach == Reach::Dropped) return StdioRead(holder, buffer, count);
        if (reach == Reach::Cut) return 1;
    }
    size_t moved = 0;
    return CopyMapped(holder, buffer, count, moved) != 0 || moved != count;
}

int MappedSeek(FileHolder* holder, long offset, int origin) {
    long base = 0;
    if (origin == SEEK_CUR) {
        base = holder->position;
    } else if (origin == SEEK_END) {
        if (MapUpTo(holder, 0) != Reach::Mapped) return active.fseek(holder->file, offset, SEEK_END);
        base = static_cast<long>(holder->mappedLength);
    }
    if ((offset > 0 && base > LONG_MAX - offset) || base + offset < 0) return errno = EINVAL, -1;
    holder->position = base + offset;
    return 0;
}

}  // namespace

int SystemStat(const char* name, struct stat* info) { return ::stat(name, info); }
int SystemLstat(const char* name, struct stat* info) { return ::lstat(name, info); }
int SystemRename(const char* from, const char* to) { return std::rename(from, to); }
int SystemUnlink(const char* name) { return ::unlink(name); }
int SystemOpen(const char* name, int flags, mode_t mode) { return ::open(name, flags, mode); }
int SystemClose(int fd) { return ::close(fd); }
ssize_t SystemWrite(int fd, const void* buffer, size_t count) { return ::write(fd, buffer, count); }
int SystemFsync(int fd) { return ::fsync(fd); }
int SystemMkdir(const char* name, mode_t mode) { return ::mkdir(name, mode); }
char* SystemMkdtemp(char* pattern) { return ::mkdtemp(pattern); }
int SystemRmdir(const char* name) { return ::rmdir(name); }
DIR* SystemOpendir(const char* name) { return ::opendir(name); }
struct dirent* SystemReaddir(DIR* stream) { return ::readdir(stream); }
int SystemClosedir(DIR* stream) { return ::closedir(stream); }
int SystemFstat(int fd, struct stat* info) { return ::fstat(fd, info); }
void* SystemMap(size_t length, int fd) { return ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd, 0); }
void* SystemRemap(void* mapping, size_t oldLength, size_t newLength) {
    return ::mremap(mapping, oldLength, newLength, MREMAP_MAYMOVE);
}
int SystemUnmap(void* mapping, size_t length) { return ::munmap(mapping, length); }
size_t SystemMappedRead(void* buffer, const void* source, size_t count) {
    if (count > 0) std::memcpy(buffer, source, count);
    return count;
}

ssize_t SystemRead(int fd, void* buffer, size_t count) { return ::read(fd, buffer, count); }
int SystemFlock(int fd, int operation) { return ::flock(fd, operation); }
ssize_t SystemReadlink(const char* name, char* buffer, size_t size) { return ::readlink(name, buffer, size); }

const SystemCalls& ActiveStdio() { return active; }
const SystemCalls& SystemStdio() { return kSystem; }
void SetStdio(const SystemCalls& functions) { active = functions; }
void ResetStdio() { active = kSystem; }

FileHolder* FileCreate(const char* name) { return Hold(active.fopen(name, "w+b")); }

// Only a file nobody writes through this holder may be read from a mapping:
// stdio's buffered writes would not be in it.
FileHolder* FileOpen(const char* name, int readWrite) {
    FileHolder* holder = Hold(active.fopen(name, readWrite ? "r+b" : "rb"));
    if (holder != nullptr && !readWrite) {
        // Where a read-only file is read through the C stream (it could not be
        // mapped, or was cut under its mapping), a buffer would serve bytes that
        // another writer has changed since; every read goes to the file.
        setvbuf(holder->file, nullptr, _IONBF, 0);
        MapForReading(holder);
    }
    return holder;
}

int FileClose(FileHolder* holder) {
    if (holder == nullptr) return 0;
    if (IsMapped(holder)) Unmap(holder);
    if (active.fclose(holder->file) != 0) return 1;
    delete holder;
    return 0;
}

void FileDiscard(FileHolder* holder) { delete holder; }

int FileFlush(FileHolder* holder) {
    if (holder == nullptr) return 1;
    // A mapping holds no bytes of its own: there is nothing to flush, and
    // nothing stale to drop.
    if (IsMapped(holder)) return 0;
    return active.fflush(holder->file) != 0;
}

int FileRead(FileHolder* holder, void* buffer, size_t count) {
    if (holder == nullptr) return 1;
    if (IsMapped(holder)) return MappedRead(holder, buffer, count);
    return StdioRead(holder, buffer, count);
}

int MappedReadAt(FileHolder* holder, void* buffer, size_t count, long offset) {
    if (offset != -1) {
        if (offset < 0) return errno = EINVAL, -1;
        holder->position = offset;
    }
    return count > 0 ? MappedRead(holder, buffer, count) : 0;
}

int FileReadSome(FileHolder* holder, void* buffer, size_t count, size_t& moved) {
    moved = 0;
    if (holder == nullptr) return 1;
    // Only what the mapping holds: a reader that wants more reads it as it
    // always has, and meets a file that changed under the mapping there.
    if (IsMapped(holder)) return CopyMapped(holder, buffer, count, moved);
    clearerr(holder->file);  // as in StdioRead
    moved = active.fread(buffer, 1, count, holder->file);
    return moved != count && std::ferror(holder->file) != 0;
}

int FileWrite(FileHolder* holder, const void* buffer, size_t count) {
    if (holder == nullptr) return 1;
    return active.fwrite(buffer, 1, count, holder->file) != count;
}

int FileSeek(FileHolder* holder, long offset, int origin) {
    if (holder == nullptr) return 1;
    static const int kOrigins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) return -1;
    if (IsMapped(holder)) return MappedSeek(holder, offset, kOrigins[origin]);
    return active.fseek(holder->file, offset, kOrigins[origin]);
}

long FileTell(FileHolder* holder) {
    if (holder == nullptr) return -1;
    if (IsMapped(holder)) return holder->position;
    return active.ftell(holder->file);
}

DiskFileState LookAtFile(const char* name) {
    DiskFileState state;
    if (name == nullptr) return state;
    struct stat info;
    errno = 0;
    if (active.stat(name, &info) == 0) {
        state.presence = DiskPresence::Present;
        state.size = static_cast<long>(info.st_size);
    } else if (errno == ENOENT || errno == ENOTDIR) {
        state.presence = DiskPresence::Missing;
    }
    return state;
}

int FileExistsOnDisk(const char* name) { return LookAtFile(name).presence == DiskPresence::Present; }

int FileMissingOnDisk(const char* name) { return LookAtFile(name).presence == DiskPresence::Missing; }

// What the file holds on disk now; bytes still in the C library's buffer
// are not counted.
long FileLengthOnDisk(FileHolder* holder) {
    struct stat info;
    if (holder == nullptr || active.fstat(fileno(holder->file), &info) != 0) return -1;
    return static_cast<long>(info.st_size);
}

long FileSizeOnDisk(const char* name) {
    const DiskFileState state = LookAtFile(name);
    return state.presence == DiskPresence::Present ? state.size : -1;
}

int FileSync(FileHolder* holder) {
    if (holder == nullptr) return 1;
    if (active.fflush(holder->file) != 0) return 1;
    return active.fsync(fileno(holder->file)) != 0;
}

int PathStatus(const char* name, struct stat* info) { return active.stat(name, info); }
int LinkStatus(const char* name, struct stat* info) { return active.lstat(name, info); }
int RenamePath(const char* from, const char* to) { return active.rename(from, to); }
int UnlinkPath(const char* name) { return active.unlink(name); }
int OpenDescriptor(const char* name, int flags, mode_t mode) { return active.open(name, flags, mode); }
int CloseDescriptor(int fd) { return active.close(fd); }
int SyncDescriptor(int fd) { return active.fsync(fd); }
int MakeDirectory(const char* name, mode_t mode) { return active.mkdir(name, mode); }
char* MakeTempDirectory(char* pattern) { return active.mkdtemp(pattern); }
int RemoveDirectory(const char* name) { return active.rmdir(name); }

int LockDescriptor(int fd, int operation) { return active.flock(fd, operation); }
ssize_t ReadLink(const char* name, char* buffer, size_t size) { return active.readlink(name, buffer, size); }

bool ReadFileBytes(const char* name, std::string& bytes) {
    bytes.clear();
    const int fd = active.open(name, O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    char buffer[65536];
    bool complete = true;
    for (;;) {
        const ssize_t got = active.read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            complete = false;
            break;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<size_t>(got));
    }
    const int readError = errno;
    active.close(fd);
    if (!complete) {
        bytes.clear();
        errno = readError;
    }
    return complete;
}

int WriteDescriptor(int fd, const void* buffer, size_t count) {
    const char* p = static_cast<const char*>(buffer);
    while (count > 0) {
        ssize_t written = active.write(fd, p, count);
        if (written < 0 && errno == EINTR) continue;
        // A write that moves nothing would repeat for ever.
        if (written <= 0) return 1;
        p += written;
        count -= static_cast<size_t>(written);
    }
    return 0;
}

bool ListDirectory(const char* name, std::vector<std::string>& names) {
    names.clear();
    DIR* stream = active.opendir(name);
    if (stream == nullptr) return false;
    errno = 0;
    while (const struct dirent* entry = active.readdir(stream)) {
        std::string entryName = entry->d_name;
        if (entryName != "." && entryName != "..") names.push_back(entryName);
        errno = 0;
    }
    bool complete = errno == 0;
    if (active.closedir(stream) != 0) complete = false;
    if (!complete) names.clear();
    std::sort(names.begin(), names.end());
    return complete;
}

}  // namespace kodexa
