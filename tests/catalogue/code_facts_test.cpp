// The optional facts database: a catalogue without it reads as before, a
// broken one is named and the rest still reads, and the lookup carries the
// facts and the edition when it is there.
#include "catalogue/code_facts.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

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
        const auto before = ReadAllBytes(dir.File("data3.dat"));
        for (CatalogueAccess access : {CatalogueAccess::Reading}) {
            Catalogue catalogue(dir.Path());
            EXPECT_EQ(catalogue.OpenAll(access), c.allOpened);
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
        }
        // Readers never make the missing files.
        EXPECT_EQ(access(dir.File("data5.dat").c_str(), F_OK) == 0, c.facts);
        EXPECT_EQ(access(dir.File("data5.ndx").c_str(), F_OK) == 0, c.facts && c.removed.empty());
    }
}

}  // namespace
}  // namespace kodexa::test
