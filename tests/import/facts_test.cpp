// The facts and the edition an import keeps: each year's layout mapped to
// the same facts, refused values named with line and field, the edition
// from the file name. The catalogue's tests read the facts database back.
#include "import/facts_source.h"

#include <gtest/gtest.h>

namespace kodexa::test {
namespace {

std::string Joined(const CodeRules& r) {
    return std::string{r.terminal, '|', r.para295, r.para301, '|', r.sex, r.sexReject, '|'} + r.ageLow + "-" +
           r.ageHigh + "|" + std::string{r.ageReject, '|', r.rare, r.content, r.ifsgReport, r.ifsgLab};
}

SourceText TextOf(const std::string& line) {
    SourceText text;
    text.path = "codes.txt";
    SourceLine source;
    source.number = 7;
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = line.find(';', start);
        source.fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
    }
    text.lines.push_back(source);
    return text;
}

TEST(CodeFacts, EveryLayoutGivesTheSameFactsAndOddValuesAreRefused) {
    const std::string o80 = "3;T;X;15;O80;O80;O80;O80;Spontangeburt;Spontangeburt;;;P;P;1-089;2-067;UNDEF;UNDEF;243;";
    const struct { std::string line; bool read; const char* result; } cases[] = {
        {"3;T;X;15;O80;O80;O80;O80;Spontangeburt eines Einlings;P;P;1-089;2-067;UNDEF;UNDEF;243;W;M;212;j012;255;"
         "j055;K;N;J;N;N", true, "T|PP|WM|j012-j055|K|NJNN"},
        {o80 + "W;K;212;j012;255;j055;K;N;J;N;N", true, "T|PP|WK|j012-j055|K|NJNN"},
        {o80 + "W;K;j012;j055;K;N;J;N;N", true, "T|PP|WK|j012-j055|K|NJNN"},
        {"5;T;X;16;P05;P07.00;P07.00;P0700;Neugeborenes;P;P;1-092;2-069;3-039;4-026;246;9;9;000;t000;201;j001;K;N;J;"
         "N;N", true, "T|PP|99|t000-j001|K|NJNN"},
        {"3;N;X;01;A00;A00.-;A00;A00;Cholera;Cholera;;;V;V;1-002;2-001;3-003;4-002;001;9;9;9999;9999;9;J;J;J;J", true,
         "N|VV|99|9999-9999|9|JJJJ"},
        {o80 + "X;K;j012;j055;K;N;J;N;N", false,
         "codes.txt, line 7: field 20 (sex) must be one of 9, M, W, found \"X\""},
        {o80 + "W;K;j012;j125;K;N;J;N;N", false,
         "field 23 (upper age limit) must be 9999, t000 to t365 or j001 to j124"},
        {o80 + "W;K;j012;j055;K;N;J;N;", false, "field 28 (IfSG laboratory exclusion) must be one of J, N, found \"\""},
    };
    for (const auto& c : cases) {
        FactsModel model;
        ImportError error;
        ASSERT_EQ(ReadCodeFacts(TextOf(c.line), Edition{}, model, error), c.read) << FormatImportError(error);
        if (c.read) {
            ASSERT_EQ(model.facts.size(), 1u) << c.line;
            EXPECT_EQ(Joined(model.facts[0].rules), c.result) << c.line;
        } else {
            EXPECT_NE(FormatImportError(error).find(c.result), std::string::npos) << FormatImportError(error);
        }
    }
    FactsModel model;
    ImportError error;
    ASSERT_TRUE(ReadCodeFacts(TextOf("4;T;X;01;A00;A00.0;A00.0;A000;Cholera"), Edition{}, model, error));
    EXPECT_TRUE(model.facts.empty());
    EXPECT_EQ(model.leftOut, std::vector<std::string>{
                                 "1 code with 9 fields, a layout without known facts; their facts are left out"});
}

TEST(CodeFacts, TheEditionComesFromTheFileName) {
    const struct { const char* path; const char* name; } cases[] = {
        {"/x/icd10gm2024syst_kodes.txt", "ICD-10-GM 2024"}, {"icd10gmsyst_kodes2010.txt", "ICD-10-GM 2010"},
        {"icd10who2019syst_kodes.txt", "ICD-10-WHO 2019"},  {"icd102019syst_codes.txt", "ICD-10-WHO 2019"},
        {"kodes.txt", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EditionName(EditionOfSourceName(c.path)), c.name) << c.path;
}

}  // namespace
}  // namespace kodexa::test
