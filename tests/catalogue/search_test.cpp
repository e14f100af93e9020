// The code search: what matches, in which order, how often. The catalogue's
// tests skip an unreadable record, the records' tests a missing index.
#include <gtest/gtest.h>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

class Search : public ::testing::Test {
protected:
    // Written out of order: results come in code order all the same.
    void SetUp() override {
        WriteCatalogue(dir.Path(), {}, {},
                       {{"E11.0", "Diabetes mellitus, Typ 2: Mit Koma", "4"}, {"E10", "Diabetes mellitus, Typ 1", "3"},
                        {"E11", "Diabetes mellitus, Typ 2", "3"}, {"I25.10", "Ohne h\xc3\xa4modynamische Stenosen", "5"},
                        {"I25", "Chronische isch\xc3\xa4mische Herzkrankheit", "3"}, {"I25.1", "Atherosklerotische Herzkrankheit", "4"},
                        {"R41", "\xc3\x84ltere Symptome, ECHO echo (R41)", "3"}, {"E14", "", "3"},
                        {"R60", "\xc3\x96" "dem, \xc3\x89t\xc3\xa9", "3"}});
    }
    std::vector<std::string> Find(const std::string& text) {
        CatalogueDbs dbs(dir.Path(), 0);
        LineSink sink;
        const WalkResult result = SearchCodes(dbs.codes, text, sink, SearchScope::Exact);
        EXPECT_EQ(result.found, !sink.lines.empty()) << text;
        EXPECT_TRUE(result.status.Ended()) << result.status.Description();
        std::vector<std::string> codes;
        for (const std::string& line : sink.lines) codes.push_back(line.substr(0, line.find('|')));
        return codes;
    }
    TempDir dir;
};

// The whole text as one piece, as given: the first step of every search.
TEST_F(Search, MatchesTitleOrCodeFoldingAToZAndUmlautsAndListsEachCodeOnce) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"", {"E10", "E11", "E11.0", "E14", "I25", "I25.1", "I25.10", "R41", "R60"}},
        {"MELLITUS, typ 2", {"E11", "E11.0"}},
        {"\xc3\xa4mische", {"I25"}},                   // small umlaut as stored
        {"isch\xc3\x84mische", {"I25"}},               // capital umlaut folds
        {"\xc3\xa4ltere", {"R41"}},                    // and so does the stored one
        {"\xc3\x84LTERE symptome", {"R41"}},
        {"\xa4ltere", {"R41"}},                        // beginning on the folded second byte
        {"\xc3\x96ltere", {}},                         // Ö folds to ö, not to ä
        {"\xc3\xb6" "dem", {"R60"}},
        {"\xc3\xa9t\xc3\xa9", {}},                     // other capitals stay as they are
        {"\xc3\x89t\xc3\xa9", {"R60"}},
        {"\xc3", {"I25", "I25.10", "R41", "R60"}},      // a lead byte alone, at the end of the text
        {"Diabetes mellitus, Typ 2: Mit Koma!", {}},   // longer than every title
        {"echo", {"R41"}},                             // twice in the title
        {"r41", {"R41"}},                              // in the code and the title
        {"e11", {"E11", "E11.0"}},                     // a code lists its sub-codes
        {"I25.1", {"I25.1", "I25.10"}},
        {"E15", {}},
    };
    for (const auto& [text, codes] : cases) EXPECT_EQ(Find(text), codes) << text;
}

}  // namespace
}  // namespace kodexa::test
