#include "tests/support/fault_injection.h"

#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "tests/support/power_cut.h"

namespace kodexa::test {

namespace {
FaultInjector* installed = nullptr;
// The calls that can move fewer bytes than asked.
bool IsTransfer(Stdio call) {
    return call == Stdio::Fread || call == Stdio::Fwrite || call == Stdio::Write || call == Stdio::Read;
}
}  // namespace

const char* StdioName(Stdio call) {
    static const char* const kNames[kCallKinds] = {
        "fopen", "fclose", "fflush", "fread", "fwrite", "fseek", "ftell", "stat", "lstat", "rename",
        "unlink", "open", "close", "write", "fsync", "mkdir", "mkdtemp", "rmdir", "opendir", "readdir", "closedir",
        "fstat", "mmap", "mremap", "munmap", "read", "flock", "readlink"};
    return kNames[static_cast<int>(call)];
}

const char* FaultModeName(FaultMode mode) {
    static const char* const kNames[] = {"once", "from then on", "short transfer"};
    return kNames[static_cast<int>(mode)];
}

const char* CrashKindName(CrashKind kind) { return kind == CrashKind::Kill ? "kill" : "power cut"; }

struct Wrappers {
    using Effect = FaultInjector::Effect;
    static const SystemCalls& Real() { return installed->saved; }
    static Effect Trip(Stdio call) { return installed->Trips(call); }

    // A failing call answers nullptr, -1 (EOF) or, for a mapping, MAP_FAILED
    // and says why, as the system would; close and closedir let go of what
    // they were given even then.
    template <Stdio Call, auto Field, typename R, typename... A>
    static R Plain(A... args) {
        if (Trip(Call) != Effect::Fail) return (Real().*Field)(args...);
        if constexpr (Call == Stdio::Close || Call == Stdio::Closedir) (Real().*Field)(args...);
        constexpr bool kMapping = Call == Stdio::Map || Call == Stdio::Remap;
        errno = kMapping ? ENOMEM : EIO;
        if constexpr (kMapping) return MAP_FAILED;
        else if constexpr (std::is_pointer_v<R>) return nullptr;
        else return R(-1);
    }
    // A transfer moves one element fewer when failed, half when cut short.
    static size_t Shrunk(Effect effect, size_t count) {
        if (count == 0 || effect == Effect::None) return count;
        return effect == Effect::Fail ? count - 1 : count / 2;
    }
    template <Stdio Call, auto Field, typename Buffer>
    static size_t Transfer(Buffer buffer, size_t size, size_t count, FILE* file) {
        Effect effect = Trip(Call);
        if (effect != Effect::None) return (Real().*Field)(buffer, size, Shrunk(effect, count), file);
        if constexpr (Call == Stdio::Fwrite) {
            if (installed->calls[static_cast<int>(Call)] == installed->corruptAt) {
                ++installed->injected;
                const unsigned char* in = static_cast<const unsigned char*>(buffer);
                std::vector<unsigned char> altered(in, in + size * count);
                for (unsigned char& byte : altered) byte = static_cast<unsigned char>(~byte);
                return Real().fwrite(altered.data(), size, count, file);
            }
        }
        return (Real().*Field)(buffer, size, count, file);
    }
    static size_t MappedRead(void* buffer, const void* source, size_t count) {
        return Real().mappedRead(buffer, source, Shrunk(Trip(Stdio::Fread), count));
    }
    // A sync that succeeds is what a power cut keeps.
    static int Fsync(int fd) {
        if (Trip(Stdio::Fsync) == Effect::Fail) return errno = EIO, -1;
        int result = Real().fsync(fd);
        if (result == 0 && installed->durable) installed->durable->Synced(fd);
        return result;
    }
    static ssize_t Read(int fd, void* buffer, size_t count) {
        Effect effect = Trip(Stdio::Read);
        if (effect == Effect::Fail) return errno = EIO, -1;
        return Real().read(fd, buffer, effect == Effect::Short ? count / 2 : count);
    }
    static ssize_t Write(int fd, const void* buffer, size_t count) {
        Effect effect = Trip(Stdio::Write);
        if (effect == Effect::Fail) return errno = EIO, -1;
        return Real().write(fd, buffer, effect == Effect::Short ? count / 2 : count);
    }
};

FaultInjector::FaultInjector() : saved(ActiveStdio()) {
    if (installed != nullptr) std::abort();  // nested injectors would lose counts
    installed = this;
    using W = Wrappers;
    using F = SystemCalls;
    SystemCalls table = saved;
    table.fopen = W::Plain<Stdio::Fopen, &F::fopen>;
    table.fclose = W::Plain<Stdio::Fclose, &F::fclose>;  // a failed fclose leaves the file open
    table.fflush = W::Plain<Stdio::Fflush, &F::fflush>;
    table.fread = W::Transfer<Stdio::Fread, &F::fread, void*>;
    table.fwrite = W::Transfer<Stdio::Fwrite, &F::fwrite, const void*>;
    table.fseek = W::Plain<Stdio::Fseek, &F::fseek>;
    table.ftell = W::Plain<Stdio::Ftell, &F::ftell>;
    table.stat = W::Plain<Stdio::Stat, &F::stat>;
    table.lstat = W::Plain<Stdio::Lstat, &F::lstat>;
    table.rename = W::Plain<Stdio::Rename, &F::rename>;
    table.unlink = W::Plain<Stdio::Unlink, &F::unlink>;
    table.open = W::Plain<Stdio::Open, &F::open>;
    table.close = W::Plain<Stdio::Close, &F::close>;
    table.write = W::Write;
    table.fsync = W::Fsync;
    table.mkdir = W::Plain<Stdio::Mkdir, &F::mkdir>;
    table.mkdtemp = W::Plain<Stdio::Mkdtemp, &F::mkdtemp>;
    table.rmdir = W::Plain<Stdio::Rmdir, &F::rmdir>;
    table.opendir = W::Plain<Stdio::Opendir, &F::opendir>;
    table.readdir = W::Plain<Stdio::Readdir, &F::readdir>;
    table.closedir = W::Plain<Stdio::Closedir, &F::closedir>;
    table.fstat = W::Plain<Stdio::Fstat, &F::fstat>;
    table.map = W::Plain<Stdio::Map, &F::map>;
    table.remap = W::Plain<Stdio::Remap, &F::remap>;
    table.unmap = W::Plain<Stdio::Unmap, &F::unmap>;
    table.mappedRead = W::MappedRead;
    table.read = W::Read;
    table.flock = W::Plain<Stdio::Flock, &F::flock>;
    table.readlink = W::Plain<Stdio::Readlink, &F::readlink>;
    SetStdio(table);
}

FaultInjector::~FaultInjector() {
    SetStdio(saved);
    installed = nullptr;
}

void FaultInjector::FailCall(Stdio call, int n) {
    int k = static_cast<int>(call);
    failAt[k] = calls[k] + n;
}

void FaultInjector::FailAnyCall(FaultMode mode, int n) {
    anyMode = mode;
    anyAt = (mode == FaultMode::Short ? transferCalls : totalCalls) + n;
}

void FaultInjector::CorruptWrite(int n) { corruptAt = calls[static_cast<int>(Stdio::Fwrite)] + n; }

void FaultInjector::CrashAt(int n, CrashKind kind, const std::string& root) {
    crashAt = totalCalls + n;
    crashKind = kind;
    durable.reset(kind == CrashKind::PowerCut ? new DurableTree(root) : nullptr);
}

FaultInjector::Effect FaultInjector::Trips(Stdio call) {
    int k = static_cast<int>(call);
    ++totalCalls;
    if (IsTransfer(call)) ++transferCalls;
    if (totalCalls == crashAt) {
        if (durable) durable->CutPower();
        kill(getpid(), SIGKILL);
    }
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

}  // namespace kodexa::test
