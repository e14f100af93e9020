// The catalogue records: keys and their order, where the catalogue is looked
// for, and finding without the index.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

class Records : public ::testing::Test {
protected:
    TempDir dir;
    CatalogueDbs dbs{dir.Path()};
};

TEST_F(Records, KeysKeepSevenCharactersAndOrderByUnsignedBytes) {
    CatalogueKey longer("A00.123X", 5, kCatalogueClassTag), other("A00.123Y", 6, 0);
    EXPECT_EQ(longer.Code(), "A00.123");
    EXPECT_TRUE(longer.IsEqual(other));
    WriteEntries<GroupRecord>(dbs.groups, {{"A00.123X", "first"}});
    GroupRecord second(&dbs.groups);
    second.code = "A00.123Y";
    EXPECT_EQ(second.Write(), kDuplicateEntry);
    const char* ascending[] = {"", "9", "A", "A00", "A00.0", "A01", "Z99", "a00", "z", "\xc3\xa4"};
    for (size_t i = 1; i < std::size(ascending); ++i) {
        CatalogueKey small(ascending[i - 1], 0, 0), large(ascending[i], 0, 0);
        EXPECT_TRUE(large.IsGreater(small) && !small.IsGreater(large) && !small.IsEqual(large)) << ascending[i];
    }
}

// Images as a damaged index may hold them: bytes after the terminator, no
// terminator at all, bytes above 0x7F.
TEST(CatalogueKeyImages, OrderStopsAtTheFirstTerminatorOfEitherSide) {
    struct Case {
        char a[9];  // eight bytes of image; unset ones are zero
        char b[9];
        int order;
    };
    const Case cases[] = {
        {"A00\0XYZ", "A00\0QRS", 0},  {"AB\0\0\0X\0", "AB\0\0\0Y\0", 0}, {"A00\0\0\0\0", "A00.0\0\0", -1},
        {"ABCDEFGH", "ABCDEFGI", -1}, {"ABCDEFGH", "ABCDEFGH", 0},         {"\x80", "\x7f", 1},
        {"\x01\x01" "A", "\x01\x01" "B", -1}, {"\x01\0" "A", "\x01\0" "B", 0},    {"Z\xff\xff", "Z\xff\xfe", 1},
    };
    for (const Case& c : cases) {
        CatalogueKey a, b;
        std::memcpy(a.KeyImage(), c.a, 8);
        std::memcpy(b.KeyImage(), c.b, 8);
        const int order = a.CompareToImage(b.KeyImage());
        EXPECT_EQ((order > 0) - (order < 0), c.order) << c.a;
        EXPECT_EQ(a.IsEqual(b), c.order == 0) << c.a;
        EXPECT_EQ(a.IsGreater(b), c.order > 0) << c.a;
        EXPECT_EQ(b.IsGreater(a), c.order < 0) << c.a;
    }
}

TEST(CatalogueFiles, ProgramDirectoryKeepsEverythingUpToTheLastSlash) {
    const std::pair<const char*, const char*> cases[] = {
        {"C:/prog/kat.exe", "C:/prog/"}, {"kat.exe", "/"}, {"./kodexa", "./"}, {"build/bin/", "build/bin/"}};
    for (const auto& [path, directory] : cases) EXPECT_EQ(ProgramDirectory(path), directory) << path;
}

// Opened without its index, a database is searched block by block; a
// failed Find leaves the record's fields alone, and a block with a broken
// length does not stop (or hang) the scan.
TEST(RecordsWithoutIndex, FindScansTheBlocks) {
    Watchdog watchdog(20);
    TempDir dir;
    ObjectDatabase db;
    ASSERT_EQ(db.Open(dir.File("d.dat").c_str(), dir.File("d.ndx").c_str(), CatalogueKey(), 29, 6, 0, 0, 1), 0);
    EXPECT_FALSE(StoreFile::FileExists(dir.File("d.ndx").c_str())) << "no index file is made";
    WriteCodes(db, {{"A00", "Cholera", "3"}, {"A01", "Typhus", "3"}, {"A02", "Salmonellen", "3"}, {"A03", "x", "3"}});
    CodeRecord record(&db);
    record.code = "A03";
    ASSERT_EQ(record.Delete(), 1);
    record.code = "A00";
    ASSERT_EQ(record.Find(), 1);
    StoredUInt32 zeroLength = 0;
    ASSERT_EQ(db.DataFile()->Write(&zeroLength, 4, record.Address() - kBlockHeaderSize + 4, 1, 1), kNoError);
    for (const char* code : {"A02", "A03", "A04", "A0"}) {
        CodeRecord probe(&db);
        probe.code = code, probe.title = "unchanged", probe.branchMark = 'Q';
        const bool found = std::string(code) == "A02";
        EXPECT_EQ(probe.Find(), found ? 1 : 0) << code;
        EXPECT_EQ(std::make_tuple(*probe.title, probe.branchMark, probe.Address().Get() != 0),
                  found ? std::make_tuple(std::string("Salmonellen"), 'T', true)
                        : std::make_tuple(std::string("unchanged"), 'Q', false)) << code;
    }
}

}  // namespace
}  // namespace kodexa::test
