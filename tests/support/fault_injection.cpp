#include "tests/support/fault_injection.h"

#include <cstdlib>
#include <vector>

namespace kodexa::test {

namespace {
FaultInjector* installed = nullptr;
}  // namespace

const char* StdioName(Stdio call) {
    static const char* const kNames[kStdioKinds] = {"fopen", "fclose", "fflush", "fread",
                                                    "fwrite", "fseek", "ftell"};
    return kNames[static_cast<int>(call)];
}

struct Wrappers {
    static const StdioFunctions& Real() { return installed->saved; }

    static FILE* Fopen(const char* name, const char* mode) {
        if (installed->Trips(Stdio::Fopen)) return nullptr;
        return Real().fopen(name, mode);
    }
    static int Fclose(FILE* file) {
        if (installed->Trips(Stdio::Fclose)) return EOF;  // the file stays open
        return Real().fclose(file);
    }
    static int Fflush(FILE* file) {
        if (installed->Trips(Stdio::Fflush)) return EOF;
        return Real().fflush(file);
    }
    static size_t Fread(void* buffer, size_t size, size_t count, FILE* file) {
        if (installed->Trips(Stdio::Fread) && count > 0) return Real().fread(buffer, size, count - 1, file);
        return Real().fread(buffer, size, count, file);
    }
    static size_t Fwrite(const void* buffer, size_t size, size_t count, FILE* file) {
        if (installed->Trips(Stdio::Fwrite) && count > 0) return Real().fwrite(buffer, size, count - 1, file);
        if (installed->TripsCorruption()) {
            const unsigned char* in = static_cast<const unsigned char*>(buffer);
            std::vector<unsigned char> altered(in, in + size * count);
            for (unsigned char& byte : altered) byte = static_cast<unsigned char>(~byte);
            return Real().fwrite(altered.data(), size, count, file);
        }
        return Real().fwrite(buffer, size, count, file);
    }
    static int Fseek(FILE* file, long offset, int origin) {
        if (installed->Trips(Stdio::Fseek)) return -1;
        return Real().fseek(file, offset, origin);
    }
    static long Ftell(FILE* file) {
        if (installed->Trips(Stdio::Ftell)) return -1;
        return Real().ftell(file);
    }
};

FaultInjector::FaultInjector() : saved(ActiveStdio()) {
    if (installed != nullptr) std::abort();  // nested injectors would lose counts
    installed = this;
    SetStdio({Wrappers::Fopen, Wrappers::Fclose, Wrappers::Fflush, Wrappers::Fread, Wrappers::Fwrite,
              Wrappers::Fseek, Wrappers::Ftell});
}

FaultInjector::~FaultInjector() {
    SetStdio(saved);
    installed = nullptr;
}

void FaultInjector::FailCall(Stdio call, int n) {
    int k = static_cast<int>(call);
    failAt[k] = n == 0 ? 0 : calls[k] + n;
}

void FaultInjector::CorruptWrite(int n) { corruptAt = n == 0 ? 0 : calls[static_cast<int>(Stdio::Fwrite)] + n; }

void FaultInjector::ResetCounts() {
    int writes = calls[static_cast<int>(Stdio::Fwrite)];
    if (corruptAt > 0) corruptAt = corruptAt > writes ? corruptAt - writes : -1;
    for (int k = 0; k < kStdioKinds; ++k) {
        failAt[k] = failAt[k] > calls[k] ? failAt[k] - calls[k] : 0;
        calls[k] = 0;
    }
}

bool FaultInjector::Trips(Stdio call) {
    int k = static_cast<int>(call);
    if (++calls[k] != failAt[k]) return false;
    ++injected;
    return true;
}

// Called after Trips(Fwrite) has counted the call.
bool FaultInjector::TripsCorruption() {
    int n = calls[static_cast<int>(Stdio::Fwrite)];
    if (corruptAt != 0 && n != corruptAt) return false;
    ++injected;
    return true;
}

}  // namespace kodexa::test
