// The check's rules that the 2024 catalogue cannot show (a sex error of
// type M, a catalogue that fails, facts that are missing), how ages are
// compared, and the text a line that is no text is shown as.
#include <gtest/gtest.h>

#include <map>

#include "catalogue/diagnosis_check.h"

namespace kodexa::test {
namespace {

class FakeRules : public CodeRulesSource {
public:
    std::map<std::string, std::pair<CodeLookup, CodeRules>> codes;
    int lookups = 0;

    CodeLookup LookUpRules(const std::string& code, CodeRules& rules) override {
        ++lookups;
        auto found = codes.find(code);
        if (found == codes.end()) return CodeLookup::NoSuchCode;
        rules = found->second.second;
        return found->second.first;
    }
};

CodeRules Rules(char para295, char sex = '9', char sexReject = '9') {
    return CodeRules{'T', para295, para295, sex, sexReject, "9999", "9999", '9', 'N', 'J', 'N', 'N'};
}

std::vector<std::string> Texts(const std::vector<Finding>& findings) {
    std::vector<std::string> texts;
    for (const Finding& finding : findings) texts.push_back(FindingLine(finding));
    return texts;
}

std::vector<CaseLine> Lines(std::initializer_list<const char*> texts) {
    std::vector<CaseLine> lines;
    for (const char* text : texts) lines.push_back(ReadCaseLine(static_cast<int>(lines.size()) + 1, text));
    return lines;
}

TEST(DiagnosisCheck, RulesBeyondTheCatalogueOf2024) {
    FakeRules source;
    source.codes["N40"] = {CodeLookup::Found, Rules('P', 'M', 'M')};
    source.codes["A01.0"] = {CodeLookup::Found, Rules('P')};
    source.codes["A01.1"] = {CodeLookup::NoFacts, CodeRules()};
    source.codes["A01.2"] = {CodeLookup::Unreadable, CodeRules()};
    source.codes["H36.0"] = {CodeLookup::Found, Rules('O')};
    DiagnosisChecker checker(source, Edition());
    Patient woman;
    woman.sex = 'W';
    // A code the case names twice is looked up once; unknown edition.
    const auto findings = checker.CheckCase(Lines({"N40 G", "A01.1 G", "A01.2 G", "N40 G", "X00 G"}), woman);
    EXPECT_EQ(source.lookups, 4);
    const std::string womanError = "Fehler: Bitte Kodierung \xc3\xbc" "berpr\xc3\xbc" "fen: Kode gilt nur f\xc3\xbcr "
                                   "m\xc3\xa4nnliche Patienten.";
    EXPECT_EQ(Texts(findings[0]), std::vector<std::string>{womanError});
    EXPECT_EQ(Texts(findings[1]), std::vector<std::string>{"Hinweis: Zu Kode A01.1 hat der Katalog keine weiteren "
                                                           "Angaben; gepr\xc3\xbc" "ft ist nur, dass es ihn gibt."});
    EXPECT_TRUE(HasFehler(findings[2]));
    EXPECT_EQ(Texts(findings[4]), std::vector<std::string>{"Fehler: Kode X00 gibt es im Katalog nicht."});
    EXPECT_TRUE(checker.MetUnreadable());
    // Only a primary code the catalogue knows allows a star code.
    EXPECT_TRUE(HasFehler(checker.CheckCase(Lines({"H36.0 G", "A01.1 G"}), Patient())[0]));
    EXPECT_FALSE(HasFehler(checker.CheckCase(Lines({"H36.0 G", "A01.0 A"}), Patient())[0]) || checker.MetUnreadable());
    // Alone, a secondary code is told that it needs a primary one.
    EXPECT_TRUE(HasFehler(checker.CheckCodeAlone("H36.0")));
}

// Years stand for any day of that year of life: a Hinweis only when every
// one of those days lies outside.
TEST(DiagnosisCheck, AgesAgainstLimitsInDaysAndYears) {
    CodeRules rules = Rules('P');
    const struct {
        const char* low;
        const char* high;
        const char* age;
        char certainty;
        bool outside;
    } cases[] = {
        {"t028", "j124", "27t", 'G', true},  {"t028", "j124", "28t", 'G', false},
        {"t028", "j124", "0", 'G', false},   {"t365", "j124", "0", 'G', true},
        {"t000", "t027", "0", 'G', false},   {"t000", "t027", "1", 'G', true},
        {"t000", "t027", "28t", 'G', true},  {"t000", "j001", "729t", 'G', false},
        {"t000", "j001", "730t", 'G', true}, {"j012", "j055", "56", 'Z', false},
        {"j012", "j055", "11j", 'Z', true},  {"j012", "j124", "150", 'G', false},
        {"9999", "9999", "0", 'G', false},   {"9999", "j010", "11", 'G', true},
    };
    for (const auto& c : cases) {
        rules.ageLow = c.low;
        rules.ageHigh = c.high;
        PatientAge age;
        ASSERT_TRUE(ReadPatientAge(c.age, age)) << c.age;
        EXPECT_EQ(AgeOutside(age, rules, c.certainty), c.outside) << c.low << "-" << c.high << " " << c.age;
    }
    EXPECT_EQ(LowerAgeWords("t001") + "|" + LowerAgeWords("9999") + "|" + UpperAgeWords("t364") + "|" +
                  UpperAgeWords("j001"),
              "1 Tag|0 Tagen|unter 365 Tagen|unter 2 Jahren");
    PatientAge age;
    for (const char* bad : {"", "j", "-1", "151", "54751t", "1 2", "123456"})
        EXPECT_FALSE(ReadPatientAge(bad, age)) << bad;
    EXPECT_TRUE(ReadPatientAge("54750T", age));
}

// Overlong forms and surrogates are no UTF-8 either: each of their bytes
// is shown as U+FFFD.
TEST(DiagnosisCheck, PrintableShowsAnyBytesAsCleanText) {
    const std::string bad = "\xef\xbf\xbd";
    EXPECT_EQ(Printable("\xc3\xa4rger", 3), "\xc3\xa4rg\xe2\x80\xa6");
    EXPECT_EQ(Printable(std::string("a\0b\tc", 5), 20), "a?b?c");
    EXPECT_EQ(Printable("\xc0\xaf\xed\xa0\x80\xc3", 20), bad + bad + bad + bad + bad + bad);
    EXPECT_EQ(Printable("\xf0\x9f\x98\x80", 20), "\xf0\x9f\x98\x80");
}

}  // namespace
}  // namespace kodexa::test
