#include "import/transition_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "catalogue/code_form.h"
#include "store/file_layer.h"

namespace kodexa {

namespace {

constexpr char kNoCode[] = "UNDEF";
constexpr size_t kFieldCount = 4;

std::string Lowercase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::string Field(int number, const char* what) { return "field " + std::to_string(number) + " (" + what + ")"; }

// A code exactly as the codes file writes it: "A00", "I21.40"; no mark, no
// dash, nothing lower case.
bool IsPlainCode(const std::string& text) {
    CodeForm form;
    return ReadCodeForm(text, form) && form.code == text && form.mark == CodeMark::None && !form.under;
}

class TableReader {
public:
    TableReader(const SourceText& text, TransitionTable& table, ImportError& error)
        : text(text), table(table), error(error) {}

    bool Read() {
        for (const SourceLine& line : text.lines) {
            TransitionPair pair;
            if (!ReadLine(line, pair) || !Unseen(line.number, pair)) return false;
            table.pairs.push_back(pair);
            table.lines.push_back(line.number);
        }
        if (table.pairs.empty()) return Fail(0, "holds no transitions");
        return NoneBothWays();
    }

private:
    bool Fail(int line, const std::string& message) {
        error = ImportError{text.path, line, message};
        return false;
    }

    bool Code(const SourceLine& line, int number, const char* what, std::string& code) {
        const std::string& field = line.fields[number - 1];
        if (field == kNoCode) {
            code.clear();
            return true;
        }
        code = field;
        if (IsPlainCode(field)) return true;
        return Fail(line.number, Field(number, what) + " must be a code such as I21.40 or UNDEF, found \"" + field + "\"");
    }

    bool Mark(const SourceLine& line, int number, const char* what, bool& automatic) {
        const std::string& field = line.fields[number - 1];
        automatic = field == "A";
        if (automatic || field.empty()) return true;
        return Fail(line.number, Field(number, what) + " must be A or empty, found \"" + field + "\"");
    }

    bool ReadLine(const SourceLine& line, TransitionPair& pair) {
        if (line.fields.size() != kFieldCount) {
            return Fail(line.number, "expected 4 fields separated by ';' (old code, new code, A or empty twice), found " +
                                         std::to_string(line.fields.size()));
        }
        if (!Code(line, 1, "old code", pair.oldCode) || !Code(line, 2, "new code", pair.newCode) ||
            !Mark(line, 3, "old to new automatic", pair.forwardAutomatic) ||
            !Mark(line, 4, "new to old automatic", pair.backAutomatic)) {
            return false;
        }
        if (pair.oldCode.empty() && pair.newCode.empty()) return Fail(line.number, "fields 1 and 2 are both UNDEF");
        return true;
    }

    bool Unseen(int line, const TransitionPair& pair) {
        const auto [at, fresh] = seen.emplace(std::make_pair(pair.oldCode, pair.newCode), line);
        if (fresh) return true;
        return Fail(line, "the pair " + Shown(pair.oldCode) + ";" + Shown(pair.newCode) + " repeats line " +
                              std::to_string(at->second));
    }

    static std::string Shown(const std::string& code) { return code.empty() ? kNoCode : code; }

    // A code dropped (X;UNDEF) cannot have new codes as well, nor can a code
    // that is new (UNDEF;Y) come from old ones.
    bool NoneBothWays() {
        for (size_t i = 0; i < table.pairs.size(); ++i) {
            const TransitionPair& pair = table.pairs[i];
            const int line = table.lines[i];
            if (!pair.oldCode.empty() && !Consistent(pair.oldCode, pair.newCode.empty(), line, oldLines, "dropped"))
                return false;
            if (!pair.newCode.empty() && !Consistent(pair.newCode, pair.oldCode.empty(), line, newLines, "new"))
                return false;
        }
        return true;
    }

    // lines keeps, per code, the first line with UNDEF on the other side and
    // the first line without.
    bool Consistent(const std::string& code, bool none, int line, std::map<std::string, std::pair<int, int>>& lines,
                    const char* word) {
        std::pair<int, int>& firsts = lines[code];
        int& first = none ? firsts.first : firsts.second;
        if (first == 0) first = line;
        if (firsts.first == 0 || firsts.second == 0) return true;
        return Fail(line, code + " is " + word + " on line " + std::to_string(firsts.first) +
                              " but paired with a code on line " + std::to_string(firsts.second));
    }

    const SourceText& text;
    TransitionTable& table;
    ImportError& error;
    std::map<std::pair<std::string, std::string>, int> seen;
    std::map<std::string, std::pair<int, int>> oldLines, newLines;
};

}  // namespace

bool IsTransitionTableName(const std::string& name) {
    const std::string lower = Lowercase(name);
    return lower.find("umsteiger") != std::string::npos && lower.size() > 4 &&
           lower.compare(lower.size() - 4, 4, ".txt") == 0;
}

bool TransitionYearsOfName(const std::string& name, std::string& from, std::string& to) {
    from.clear();
    to.clear();
    const std::string lower = Lowercase(BaseName(name));
    size_t at = lower.find("umsteiger");
    if (at == std::string::npos) return false;
    std::vector<std::string> years;
    while (at < lower.size()) {
        if (lower[at] < '0' || lower[at] > '9') {
            ++at;
            continue;
        }
        size_t end = at;
        while (end < lower.size() && lower[end] >= '0' && lower[end] <= '9') ++end;
        if (end - at == 4) years.push_back(lower.substr(at, 4));
        at = end;
    }
    if (years.size() < 2) return false;
    from = years.front();
    to = years.back();
    return true;
}

bool FindTransitionTable(const std::string& dir, std::string& path, ImportError& error) {
    return FindOptionalSource(dir, IsTransitionTableName, "transition tables", "--transitions FILE", path, error);
}

bool ParseTransitionTable(const SourceText& text, TransitionTable& table, ImportError& error) {
    table = TransitionTable{};
    TransitionYearsOfName(text.path, table.years.from, table.years.to);
    table.years.source = BaseName(text.path);
    TableReader reader(text, table, error);
    return reader.Read();
}

bool ReadTransitionTable(const std::string& path, TransitionTable& table, ImportError& error) {
    SourceText text;
    if (!ReadSourceText(path, text, error)) return false;
    return ParseTransitionTable(text, table, error);
}

bool CheckTransitionsFit(const TransitionTable& table, const std::string& path, const std::set<std::string>& codes,
                         const std::string& editionYear, ImportError& error) {
    error = ImportError{path, 0, ""};
    if (!editionYear.empty() && !table.years.to.empty() && editionYear != table.years.to) {
        error.message = "the table leads from " + table.years.from + " to " + table.years.to +
                        ", but the catalogue is the edition of " + editionYear;
        return false;
    }
    for (size_t i = 0; i < table.pairs.size(); ++i) {
        const std::string& code = table.pairs[i].newCode;
        if (code.empty() || codes.count(code) != 0) continue;
        error.line = table.lines[i];
        error.message = "field 2 (new code): " + code + " is not a code of the catalogue being imported";
        return false;
    }
    return true;
}

}  // namespace kodexa
