// Runs one operation without faults to count its calls, then once with the
// nth call failed (or cut short) for every n; the caller checks each state.
#ifndef KODEXA_TESTS_SUPPORT_FAULT_SWEEP_H
#define KODEXA_TESTS_SUPPORT_FAULT_SWEEP_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "tests/support/fault_injection.h"

namespace kodexa::test {

struct SweepCounts {
    int points = 0;    // runs in which a fault was injected
    int reported = 0;  // of those, runs in which the operation reported failure
};

struct SweepSteps {
    std::function<void()> prepare;               // a fresh starting state, without faults
    std::function<bool()> run;                   // the operation; true when it reports success
    std::function<void(bool succeeded)> verify;  // checks the state afterwards, without faults
};

// stride > 1 tries every stride-th call only, except the last denseTail
// calls, which are all tried; KODEXA_FULL_SWEEP=1 in the environment tries
// every call whatever the caller asks.
inline SweepCounts Sweep(FaultMode mode, const SweepSteps& steps, const std::string& what, int stride = 1,
                         int denseTail = 0) {
    const char* full = std::getenv("KODEXA_FULL_SWEEP");
    if (full != nullptr && std::string(full) == "1") stride = 1;
    steps.prepare();
    int calls = 0;
    {
        FaultInjector counter;
        EXPECT_TRUE(steps.run()) << what << ": fails without faults";
        calls = mode == FaultMode::Short ? counter.TransferCalls() : counter.TotalCalls();
    }
    steps.verify(true);
    SweepCounts counts;
    for (int n = 1; n <= calls; n += (n >= calls - denseTail ? 1 : stride)) {
        SCOPED_TRACE(what + ", " + FaultModeName(mode) + " at call " + std::to_string(n));
        steps.prepare();
        bool succeeded = false;
        int injected = 0;
        {
            FaultInjector faults;
            faults.FailAnyCall(mode, n);
            succeeded = steps.run();
            injected = faults.Injected();
        }
        steps.verify(succeeded);
        if (injected == 0) continue;
        ++counts.points;
        if (!succeeded) ++counts.reported;
        if (::testing::Test::HasFatalFailure()) break;
    }
    std::printf("fault sweep: %s, %s: %d fault points, %d reported as failures\n", what.c_str(),
                FaultModeName(mode), counts.points, counts.reported);
    return counts;
}

constexpr FaultMode kAllFaultModes[] = {FaultMode::Once, FaultMode::FromThenOn, FaultMode::Short};

}  // namespace kodexa::test

#endif
