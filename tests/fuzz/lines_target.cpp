// Diagnosis lines from any bytes, one a line, checked as one case: every
// line gets its findings; what is shown of a line and every finding is clean
// UTF-8 of bounded length; a line read wrongly has a Fehler naming it; a
// line read well reads back the same from its normalised form.
#include <algorithm>

#include "catalogue/diagnosis_check.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

// E11.90 primary, H36.0 a star code, E11 not for coding, A00.0 without facts.
class FewCodes : public CodeRulesSource {
public:
    CodeLookup LookUpRules(const std::string& code, CodeRules& rules) override {
        const char use = code == "E11.90" ? 'P' : code == "H36.0" ? 'O' : code == "E11" ? 'V' : 0;
        if (use == 0) return code == "A00.0" ? CodeLookup::NoFacts : CodeLookup::NoSuchCode;
        rules = CodeRules{'T', use, use, 'W', 'M', "t028", "j055", 'K', 'J', 'N', 'J', 'N'};
        return CodeLookup::Found;
    }
};

bool IsCleanText(const std::string& text, size_t most) { return text.size() <= most && Printable(text, most) == text; }

}  // namespace

int FuzzDiagnosisLines(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<CaseLine> lines;
    for (size_t start = 0, end = 0; start <= input.size(); start = end + 1) {
        end = std::min(input.find('\n', start), input.size());
        lines.push_back(ReadCaseLine(static_cast<int>(lines.size()) + 1, input.substr(start, end - start)));
    }
    Patient patient;
    ReadPatientSex(lines.front().given.substr(0, 1), patient.sex);
    ReadPatientAge(lines.front().given.substr(0, 6), patient.age);
    FewCodes codes;
    const auto findings = DiagnosisChecker(codes, Edition()).CheckCase(lines, patient);
    FUZZ_REQUIRE(findings.size() == lines.size(), "a line without its findings");
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string shown = ShownLine(lines[i]);
        FUZZ_REQUIRE(IsCleanText(shown, 256), "a line shown as no clean UTF-8, or at any length");
        for (const Finding& finding : findings[i])
            FUZZ_REQUIRE(IsCleanText(finding.text, 400), "a finding of no clean UTF-8, or of any length");
        const std::string where = "Zeile " + std::to_string(i + 1);
        if (lines[i].problem != LineProblem::None) {
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
