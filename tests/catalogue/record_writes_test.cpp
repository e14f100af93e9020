// A record is stored and indexed, or not stored at all: failed writes and
// deletes must never leave a live record the index does not know, nor an
// index entry that leads to a freed block.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/fault_sweep.h"

namespace kodexa::test {
namespace {

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

std::set<int32_t> IndexedObjects(BtreeIndex& index) {
    std::set<int32_t> indexed;
    CatalogueKey key, scratch;
    for (int more = index.FindFirst(key, 1); more; more = index.FindNext(key, scratch, 1))
        indexed.insert(key.ObjectAddress().Get());
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
