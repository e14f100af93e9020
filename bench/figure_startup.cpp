// Start-up: opening the three databases and the full tree walk, into a sink
// that does nothing and into a real FXTreeList; and the whole program from
// process start to its main window, against an empty FOX window.
#include <unistd.h>

#include <cstdlib>

#include "bench/bench_process.h"
#include "bench/figures.h"
#include "bench/sqlite_db.h"

#ifdef KODEXA_BENCH_CATALOGUE
#include "bench/catalogue_bench.h"
#endif

namespace kodexa::bench {

namespace {

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

Sample WindowTimes(int reps, const std::vector<std::string>& argv, const std::string& title, double& peak) {
    Sample sample;
    ProcessRun warm = TimeToWindow(argv, title, 30);
    if (warm.seconds < 0) Die("no window \"" + title + "\" from " + argv[0]);
    peak = warm.peakResidentBytes;
    for (int i = 0; i < reps; ++i) {
        ProcessRun run = TimeToWindow(argv, title, 30);
        if (run.seconds < 0) Die("no window \"" + title + "\" from " + argv[0]);
        sample.Add(run.seconds);
    }
    return sample;
}

}  // namespace

const char kProgramTitle[] = "Taviron Kodexa 1.0";

void FigureStartup(const Options& options, Table& table) {
#ifdef KODEXA_BENCH_CATALOGUE
    StartupInProcess(options, table);
#else
    table.Note("figure 2: the catalogue layer is not built; open and tree walk not measured");
#endif
    if (std::getenv("DISPLAY") == nullptr) {
        table.Note("figure 2: no X display; the window figures were not measured");
        return;
    }
    if (!IsExecutable(options.emptyWindow)) {
        table.Note("figure 2: no empty-window program; the window floor was not measured");
        return;
    }
    double floorPeak = 0, programPeak = 0;
    Sample floor = WindowTimes(options.reps, {options.emptyWindow}, "Kodexa bench empty window", floorPeak);
    Row row;
    row.figure = "2c";
    row.what = "process start to main window mapped (Xvfb)";
    row.anchor = "empty FOX main window 600x400";
    row.anchorSample = floor;
    std::string program = options.binDir + "/kodexa";
    if (IsExecutable(program)) {
        row.subject = "kodexa, full tree";
        row.subjectSample = WindowTimes(options.reps, {program}, kProgramTitle, programPeak);
        row.target = Target{1.5, false};
    } else {
        row.subject = "(kodexa not built)";
    }
    table.Add(row);
    if (programPeak > 0) {
        Row memory;
        memory.figure = "6a";
        memory.what = "peak resident set, start-up to main window";
        memory.subject = "kodexa";
        memory.subjectSample.Add(programPeak);
        memory.anchor = "empty FOX main window";
        memory.anchorSample.Add(floorPeak);
        memory.unit = Unit::Bytes;
        table.Add(memory);
    }
}

}  // namespace kodexa::bench
