// The search over the code catalogue: what matches, in which order, how
// often, and what an unreadable record or a missing index does.
#include <gtest/gtest.h>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

struct RecordingResults : SearchSink {
    void AddResult(const std::string& code, const std::string& title) override { lines.push_back(code + "\t" + title); }
    std::vector<std::string> lines;
};

class Search : public ::testing::Test {
protected:
    // Written out of order: the results must come in code order all the same.
    void SetUp() override {
        WriteCatalogue(Dir(), {{"E00-E90", "Stoffwechsel"}}, {{"E10-E14", "Diabetes"}},
                       {{"E11.0", "Diabetes mellitus, Typ 2: Mit Koma", "4", "E00-E90", "E10-E14"},
                        {"E10", "Diabetes mellitus, Typ 1", "3", "E00-E90", "E10-E14"},
                        {"E11", "Diabetes mellitus, Typ 2", "3", "E00-E90", "E10-E14"},
                        {"I25.10", "Ohne h\xc3\xa4modynamisch wirksame Stenosen", "5", "I00-I99", "I20-I25"},
                        {"I25", "Chronische isch\xc3\xa4mische Herzkrankheit", "3", "I00-I99", "I20-I25"},
                        {"I25.1", "Atherosklerotische Herzkrankheit", "4", "I00-I99", "I20-I25"},
                        {"R41", "\xc3\x84ltere Symptome, die das Erkennen betreffen, ECHO echo (R41)", "3", "R00-R99", "R40-R46"},
                        {"E14", "", "3", "E00-E90", "E10-E14"}});
    }
    std::vector<std::string> Find(const std::string& text, bool expectHits = true) {
        CatalogueDbs dbs(Dir(), 0);
        RecordingResults results;
        EXPECT_EQ(SearchCodes(dbs.codes, text, results), expectHits) << text;
        return results.lines;
    }
    static std::vector<std::string> Codes(const std::vector<std::string>& lines) {
        std::vector<std::string> codes;
        for (const std::string& line : lines) codes.push_back(line.substr(0, line.find('\t')));
        return codes;
    }
    std::string Dir() const { return dir.Path() + "/"; }

    TempDir dir;
};

TEST_F(Search, EmptyTextListsEveryCodeInCodeOrder) {
    EXPECT_EQ(Codes(Find("")), (std::vector<std::string>{"E10", "E11", "E11.0", "E14", "I25", "I25.1", "I25.10", "R41"}));
    EXPECT_EQ(Find("")[0], "E10\tDiabetes mellitus, Typ 1");
}

TEST_F(Search, FoldsTheLettersAToZOnly) {
    struct Case {
        const char* text;
        std::vector<std::string> codes;
    } cases[] = {
        {"MELLITUS, typ 2", {"E11", "E11.0"}},
        {"hERZKRANKHEIT", {"I25", "I25.1"}},
        {"\xc3\xa4misch", {"I25"}},             // lower-case umlaut as stored
        {"isch\xc3\x84mische", {}},             // upper-case umlaut is not folded
        {"\xc3\xa4ltere", {}},                  // nor is the stored upper-case one
        {"\xc3\x84ltere symptome", {"R41"}},
        {"Diabetes mellitus, Typ 2: Mit Koma und mehr", {}},  // longer than every title
    };
    for (const Case& c : cases) EXPECT_EQ(Codes(Find(c.text, !c.codes.empty())), c.codes) << c.text;
}

TEST_F(Search, CodeMatchingTwiceOrBothWaysIsListedOnce) {
    EXPECT_EQ(Codes(Find("echo")), std::vector<std::string>{"R41"});
    EXPECT_EQ(Codes(Find("r41")), std::vector<std::string>{"R41"});
    EXPECT_EQ(Codes(Find("e1")), (std::vector<std::string>{"E10", "E11", "E11.0", "E14"}));
}

TEST_F(Search, CodeOrItsBeginningListsTheCodeAndItsSubCodes) {
    EXPECT_EQ(Codes(Find("e11")), (std::vector<std::string>{"E11", "E11.0"}));
    EXPECT_EQ(Codes(Find("I25.1")), (std::vector<std::string>{"I25.1", "I25.10"}));
    EXPECT_EQ(Find("E14"), std::vector<std::string>{"E14\t"});
    Find("E15", false);
}

TEST_F(Search, UnreadableRecordIsSkipped) {
    {
        CatalogueDbs dbs(Dir());
        CodeRecord record(&dbs.codes);
        record.code = "E11";
        ASSERT_EQ(record.Find(), 1);
        StoredUInt32 tag = 1025;
        ASSERT_EQ(dbs.codes.DataFile()->Write(&tag, 4, record.Address(), 1, 1), kNoError);
    }
    EXPECT_EQ(Codes(Find("Typ")), (std::vector<std::string>{"E10", "E11.0"}));
}

TEST_F(Search, MissingIndexFindsNothing) {
    ObjectDatabase closed;
    RecordingResults results;
    EXPECT_FALSE(SearchCodes(closed, "", results));
    EXPECT_TRUE(results.lines.empty());
}

}  // namespace
}  // namespace kodexa::test
