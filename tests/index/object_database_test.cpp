// The object database: which files Open creates or keeps, the error state,
// and the record primitives as a small record class uses them.
#include <gtest/gtest.h>

#include <filesystem>

#include "index/persistent_object.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

// A record of two texts, its code and a title, found through index 0.
class TestRecord : public PersistentObject {
public:
    explicit TestRecord(ObjectDatabase* db, std::string c = "") : PersistentObject(db), code(c), title("Titel " + c) {}

    int Read(FileAddress a) override {
        ObjectHeader header;
        if (int error = ReadObjectHeader(header, a); error != kNoError) return error;
        if (header.classTag != 77) return database->SetError(kWrongObjectType);
        for (std::string* text : {&code, &title}) {
            char* stored = ReadString(-1);
            if (stored == nullptr) return database->LastError();
            *text = stored;
            delete[] stored;
        }
        return kNoError;
    }
    int Write() override {
        address = Store()->Allocate(ObjectSize() + 8, kFirstFit);
        ObjectHeader header{77, address};
        if (address == 0 || WriteObjectHeader(header, -1) != kNoError || WriteString(code.c_str(), -1) != kNoError ||
            WriteString(title.c_str(), -1) != kNoError)
            return database->LastError();
        CodeKey key(code, address), scratch;
        return database->UseIndex() != 1 || AddKey(key, scratch, 0, 1) ? kNoError : database->IndexError(0);
    }
    int Find() override {
        CodeKey key(code), scratch;
        return FindKey(key, scratch, 0, 1) && ReadAt(key.Record());
    }
    int Delete() override {
        CodeKey key(code), scratch;
        return FindKey(key, scratch, 0, 1) && RemoveObject(key.Record()) && DeleteKey(key, scratch, 0, 1);
    }
    int ObjectSize() override { return StringSize(code.c_str()) + StringSize(title.c_str()); }

    std::string code, title;
};

class Database : public ::testing::Test {
protected:
    int OpenDb(int useIndex = 1) { return db.Open(data.c_str(), index.c_str(), CodeKey(), 29, 6, useIndex, 0, 1); }
    void WriteRecords() {
        for (const char* code : {"M10", "A01", "K20"}) ASSERT_EQ(TestRecord(&db, code).Write(), kNoError) << code;
    }
    // The titles of the stored records, in the order of index 0.
    std::vector<std::string> TitlesInIndexOrder() {
        std::vector<std::string> titles;
        CodeKey key, scratch;
        for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1)) {
            TestRecord record(&db);
            EXPECT_EQ(record.ReadAt(key.Record()), 1);
            titles.push_back(record.title);
        }
        return titles;
    }

    // Writes s into a fresh object at `at` and answers the object's bytes.
    std::vector<unsigned char> Stored(const char* s, FileAddress& at) {
        std::vector<unsigned char> bytes(PersistentObject::StringSize(s));
        at = db.DataFile()->Allocate(static_cast<int>(bytes.size()), kFirstFit);
        EXPECT_EQ(TestRecord(&db).WriteString(s, at), kNoError);
        EXPECT_EQ(db.DataFile()->Read(bytes.data(), static_cast<int>(bytes.size()), at), kNoError);
        return bytes;
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

struct OpenCase {
    const char* name;
    bool keepData, keepIndex;
    int existed, created;
    std::vector<std::string> titles;  // found through the index after opening
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class DatabaseOpen : public Database, public ::testing::WithParamInterface<OpenCase> {};

// Three records are written and the files closed; then one, both or none
// of the files are taken away and the database opened again.
TEST_P(DatabaseOpen, KeepsWhatItFindsAndMakesTheRestAfresh) {
    const OpenCase& c = GetParam();
    ASSERT_EQ(OpenDb(), kNoError);
    ASSERT_NO_FATAL_FAILURE(WriteRecords());
    ASSERT_EQ(db.Close(), kNoError);
    if (!c.keepData) std::filesystem::remove(data);
    if (!c.keepIndex) std::filesystem::remove(index);

    ASSERT_EQ(OpenDb(), kNoError);
    ASSERT_NE(db.Index(0), nullptr);
    EXPECT_EQ(db.Existed(), c.existed);
    EXPECT_EQ(db.Slot(0)->open, 1);
    EXPECT_EQ(db.Slot(0)->created, c.created);
    EXPECT_EQ(db.Index(0)->Header().keyCount, static_cast<int32_t>(c.titles.size()));
    EXPECT_EQ(TitlesInIndexOrder(), c.titles);
    ASSERT_EQ(db.Close(), kNoError);
    if (c.titles.empty()) { EXPECT_EQ(ReadAllBytes(index).size(), 640u); }
    if (!c.keepData) { EXPECT_EQ(ReadAllBytes(data).size(), 28u); }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DatabaseOpen,
    ::testing::Values(OpenCase{"Neither", false, false, 0, 0, {}}, OpenCase{"RecordFileOnly", true, false, 1, 1, {}},
                      OpenCase{"IndexOnly", false, true, 0, 0, {}},
                      OpenCase{"Both", true, true, 1, 0, {"Titel A01", "Titel K20", "Titel M10"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Database, RecordIsFoundByItsKeyAndDeletedWithIt) {
    ASSERT_EQ(OpenDb(), kNoError);
    ASSERT_NO_FATAL_FAILURE(WriteRecords());
    TestRecord found(&db, "K20");
    ASSERT_EQ(found.Delete(), 1);
    EXPECT_EQ(found.Find(), 0);
    EXPECT_EQ(db.IndexError(0), kEntryNotFound);
    EXPECT_EQ(TitlesInIndexOrder(), (std::vector<std::string>{"Titel A01", "Titel M10"}));
    FileAddress deleted;
    EXPECT_EQ(db.DataFile()->CountFree(&deleted, nullptr), 1);
    EXPECT_EQ(deleted, 1);
}

TEST_F(Database, MissingFilesAndIndexesAnswerNoDatabaseOpen) {
    EXPECT_EQ(db.LastError(), kNoDatabaseOpen);
    EXPECT_EQ(db.SetError(kChecksumError), kNoDatabaseOpen);
    TestRecord orphan(&db);
    EXPECT_EQ(orphan.Database(), nullptr);
    EXPECT_EQ(orphan.ReadString(0), nullptr);
    ASSERT_EQ(OpenDb(), kNoError);
    for (int n : {1, -1, 254, 255}) {
        EXPECT_EQ(db.Index(n), nullptr) << n;
        EXPECT_EQ(db.SetIndexError(kChecksumError, n), kNoDatabaseOpen) << n;
    }
    EXPECT_EQ(db.SetIndexError(kChecksumError, 0), kChecksumError);
    EXPECT_EQ(orphan.SetDatabase(&db), kNoError);
}

TEST_F(Database, WithoutAnIndexNoIndexFileIsMadeAndTheFlagDoesNotLinger) {
    ASSERT_EQ(OpenDb(1), kNoError);
    ASSERT_EQ(db.Close(), kNoError);
    std::filesystem::remove(index);
    ASSERT_EQ(OpenDb(0), kNoError);
    EXPECT_EQ(db.UseIndex(), 0);
    EXPECT_EQ(db.Index(0), nullptr);
    EXPECT_FALSE(std::filesystem::exists(index));
    TestRecord record(&db, "X1");
    EXPECT_EQ(record.Write(), kNoError);
    EXPECT_EQ(record.Find(), 0);
}

// A null text is kept as the one-byte text holding a zero byte.
TEST_F(Database, StoredFormAndSizeOfTexts) {
    ASSERT_EQ(OpenDb(), kNoError);
    using Case = std::pair<const char*, std::vector<unsigned char>>;  // a text and its stored form
    for (const Case& c : {Case{nullptr, {1, 0, 0, 0, 0}}, Case{"A", {1, 0, 0, 0, 'A'}}, Case{"", {0, 0, 0, 0}},
                          Case{"A00.1", {5, 0, 0, 0, 'A', '0', '0', '.', '1'}}}) {
        FileAddress at;
        EXPECT_EQ(Stored(c.first, at), c.second);
        EXPECT_EQ(ReadBack(at), c.first != nullptr ? c.first : "");
    }
}

TEST_F(Database, TextLengthBeyondTheBytesLeftIsRefusedAsCorrupt) {
    ASSERT_EQ(OpenDb(), kNoError);
    FileAddress at;
    Stored("Cholera", at);
    const uint32_t bytesLeft = db.DataFile()->EndOfFile().Get() - at.Get() - 4;
    for (uint32_t length : {bytesLeft + 1, 0x7FFFFFFFu, 0xFFFFFFFFu, bytesLeft}) {
        StoredUInt32 stored = length;
        ASSERT_EQ(db.DataFile()->Write(&stored, 4, at, 1, 1), kNoError);
        EXPECT_EQ(ReadBack(at).substr(0, 7), length == bytesLeft ? "Cholera" : "(null)") << length;
        EXPECT_EQ(db.LastError(), length == bytesLeft ? kNoError : kFileCorrupt) << length;
    }
}

}  // namespace
}  // namespace kodexa::test
