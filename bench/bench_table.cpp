#include "bench/bench_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kodexa::bench {

double Sample::Median() const {
    if (values.empty()) return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    size_t mid = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
}

double Sample::Min() const { return values.empty() ? 0 : *std::min_element(values.begin(), values.end()); }

double Sample::Max() const { return values.empty() ? 0 : *std::max_element(values.begin(), values.end()); }

Sample Sample::Scaled(double factor) const {
    Sample scaled;
    for (double v : values) scaled.Add(v * factor);
    return scaled;
}

Sample Repeat(int reps, bool warmUp, const std::function<void()>& work) {
    if (warmUp) work();
    Sample sample;
    for (int i = 0; i < reps; ++i) {
        auto start = std::chrono::steady_clock::now();
        work();
        sample.Add(SecondsSince(start));
    }
    return sample;
}

std::string FormatValue(double value, Unit unit) {
    char text[32];
    if (unit == Unit::Bytes) {
        std::snprintf(text, sizeof text, "%.1f MiB", value / (1024.0 * 1024.0));
        return text;
    }
    if (unit == Unit::Instructions) {
        std::snprintf(text, sizeof text, "%.1f M Ir", value / 1e6);
        return text;
    }
    struct Scale {
        double limit, factor;
        const char* name;
    };
    static const Scale kScales[] = {{1e-6, 1e9, "ns"}, {1e-3, 1e6, "µs"}, {1.0, 1e3, "ms"}};
    for (const Scale& s : kScales) {
        if (value < s.limit) {
            double scaled = value * s.factor;
            std::snprintf(text, sizeof text, scaled < 10 ? "%.2f %s" : scaled < 100 ? "%.1f %s" : "%.0f %s",
                          scaled, s.name);
            return text;
        }
    }
    std::snprintf(text, sizeof text, "%.2f s", value);
    return text;
}

namespace {

std::string Spread(const Sample& sample, Unit unit) {
    if (sample.Empty()) return "";
    return FormatValue(sample.Min(), unit) + " – " + FormatValue(sample.Max(), unit);
}

std::string RatioText(const Row& row) {
    if (row.subjectSample.Empty() || row.anchorSample.Empty() || row.anchorSample.Median() <= 0) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.2fx", row.subjectSample.Median() / row.anchorSample.Median());
    return text;
}

std::string TargetText(const Row& row) {
    if (row.target.limit <= 0 || row.subjectSample.Empty() || row.anchorSample.Empty()) return "";
    double ratio = row.subjectSample.Median() / row.anchorSample.Median();
    bool met = row.target.strict ? ratio < row.target.limit : ratio <= row.target.limit;
    char text[48];
    std::snprintf(text, sizeof text, "%s %gx: %s", row.target.strict ? "<" : "≤", row.target.limit,
                  met ? "met" : "**missed**");
    return text;
}

}  // namespace

std::string TableHeader() {
    return "| Fig | Case | Kodexa | Median | Spread | Anchor | Median | Spread | Ratio | Target |\n"
           "|---|---|---|---:|---|---|---:|---|---:|---|\n";
}

std::string FormatRow(const Row& row) {
    std::string line = "| " + row.figure + " | " + row.what + " | " + row.subject + " | ";
    if (!row.subjectSample.Empty())
        line += FormatValue(row.subjectSample.Median(), row.unit) + " | " + Spread(row.subjectSample, row.unit);
    else
        line += " | ";
    line += " | " + row.anchor + " | ";
    if (!row.anchorSample.Empty())
        line += FormatValue(row.anchorSample.Median(), row.unit) + " | " + Spread(row.anchorSample, row.unit);
    else
        line += " | ";
    line += " | " + RatioText(row) + " | " + TargetText(row) + " |\n";
    return line;
}

void Table::Add(Row row) {
    if (stream != nullptr) {
        if (rows.empty()) std::fputs(TableHeader().c_str(), stream);
        std::fputs(FormatRow(row).c_str(), stream);
        std::fflush(stream);
    }
    rows.push_back(std::move(row));
}

std::string Table::Markdown() const {
    std::string text = TableHeader();
    for (const Row& row : rows) text += FormatRow(row);
    if (!notes.empty()) text += "\n";
    for (const std::string& note : notes) text += "- " + note + "\n";
    return text;
}

}  // namespace kodexa::bench
