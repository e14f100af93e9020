// Diagnosis lines from any bytes, one a line, checked as one case against a
// few known codes: whatever the bytes, every line gets its findings, what is
// shown of a line and every finding is UTF-8 without control characters and
// of bounded length, a line read wrongly has a Fehler that names it, and a
// line read well reads back the same from its normalised form.
#include <map>

#include "catalogue/diagnosis_check.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

class FewCodes : public CodeRulesSource {
public:
    CodeLookup LookUpRules(const std::string& code, CodeRules& rules) override {
        static const std::map<std::string, char> kUse = {{"E11.90", 'P'}, {"H36.0", 'O'}, {"B95.6", 'Z'}, {"E11", 'V'}};
        auto found = kUse.find(code);
        if (found == kUse.end()) return code == "A00.0" ? CodeLookup::NoFacts : CodeLookup::NoSuchCode;
        rules = CodeRules{'T', found->second, found->second, 'W', 'M', "t028", "j055", 'K', 'J', 'N', 'J', 'N'};
        return CodeLookup::Found;
    }
};

// True when text is UTF-8 that holds no control character.
bool IsCleanText(const std::string& text) {
    return Printable(text, text.size() + 1) == text;
}

}  // namespace

int FuzzDiagnosisLines(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<CaseLine> lines;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('\n', start);
        if (end == std::string::npos) end = input.size();
        lines.push_back(ReadCaseLine(static_cast<int>(lines.size()) + 1, input.substr(start, end - start)));
        start = end + 1;
    }
    Patient patient;
    ReadPatientSex(lines.front().given.substr(0, 1), patient.sex);
    ReadPatientAge(lines.front().given.substr(0, 6), patient.age);
    FewCodes codes;
    DiagnosisChecker checker(codes, Edition{EditionKind::GermanModification, "2024"});
    const std::vector<std::vector<Finding>> findings = checker.CheckCase(lines, patient);
    FUZZ_REQUIRE(findings.size() == lines.size(), "a line without its findings");
    for (size_t i = 0; i < lines.size(); ++i) {
        const CaseLine& line = lines[i];
        const std::string shown = ShownLine(line);
        FUZZ_REQUIRE(IsCleanText(shown), "a line shown with bytes that are no clean UTF-8");
        FUZZ_REQUIRE(shown.size() <= 64 * 4, "a line shown at any length");
        for (const Finding& finding : findings[i]) {
            FUZZ_REQUIRE(IsCleanText(finding.text), "a finding with bytes that are no clean UTF-8");
            FUZZ_REQUIRE(finding.text.size() <= 400, "a finding of any length");
        }
        if (line.problem != LineProblem::None) {
            const std::string where = "Zeile " + std::to_string(i + 1);
            FUZZ_REQUIRE(!findings[i].empty() && findings[i][0].level == FindingLevel::Fehler &&
                             findings[i][0].text.compare(0, where.size(), where) == 0,
                         "a line read wrongly without a Fehler naming it");
            continue;
        }
        DiagnosisLine again;
        FUZZ_REQUIRE(ReadDiagnosisLine(shown, again) == LineProblem::None && NormalisedLine(again) == shown,
                     "a normalised line that does not read back the same");
    }
    return 0;
}

}  // namespace kodexa::fuzz
