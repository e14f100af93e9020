// The object database: which files Open creates or keeps, and how texts are
// stored.
#include <gtest/gtest.h>

#include <filesystem>

#include "index/persistent_object.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

// Only the text primitives are used here; the catalogue's records test the
// rest of what a record class builds on.
class TestRecord : public PersistentObject {
public:
    explicit TestRecord(ObjectDatabase* db) : PersistentObject(db) {}
    int Read(FileAddress) override { return 0; }
    int Write() override { return 0; }
    int Find() override { return 0; }
    int Delete() override { return 0; }
    int ObjectSize() override { return 0; }
};

class Database : public ::testing::Test {
protected:
    int OpenDb() { return db.Open(data.c_str(), index.c_str(), CodeKey(), 29, 6, 1, 0, 1); }
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

// A record and three keys are written and the files closed; then one, both
// or none of the files are taken away and the database opened again.
TEST_F(Database, OpenKeepsWhatItFindsAndMakesTheRestAfresh) {
    struct Case { bool keepData, keepIndex; int existed, created, keys; } cases[] = {
        {false, false, 0, 0, 0}, {true, false, 1, 1, 0}, {false, true, 0, 0, 0}, {true, true, 1, 0, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.keepData << c.keepIndex);
        ASSERT_EQ(OpenDb(), kNoError);
        ASSERT_NE(db.DataFile()->Allocate(20, kFirstFit), 0);
        for (const char* code : {"M10", "A01", "K20"}) InsertCode(*db.Index(0), code);
        ASSERT_EQ(db.Close(), kNoError);
        if (!c.keepData) std::filesystem::remove(data);
        if (!c.keepIndex) std::filesystem::remove(index);
        ASSERT_EQ(OpenDb(), kNoError);
        EXPECT_EQ(db.Existed(), c.existed);
        EXPECT_EQ(db.Slot(0)->created, c.created);
        EXPECT_EQ(db.Index(0)->Header().keyCount, c.keys);
        ASSERT_EQ(db.Close(), kNoError);
        if (!c.keys) { EXPECT_EQ(ReadAllBytes(index).size(), 640u); }
        if (!c.keepData) { EXPECT_EQ(ReadAllBytes(data).size(), 28u); }
    }
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
