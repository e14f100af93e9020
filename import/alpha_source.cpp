#include <algorithm>
#include <cerrno>
#include <cstring>

#include "import/alpha_index.h"
#include "store/file_layer.h"

namespace kodexa {

namespace {

constexpr size_t kFieldCount = 8;

enum Field { kKind, kNumber, kPrintMark, kPrimary, kAsterisk, kAdditional, kSecondPrimary, kTerm };

std::string Lowercase(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A letter and two digits, then optionally a point with one or two digits
// or a dash for "one more digit to choose" ("J18.-", "S52.5-"), then the
// mark the field calls for.
bool IsWellFormedCode(const std::string& code, char mark, bool markRequired) {
    std::string body = code;
    if (!body.empty() && body.back() == mark) {
        body.pop_back();
    } else if (markRequired) {
        return false;
    }
    if (body.size() < 3 || body[0] < 'A' || body[0] > 'Z' || !IsDigit(body[1]) || !IsDigit(body[2])) return false;
    if (body.size() == 3) return true;
    if (body[3] != '.' || body.size() == 4) return false;
    size_t digits = 0;
    size_t at = 4;
    while (at < body.size() && IsDigit(body[at]) && digits < 2) ++at, ++digits;
    if (at < body.size() && body[at] == '-' && digits < 2) ++at;
    return at == body.size() && at > 4;
}

struct CodeField {
    Field field;
    const char* name;
    char mark;
    bool markRequired;
};

const CodeField kCodeFields[] = {
    {kPrimary, "primary code", '+', false},
    {kAsterisk, "asterisk code", '*', true},
    {kAdditional, "additional code", '!', true},
    {kSecondPrimary, "second primary code", '+', false},
};

class AlphaReader {
public:
    AlphaReader(const std::set<std::string>& codes, AlphaIndexModel& model, ImportError& error)
        : codes(codes), model(model), error(error) {}

    bool Read(const std::string& path, SourceEncoding& encoding) {
        SourceText text;
        if (!ReadSourceText(path, text, error, '|')) return false;
        // Up to about 2010 the fields were separated by ';'.
        oldLayout = !text.lines.empty() && text.lines.front().fields.size() == 1;
        if (oldLayout && !ReadSourceText(path, text, error, ';')) return false;
        encoding = text.encoding;
        model = AlphaIndexModel{};
        for (const SourceLine& line : text.lines)
            if (!TakeLine(line)) return false;
        if (model.terms.empty() && model.leftOut == 0) return Fail(0, "no terms in the file");
        SortByCode();
        return true;
    }

private:
    bool Fail(int line, const std::string& message) {
        error.line = line;
        error.message = message;
        return false;
    }

    bool CheckFieldCount(const SourceLine& line) {
        const size_t count = line.fields.size();
        if (!oldLayout && count == kFieldCount) return true;
        if (oldLayout && count == kFieldCount && line.fields.back().empty()) return true;
        return Fail(line.number, std::to_string(count) + (count == 1 ? " field" : " fields") + ", expected " +
                                     (oldLayout ? "7 followed by ';' (kind;number;mark;primary;asterisk;"
                                                  "additional;term;)"
                                                : "8 (kind|number|mark|primary|asterisk|additional|second|term)"));
    }

    bool TakeLine(const SourceLine& line) {
        if (!CheckFieldCount(line)) return false;
        const std::vector<std::string>& f = line.fields;
        if (f[kKind].size() != 1 || f[kKind][0] < '0' || f[kKind][0] > '6')
            return Fail(line.number, "kind \"" + f[kKind] + "\" is not one of 0 to 6");
        AlphaTerm term;
        term.kind = f[kKind][0];
        term.primary = f[kPrimary];
        term.asterisk = f[kAsterisk];
        term.additional = f[kAdditional];
        term.secondPrimary = oldLayout ? std::string() : f[kSecondPrimary];
        term.term = oldLayout ? f[kSecondPrimary] : f[kTerm];
        if (term.term.empty()) return Fail(line.number, "empty term");
        if (!CheckCodes(line.number, term)) return false;
        if (!AllCodesKnown(term)) {
            ++model.leftOut;
            return true;
        }
        model.terms.push_back(term);
        return true;
    }

    bool CheckCodes(int line, const AlphaTerm& term) {
        const std::string* values[] = {&term.primary, &term.asterisk, &term.additional, &term.secondPrimary};
        bool any = false;
        for (size_t i = 0; i < 4; ++i) {
            const std::string& code = *values[i];
            if (code.empty()) continue;
            any = true;
            const CodeField& field = kCodeFields[i];
            if (!IsWellFormedCode(code, field.mark, field.markRequired))
                return Fail(line, std::string(field.name) + " \"" + code + "\" is not a well-formed code");
        }
        if (term.kind == '0' && any) return Fail(line, "a cross-reference (kind 0) names a code");
        if (term.kind != '0' && !any) return Fail(line, std::string("kind ") + term.kind + " names no code");
        return true;
    }

    bool AllCodesKnown(const AlphaTerm& term) const {
        for (const std::string* code : {&term.primary, &term.asterisk, &term.additional, &term.secondPrimary})
            if (!code->empty() && codes.count(BareCode(*code)) == 0) return false;
        return true;
    }

    // The order in which a search lists the terms.
    void SortByCode() {
        auto firstCode = [](const AlphaTerm& term) {
            const std::string shown = ShownCodes(term);
            return BareCode(shown.substr(0, shown.find(' ')));
        };
        std::stable_sort(model.terms.begin(), model.terms.end(), [&](const AlphaTerm& a, const AlphaTerm& b) {
            const std::string codeA = firstCode(a), codeB = firstCode(b);
            if (codeA.empty() != codeB.empty()) return codeB.empty();
            return codeA < codeB;
        });
    }

    const std::set<std::string>& codes;
    AlphaIndexModel& model;
    ImportError& error;
    bool oldLayout = false;
};

}  // namespace

bool IsAlphaIndexName(const std::string& name) {
    const std::string lower = Lowercase(name);
    return lower.compare(0, 5, "icd10") == 0 && lower.find("alpha") != std::string::npos && lower.size() > 4 &&
           lower.compare(lower.size() - 4, 4, ".txt") == 0;
}

bool FindAlphaIndex(const std::string& dir, std::string& path, ImportError& error) {
    return FindOptionalSource(dir, IsAlphaIndexName, "alphabetical index files", "--alpha FILE", path, error);
}

bool ReadAlphaIndex(const std::string& path, const std::set<std::string>& codes, AlphaIndexModel& model,
                    SourceEncoding& encoding, ImportError& error) {
    error = ImportError{path, 0, ""};
    AlphaReader reader(codes, model, error);
    return reader.Read(path, encoding);
}

}  // namespace kodexa
