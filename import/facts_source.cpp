#include "import/facts_source.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace kodexa {

namespace {

// Field numbers (1-based) of each fact in one year's layout of the codes
// file. The age limits are the ones in the t/j form; the layouts of 27 and
// 30 fields also carry an older numeric form, which is not read.
struct FactsLayout {
    size_t fieldCount;
    int para295, para301, sex, sexReject, ageLow, ageHigh, ageReject, rare, content, ifsgReport, ifsgLab;
};

const FactsLayout kLayouts[] = {
    {27, 10, 11, 17, 18, 20, 22, 23, 24, 25, 26, 27},
    {30, 13, 14, 20, 21, 23, 25, 26, 27, 28, 29, 30},
    {28, 13, 14, 20, 21, 22, 23, 24, 25, 26, 27, 28},
};

constexpr int kTerminalField = 2;
constexpr int kCodeField = 7;

const FactsLayout* LayoutOf(size_t fieldCount) {
    for (const FactsLayout& layout : kLayouts)
        if (layout.fieldCount == fieldCount) return &layout;
    return nullptr;
}

// "9999", or t000 to t365 (days), or j001 to j124 (years).
bool IsAgeLimit(const std::string& text) {
    if (text == "9999") return true;
    if (text.size() != 4 || (text[0] != 't' && text[0] != 'j')) return false;
    if (!std::all_of(text.begin() + 1, text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    const int value = std::stoi(text.substr(1));
    return text[0] == 't' ? value <= 365 : value >= 1 && value <= 124;
}

class FactsReader {
public:
    FactsReader(const SourceText& codes, ImportError& error) : codes(codes), error(error) {}

    bool Read(FactsModel& model) {
        std::map<size_t, size_t> unknownLayouts;  // field count -> lines
        for (const SourceLine& line : codes.lines) {
            const FactsLayout* layout = LayoutOf(line.fields.size());
            if (layout == nullptr) {
                ++unknownLayouts[line.fields.size()];
                continue;
            }
            FactsEntry entry;
            if (!ReadLine(line, *layout, entry)) return false;
            model.facts.push_back(entry);
        }
        for (const auto& [fields, lines] : unknownLayouts) {
            model.leftOut.push_back(std::to_string(lines) + (lines == 1 ? " code" : " codes") + " with " +
                                    std::to_string(fields) + " fields, a layout without known facts; their facts "
                                    "are left out");
        }
        std::sort(model.facts.begin(), model.facts.end(),
                  [](const FactsEntry& a, const FactsEntry& b) { return a.code < b.code; });
        return true;
    }

private:
    bool Fail(int line, const std::string& message) {
        error = ImportError{codes.path, line, message};
        return false;
    }

    bool Mark(const SourceLine& line, int field, const char* what, const char* allowed, char& mark) {
        const std::string& text = line.fields[field - 1];
        if (text.size() == 1 && std::strchr(allowed, text[0]) != nullptr) {
            mark = text[0];
            return true;
        }
        std::string choices;
        for (const char* c = allowed; *c != 0; ++c) choices += std::string(choices.empty() ? "" : ", ") + *c;
        return Fail(line.number, "field " + std::to_string(field) + " (" + what + ") must be one of " + choices +
                                     ", found \"" + text + "\"");
    }

    bool Age(const SourceLine& line, int field, const char* what, std::string& age) {
        age = line.fields[field - 1];
        if (IsAgeLimit(age)) return true;
        return Fail(line.number, "field " + std::to_string(field) + " (" + what +
                                     ") must be 9999, t000 to t365 or j001 to j124, found \"" + age + "\"");
    }

    bool ReadLine(const SourceLine& line, const FactsLayout& at, FactsEntry& entry) {
        entry.code = line.fields[kCodeField - 1];
        CodeRules& r = entry.rules;
        return Mark(line, kTerminalField, "terminal", "TN", r.terminal) &&
               Mark(line, at.para295, "use under paragraph 295", "POZV", r.para295) &&
               Mark(line, at.para301, "use under paragraph 301", "POZV", r.para301) &&
               Mark(line, at.sex, "sex", "9MW", r.sex) &&
               Mark(line, at.sexReject, "kind of error for the sex", "9KM", r.sexReject) &&
               Age(line, at.ageLow, "lower age limit", r.ageLow) &&
               Age(line, at.ageHigh, "upper age limit", r.ageHigh) &&
               Mark(line, at.ageReject, "kind of error for the age", "9KM", r.ageReject) &&
               Mark(line, at.rare, "rare in Central Europe", "JN", r.rare) &&
               Mark(line, at.content, "code has content", "JN", r.content) &&
               Mark(line, at.ifsgReport, "reportable under the IfSG", "JN", r.ifsgReport) &&
               Mark(line, at.ifsgLab, "IfSG laboratory exclusion", "JN", r.ifsgLab);
    }

    const SourceText& codes;
    ImportError& error;
};

}  // namespace

Edition EditionOfSourceName(const std::string& path) {
    Edition edition;
    SourceRole role;
    std::string name;
    if (!ClassifySourceName(path.substr(path.find_last_of('/') + 1), role, name)) return edition;
    // name is icd10, then gm or who or nothing, then the year if any.
    std::string rest = name.substr(std::strlen("icd10"));
    if (rest.compare(0, 2, "gm") == 0) {
        edition.kind = EditionKind::GermanModification;
        rest.erase(0, 2);
    } else {
        // The English WHO files have no word between icd10 and the year.
        edition.kind = EditionKind::Who;
        if (rest.compare(0, 3, "who") == 0) rest.erase(0, 3);
    }
    edition.year = rest;
    return edition;
}

bool ReadCodeFacts(const SourceText& codes, const Edition& edition, FactsModel& model, ImportError& error) {
    model = FactsModel{};
    model.edition = edition;
    if (edition.kind == EditionKind::Who) {
        model.leftOut.push_back("the WHO edition carries no code facts of the German modification; none kept");
        return true;
    }
    FactsReader reader(codes, error);
    return reader.Read(model);
}

}  // namespace kodexa
