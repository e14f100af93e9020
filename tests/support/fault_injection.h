// Replaces the file layer's table of C calls while it lives (one at a time):
// counts the calls and makes chosen ones fail, move less or write altered bytes.
#ifndef KODEXA_TESTS_SUPPORT_FAULT_INJECTION_H
#define KODEXA_TESTS_SUPPORT_FAULT_INJECTION_H

#include <memory>
#include <string>

#include "store/file_layer.h"

namespace kodexa::test {

// The stdio calls first (a store file's traffic), then the file system calls.
enum class Stdio {
    Fopen, Fclose, Fflush, Fread, Fwrite, Fseek, Ftell,
    Stat, Lstat, Rename, Unlink, Open, Close, Write, Fsync, Mkdir, Mkdtemp, Rmdir, Opendir, Readdir, Closedir,
    Fstat, Map, Remap, Unmap, Read, Flock, Readlink,
};
constexpr int kCallKinds = 28;
constexpr Stdio kAllStdio[] = {Stdio::Fopen, Stdio::Fclose, Stdio::Fflush, Stdio::Fread,
                               Stdio::Fwrite, Stdio::Fseek, Stdio::Ftell};
const char* StdioName(Stdio call);

enum class FaultMode {
    Once,        // the nth call fails, later ones work again
    FromThenOn,  // the nth call and every one after it fail: a full disk, a vanished device
    Short,       // the nth transfer moves half of what was asked and says so
};
const char* FaultModeName(FaultMode mode);

enum class CrashKind {
    Kill,      // the process dies; what it handed to the system stays
    PowerCut,  // the machine stops; only what was synced stays (power_cut.h)
};
const char* CrashKindName(CrashKind kind);

class DurableTree;

class FaultInjector {
public:
    FaultInjector();
    ~FaultInjector();
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // The nth call of `call` from now on (1-based) fails: pointer
    // calls answer nullptr, fread/fwrite one element fewer (a read out of a
    // mapping counts as an fread), the rest -1 or EOF; fclose leaves the file
    // open, close and closedir let go of it, as the system does.
    void FailCall(Stdio call, int n);
    // Counting calls of every kind, the nth from now on fails as above; in
    // Short mode only transfers count and the nth moves half of the bytes.
    void FailAnyCall(FaultMode mode, int n);
    // The nth fwrite from now on writes its bytes inverted and still
    // reports the full count.
    void CorruptWrite(int n);
    // The process kills itself (SIGKILL) as it makes the nth call of any
    // kind from now on, before the call is carried out. For a power cut,
    // everything under root is first put back to what was last synced.
    void CrashAt(int n, CrashKind kind, const std::string& root = {});

    int Calls(Stdio call) const { return calls[static_cast<int>(call)]; }
    int TotalCalls() const { return totalCalls; }
    int TransferCalls() const { return transferCalls; }
    // Injected faults that have actually been triggered.
    int Injected() const { return injected; }

private:
    friend struct Wrappers;
    enum class Effect { None, Fail, Short };
    Effect Trips(Stdio call);

    SystemCalls saved;
    int calls[kCallKinds] = {};
    int failAt[kCallKinds] = {};
    int totalCalls = 0;
    int transferCalls = 0;
    FaultMode anyMode = FaultMode::Once;
    int anyAt = 0;
    int corruptAt = 0;
    int injected = 0;
    int crashAt = 0;
    CrashKind crashKind = CrashKind::Kill;
    std::unique_ptr<DurableTree> durable;
};

}  // namespace kodexa::test

#endif
