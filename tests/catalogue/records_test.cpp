// The catalogue records: stored bytes, sizes, keys and their order, and
// finding and deleting with and without the index.
#include <gtest/gtest.h>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

std::vector<std::string> CodesInIndexOrder(ObjectDatabase& db) {
    std::vector<std::string> codes;
    CatalogueKey key, scratch;
    for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1))
        codes.push_back(key.Code());
    return codes;
}

class Records : public ::testing::Test {
protected:
    TempDir dir;
    CatalogueDbs dbs{dir.Path()};
};

TEST_F(Records, ChapterWithAbsentCodeIsStoredAsEighteenBytes) {
    ChapterRecord chapter(&dbs.chapters);
    chapter.title = "x";
    EXPECT_EQ(chapter.ObjectSize(), 10);
    ASSERT_EQ(chapter.Write(), kNoError);
    int32_t at = chapter.Address();
    std::vector<unsigned char> stored(18), expected = {0, 4, 0, 0, uint8_t(at), uint8_t(at >> 8), 0, 0, 1,
                                                       0, 0, 0, 0, 1, 0, 0, 0, 'x'};
    ASSERT_EQ(dbs.chapters.DataFile()->Read(stored.data(), 18, at), kNoError);
    EXPECT_EQ(stored, expected);
    EXPECT_EQ(dbs.chapters.DataFile()->ObjectLength(at), 18);
}

TEST_F(Records, ObjectSizeCountsTextsAndMarks) {
    CodeRecord empty(&dbs.codes), absent(&dbs.codes);
    empty.code = empty.title = empty.level = empty.chapterCode = empty.groupCode = "";
    EXPECT_EQ(empty.ObjectSize(), 22);
    EXPECT_EQ(absent.ObjectSize(), 27);
}

TEST_F(Records, CodeRoundTripsThroughFindAndReload) {
    WriteCodes(dbs.codes, {{"B01", "Varizellen", "3", "A00-B99", "B00-B09", 'N', 'S'}, {"A00.1", "El Tor", "4"}});
    CodeRecord record(&dbs.codes);
    record.code = "B01";
    ASSERT_EQ(record.Find(), 1);
    EXPECT_FALSE(record.title) << "through the index Find only takes the address";
    ASSERT_EQ(record.Reload(), 1);
    EXPECT_EQ(std::vector<RecordText>({record.title, record.level, record.chapterCode, record.groupCode}),
              std::vector<RecordText>({"Varizellen", "3", "A00-B99", "B00-B09"}));
    EXPECT_EQ(std::string({record.branchMark, record.spareMark}), "NS");
    record.ReleaseTexts();
    EXPECT_FALSE(record.code || record.title || record.level || record.chapterCode || record.groupCode);

    CodeRecord absent(&dbs.codes), read(&dbs.codes);
    ASSERT_EQ(absent.Write(), kNoError);
    ASSERT_EQ(read.ReadAt(absent.Address()), 1);
    EXPECT_EQ(std::vector<RecordText>({read.code, read.title, read.level, read.chapterCode, read.groupCode}),
              std::vector<RecordText>(5, ""));
}

TEST_F(Records, ForeignClassTagIsRefusedByEveryRecordClass) {
    WriteCodes(dbs.codes, {{"A00", "Cholera", "3"}});
    CodeRecord code(&dbs.codes);
    GroupRecord group(&dbs.codes);
    ChapterRecord chapter(&dbs.codes);
    code.code = "A00";
    ASSERT_EQ(code.Find(), 1);
    FileAddress at = code.Address();
    StoredUInt32 tag = 1025;
    ASSERT_EQ(dbs.codes.DataFile()->Write(&tag, 4, at, 1, 1), kNoError);
    for (CatalogueRecord* record : std::initializer_list<CatalogueRecord*>{&code, &group, &chapter}) {
        EXPECT_EQ(record->Read(at), kWrongObjectType);
        EXPECT_EQ(dbs.codes.LastError(), kWrongObjectType);
        EXPECT_EQ(record->ReadAt(at), 0);
    }
    EXPECT_EQ(group.Address(), 0) << "a failed read keeps the old address";
}

TEST_F(Records, KeysKeepSevenCharactersAndOrderByUnsignedBytes) {
    CatalogueKey longer("A00.123X", 5, kCatalogueClassTag), other("A00.123Y", 6, 0);
    EXPECT_EQ(longer.Code(), "A00.123");
    EXPECT_EQ(longer.ObjectAddress(), 5);
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
    WriteEntries<ChapterRecord>(dbs.chapters, {{"a00", ""}, {"A00.0", ""}, {"Z99", ""}, {"A00", ""}});
    EXPECT_EQ(CodesInIndexOrder(dbs.chapters), (std::vector<std::string>{"A00", "A00.0", "Z99", "a00"}));
}

TEST_F(Records, DeleteThroughTheIndex) {
    WriteEntries<GroupRecord>(dbs.groups, {{"A00-A09", "Darm"}, {"A15-A19", "Tuberkulose"}});
    GroupRecord group(&dbs.groups);
    group.code = "A00-A09";
    ASSERT_EQ(group.Find(), 1);
    EXPECT_EQ(group.Delete(), 1);
    EXPECT_EQ(group.Find(), 0);
    EXPECT_EQ(group.Delete(), 0);
    EXPECT_EQ(CodesInIndexOrder(dbs.groups), std::vector<std::string>{"A15-A19"});
    BlockHeader block;
    ASSERT_EQ(dbs.groups.DataFile()->ReadBlockHeader(block, group.Address() - kBlockHeaderSize), kNoError);
    EXPECT_EQ(block.StatusByte(), kStatusDeleted);
}

// Opened without its index, a database is searched block by block.
class RecordsWithoutIndex : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(db.Open(dir.File("d.dat").c_str(), dir.File("d.ndx").c_str(), CatalogueKey(), 29, 6, 0, 0, 1), 0);
        WriteCodes(db, {{"A00", "Cholera", "3"}, {"A01", "Typhus", "3"}, {"A02", "Salmonellen", "3"}});
    }
    // Stale fields a failed Find must leave alone.
    CodeRecord Probe(const char* code) {
        CodeRecord probe(&db);
        probe.code = code, probe.title = "unchanged", probe.branchMark = 'Q';
        return probe;
    }
    TempDir dir;
    ObjectDatabase db;
};

TEST_F(RecordsWithoutIndex, FindLoadsTheRecordAndAFailedFindChangesNothing) {
    CodeRecord probe = Probe("A01");
    ASSERT_EQ(probe.Find(), 1);
    EXPECT_EQ(*probe.title, "Typhus");
    EXPECT_EQ(probe.branchMark, 'T');
    CodeRecord deleted = Probe("A00");
    ASSERT_EQ(deleted.Delete(), 1);
    for (const char* code : {"A00", "A03", "A0"}) {
        CodeRecord missing = Probe(code);
        EXPECT_EQ(missing.Find(), 0) << code;
        EXPECT_EQ(std::make_tuple(*missing.code, *missing.title, missing.branchMark, missing.Address().Get()),
                  std::make_tuple(std::string(code), std::string("unchanged"), 'Q', 0));
    }
}

TEST_F(RecordsWithoutIndex, BlockWithBrokenLengthDoesNotStopTheScan) {
    Watchdog watchdog(20);
    CodeRecord first = Probe("A00");
    ASSERT_EQ(first.Find(), 1);
    StoredUInt32 zeroLength = 0;
    ASSERT_EQ(db.DataFile()->Write(&zeroLength, 4, first.Address() - kBlockHeaderSize + 4, 1, 1), kNoError);
    CodeRecord last = Probe("A02");
    EXPECT_EQ(last.Find(), 1);
    EXPECT_EQ(*last.title, "Salmonellen");
}

}  // namespace
}  // namespace kodexa::test
