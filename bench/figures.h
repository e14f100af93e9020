// The figures of the benchmark. Each adds its rows to the table; options
// say where the programs and the catalogue are and how often to repeat.
#ifndef KODEXA_BENCH_FIGURES_H
#define KODEXA_BENCH_FIGURES_H

#include <string>
#include <vector>

#include "bench/bench_table.h"

namespace kodexa::bench {

struct Options {
    std::string workDir = "/tmp/kodexa-bench";  // scratch files of both sides
    std::string binDir;                         // kodexa, kodexa-find, kodexa-import
    std::string catalogueDir;                   // data1..3.dat/.ndx
    std::string sourceDir;                      // the classification text files
    std::string emptyWindow;                    // the FOX floor program
    int reps = 5;
    std::vector<int> scaleSizes = {10000, 100000, 1000000};
    int scaleReps = 1;
};

void FigureSearch(const Options& options, Table& table);
void FigureStartup(const Options& options, Table& table);
void FigureLookup(const Options& options, Table& table);
// Figure 3b, run by figure 3: a case of 1,000 diagnosis lines checked.
void FigureCheck(const Options& options, Table& table);
void FigureImport(const Options& options, Table& table);
void FigureScale(const Options& options, Table& table);
void FigureMemory(const Options& options, Table& table);
// Titles and alphabetical-index terms searched together.
void FigureAlphaSearch(const Options& options, Table& table);
// Several words in any order, against SQLite's words-AND LIKE and FTS5.
void FigureWords(const Options& options, Table& table);
// Figure 7c, run by figure 7 on its catalogue with the alphabetical index,
// and its child process: the window's search once typing pauses.
void FigureTypedSearch(const Options& options, const std::string& catalogueDir, Table& table);
int TypedSearchChild(const std::string& catalogueDir, int reps, const std::string& text);
// The child process of figure 6b; answers the exit status.
int MemoryChild(const std::string& catalogueDir, int searches);
// Figure 1c, run by figure 1 on its copy of the catalogue, and its child
// process: one window, reps searches for text, the times on standard output.
void FigureWindowSearch(const Options& options, const std::string& catalogueDir, Table& table);
int WindowSearchChild(const std::string& catalogueDir, int reps, const std::string& text);

}  // namespace kodexa::bench

#endif
