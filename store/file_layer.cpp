#include "store/file_layer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include <zlib.h>

namespace kodexa {

namespace {

const StdioFunctions kSystem = {
    [](const char* name, const char* mode) { return std::fopen(name, mode); },
    [](FILE* f) { return std::fclose(f); },
    [](FILE* f) { return std::fflush(f); },
    [](void* b, size_t s, size_t n, FILE* f) { return std::fread(b, s, n, f); },
    [](const void* b, size_t s, size_t n, FILE* f) { return std::fwrite(b, s, n, f); },
    [](FILE* f, long o, int w) { return std::fseek(f, o, w); },
    [](FILE* f) { return std::ftell(f); },
};

StdioFunctions active = kSystem;

FileHolder* Hold(FILE* file) {
    if (file == nullptr) return nullptr;
    FileHolder* holder = new (std::nothrow) FileHolder{file};
    if (holder == nullptr) active.fclose(file);
    return holder;
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

const StdioFunctions& ActiveStdio() { return active; }
const StdioFunctions& SystemStdio() { return kSystem; }
void SetStdio(const StdioFunctions& functions) { active = functions; }
void ResetStdio() { active = kSystem; }

FileHolder* FileCreate(const char* name) { return Hold(active.fopen(name, "w+b")); }

FileHolder* FileOpen(const char* name, int readWrite) {
    return Hold(active.fopen(name, readWrite ? "r+b" : "rb"));
}

int FileClose(FileHolder* holder) {
    if (holder == nullptr) return 0;
    if (active.fclose(holder->file) != 0) return 1;
    delete holder;
    return 0;
}

void FileDiscard(FileHolder* holder) { delete holder; }

int FileFlush(FileHolder* holder) {
    if (holder == nullptr) return 1;
    return active.fflush(holder->file) != 0;
}

int FileRead(FileHolder* holder, void* buffer, size_t count) {
    if (holder == nullptr) return 1;
    return active.fread(buffer, 1, count, holder->file) != count;
}

int FileWrite(FileHolder* holder, const void* buffer, size_t count) {
    if (holder == nullptr) return 1;
    return active.fwrite(buffer, 1, count, holder->file) != count;
}

int FileSeek(FileHolder* holder, long offset, int origin) {
    if (holder == nullptr) return 1;
    static const int kOrigins[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (origin < 0 || origin > 2) return -1;
    return active.fseek(holder->file, offset, kOrigins[origin]);
}

long FileTell(FileHolder* holder) {
    if (holder == nullptr) return -1;
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
    if (holder == nullptr || fstat(fileno(holder->file), &info) != 0) return -1;
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

// zlib's CRC-32 is the one the format uses: polynomial 0xEDB88320
// (reflected), started from all ones and inverted at the end; zlib does the
// inversions itself, so a running value starts at 0 (Crc32Start) and needs
// no final step.
uint32_t Crc32Extend(uint32_t crc, const void* buffer, size_t count) {
    const Bytef* p = static_cast<const Bytef*>(buffer);
    uLong running = crc;
    // zlib takes lengths as uInt; feed longer buffers in pieces.
    while (count > 0) {
        uInt piece = count > 0x40000000u ? 0x40000000u : static_cast<uInt>(count);
        running = ::crc32(running, p, piece);
        p += piece;
        count -= piece;
    }
    return static_cast<uint32_t>(running);
}

uint32_t Crc32(const void* buffer, size_t count) { return Crc32Extend(kCrc32Start, buffer, count); }

}  // namespace kodexa
