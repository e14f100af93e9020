// Timing whole processes from outside: wall time from spawn to exit, peak
// resident set from the kernel's accounting, and the moment a window with a
// given title is mapped on the X display.
#ifndef KODEXA_BENCH_BENCH_PROCESS_H
#define KODEXA_BENCH_BENCH_PROCESS_H

#include <string>
#include <vector>

#include "bench/bench_table.h"

namespace kodexa::bench {

struct ProcessRun {
    double seconds = 0;
    double peakResidentBytes = 0;  // only from TimeToWindow
    int exitStatus = -1;
};

// Runs argv[0] (searched in PATH) with standard output and error thrown
// away; the working directory stays.
ProcessRun RunProcess(const std::vector<std::string>& argv);
Sample RepeatProcess(int reps, const std::vector<std::string>& argv);

// The instructions argv executes from exec to exit, every shared library
// included, as valgrind's callgrind counts them (its "totals"); scratch is
// where callgrind writes its profile. Negative when valgrind is missing or
// gives no count.
double InstructionCount(const std::vector<std::string>& argv, const std::string& scratch);

// Standard output of a command, for checking results outside the timing.
std::string CaptureOutput(const std::vector<std::string>& argv);

// Starts argv and waits for a top-level window named title to be mapped on
// $DISPLAY; the time is from spawn to the map. The program is then ended
// (SIGTERM) and its peak resident set taken. seconds is negative when no
// such window appeared within timeoutSeconds.
ProcessRun TimeToWindow(const std::vector<std::string>& argv, const std::string& title, double timeoutSeconds);

}  // namespace kodexa::bench

#endif
