// Where the catalogue is looked for and how its databases are opened.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

TEST(CatalogueFiles, ProgramDirectoryKeepsEverythingUpToTheLastSlash) {
    struct Case {
        const char *path, *directory;
    } cases[] = {{"C:/prog/kat.exe", "C:/prog/"}, {"kat.exe", "/"},     {"/kat.exe", "/"},
                 {"/usr/lib/kodexa/kodexa", "/usr/lib/kodexa/"},        {"./kodexa", "./"},
                 {"build/bin/", "build/bin/"},  {"", "/"}};
    for (const Case& c : cases) EXPECT_EQ(ProgramDirectory(c.path), c.directory) << c.path;
}

TEST(CatalogueFiles, ExecutablePathIsTheRunningProgram) {
    std::string path = ExecutablePath("not-the-program");
    EXPECT_EQ(std::filesystem::path(path).filename(), "kodexa_catalogue_tests");
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
}

TEST(CatalogueFiles, NamesFollowTheDeclarationOrder) {
    EXPECT_STREQ(NamesOf(CatalogueFile::Groups).dataName, "data1.dat");
    EXPECT_STREQ(NamesOf(CatalogueFile::Chapters).indexName, "data2.ndx");
    EXPECT_STREQ(NamesOf(CatalogueFile::Codes).dataName, "data3.dat");
    EXPECT_STREQ(NamesOf(CatalogueFile::Chapters).errorMessage, "Error opening Kapitel");
}

TEST(CatalogueFiles, ReadingNeverCreatesAFile) {
    TempDir dir;
    WriteAllBytes(dir.File("data3.dat"), ReadAllBytes("/dev/null"));
    for (CatalogueFile which : {CatalogueFile::Groups, CatalogueFile::Codes}) {
        ObjectDatabase db;
        EXPECT_EQ(OpenCatalogueDatabase(db, dir.Path(), which, 0), kNoSuchFile);
        EXPECT_EQ(db.Index(0), nullptr);
    }
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) files += entry.exists();
    EXPECT_EQ(files, 1);
}

TEST(CatalogueFiles, WritingCreatesAnEmptyDatabaseWithTheCatalogueArguments) {
    TempDir dir;
    {
        ObjectDatabase db;
        ASSERT_EQ(OpenCatalogueDatabase(db, dir.Path() + "/", CatalogueFile::Chapters, 1), kNoError);
        ASSERT_NE(db.Index(0), nullptr);
        EXPECT_EQ(db.Index(0)->Header().order, 29);
        EXPECT_EQ(db.DataFile()->StaticAreaSize(), 0);
    }
    EXPECT_EQ(std::filesystem::file_size(dir.File("data2.dat")), 28u);
    ObjectDatabase reader;
    EXPECT_EQ(OpenCatalogueDatabase(reader, dir.Path(), CatalogueFile::Chapters, 0), kNoError);
    EXPECT_FALSE(reader.DataFile()->IsWritable());
}

}  // namespace
}  // namespace kodexa::test
