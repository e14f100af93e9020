// The thin layer over the C library's stdio and the file system: the only
// code that touches a store file's FILE, and the way every other part of the
// program reaches files and directories. The C functions are reached through
// a replaceable table so that tests can make any single call fail.
#ifndef KODEXA_STORE_FILE_LAYER_H
#define KODEXA_STORE_FILE_LAYER_H

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kodexa {

int SystemStat(const char* name, struct stat* info);
int SystemLstat(const char* name, struct stat* info);
int SystemRename(const char* from, const char* to);
int SystemUnlink(const char* name);
int SystemOpen(const char* name, int flags, mode_t mode);
int SystemClose(int fd);
ssize_t SystemWrite(int fd, const void* buffer, size_t count);
int SystemFsync(int fd);
int SystemMkdir(const char* name, mode_t mode);
char* SystemMkdtemp(char* pattern);
int SystemRmdir(const char* name);
DIR* SystemOpendir(const char* name);
struct dirent* SystemReaddir(DIR* stream);
int SystemClosedir(DIR* stream);
int SystemFstat(int fd, struct stat* info);
void* SystemMap(size_t length, int fd);
void* SystemRemap(void* mapping, size_t oldLength, size_t newLength);
int SystemUnmap(void* mapping, size_t length);
size_t SystemMappedRead(void* buffer, const void* source, size_t count);
ssize_t SystemRead(int fd, void* buffer, size_t count);
int SystemFlock(int fd, int operation);
ssize_t SystemReadlink(const char* name, char* buffer, size_t size);

struct SystemCalls {
    FILE* (*fopen)(const char* name, const char* mode);
    int (*fclose)(FILE* file);
    int (*fflush)(FILE* file);
    size_t (*fread)(void* buffer, size_t size, size_t count, FILE* file);
    size_t (*fwrite)(const void* buffer, size_t size, size_t count, FILE* file);
    int (*fseek)(FILE* file, long offset, int origin);
    long (*ftell)(FILE* file);
    // The file system calls. They have their defaults here so that a table
    // built from the stdio calls alone still reaches the system for them.
    int (*stat)(const char* name, struct stat* info) = SystemStat;
    int (*lstat)(const char* name, struct stat* info) = SystemLstat;
    int (*rename)(const char* from, const char* to) = SystemRename;
    int (*unlink)(const char* name) = SystemUnlink;
    int (*open)(const char* name, int flags, mode_t mode) = SystemOpen;
    int (*close)(int fd) = SystemClose;
    ssize_t (*write)(int fd, const void* buffer, size_t count) = SystemWrite;
    int (*fsync)(int fd) = SystemFsync;
    int (*mkdir)(const char* name, mode_t mode) = SystemMkdir;
    char* (*mkdtemp)(char* pattern) = SystemMkdtemp;
    int (*rmdir)(const char* name) = SystemRmdir;
    DIR* (*opendir)(const char* name) = SystemOpendir;
    struct dirent* (*readdir)(DIR* stream) = SystemReaddir;
    int (*closedir)(DIR* stream) = SystemClosedir;
    // Reads of files opened read-only come from a shared mapping of the
    // file rather than through stdio. map answers MAP_FAILED on failure
    // (read-only, shared, from offset 0); mappedRead copies out of a mapping
    // and answers the bytes moved, and counts as a read like fread.
    int (*fstat)(int fd, struct stat* info) = SystemFstat;
    void* (*map)(size_t length, int fd) = SystemMap;
    void* (*remap)(void* mapping, size_t oldLength, size_t newLength) = SystemRemap;
    int (*unmap)(void* mapping, size_t length) = SystemUnmap;
    size_t (*mappedRead)(void* buffer, const void* source, size_t count) = SystemMappedRead;
    // Whole files read by descriptor (ReadFileBytes), the importer's
    // directory lock, and the program finding itself.
    ssize_t (*read)(int fd, void* buffer, size_t count) = SystemRead;
    int (*flock)(int fd, int operation) = SystemFlock;
    ssize_t (*readlink)(const char* name, char* buffer, size_t size) = SystemReadlink;
};

// The table in use; the C library's own functions unless replaced.
const SystemCalls& ActiveStdio();
const SystemCalls& SystemStdio();
void SetStdio(const SystemCalls& functions);
void ResetStdio();

// While a read-only file is mapped, its reads, seeks and tells are served
// from the mapping and a position of our own; the C stream stands unused
// until the mapping is dropped, when it takes over at that position.
struct FileHolder {
    FILE* file;
    const unsigned char* mapping = nullptr;
    size_t mappedLength = 0;
    long position = 0;
};

// Whether reads of the holder come from a mapping.
inline bool IsMapped(const FileHolder* holder) { return holder != nullptr && holder->mapping != nullptr; }

FileHolder* FileCreate(const char* name);
FileHolder* FileOpen(const char* name, int readWrite);
// 0 and the holder freed on success (or for no holder); 1 when fclose fails,
// the holder then stays.
int FileClose(FileHolder* holder);
// Frees a holder whose fclose failed and that nobody will close again: the C
// library has let go of the stream by then, so only our part is left.
void FileDiscard(FileHolder* holder);
int FileFlush(FileHolder* holder);
int FileRead(FileHolder* holder, void* buffer, size_t count);
// A read of a mapped holder at offset, or where it stands for -1, in one
// call: the move is only a new position. -1 for an offset before the start
// (nothing read), 1 when the bytes could not be had, as FileRead.
int MappedReadAt(FileHolder* holder, void* buffer, size_t count, long offset);
// Up to count bytes: fewer at the end of the file and, for a mapped holder,
// at the end of the mapping. 1 on a failed read.
int FileReadSome(FileHolder* holder, void* buffer, size_t count, size_t& moved);
int FileWrite(FileHolder* holder, const void* buffer, size_t count);
int FileSeek(FileHolder* holder, long offset, int origin);
long FileTell(FileHolder* holder);
// What one stat tells of a file by name; every question about a named
// file's existence or size goes through here.
enum class DiskPresence { Present, Missing, Unknown };
struct DiskFileState {
    // Missing only when the system says there is no such file; a file whose
    // state cannot be learnt (a failing stat) is Unknown, not missing.
    DiskPresence presence = DiskPresence::Unknown;
    long size = -1;  // when present
};
DiskFileState LookAtFile(const char* name);
int FileExistsOnDisk(const char* name);
int FileMissingOnDisk(const char* name);
long FileSizeOnDisk(const char* name);
// Flushes the C library's buffer and has the system write the file to disk.
int FileSync(FileHolder* holder);

// The file system through the table; each answers as the C call does.
int PathStatus(const char* name, struct stat* info);
int LinkStatus(const char* name, struct stat* info);
int RenamePath(const char* from, const char* to);
int UnlinkPath(const char* name);
int OpenDescriptor(const char* name, int flags, mode_t mode = 0);
int CloseDescriptor(int fd);
// Writes all of count bytes, going on after short writes; 0 on success.
int WriteDescriptor(int fd, const void* buffer, size_t count);
int SyncDescriptor(int fd);
int MakeDirectory(const char* name, mode_t mode);
char* MakeTempDirectory(char* pattern);
int RemoveDirectory(const char* name);
// The names in a directory other than "." and "..", sorted; false (and
// names empty) when it cannot be read to its end.
bool ListDirectory(const char* name, std::vector<std::string>& names);
long FileLengthOnDisk(FileHolder* holder);
// flock(2) on a descriptor.
int LockDescriptor(int fd, int operation);
// readlink(2): the bytes of the link's target (no terminator), or -1.
ssize_t ReadLink(const char* name, char* buffer, size_t size);
// The whole of a file into bytes; false with errno set when it cannot be
// opened or read to its end.
bool ReadFileBytes(const char* name, std::string& bytes);

}  // namespace kodexa

#endif
