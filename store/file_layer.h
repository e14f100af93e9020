// The thin layer over the C library's stdio: the only code that touches a
// store file's FILE. The C functions are reached through a replaceable table
// so that tests can make any single call fail.
#ifndef KODEXA_STORE_FILE_LAYER_H
#define KODEXA_STORE_FILE_LAYER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace kodexa {

struct StdioFunctions {
    FILE* (*fopen)(const char* name, const char* mode);
    int (*fclose)(FILE* file);
    int (*fflush)(FILE* file);
    size_t (*fread)(void* buffer, size_t size, size_t count, FILE* file);
    size_t (*fwrite)(const void* buffer, size_t size, size_t count, FILE* file);
    int (*fseek)(FILE* file, long offset, int origin);
    long (*ftell)(FILE* file);
};

// The table in use; the C library's own functions unless replaced.
const StdioFunctions& ActiveStdio();
const StdioFunctions& SystemStdio();
void SetStdio(const StdioFunctions& functions);
void ResetStdio();

struct FileHolder {
    FILE* file;
};

FileHolder* FileCreate(const char* name);
FileHolder* FileOpen(const char* name, int readWrite);
// 0 and the holder freed on success (or for no holder); 1 when fclose fails,
// the holder then stays.
int FileClose(FileHolder* holder);
int FileFlush(FileHolder* holder);
int FileRead(FileHolder* holder, void* buffer, size_t count);
int FileWrite(FileHolder* holder, const void* buffer, size_t count);
int FileSeek(FileHolder* holder, long offset, int origin);
long FileTell(FileHolder* holder);
int FileExistsOnDisk(const char* name);
long FileSizeOnDisk(const char* name);
long FileLengthOnDisk(FileHolder* holder);

uint32_t Crc32Step(unsigned char byte, uint32_t crc);
uint32_t Crc32(const void* buffer, size_t count);

}  // namespace kodexa

#endif
