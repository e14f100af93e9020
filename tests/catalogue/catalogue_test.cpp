// Opening a catalogue: what each way of opening does with missing files, and
// how a failure is named.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

TEST(Catalogue, OpeningNamesTheFailureAndOnlyWritersCreateFiles) {
    const struct {
        const char* name;
        std::vector<const char*> removed;
        CatalogueAccess access;
        int error;
        const char* failure;
        bool created;  // the codes' files exist afterwards
    } cases[] = {
        {"reading a whole catalogue", {}, CatalogueAccess::Reading, kNoError, "", true},
        {"reading without the index", {"data3.ndx"}, CatalogueAccess::Reading, kNoSuchFile, "data3.ndx is missing",
         false},
        {"reading without both files", {"data3.dat", "data3.ndx"}, CatalogueAccess::Reading, kNoSuchFile,
         "data3.dat and data3.ndx are missing", false},
        {"writing makes both", {"data3.dat", "data3.ndx"}, CatalogueAccess::Writing, kNoError, "", true},
        {"browsing makes both", {"data3.dat", "data3.ndx"}, CatalogueAccess::Browsing, kNoError, "", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WriteSampleCatalogue(dir.Path());
        for (const char* name : c.removed) ASSERT_EQ(unlink(dir.File(name).c_str()), 0);
        Catalogue catalogue(dir.Path());
        EXPECT_EQ(catalogue.Open(CatalogueFile::Codes, c.access), c.error);
        EXPECT_EQ(catalogue.Error(CatalogueFile::Codes), c.error);
        EXPECT_EQ(catalogue.Failure(CatalogueFile::Codes), c.failure);
        EXPECT_EQ(access(dir.File("data3.dat").c_str(), F_OK) == 0 && access(dir.File("data3.ndx").c_str(), F_OK) == 0,
                  c.created);
        EXPECT_EQ(catalogue.Close(CatalogueFile::Codes), kNoError);
    }
}

TEST(Catalogue, LookUpGivesEveryFieldOfTheCode) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    Catalogue catalogue(dir.Path() + "/");
    ASSERT_TRUE(catalogue.OpenAll(CatalogueAccess::Reading));
    EXPECT_EQ(catalogue.DataPath(CatalogueFile::Chapters), dir.File("data2.dat"));
    CodeFacts facts;
    ASSERT_TRUE(catalogue.LookUp("A15.0", facts));
    EXPECT_EQ(facts.code + "|" + facts.title + "|" + facts.level + "|" + facts.chapterCode + "|" + facts.groupCode +
                  "|" + facts.branchMark + facts.spareMark,
              "A15.0|Lungentuberkulose|4|A00-B99|A15-A19|NX");
    EXPECT_FALSE(catalogue.LookUp("Z99", facts));
    EXPECT_TRUE(catalogue.CloseAll());
}

}  // namespace
}  // namespace kodexa::test
