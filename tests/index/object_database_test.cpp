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

    TempDir dir;
    std::string data = dir.File("data1.dat"), index = dir.File("data1.ndx");
    ObjectDatabase db;
};

// A record and three keys are written and the files closed; then one, both
// or none of the files are taken away and the database opened again. The
// index is kept only beside the records it was made for.
TEST_F(Database, OpenKeepsWhatItFindsAndMakesTheRestAfresh) {
    struct Case { bool keepData, keepIndex; int keys; } cases[] = {
        {false, false, 0}, {true, false, 0}, {false, true, 0}, {true, true, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.keepData << c.keepIndex);
        ASSERT_EQ(OpenDb(), kNoError);
        ASSERT_NE(db.DataFile()->Allocate(20, kFirstFit), 0);
        for (const char* code : {"M10", "A01", "K20"}) InsertCode(*db.Index(0), code);
        ASSERT_EQ(db.Close(), kNoError);
        if (!c.keepData) std::filesystem::remove(data);
        if (!c.keepIndex) std::filesystem::remove(index);
        ASSERT_EQ(OpenDb(), kNoError);
        EXPECT_EQ(db.Existed(), c.keepData);
        EXPECT_EQ(db.Index(0)->Header().keyCount, c.keys);
        ASSERT_EQ(db.Close(), kNoError);
    }
}

// A stored length beyond the bytes left in the file is refused as corrupt.
// How texts are laid out is pinned by the catalogue's record images.
TEST_F(Database, StoredTexts) {
    ASSERT_EQ(OpenDb(), kNoError);
    FileAddress at = db.DataFile()->Allocate(11, kFirstFit);
    ASSERT_EQ(TestRecord(&db).WriteString("Cholera", at), kNoError);
    const uint32_t bytesLeft = db.DataFile()->EndOfFile().Get() - at.Get() - 4;
    for (uint32_t length : {bytesLeft + 1, 0xFFFFFFFFu, bytesLeft}) {
        StoredUInt32 stored = length;
        ASSERT_EQ(db.DataFile()->Write(&stored, 4, at, 1, 1), kNoError);
        char* text = TestRecord(&db).ReadString(at);
        EXPECT_EQ(text != nullptr ? std::string(text, 7) : "null", length == bytesLeft ? "Cholera" : "null") << length;
        delete[] text;
        EXPECT_EQ(db.LastError(), length == bytesLeft ? kNoError : kFileCorrupt) << length;
    }
}

}  // namespace
}  // namespace kodexa::test
