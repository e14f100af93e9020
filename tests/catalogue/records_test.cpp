// The catalogue records: keys and their order, finding without the index,
// and writes. A record is stored and indexed, or not stored at all: failed
// writes and deletes must never leave a live record the index does not
// know, nor an index entry that leads to a freed block.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/fault_sweep.h"
#include "tests/support/watchdog.h"

namespace kodexa::test {
namespace {

TEST(Records, KeysKeepSevenCharactersAndOrderByUnsignedBytes) {
    TempDir dir;
    CatalogueDbs dbs(dir.Path());
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

// Opened without its index, a database is searched block by block; a
// failed Find leaves the record's fields alone, and a block with a broken
// length does not stop (or hang) the scan. A code search needs the index.
TEST(RecordsWithoutIndex, FindScansTheBlocks) {
    Watchdog watchdog(20);
    TempDir dir;
    ObjectDatabase db;
    ASSERT_EQ(db.Open(dir.File("d.dat").c_str(), dir.File("d.ndx").c_str(), CatalogueKey(), 29, 6, 0, 0, 1), 0);
    EXPECT_FALSE(StoreFile::FileExists(dir.File("d.ndx").c_str())) << "no index file is made";
    WriteCodes(db, {{"A00", "Cholera", "3"}, {"A01", "Typhus", "3"}, {"A02", "Salmonellen", "3"}, {"A03", "x", "3"}});
    LineSink results;
    EXPECT_FALSE(SearchCodes(db, "", results).found);
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

// Object addresses of the blocks marked in use, walked block by block.
std::set<int32_t> LiveObjects(StoreFile& store) {
    std::set<int32_t> live;
    const int64_t end = store.EndOfFile().Get();
    int64_t block = store.FindBlock(0).Get();
    while (block != 0 && block + store.BlockHeaderSize() <= end) {
        BlockHeader header;
        if (store.Read(&header, sizeof header, static_cast<int32_t>(block)) != kNoError) break;
        if (header.checkWord != kCheckWord || header.length.Get() == 0) break;
        if (header.StatusByte() == kStatusInUse) live.insert(static_cast<int32_t>(block) + store.BlockHeaderSize());
        block += header.length.Get();
    }
    return live;
}

// The keys up to the end, or up to where a tree that a failed write left
// damaged stops the walk (see below).
std::set<int32_t> IndexedObjects(BtreeIndex& index) {
    std::set<int32_t> indexed;
    CatalogueKey key, scratch;
    BtreeCursor cursor(index, key, scratch);
    for (bool on = cursor.First(); on; on = cursor.Next()) indexed.insert(key.ObjectAddress().Get());

    return indexed;
}

// What a failed write or delete must never leave: a key leading to a freed
// block, or a live object that is neither indexed nor one of those before;
// with nothing before, records and keys must be the same. (A tree write
// failing half-way may lose other keys; that is the tree's.) A header write
// that failed is made good by the flush.
void ExpectNoStrayRecordOrKey(ObjectDatabase& db, const std::set<int32_t>& before = {}) {
    ASSERT_EQ(db.DataFile()->Flush(), kNoError);
    const std::set<int32_t> live = LiveObjects(*db.DataFile()), indexed = IndexedObjects(*db.Index(0));
    for (int32_t object : indexed) EXPECT_TRUE(live.count(object)) << "key leads to freed block " << object;
    for (int32_t object : live)
        EXPECT_TRUE(before.count(object) || indexed.count(object)) << "unindexed new object " << object;
}

class RecordWrites : public ::testing::Test {
protected:
    void SetUp() override { Fresh(); }
    void Fresh() {
        dbs.reset();
        dir = std::make_unique<TempDir>();
        dbs = std::make_unique<CatalogueDbs>(dir->Path());
    }

    std::unique_ptr<TempDir> dir;
    std::unique_ptr<CatalogueDbs> dbs;

    int WriteGroup(const char* code, bool remove = false) {
        GroupRecord group(&dbs->groups);
        group.code = code;
        group.title = "Titel";
        return remove ? group.Delete() : group.Write();
    }
};

TEST_F(RecordWrites, DuplicateCodeLeavesNoRecordBehindHoweverOftenTried) {
    ASSERT_EQ(WriteGroup("A00-A09"), kNoError);
    ASSERT_EQ(WriteGroup("A00-A09"), kDuplicateEntry);
    const FileAddress endAfterFirstRetry = dbs->groups.DataFile()->EndOfFile();
    for (int retry = 0; retry < 3; ++retry) {
        EXPECT_EQ(WriteGroup("A00-A09"), kDuplicateEntry);
        EXPECT_EQ(dbs->groups.IndexError(0), kDuplicateEntry);
    }
    // The space of the refused object is handed out again, not added to.
    EXPECT_EQ(dbs->groups.DataFile()->EndOfFile(), endAfterFirstRetry);
    EXPECT_EQ(LiveObjects(*dbs->groups.DataFile()).size(), 1u);
    ExpectNoStrayRecordOrKey(dbs->groups);
}

TEST_F(RecordWrites, FailingCallsKeepRecordsAndKeysInStep) {
    struct Case {
        const char* what;
        std::function<bool()> run;
        size_t recordsAfterSuccess;
    };
    const Case cases[] = {
        {"write", [&] { return WriteGroup("B00-B09") == kNoError; }, 3},
        {"delete", [&] { return WriteGroup("A00-A09", true) == 1; }, 1},
    };
    for (const Case& c : cases) {
        SweepSteps steps;
        std::set<int32_t> before;
        steps.prepare = [&] {
            Fresh();
            ASSERT_EQ(WriteGroup("A00-A09"), kNoError);
            ASSERT_EQ(WriteGroup("C00-C09"), kNoError);
            before = LiveObjects(*dbs->groups.DataFile());
        };
        steps.run = c.run;
        steps.verify = [&](bool succeeded) {
            if (!succeeded) return ExpectNoStrayRecordOrKey(dbs->groups, before);
            ExpectNoStrayRecordOrKey(dbs->groups);
            EXPECT_EQ(IndexedObjects(*dbs->groups.Index(0)).size(), c.recordsAfterSuccess);
        };
        SweepCounts counts = Sweep(FaultMode::Once, steps, c.what);
        EXPECT_GT(counts.reported, 0) << c.what;
    }
}

}  // namespace
}  // namespace kodexa::test
