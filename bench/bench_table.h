// Timings and the one Markdown table the benchmark prints: each row puts a
// Kodexa figure beside the anchor it is judged against.
#ifndef KODEXA_BENCH_BENCH_TABLE_H
#define KODEXA_BENCH_BENCH_TABLE_H

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace kodexa::bench {

// Seconds (or bytes, for memory rows) of repeated runs of one measurement.
class Sample {
public:
    void Add(double value) { values.push_back(value); }
    bool Empty() const { return values.empty(); }
    double Median() const;
    double Min() const;
    double Max() const;
    // The same runs scaled, e.g. to the cost of one operation.
    Sample Scaled(double factor) const;

private:
    std::vector<double> values;
};

inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs work reps times (after one untimed warm-up run when warmUp is set).
Sample Repeat(int reps, bool warmUp, const std::function<void()>& work);

// Instructions: as valgrind --tool=callgrind counts them (Ir), which do not
// depend on the load of the machine.
enum class Unit { Seconds, Bytes, Instructions };

// How a ratio is judged: met when ratio < limit (or <= limit).
struct Target {
    double limit = 0;  // 0: no target
    bool strict = false;
};

struct Row {
    std::string figure;   // "1a", "5", ...
    std::string what;     // the case, e.g. "search \"cholera\""
    std::string subject;  // what is measured, e.g. "SearchCodes"
    Sample subjectSample;
    std::string anchor;  // empty: no anchor
    Sample anchorSample;
    Unit unit = Unit::Seconds;
    Target target;
};

class Table {
public:
    void Add(Row row);
    // Prints as the rows come, so that a long run shows progress.
    void StreamTo(FILE* out) { stream = out; }
    std::string Markdown() const;
    void Note(const std::string& line) { notes.push_back(line); }

private:
    std::vector<Row> rows;
    std::vector<std::string> notes;
    FILE* stream = nullptr;
};

std::string FormatValue(double value, Unit unit);
std::string TableHeader();
std::string FormatRow(const Row& row);

}  // namespace kodexa::bench

#endif
