// The object database: which files Open creates or keeps, the error state,
// and the stored texts as a small record class writes them.
#include <gtest/gtest.h>

#include <filesystem>

#include "index/persistent_object.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

// A record holding one text, its code, found through index 0.
class TestRecord : public PersistentObject {
public:
    explicit TestRecord(ObjectDatabase* db, std::string c = "") : PersistentObject(db), code(c) {}

    int Read(FileAddress a) override {
        ObjectHeader header;
        if (int error = ReadObjectHeader(header, a); error != kNoError) return error;
        char* stored = ReadString(-1);
        if (stored == nullptr) return database->LastError();
        code = stored;
        delete[] stored;
        return kNoError;
    }
    int Write() override {
        address = Store()->Allocate(ObjectSize() + 8, kFirstFit);
        if (address == 0 || WriteObjectHeader({77, address}, -1) != kNoError || WriteString(code.c_str(), -1) != kNoError)
            return database->LastError();
        CodeKey key(code, address), scratch;
        return database->UseIndex() != 1 || AddKey(key, scratch, 0, 1) ? kNoError : database->IndexError(0);
    }
    // Finding and deleting through the key are tested with the catalogue's records.
    int Find() override { return 0; }
    int Delete() override { return 0; }
    int ObjectSize() override { return StringSize(code.c_str()); }

    std::string code;
};

class Database : public ::testing::Test {
protected:
    int OpenDb(int useIndex = 1) { return db.Open(data.c_str(), index.c_str(), CodeKey(), 29, 6, useIndex, 0, 1); }
    void WriteRecords() {
        for (const char* code : {"M10", "A01", "K20"}) ASSERT_EQ(TestRecord(&db, code).Write(), kNoError) << code;
    }
    // The stored records read back through index 0, in its order.
    std::vector<std::string> RecordsInIndexOrder() {
        std::vector<std::string> codes;
        CodeKey key, scratch;
        for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1)) {
            TestRecord record(&db);
            EXPECT_EQ(record.ReadAt(key.Record()), 1);
            codes.push_back(record.code);
        }
        return codes;
    }
    std::string ReadBack(FileAddress at) {
        char* text = TestRecord(&db).ReadString(at);
        std::string result = text != nullptr ? text : "(null)";
        delete[] text;
        return result;
    }

    TempDir dir;
    std::string data = dir.File("data1.dat"), index = dir.File("data1.ndx");
    ObjectDatabase db;
};

// Three records are written and the files closed; then one, both or none
// of the files are taken away and the database opened again.
TEST_F(Database, OpenKeepsWhatItFindsAndMakesTheRestAfresh) {
    struct Case { bool keepData, keepIndex; int existed, created; size_t records; } cases[] = {
        {false, false, 0, 0, 0}, {true, false, 1, 1, 0}, {false, true, 0, 0, 0}, {true, true, 1, 0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.keepData << c.keepIndex);
        ASSERT_EQ(OpenDb(), kNoError);
        if (db.Index(0)->Header().keyCount == 0) { ASSERT_NO_FATAL_FAILURE(WriteRecords()); }
        ASSERT_EQ(db.Close(), kNoError);
        if (!c.keepData) std::filesystem::remove(data);
        if (!c.keepIndex) std::filesystem::remove(index);
        ASSERT_EQ(OpenDb(), kNoError);
        EXPECT_EQ(db.Existed(), c.existed);
        EXPECT_EQ(db.Slot(0)->created, c.created);
        EXPECT_EQ(RecordsInIndexOrder().size(), c.records);
        if (c.records) { EXPECT_EQ(RecordsInIndexOrder(), (std::vector<std::string>{"A01", "K20", "M10"})); }
        ASSERT_EQ(db.Close(), kNoError);
        if (!c.records) { EXPECT_EQ(ReadAllBytes(index).size(), 640u); }
        if (!c.keepData) { EXPECT_EQ(ReadAllBytes(data).size(), 28u); }
    }
}

TEST_F(Database, MissingFilesAndIndexesAnswerNoDatabaseOpen) {
    EXPECT_EQ(db.SetError(kChecksumError), kNoDatabaseOpen);
    TestRecord orphan(&db);
    EXPECT_EQ(orphan.Database(), nullptr);
    EXPECT_EQ(orphan.ReadString(0), nullptr);
    ASSERT_EQ(OpenDb(), kNoError);
    for (int n : {1, -1, 255}) {
        EXPECT_EQ(db.Index(n), nullptr) << n;
        EXPECT_EQ(db.SetIndexError(kChecksumError, n), kNoDatabaseOpen) << n;
    }
    EXPECT_EQ(orphan.SetDatabase(&db), kNoError);
}

// A null text is kept as the one-byte text holding a zero byte; a stored
// length beyond the bytes left in the file is refused as corrupt.
TEST_F(Database, StoredTexts) {
    ASSERT_EQ(OpenDb(), kNoError);
    using Case = std::pair<const char*, Bytes>;
    for (const Case& c : {Case{nullptr, {1, 0, 0, 0, 0}}, Case{"", {0, 0, 0, 0}}, Case{"A0", {2, 0, 0, 0, 'A', '0'}}}) {
        Bytes bytes(c.second.size());
        FileAddress at = db.DataFile()->Allocate(static_cast<int>(bytes.size()), kFirstFit);
        ASSERT_EQ(TestRecord(&db).WriteString(c.first, at), kNoError);
        ASSERT_EQ(db.DataFile()->Read(bytes.data(), static_cast<int>(bytes.size()), at), kNoError);
        EXPECT_EQ(bytes, c.second);
        EXPECT_EQ(ReadBack(at), c.first != nullptr ? c.first : "");
    }
    FileAddress at = db.DataFile()->Allocate(11, kFirstFit);
    ASSERT_EQ(TestRecord(&db).WriteString("Cholera", at), kNoError);
    const uint32_t bytesLeft = db.DataFile()->EndOfFile().Get() - at.Get() - 4;
    for (uint32_t length : {bytesLeft + 1, 0xFFFFFFFFu, bytesLeft}) {
        StoredUInt32 stored = length;
        ASSERT_EQ(db.DataFile()->Write(&stored, 4, at, 1, 1), kNoError);
        EXPECT_EQ(ReadBack(at).substr(0, 7), length == bytesLeft ? "Cholera" : "(null)") << length;
        EXPECT_EQ(db.LastError(), length == bytesLeft ? kNoError : kFileCorrupt) << length;
    }
}

}  // namespace
}  // namespace kodexa::test
