// Opening a catalogue: what each way of opening does with missing files, and
// how a failure is named; which file a walk, search or lookup could not read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

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

TEST(Catalogue, ReadersNameTheFileTheyCouldNotReadToItsEnd) {
    enum Reader { kWalk, kSearch, kLookUp };
    const struct {
        const char* damage;
        Reader reader;
        const char* unreadable;  // "" when everything needed was read
        bool answer;
    } cases[] = {
        {"", kWalk, "", true},
        {"", kSearch, "", true},
        {"", kLookUp, "", true},
        {"C00 spoiled", kWalk, "data3.dat", false},
        {"C00 spoiled", kSearch, "data3.dat", true},
        {"C00 spoiled", kLookUp, "data3.dat", false},
        {"A00 spoiled", kLookUp, "", true},  // a sound code beside a spoiled one
        {"code index cut", kWalk, "data3.ndx", false},
        {"code index cut", kSearch, "data3.ndx", false},
        {"chapter records cut", kWalk, "data2.dat", true},  // the codes are all there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.damage) + " " + std::to_string(c.reader));
        TempDir dir;
        WriteSampleCatalogue(dir.Path());
        const std::string damage = c.damage;
        if (damage == "C00 spoiled") SpoilCode(dir.Path(), "C00");
        if (damage == "A00 spoiled") SpoilCode(dir.Path(), "A00");
        if (damage == "code index cut") {
            ASSERT_EQ(truncate(dir.File("data3.ndx").c_str(), 200), 0);
        }
        if (damage == "chapter records cut") {
            ASSERT_EQ(truncate(dir.File("data2.dat").c_str(), std::filesystem::file_size(dir.File("data2.dat")) - 8), 0);
        }
        Catalogue catalogue(dir.Path());
        ASSERT_TRUE(catalogue.OpenAll(CatalogueAccess::Reading));
        LineSink sink;
        CodeFacts facts;
        const bool answer = c.reader == kWalk     ? catalogue.FillTree(sink)
                            : c.reader == kSearch ? catalogue.Search("", sink)
                                                  : catalogue.LookUp("C00", facts);
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(catalogue.Unreadable(), *c.unreadable ? dir.File(c.unreadable) : "");
    }
}

}  // namespace
}  // namespace kodexa::test
