// The catalogue records: their stored bytes, sizes, keys and order, and
// finding and deleting with and without the index.
#include <gtest/gtest.h>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

class Records : public ::testing::Test {
protected:
    std::vector<unsigned char> StoredBytes(ObjectDatabase& db, FileAddress at, int length) {
        std::vector<unsigned char> bytes(length);
        EXPECT_EQ(db.DataFile()->Read(bytes.data(), length, at), kNoError);
        return bytes;
    }
    std::vector<std::string> CodesInIndexOrder(ObjectDatabase& db) {
        std::vector<std::string> codes;
        CatalogueKey key, scratch;
        for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1))
            codes.push_back(key.Code());
        return codes;
    }

    TempDir dir;
    CatalogueDbs dbs{dir.Path() + "/"};
};

TEST_F(Records, ChapterWithAbsentCodeIsStoredAsEighteenBytes) {
    ChapterRecord chapter(&dbs.chapters);
    chapter.title = "x";
    EXPECT_EQ(chapter.ObjectSize(), 10);
    ASSERT_EQ(chapter.Write(), kNoError);
    int32_t at = chapter.Address();
    std::vector<unsigned char> expected = {0x00, 0x04, 0, 0, static_cast<unsigned char>(at), static_cast<unsigned char>(at >> 8),
                                           0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 'x'};
    EXPECT_EQ(StoredBytes(dbs.chapters, at, 18), expected);
    EXPECT_EQ(dbs.chapters.DataFile()->ObjectLength(at), 18);
}

TEST_F(Records, ObjectSizeCountsTextsAndMarks) {
    CodeRecord empty(&dbs.codes), absent(&dbs.codes);
    empty.code = empty.title = empty.level = empty.chapterCode = empty.groupCode = "";
    EXPECT_EQ(empty.ObjectSize(), 22);
    EXPECT_EQ(absent.ObjectSize(), 27);
    GroupRecord group(&dbs.groups);
    group.code = "A00-A09";
    group.title = "Darm";
    EXPECT_EQ(group.ObjectSize(), 11 + 8);
}

TEST_F(Records, CodeRecordRoundTripsThroughFindAndReload) {
    WriteCodes(dbs.codes, {{"B01", "Varizellen", "3", "A00-B99", "B00-B09", 'N', 'S'},
                           {"A00.1", "Cholera El Tor", "4", "A00-B99", "A00-A09", 'T', 'X'}});
    CodeRecord record(&dbs.codes);
    record.code = "B01";
    ASSERT_EQ(record.Find(), 1);
    EXPECT_FALSE(record.title) << "Find through the index only takes the address";
    ASSERT_EQ(record.Reload(), 1);
    EXPECT_EQ(*record.title, "Varizellen");
    EXPECT_EQ(*record.level, "3");
    EXPECT_EQ(*record.chapterCode, "A00-B99");
    EXPECT_EQ(*record.groupCode, "B00-B09");
    EXPECT_EQ(record.branchMark, 'N');
    EXPECT_EQ(record.spareMark, 'S');

    record.ReleaseTexts();
    EXPECT_FALSE(record.code || record.title || record.level || record.chapterCode || record.groupCode);
    record.code = "B0";
    EXPECT_EQ(record.Find(), 0);
}

TEST_F(Records, AbsentTextsComeBackEmpty) {
    CodeRecord written(&dbs.codes);
    ASSERT_EQ(written.Write(), kNoError);
    CodeRecord read(&dbs.codes);
    ASSERT_EQ(read.ReadAt(written.Address()), 1);
    for (const RecordText* text : {&read.code, &read.title, &read.level, &read.chapterCode, &read.groupCode}) {
        ASSERT_TRUE(*text);
        EXPECT_EQ(**text, "");
    }
}

TEST_F(Records, ForeignClassTagIsRefusedByEveryRecordClass) {
    CodeRecord code(&dbs.codes);
    code.code = "A00";
    ASSERT_EQ(code.Write(), kNoError);
    ChapterRecord chapter(&dbs.codes);
    ASSERT_EQ(chapter.ReadAt(code.Address()), 1) << "the tag, not the layout, decides";
    StoredUInt32 tag = 1025;
    ASSERT_EQ(dbs.codes.DataFile()->Write(&tag, 4, code.Address(), 1, 1), kNoError);

    CodeRecord asCode(&dbs.codes);
    GroupRecord asGroup(&dbs.codes);
    ChapterRecord asChapter(&dbs.codes);
    for (CatalogueRecord* record : std::initializer_list<CatalogueRecord*>{&asCode, &asGroup, &asChapter}) {
        EXPECT_EQ(record->Read(code.Address()), kWrongObjectType);
        EXPECT_EQ(dbs.codes.LastError(), kWrongObjectType);
        EXPECT_EQ(record->ReadAt(code.Address()), 0);
        EXPECT_EQ(record->Address(), 0);
    }
}

TEST_F(Records, KeysKeepSevenCharacters) {
    CatalogueKey longer("A00.123X", 5, kCatalogueClassTag), other("A00.123Y", 6, 0);
    EXPECT_EQ(longer.Code(), "A00.123");
    EXPECT_EQ(longer.KeyImage()[7], 0);
    EXPECT_EQ(longer.ObjectAddress(), 5);
    EXPECT_EQ(longer.ClassTag(), kCatalogueClassTag);
    EXPECT_TRUE(longer.IsEqual(other));

    WriteEntries<GroupRecord>(dbs.groups, {{"A00.123X", "first"}});
    GroupRecord second(&dbs.groups);
    second.code = "A00.123Y";
    EXPECT_EQ(second.Write(), kDuplicateEntry);
}

TEST_F(Records, KeysOrderByUnsignedBytes) {
    struct Case {
        const char *smaller, *larger;
    } cases[] = {{"A00", "A00.0"}, {"Z99", "a00"}, {"9", "A"}, {"", "A"}, {"z", "\xc3\xa4"}, {"A00.0", "A01"}};
    for (const Case& c : cases) {
        CatalogueKey small(c.smaller, 0, 0), large(c.larger, 0, 0);
        EXPECT_TRUE(large.IsGreater(small)) << c.smaller << " < " << c.larger;
        EXPECT_FALSE(small.IsGreater(large)) << c.smaller << " < " << c.larger;
        EXPECT_FALSE(small.IsEqual(large));
        EXPECT_FALSE(small.IsGreater(small));
    }
    WriteEntries<ChapterRecord>(dbs.chapters, {{"a00", ""}, {"A00.0", ""}, {"Z99", ""}, {"A00", ""}, {"A01", ""}});
    EXPECT_EQ(CodesInIndexOrder(dbs.chapters), (std::vector<std::string>{"A00", "A00.0", "A01", "Z99", "a00"}));
}

TEST_F(Records, DeleteThroughTheIndex) {
    WriteEntries<GroupRecord>(dbs.groups, {{"A00-A09", "Darm"}, {"A15-A19", "Tuberkulose"}});
    GroupRecord group(&dbs.groups);
    group.code = "A00-A09";
    ASSERT_EQ(group.Find(), 1);
    FileAddress object = group.Address();
    EXPECT_EQ(group.Delete(), 1);
    EXPECT_EQ(group.Find(), 0);
    EXPECT_EQ(group.Delete(), 0);
    EXPECT_EQ(CodesInIndexOrder(dbs.groups), std::vector<std::string>{"A15-A19"});
    BlockHeader block;
    ASSERT_EQ(dbs.groups.DataFile()->ReadBlockHeader(block, object - kBlockHeaderSize), kNoError);
    EXPECT_EQ(block.StatusByte(), kStatusDeleted);
}

TEST_F(Records, WithoutADatabaseNothingIsWritten) {
    ObjectDatabase closed;
    CodeRecord record(&closed);
    EXPECT_EQ(record.Database(), nullptr);
    EXPECT_EQ(record.Write(), kNoDatabaseOpen);
    EXPECT_EQ(record.Read(100), kNoDatabaseOpen);
    EXPECT_EQ(record.Find(), 0);
    EXPECT_EQ(record.Delete(), 0);
}

// A database opened without its index: records are found by scanning the
// record file block by block.
class RecordsWithoutIndex : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(db.Open(dir.File("data3.dat").c_str(), dir.File("data3.ndx").c_str(), CatalogueKey(), 29, 6, 0, 0, 1),
                  kNoError);
        WriteCodes(db, {{"A00", "Cholera", "3", "", ""}, {"A01", "Typhus", "3", "", ""}, {"A02", "Salmonellen", "3", "", ""}});
        ASSERT_EQ(db.Index(0), nullptr);
    }
    // A record holding stale fields that a failed Find must leave alone.
    CodeRecord Probe(const char* code) {
        CodeRecord probe(&db);
        probe.code = code;
        probe.title = "unchanged";
        probe.branchMark = 'Q';
        return probe;
    }

    TempDir dir;
    ObjectDatabase db;
};

TEST_F(RecordsWithoutIndex, FindLoadsTheRecordWithTheCode) {
    CodeRecord probe = Probe("A01");
    ASSERT_EQ(probe.Find(), 1);
    EXPECT_EQ(*probe.title, "Typhus");
    EXPECT_EQ(probe.branchMark, 'T');
    CodeRecord again(&db);
    ASSERT_EQ(again.ReadAt(probe.Address()), 1);
    EXPECT_EQ(*again.code, "A01");
}

TEST_F(RecordsWithoutIndex, MissingAndDeletedCodesLeaveTheRecordAsItWas) {
    CodeRecord deleted = Probe("A00");
    ASSERT_EQ(deleted.Delete(), 1);
    for (const char* code : {"A00", "A03", "A0"}) {
        CodeRecord probe = Probe(code);
        EXPECT_EQ(probe.Find(), 0) << code;
        EXPECT_EQ(*probe.code, code);
        EXPECT_EQ(*probe.title, "unchanged");
        EXPECT_EQ(probe.branchMark, 'Q');
        EXPECT_EQ(probe.Address(), 0);
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
