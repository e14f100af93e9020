// Opening a catalogue: the optional facts database, missing or broken, and
// which file a walk, search or lookup could not read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "catalogue/code_facts.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

TEST(Catalogue, ReadersNameTheFileTheyCouldNotReadToItsEnd) {
    enum Reader { kWalk, kSearch, kLookUp };
    const struct {
        const char* damage;
        Reader reader;
        const char* unreadable;  // "" when everything needed was read
        bool answer;
    } cases[] = {
        // kodexa-find's tests read a catalogue with a spoiled code or cut
        // code records every way; these are the other files.
        {"", kWalk, "", true},
        {"", kLookUp, "", true},
        {"A00 spoiled", kSearch, "data3.dat", true},  // the search goes on past it
        {"code index cut", kWalk, "data3.ndx", false},
        {"code index cut", kSearch, "data3.ndx", false},
        {"chapter records cut", kWalk, "data2.dat", true},  // the codes are all there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.damage) + " " + std::to_string(c.reader));
        TempDir dir;
        WriteSampleCatalogue(dir.Path());
        const std::string damage = c.damage;
        if (damage == "A00 spoiled") SpoilCode(dir.Path(), "A00");
        if (damage == "code index cut") std::filesystem::resize_file(dir.File("data3.ndx"), 200);
        if (damage == "chapter records cut")
            std::filesystem::resize_file(dir.File("data2.dat"), std::filesystem::file_size(dir.File("data2.dat")) - 8);
        Catalogue catalogue(dir.Path());
        ASSERT_TRUE(catalogue.OpenAll(CatalogueAccess::Reading));
        LineSink sink;
        CodeFacts facts;
        const bool answer = c.reader == kWalk     ? catalogue.FillTree(sink)
                            : c.reader == kSearch ? catalogue.Search("", sink)
                                                  : catalogue.LookUp("C00", facts);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(catalogue.Unreadable(), *c.unreadable ? dir.File(c.unreadable) : "");
        EXPECT_EQ(catalogue.UnreadableReason().empty(), catalogue.Unreadable().empty()) << "a named file has its reason";
    }
}

void WriteFacts(const std::string& dir) {
    Catalogue catalogue(dir);
    ASSERT_EQ(catalogue.Open(CatalogueFile::Facts, CatalogueAccess::Writing), kNoError);
    ObjectDatabase& db = catalogue.Database(CatalogueFile::Facts);
    EditionRecord edition(&db);
    edition.year = "2024", edition.kind = "GM";
    ASSERT_EQ(edition.Write(), kNoError);
    FactsRecord facts(&db);
    CodeRules rules;
    rules.terminal = 'T', rules.para295 = 'P', rules.sex = 'W', rules.ageLow = "j012", rules.ageHigh = "j055";
    facts.code = "A00.0";
    facts.Take(rules);
    ASSERT_EQ(facts.Write(), kNoError);
}

// A catalogue without the facts reads as before, a broken facts database is
// named and the rest still reads; readers never make the missing files.
TEST(FactsDatabase, OptionalOnOpeningAndFoundByTheLookUp) {
    const struct {
        const char* name;
        bool facts;
        std::vector<const char*> removed;
        bool garbage;  // data5.dat overwritten
        bool absent, allOpened, hasRules;
        const char* failure;
    } cases[] = {
        {"with facts", true, {}, false, false, true, true, ""},
        {"without facts", false, {}, false, true, true, false, "data5.dat and data5.ndx are missing"},
        {"index missing", true, {"data5.ndx"}, false, false, false, false, "data5.ndx is missing"},
        {"damaged", true, {}, true, false, false, false, "Database exception"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteSampleCatalogue(dir.Path());
        if (c.facts) WriteFacts(dir.Path());
        for (const char* name : c.removed) ASSERT_EQ(unlink(dir.File(name).c_str()), 0);
        if (c.garbage) WriteAllBytes(dir.File("data5.dat"), {1, 2, 3, 4, 5, 6, 7, 8});
        Catalogue catalogue(dir.Path());
        EXPECT_EQ(catalogue.OpenAll(CatalogueAccess::Reading), c.allOpened);
        EXPECT_EQ(catalogue.IsAbsent(CatalogueFile::Facts), c.absent);
        EXPECT_EQ(catalogue.Failure(CatalogueFile::Facts).rfind(c.failure, 0), 0u)
            << catalogue.Failure(CatalogueFile::Facts);
        CodeFacts facts;
        ASSERT_TRUE(catalogue.LookUp("A00.0", facts));
        EXPECT_EQ(facts.hasRules, c.hasRules);
        EXPECT_EQ(facts.rules.sex + facts.rules.ageLow + facts.rules.ageHigh,
                  c.hasRules ? "Wj012j055" : std::string(1, '\0'));
        Edition edition;
        EXPECT_EQ(catalogue.ReadEdition(edition), c.hasRules);
        EXPECT_EQ(EditionName(edition), c.hasRules ? "ICD-10-GM 2024" : "");
        ASSERT_TRUE(catalogue.LookUp("A00.9", facts));
        EXPECT_FALSE(facts.hasRules);
        EXPECT_EQ(access(dir.File("data5.dat").c_str(), F_OK) == 0, c.facts);
        EXPECT_EQ(access(dir.File("data5.ndx").c_str(), F_OK) == 0, c.facts && c.removed.empty());
    }
}

}  // namespace
}  // namespace kodexa::test
