// Kills the test program (SIGALRM) when the guarded scope runs too long, so
// an endless loop shows up as a failed test instead of a hung run.
#ifndef KODEXA_TESTS_SUPPORT_WATCHDOG_H
#define KODEXA_TESTS_SUPPORT_WATCHDOG_H

#include <unistd.h>

namespace kodexa::test {

struct Watchdog {
    explicit Watchdog(unsigned seconds) { alarm(seconds); }
    ~Watchdog() { alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

}  // namespace kodexa::test

#endif
