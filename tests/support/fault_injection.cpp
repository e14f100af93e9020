#include "tests/support/fault_injection.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace kodexa::test {

namespace {
FaultInjector* installed = nullptr;
}  // namespace

const char* StdioName(Stdio call) {
    static const char* const kNames[kCallKinds] = {
        "fopen", "fclose", "fflush", "fread", "fwrite", "fseek", "ftell", "stat", "lstat", "rename",
        "unlink", "open", "close", "write", "fsync", "mkdir", "mkdtemp", "rmdir", "opendir", "readdir", "closedir"};
    return kNames[static_cast<int>(call)];
}

bool IsTransfer(Stdio call) { return call == Stdio::Fread || call == Stdio::Fwrite || call == Stdio::Write; }

const char* FaultModeName(FaultMode mode) {
    switch (mode) {
        case FaultMode::Once: return "once";
        case FaultMode::FromThenOn: return "from then on";
        case FaultMode::Short: return "short transfer";
    }
    return "?";
}

struct Wrappers {
    using Effect = FaultInjector::Effect;
    static const StdioFunctions& Real() { return installed->saved; }
    static Effect Trip(Stdio call) { return installed->Trips(call); }
    // A failing call says why, as the system would.
    template <typename T>
    static T Fail(T value) {
        errno = EIO;
        return value;
    }

    static FILE* Fopen(const char* name, const char* mode) {
        if (Trip(Stdio::Fopen) == Effect::Fail) return Fail<FILE*>(nullptr);
        return Real().fopen(name, mode);
    }
    static int Fclose(FILE* file) {
        if (Trip(Stdio::Fclose) == Effect::Fail) return Fail(EOF);  // the file stays open
        return Real().fclose(file);
    }
    static int Fflush(FILE* file) {
        if (Trip(Stdio::Fflush) == Effect::Fail) return Fail(EOF);
        return Real().fflush(file);
    }
    static size_t Fread(void* buffer, size_t size, size_t count, FILE* file) {
        Effect effect = Trip(Stdio::Fread);
        if (effect == Effect::Fail && count > 0) return Real().fread(buffer, size, count - 1, file);
        if (effect == Effect::Short && count > 0) return Real().fread(buffer, size, count / 2, file);
        return Real().fread(buffer, size, count, file);
    }
    static size_t Fwrite(const void* buffer, size_t size, size_t count, FILE* file) {
        Effect effect = Trip(Stdio::Fwrite);
        if (effect == Effect::Fail && count > 0) return Real().fwrite(buffer, size, count - 1, file);
        if (effect == Effect::Short && count > 0) return Real().fwrite(buffer, size, count / 2, file);
        if (installed->TripsCorruption()) {
            const unsigned char* in = static_cast<const unsigned char*>(buffer);
            std::vector<unsigned char> altered(in, in + size * count);
            for (unsigned char& byte : altered) byte = static_cast<unsigned char>(~byte);
            return Real().fwrite(altered.data(), size, count, file);
        }
        return Real().fwrite(buffer, size, count, file);
    }
    static int Fseek(FILE* file, long offset, int origin) {
        if (Trip(Stdio::Fseek) == Effect::Fail) return Fail(-1);
        return Real().fseek(file, offset, origin);
    }
    static long Ftell(FILE* file) {
        if (Trip(Stdio::Ftell) == Effect::Fail) return Fail(-1L);
        return Real().ftell(file);
    }
    static int Stat(const char* name, struct stat* info) {
        if (Trip(Stdio::Stat) == Effect::Fail) return Fail(-1);
        return Real().stat(name, info);
    }
    static int Lstat(const char* name, struct stat* info) {
        if (Trip(Stdio::Lstat) == Effect::Fail) return Fail(-1);
        return Real().lstat(name, info);
    }
    static int Rename(const char* from, const char* to) {
        if (Trip(Stdio::Rename) == Effect::Fail) return Fail(-1);
        return Real().rename(from, to);
    }
    static int Unlink(const char* name) {
        if (Trip(Stdio::Unlink) == Effect::Fail) return Fail(-1);
        return Real().unlink(name);
    }
    static int Open(const char* name, int flags, mode_t mode) {
        if (Trip(Stdio::Open) == Effect::Fail) return Fail(-1);
        return Real().open(name, flags, mode);
    }
    static int Close(int fd) {
        if (Trip(Stdio::Close) == Effect::Fail) {
            Real().close(fd);
            return Fail(-1);
        }
        return Real().close(fd);
    }
    static ssize_t Write(int fd, const void* buffer, size_t count) {
        Effect effect = Trip(Stdio::Write);
        if (effect == Effect::Fail) return Fail<ssize_t>(-1);
        if (effect == Effect::Short && count > 0) return Real().write(fd, buffer, count / 2);
        return Real().write(fd, buffer, count);
    }
    static int Fsync(int fd) {
        if (Trip(Stdio::Fsync) == Effect::Fail) return Fail(-1);
        return Real().fsync(fd);
    }
    static int Mkdir(const char* name, mode_t mode) {
        if (Trip(Stdio::Mkdir) == Effect::Fail) return Fail(-1);
        return Real().mkdir(name, mode);
    }
    static char* Mkdtemp(char* pattern) {
        if (Trip(Stdio::Mkdtemp) == Effect::Fail) return Fail<char*>(nullptr);
        return Real().mkdtemp(pattern);
    }
    static int Rmdir(const char* name) {
        if (Trip(Stdio::Rmdir) == Effect::Fail) return Fail(-1);
        return Real().rmdir(name);
    }
    static DIR* Opendir(const char* name) {
        if (Trip(Stdio::Opendir) == Effect::Fail) return Fail<DIR*>(nullptr);
        return Real().opendir(name);
    }
    static struct dirent* Readdir(DIR* stream) {
        if (Trip(Stdio::Readdir) == Effect::Fail) return Fail<struct dirent*>(nullptr);
        return Real().readdir(stream);
    }
    static int Closedir(DIR* stream) {
        if (Trip(Stdio::Closedir) == Effect::Fail) {
            Real().closedir(stream);
            return Fail(-1);
        }
        return Real().closedir(stream);
    }
};

FaultInjector::FaultInjector() : saved(ActiveStdio()) {
    if (installed != nullptr) std::abort();  // nested injectors would lose counts
    installed = this;
    StdioFunctions table = {Wrappers::Fopen, Wrappers::Fclose, Wrappers::Fflush, Wrappers::Fread,
                            Wrappers::Fwrite, Wrappers::Fseek, Wrappers::Ftell};
    table.stat = Wrappers::Stat;
    table.lstat = Wrappers::Lstat;
    table.rename = Wrappers::Rename;
    table.unlink = Wrappers::Unlink;
    table.open = Wrappers::Open;
    table.close = Wrappers::Close;
    table.write = Wrappers::Write;
    table.fsync = Wrappers::Fsync;
    table.mkdir = Wrappers::Mkdir;
    table.mkdtemp = Wrappers::Mkdtemp;
    table.rmdir = Wrappers::Rmdir;
    table.opendir = Wrappers::Opendir;
    table.readdir = Wrappers::Readdir;
    table.closedir = Wrappers::Closedir;
    SetStdio(table);
}

FaultInjector::~FaultInjector() {
    SetStdio(saved);
    installed = nullptr;
}

void FaultInjector::FailCall(Stdio call, int n) {
    int k = static_cast<int>(call);
    failAt[k] = n == 0 ? 0 : calls[k] + n;
}

void FaultInjector::FailAnyCall(FaultMode mode, int n) {
    anyMode = mode;
    anyAt = n == 0 ? 0 : (mode == FaultMode::Short ? transferCalls : totalCalls) + n;
}

void FaultInjector::CorruptWrite(int n) { corruptAt = n == 0 ? 0 : calls[static_cast<int>(Stdio::Fwrite)] + n; }

void FaultInjector::ResetCounts() {
    int writes = calls[static_cast<int>(Stdio::Fwrite)];
    if (corruptAt > 0) corruptAt = corruptAt > writes ? corruptAt - writes : -1;
    for (int k = 0; k < kCallKinds; ++k) {
        failAt[k] = failAt[k] > calls[k] ? failAt[k] - calls[k] : 0;
        calls[k] = 0;
    }
    int counted = anyMode == FaultMode::Short ? transferCalls : totalCalls;
    if (anyAt > 0) anyAt = anyAt > counted ? anyAt - counted : (anyMode == FaultMode::FromThenOn ? 1 : 0);
    totalCalls = transferCalls = 0;
}

FaultInjector::Effect FaultInjector::Trips(Stdio call) {
    int k = static_cast<int>(call);
    ++totalCalls;
    if (IsTransfer(call)) ++transferCalls;
    bool tripped = ++calls[k] == failAt[k];
    Effect effect = tripped ? Effect::Fail : Effect::None;
    if (!tripped && anyAt > 0) {
        switch (anyMode) {
            case FaultMode::Once: tripped = totalCalls == anyAt; break;
            case FaultMode::FromThenOn: tripped = totalCalls >= anyAt; break;
            case FaultMode::Short: tripped = IsTransfer(call) && transferCalls == anyAt; break;
        }
        if (tripped) effect = anyMode == FaultMode::Short ? Effect::Short : Effect::Fail;
    }
    if (tripped) ++injected;
    return effect;
}

// Called after Trips(Fwrite) has counted the call.
bool FaultInjector::TripsCorruption() {
    int n = calls[static_cast<int>(Stdio::Fwrite)];
    if (corruptAt != 0 && n != corruptAt) return false;
    ++injected;
    return true;
}

}  // namespace kodexa::test
