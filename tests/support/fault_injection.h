// Replaces the store's stdio table for the lifetime of one object: counts the
// calls of each C function and makes a chosen call fail or write altered
// bytes. Only one injector may be installed at a time.
#ifndef KODEXA_TESTS_SUPPORT_FAULT_INJECTION_H
#define KODEXA_TESTS_SUPPORT_FAULT_INJECTION_H

#include "store/file_layer.h"

namespace kodexa::test {

enum class Stdio { Fopen, Fclose, Fflush, Fread, Fwrite, Fseek, Ftell };
constexpr int kStdioKinds = 7;
constexpr Stdio kAllStdio[kStdioKinds] = {Stdio::Fopen, Stdio::Fclose, Stdio::Fflush, Stdio::Fread,
                                          Stdio::Fwrite, Stdio::Fseek, Stdio::Ftell};
const char* StdioName(Stdio call);

class FaultInjector {
public:
    FaultInjector();
    ~FaultInjector();
    FaultInjector(const FaultInjector&) = delete;
    FaultInjector& operator=(const FaultInjector&) = delete;

    // The nth call of `call` from now on (1-based) fails: fopen answers
    // nullptr, fread/fwrite a short count, fseek/ftell -1, fflush EOF, and
    // fclose EOF without closing the file. n = 0 cancels.
    void FailCall(Stdio call, int n);
    // The nth fwrite from now on (0: every one) writes its bytes inverted
    // and still reports the full count.
    void CorruptWrite(int n);

    int Calls(Stdio call) const { return calls[static_cast<int>(call)]; }
    // Injected faults that have actually been triggered.
    int Injected() const { return injected; }
    // Counting restarts at zero; pending failures count from here.
    void ResetCounts();

private:
    friend struct Wrappers;
    bool Trips(Stdio call);
    bool TripsCorruption();

    StdioFunctions saved;
    int calls[kStdioKinds] = {};
    int failAt[kStdioKinds] = {};
    int corruptAt = -1;
    int injected = 0;
};

}  // namespace kodexa::test

#endif
