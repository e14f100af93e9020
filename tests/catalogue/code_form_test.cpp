// Codes and diagnosis lines as users type or paste them.
#include <gtest/gtest.h>

#include "catalogue/code_form.h"

namespace kodexa::test {
namespace {

TEST(CodeForm, ReadsTheWaysPeopleWriteACode) {
    struct Case {
        const char* text;
        const char* code;  // nullptr: not a code
        CodeMark mark;
        bool under;
    };
    const Case cases[] = {
        {"E11.90", "E11.90", CodeMark::None, false},
        {"e1190", "E11.90", CodeMark::None, false},
        {"e11.9", "E11.9", CodeMark::None, false},
        {"A00", "A00", CodeMark::None, false},
        {"H36.0*", "H36.0", CodeMark::Star, false},
        {"B95.6!", "B95.6", CodeMark::Exclamation, false},
        {"A54.4+", "A54.4", CodeMark::Dagger, false},
        {"A54.4\xe2\x80\xa0", "A54.4", CodeMark::Dagger, false},
        {"E11.2-", "E11.2", CodeMark::None, true},
        {"E11.-", "E11", CodeMark::None, true},
        {"e11-", "E11", CodeMark::None, true},
        {"E11.", nullptr, CodeMark::None, false},
        {"E11.901", nullptr, CodeMark::None, false},
        {"E1", nullptr, CodeMark::None, false},
        {"1E11", nullptr, CodeMark::None, false},
        {"E1a.0", nullptr, CodeMark::None, false},
        {"E11.9a", nullptr, CodeMark::None, false},
        {"E11.2-*", nullptr, CodeMark::None, false},
        {"", nullptr, CodeMark::None, false},
        {"-", nullptr, CodeMark::None, false},
        {"cholera", nullptr, CodeMark::None, false},
    };
    for (const Case& c : cases) {
        CodeForm form;
        ASSERT_EQ(ReadCodeForm(c.text, form), c.code != nullptr) << c.text;
        if (c.code == nullptr) continue;
        EXPECT_EQ(form.code, c.code) << c.text;
        EXPECT_EQ(form.mark, c.mark) << c.text;
        EXPECT_EQ(form.under, c.under) << c.text;
        if (!c.under) {
            EXPECT_TRUE(ReadCodeForm(WithMark(form.code, form.mark), form)) << c.text;
        }
    }
}

TEST(DiagnosisLine, ReadsAndNormalisesCodeCertaintyAndSide) {
    struct Case {
        const char* text;
        LineProblem problem;
        const char* normalised;
    };
    const Case cases[] = {
        {"E11.90 G", LineProblem::None, "E11.90 G"},
        {"  s5251\tg  l ", LineProblem::None, "S52.51 G L"},
        {"H36.0* v", LineProblem::None, "H36.0 V"},
        {"Z45.82 Z B", LineProblem::None, "Z45.82 Z B"},
        {"   ", LineProblem::Empty, ""},
        {"E11.90", LineProblem::NoCertainty, "E11.90"},
        {"E11.90 X", LineProblem::BadCertainty, "E11.90"},
        {"E11.90 GG", LineProblem::BadCertainty, "E11.90"},
        {"E11.90 G X", LineProblem::BadSide, "E11.90 G"},
        {"E11.90 G R L", LineProblem::TooManyWords, "E11.90 G R"},
        {"Diabetes G", LineProblem::NoCode, "Diabetes"},
        {"E11.2- G", LineProblem::NoCode, "E11.2-"},
    };
    for (const Case& c : cases) {
        DiagnosisLine line;
        EXPECT_EQ(ReadDiagnosisLine(c.text, line), c.problem) << c.text;
        EXPECT_EQ(NormalisedLine(line), c.normalised) << c.text;
    }
}

}  // namespace
}  // namespace kodexa::test
