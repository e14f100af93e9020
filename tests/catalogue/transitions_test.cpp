// The transition table as the catalogue keeps and reads it: its links in
// stored text, what became of an old code, where a new one came from, and
// the search's step for a code the catalogue no longer has.
#include <gtest/gtest.h>

#include "catalogue/catalogue_check.h"
#include "catalogue/transitions.h"
#include "import/transition_source.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

// The kinds of line a table has; the sample catalogue's codes on the new side.
const std::vector<TransitionPair> kPairs = {
    {"A00.0", "A00.0", true, true},    // unchanged
    {"A00.1", "A00.9", true, false},   // merged ...
    {"A00.8", "A00.9", true, false},   // ... with this one
    {"A15.9", "A15.00", true, true},   // recoded
    {"A15.0", "A15.0", false, true},   // split ...
    {"A15.0", "A15.00", false, true},  // ... in two (the second also the target of A15.9)
    {"Z45.82", "", false, false},      // dropped
    {"", "C00", false, false},         // new
};

const CodeTransitions& Of(const std::vector<CodeTransitions>& all, const std::string& code) {
    for (const CodeTransitions& one : all)
        if (one.code == code) return one;
    static const CodeTransitions kNone;
    return kNone;
}

TEST(TransitionLinks, SurviveTheirStoredTextAndDamageCostsOnlyTheBadLink) {
    const std::vector<TransitionLink> links = {{"I21.40", false, true}, {"", false, false}, {"A00.0", true, true}};
    const std::string text = PackLinks(links);
    EXPECT_EQ(text, "I21.40:-A UNDEF:-- A00.0:AA");
    const std::vector<TransitionLink> back = UnpackLinks(text);
    ASSERT_EQ(back.size(), links.size());
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(back[i].code, links[i].code);
        EXPECT_EQ(back[i].forwardAutomatic, links[i].forwardAutomatic);
        EXPECT_EQ(back[i].backAutomatic, links[i].backAutomatic);
    }
    const std::vector<TransitionLink> damaged = UnpackLinks("X:A I21.40:-A :AA  B:AX A00:AA:");
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(damaged[0].code, "I21.40");
}

TEST(TransitionGroups, TellWhatBecameOfEachOldCodeAndWhereEachNewOneCameFrom) {
    const std::vector<CodeTransitions> all = GroupByCode(kPairs);
    const TransitionYears years{"2023", "2024", "t.txt"};
    const struct {
        const char* code;
        SuccessionKind kind;
        std::vector<std::string> successors;
        const char* origin;
    } cases[] = {
        {"A00.0", SuccessionKind::Automatic, {"A00.0"}, ""},
        {"A00.1", SuccessionKind::Automatic, {"A00.9"}, ""},
        {"A00.9", SuccessionKind::Unknown, {}, "aus A00.1 und A00.8 zusammengefasst"},
        {"A15.9", SuccessionKind::Automatic, {"A15.00"}, ""},
        {"A15.0", SuccessionKind::Choice, {"A15.0", "A15.00"}, "aus A15.0 geteilt"},
        {"A15.00", SuccessionKind::Unknown, {}, "aus A15.9 und A15.0 zusammengefasst"},
        {"Z45.82", SuccessionKind::Dropped, {}, ""},
        {"C00", SuccessionKind::Unknown, {}, "neu in 2024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const CodeTransitions& code = Of(all, c.code);
        ASSERT_EQ(code.code, c.code);
        const Succession succession = SuccessionOf(code);
        EXPECT_EQ(succession.kind, c.kind);
        EXPECT_EQ(succession.codes, c.successors);
        std::vector<CodeTransitions> oldCodes;
        for (const TransitionLink& link : code.back) oldCodes.push_back(Of(all, link.code));
        EXPECT_EQ(OriginWords(code, years, oldCodes), c.origin);
    }
    // One old code to one other code that has no other source.
    const std::vector<CodeTransitions> recoded = GroupByCode({{"A01.0", "A01.9", true, true}});
    EXPECT_EQ(OriginWords(Of(recoded, "A01.9"), years, {Of(recoded, "A01.0")}),
              "aus A01.0 umgeschl\xc3\xbcsselt");
    EXPECT_EQ(OriginWords(Of(all, "C00"), TransitionYears{}, {}), "neu in dieser Ausgabe");
}

class StoredTransitions : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSampleCatalogue(dir.Path());
        TransitionTable table;
        table.years = {"2023", "2024", "icd10gm2024syst_umsteiger_2023_2024.txt"};
        table.pairs = kPairs;
        std::string error;
        ASSERT_TRUE(WriteTransitionFiles(table, dir.Path(), error)) << error;
        ASSERT_EQ(catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading), kNoError);
        ASSERT_EQ(catalogue.OpenIfPresent(CatalogueFile::Transitions), OptionalState::Open);
    }
    TempDir dir;
    Catalogue catalogue{dir.Path()};
};

TEST_F(StoredTransitions, ReadBackAsWrittenWithTheirYears) {
    TransitionYears years;
    ASSERT_TRUE(ReadTransitionYears(catalogue, years));
    EXPECT_EQ(years.from + " " + years.to + " " + years.source, "2023 2024 icd10gm2024syst_umsteiger_2023_2024.txt");
    std::vector<CodeTransitions> all;
    ASSERT_TRUE(ReadAllTransitions(catalogue, all));
    const std::vector<CodeTransitions> expected = GroupByCode(kPairs);
    ASSERT_EQ(all.size(), expected.size());
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(all[i].code, expected[i].code);
        EXPECT_EQ(PackLinks(all[i].onward), PackLinks(expected[i].onward)) << all[i].code;
        EXPECT_EQ(PackLinks(all[i].back), PackLinks(expected[i].back)) << all[i].code;
    }
    CodeTransitions one;
    EXPECT_FALSE(LookUpTransitions(catalogue, "A15", one)) << "a code the table lacks, though A15.0 begins with it";
    EXPECT_EQ(catalogue.SuccessorOf("A15.0").kind, SuccessionKind::Choice);
    EXPECT_EQ(catalogue.SuccessorOf("A15").kind, SuccessionKind::Unknown);
    EXPECT_EQ(OriginOf(catalogue, "A15.0"), "aus A15.0 geteilt");
}

TEST_F(StoredTransitions, SearchForACodeNoLongerThereListsItsSuccessorsOnly) {
    const struct {
        const char* text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a15.9", {"A15.00|Lungentuberkulose, gesichert (fr\xc3\xbcher A15.9)"}},
        {"A001", {"A00.9|Cholera, nicht n\xc3\xa4her bezeichnet (fr\xc3\xbcher A00.1)"}},
        {"Z45.82", {}},                 // dropped: nothing follows it
        {"A00.0", {"A00.0|Cholera durch Vibrio"}},  // still there: the title search alone
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        LineSink sink;
        EXPECT_EQ(catalogue.Search(c.text, sink), !c.lines.empty());
        EXPECT_EQ(sink.lines, c.lines);
    }
}

// A record changed after the import: a link that tells one end only, a new
// code the catalogue lacks, a list that does not read.
TEST_F(StoredTransitions, TheCatalogueCheckFindsARecordThatDisagrees) {
    ASSERT_TRUE(CheckCatalogue(dir.Path()).IsSound());
    catalogue.CloseAll();
    {
        Catalogue writable(dir.Path());
        ASSERT_EQ(writable.Open(CatalogueFile::Transitions, CatalogueAccess::Writing), kNoError);
        TransitionRecord record(&writable.Database(CatalogueFile::Transitions));
        record.code = "A00.8";
        ASSERT_EQ(record.Find(), 1);
        ASSERT_EQ(record.Reload(), 1);
        ASSERT_EQ(record.Delete(), 1);
        record.onward = "A00.9:A- A15.0:A- broken";
        ASSERT_EQ(record.Write(), kNoError);
        record.code = "X99.9";
        record.onward = "";
        record.back = "A00.8:A-";
        ASSERT_EQ(record.Write(), kNoError);
    }
    const CatalogueCheckReport report = CheckCatalogue(dir.Path());
    std::string problems;
    for (const std::string& problem : report.problems) problems += problem + "\n";
    EXPECT_EQ(report.problemCount, 4) << problems;
    for (const char* expected : {"the links of A00.8 do not read", "the new code X99.9 is not in the catalogue",
                                 "A00.8 -> A15.0 is missing at A15.0", "A00.8 -> X99.9 is missing at A00.8"})
        EXPECT_NE(problems.find(expected), std::string::npos) << problems;
}

TEST(NoTransitions, ACatalogueWithoutTheTableKnowsNoSuccessors) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    Catalogue catalogue(dir.Path());
    ASSERT_EQ(catalogue.Open(CatalogueFile::Codes, CatalogueAccess::Reading), kNoError);
    EXPECT_EQ(catalogue.OpenIfPresent(CatalogueFile::Transitions), OptionalState::Absent);
    EXPECT_EQ(catalogue.SuccessorOf("A00.0").kind, SuccessionKind::Unknown);
    TransitionYears years;
    EXPECT_FALSE(ReadTransitionYears(catalogue, years));
    LineSink sink;
    EXPECT_FALSE(catalogue.Search("A00.1", sink));
}

}  // namespace
}  // namespace kodexa::test
