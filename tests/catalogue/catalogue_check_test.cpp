// The catalogue checked as a whole: files that are each sound but disagree
// with one another or with their own keys.
#include "catalogue/catalogue_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "catalogue/alpha_terms.h"
#include "index/object_database.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

// Two index entries lead to each other's records: the four bytes after
// each key's eight code bytes are swapped.
void SwapRecordAddresses(const std::string& dir, std::string a, std::string b) {
    std::vector<unsigned char> bytes = ReadAllBytes(dir + "/data3.ndx");
    a.resize(8, '\0'), b.resize(8, '\0');
    auto first = std::search(bytes.begin(), bytes.end(), a.begin(), a.end()) + 8;
    auto second = std::search(bytes.begin(), bytes.end(), b.begin(), b.end()) + 8;
    std::swap_ranges(first, first + 4, second);
    WriteAllBytes(dir + "/data3.ndx", bytes);
}

// An alphabetical index of one block: a term of A00.9 and a line whose
// term is empty, which no import writes.
void WriteTermsWithAnEmptyOne(const std::string& dir) {
    Catalogue catalogue(dir);
    ASSERT_EQ(catalogue.Open(CatalogueFile::AlphaIndex, CatalogueAccess::Writing), kNoError);
    AlphaBlockRecord block(&catalogue.Database(CatalogueFile::AlphaIndex));
    block.name = AlphaBlockName(1);
    block.terms = PackTerms({{'1', "A00.9", "", "", "", "Cholera asiatica"}, {'1', "A00.0", "", "", "", ""}});
    ASSERT_EQ(block.Write(), kNoError);
}

TEST(CatalogueCheck, NamesEachDisagreementWithItsFileAndOffset) {
    const struct {
        const char* what;
        std::vector<Entry> extraGroups;
        std::vector<Code> extraCodes;
        std::function<void(const std::string& dir)> spoil;
        const char* problem;  // null: sound
    } cases[] = {
        {"as written", {}, {}, nullptr, nullptr},
        {"record addresses swapped", {}, {}, [](const std::string& dir) { SwapRecordAddresses(dir, "A00.9", "C00"); },
         "the record holds the code \"C00\" where its key says \"A00.9\""},
        {"code outside its group", {}, {{"A10", "Zu weit", "3", "A00-B99", "A00-A09"}}, nullptr,
         "A10 lies outside its group A00-A09"},
        {"code naming no group", {}, {{"A20", "Pest", "3", "A00-B99", "A20-A28"}}, nullptr,
         "A20 names the group \"A20-A28\", which is not in the catalogue"},
        {"group in no chapter", {{"E00-E07", "Schilddruese"}}, {{"E00", "Jodmangel", "3", "C00-D48", "E00-E07"}},
         nullptr, "group E00-E07 lies in no chapter"},
        {"level 6", {}, {{"A01", "Typhus", "6", "A00-B99", "A00-A09"}}, nullptr, "A01 has the level \"6\""},
        {"empty term", {}, {}, WriteTermsWithAnEmptyOne, "1 of the 2 term lines of block \"0000001\" do not read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WriteSampleCatalogue(dir.Path());
        {
            CatalogueDbs dbs(dir.Path());
            WriteEntries<GroupRecord>(dbs.groups, c.extraGroups);
            WriteCodes(dbs.codes, c.extraCodes);
        }
        if (c.spoil) c.spoil(dir.Path());
        const CatalogueCheckReport report = CheckCatalogue(dir.Path());
        if (c.problem == nullptr) {
            EXPECT_TRUE(report.IsSound()) << (report.problems.empty() ? "" : report.problems[0]);
            continue;
        }
        ASSERT_FALSE(report.problems.empty());
        EXPECT_NE(report.problems[0].find(c.problem), std::string::npos) << report.problems[0];
        EXPECT_NE(report.problems[0].find(dir.Path() + "/data"), std::string::npos) << report.problems[0];
    }
}

// A lookup led to another code's record takes it for damage, not for the
// code asked; a search skips a term line without a term. (A record changed
// in place is checked through kodexa-check.)
TEST(CatalogueCheck, ReadersTakeAStrayRecordAndAnEmptyTermForDamage) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    WriteTermsWithAnEmptyOne(dir.Path());
    SwapRecordAddresses(dir.Path(), "A00.9", "C00");
    Catalogue catalogue(dir.Path());
    ASSERT_TRUE(catalogue.OpenAll(CatalogueAccess::Reading));
    CodeFacts facts;
    EXPECT_FALSE(catalogue.LookUp("A00.9", facts));
    EXPECT_EQ(catalogue.Unreadable(), dir.Path() + "/data3.dat");
    EXPECT_TRUE(catalogue.LookUp("A00.0", facts));
    EXPECT_EQ(facts.code, "A00.0");
    LineSink terms;
    EXPECT_TRUE(SearchAlphaTerms(catalogue.Database(CatalogueFile::AlphaIndex), "", terms).found);
    EXPECT_EQ(terms.lines, std::vector<std::string>{"A00.9|A00.9|Cholera asiatica"});
}

}  // namespace
}  // namespace kodexa::test
