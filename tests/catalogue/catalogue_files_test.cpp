// Where the catalogue is looked for and how its databases are opened.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

TEST(CatalogueFiles, ProgramDirectoryKeepsEverythingUpToTheLastSlash) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:/prog/kat.exe", "C:/prog/"}, {"kat.exe", "/"}, {"/kat.exe", "/"}, {"./kodexa", "./"}, {"build/bin/", "build/bin/"}};
    for (const auto& [path, directory] : cases) EXPECT_EQ(ProgramDirectory(path), directory) << path;
    std::filesystem::path self = ExecutablePath("not-the-program");
    EXPECT_EQ(self.filename(), "kodexa_catalogue_tests");
    EXPECT_TRUE(self.is_absolute());
}

TEST(CatalogueFiles, ReadingNeverCreatesAFile) {
    TempDir dir;
    WriteAllBytes(dir.File("data3.dat"), {});
    for (CatalogueFile which : {CatalogueFile::Groups, CatalogueFile::Codes}) {
        ObjectDatabase db;
        EXPECT_EQ(OpenCatalogueDatabase(db, dir.Path(), which, 0), kNoSuchFile);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(CatalogueFiles, WritingCreatesAnEmptyDatabaseWithTheCatalogueArguments) {
    TempDir dir;
    {
        ObjectDatabase db;
        ASSERT_EQ(OpenCatalogueDatabase(db, dir.Path() + "/", CatalogueFile::Chapters, 1), kNoError);
        EXPECT_EQ(db.Index(0)->Header().order, 29);
        EXPECT_EQ(db.Index(0)->File()->StaticAreaSize(), 28) << "one header slot";
    }
    EXPECT_EQ(std::filesystem::file_size(dir.File("data2.dat")), 28u);
    ObjectDatabase reader;
    EXPECT_EQ(OpenCatalogueDatabase(reader, dir.Path(), CatalogueFile::Chapters, 0), kNoError);
    EXPECT_FALSE(reader.DataFile()->IsWritable());
}

}  // namespace
}  // namespace kodexa::test
