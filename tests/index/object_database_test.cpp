// The object database: which files Open creates or keeps, the error state,
// and the record primitives as a small record class uses them.
#include <gtest/gtest.h>

#include <filesystem>

#include "index/persistent_object.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

// A record of two texts, found through index 0 by its code.
class TestRecord : public PersistentObject {
public:
    static constexpr int32_t kTag = 77;

    explicit TestRecord(ObjectDatabase* db, std::string c = "", std::string t = "")
        : PersistentObject(db), code(std::move(c)), title(std::move(t)) {}

    int Read(FileAddress a) override {
        ObjectHeader header;
        int error = ReadObjectHeader(header, a);
        if (error != kNoError) return error;
        if (header.classTag != kTag) return database->SetError(kWrongObjectType);
        if (!ReadText(code) || !ReadText(title)) return database->LastError();
        address = a;
        return kNoError;
    }
    int Write() override {
        address = Store()->Allocate(ObjectSize() + 8, kFirstFit);
        if (address == 0) return database->LastError();
        ObjectHeader header{kTag, address};
        if (WriteObjectHeader(header, -1) != kNoError || WriteString(code.c_str(), -1) != kNoError ||
            WriteString(title.c_str(), -1) != kNoError)
            return database->LastError();
        if (database->UseIndex() != 1) return kNoError;
        CodeKey key(code, address), scratch;
        return AddKey(key, scratch, 0, 1) ? kNoError : database->IndexError(0);
    }
    int Find() override {
        CodeKey key(code), scratch;
        return FindKey(key, scratch, 0, 1) && ReadAt(key.Record());
    }
    int Delete() override {
        CodeKey key(code), scratch;
        if (!FindKey(key, scratch, 0, 1)) return 0;
        return RemoveObject(key.Record()) && DeleteKey(key, scratch, 0, 1);
    }
    int ObjectSize() override { return StringSize(code.c_str()) + StringSize(title.c_str()); }

    std::string code, title;

private:
    bool ReadText(std::string& into) {
        char* text = ReadString(-1);
        if (text == nullptr) return false;
        into = text;
        delete[] text;
        return true;
    }
};

class Database : public ::testing::Test {
protected:
    int OpenDb(int useIndex = 1) {
        return db.Open(data.c_str(), index.c_str(), CodeKey(), 29, 6, useIndex, 0, 1);
    }
    void WriteRecords(std::initializer_list<const char*> codes) {
        for (const char* c : codes) {
            TestRecord record(&db, c, std::string("Titel ") + c);
            ASSERT_EQ(record.Write(), kNoError) << c;
        }
    }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    TempDir dir;
    std::string data = dir.File("data1.dat"), index = dir.File("data1.ndx");
    ObjectDatabase db;
};

TEST_F(Database, OpenWithNeitherFileCreatesBothEmpty) {
    ASSERT_EQ(OpenDb(), kNoError);
    EXPECT_EQ(db.LastError(), kNoError);
    ASSERT_NE(db.Index(0), nullptr);
    EXPECT_EQ(db.Existed(), 0);
    EXPECT_EQ(db.Slot(0)->created, 0);
    EXPECT_EQ(db.Slot(0)->open, 1);
    ASSERT_EQ(db.Close(), kNoError);
    EXPECT_EQ(ReadAllBytes(data).size(), 28u);
    EXPECT_EQ(ReadAllBytes(index).size(), 640u);
}

TEST_F(Database, OpenWithRecordFileOnlyMakesAnEmptyIndexAndSaysSo) {
    ASSERT_EQ(OpenDb(), kNoError);
    WriteRecords({"A00", "B00"});
    ASSERT_EQ(db.Close(), kNoError);
    std::filesystem::remove(index);

    ASSERT_EQ(OpenDb(), kNoError);
    EXPECT_EQ(db.Existed(), 1);
    EXPECT_EQ(db.Slot(0)->created, 1);
    CodeKey key;
    EXPECT_EQ(db.Index(0)->FindFirst(key, 1), 0) << "existing records are not entered";
    EXPECT_TRUE(Exists(index));
}

TEST_F(Database, OpenWithIndexOnlyReplacesTheIndexByAnEmptyOne) {
    ASSERT_EQ(OpenDb(), kNoError);
    WriteRecords({"A00", "B00", "C00"});
    ASSERT_EQ(db.Close(), kNoError);
    std::filesystem::remove(data);

    ASSERT_EQ(OpenDb(), kNoError);
    EXPECT_EQ(db.Existed(), 0);
    EXPECT_EQ(db.Slot(0)->created, 0);
    EXPECT_EQ(db.Index(0)->Header().keyCount, 0);
    ASSERT_EQ(db.Close(), kNoError);
    EXPECT_EQ(ReadAllBytes(index).size(), 640u);
}

TEST_F(Database, RecordsSurviveReopeningAndAreFoundWalkedAndDeleted) {
    ASSERT_EQ(OpenDb(), kNoError);
    WriteRecords({"M10", "A01", "Z99", "K20"});
    ASSERT_EQ(db.Close(), kNoError);

    ASSERT_EQ(OpenDb(), kNoError);
    EXPECT_EQ(db.Existed(), 1);
    EXPECT_EQ(db.Slot(0)->created, 0);
    TestRecord found(&db, "K20");
    ASSERT_EQ(found.Find(), 1);
    EXPECT_EQ(found.title, "Titel K20");
    EXPECT_NE(found.Address(), 0);

    std::vector<std::string> walked;
    CodeKey key, scratch;
    for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1)) {
        TestRecord record(&db);
        ASSERT_EQ(record.ReadAt(key.Record()), 1);
        walked.push_back(record.code);
    }
    EXPECT_EQ(walked, (std::vector<std::string>{"A01", "K20", "M10", "Z99"}));

    ASSERT_EQ(found.Delete(), 1);
    TestRecord again(&db, "K20");
    EXPECT_EQ(again.Find(), 0);
    EXPECT_EQ(db.IndexError(0), kEntryNotFound);
    FileAddress deleted;
    EXPECT_EQ(db.DataFile()->CountFree(&deleted, nullptr), 1);
    EXPECT_EQ(deleted, 1);
}

TEST_F(Database, MissingFilesAndIndexesAnswerNoDatabaseOpen) {
    const std::string noDatabase = StoreErrorMessage(kNoDatabaseOpen);
    EXPECT_EQ(db.LastError(), kNoDatabaseOpen);
    EXPECT_EQ(db.SetError(kChecksumError), kNoDatabaseOpen);
    EXPECT_EQ(db.ErrorMessage(), noDatabase);
    EXPECT_EQ(db.Index(0), nullptr);
    TestRecord orphan(&db);
    EXPECT_EQ(orphan.SetDatabase(&db), kNoDatabaseOpen);
    EXPECT_EQ(orphan.Database(), nullptr);
    EXPECT_EQ(orphan.ReadString(0), nullptr);

    ASSERT_EQ(OpenDb(), kNoError);
    for (int n : {1, -1, 254, 255}) {
        EXPECT_EQ(db.Index(n), nullptr) << n;
        EXPECT_EQ(db.IndexError(n), kNoDatabaseOpen) << n;
        EXPECT_EQ(db.SetIndexError(kChecksumError, n), kNoDatabaseOpen) << n;
        EXPECT_EQ(db.IndexErrorMessage(n), noDatabase) << n;
    }
    EXPECT_EQ(db.SetIndexError(kChecksumError, 0), kChecksumError);
    EXPECT_EQ(db.IndexError(0), kChecksumError);
    EXPECT_EQ(orphan.SetDatabase(&db), kNoError);
}

TEST_F(Database, WithoutAnIndexNoIndexFileIsMadeAndTheFlagDoesNotLinger) {
    ASSERT_EQ(OpenDb(1), kNoError);
    EXPECT_EQ(db.UseIndex(), 1);
    ASSERT_EQ(db.Close(), kNoError);
    std::filesystem::remove(index);

    ASSERT_EQ(OpenDb(0), kNoError);
    EXPECT_EQ(db.UseIndex(), 0);
    EXPECT_EQ(db.Index(0), nullptr);
    EXPECT_FALSE(Exists(index));
    TestRecord record(&db, "X1", "ohne Index");
    EXPECT_EQ(record.Write(), kNoError);
    CodeKey key, scratch;
    EXPECT_EQ(record.AddKey(key, scratch, 0, 1), 0);
}

TEST(IndexTable, RequestsBeyondTheLimitAreCut) {
    IndexTable table(300);
    EXPECT_EQ(table.Count(), kMaxIndexes);
    EXPECT_TRUE(table.IsComplete());
    EXPECT_NE(table.Slot(254), nullptr);
    EXPECT_EQ(table.Slot(255), nullptr);
}

class Texts : public Database {
protected:
    void SetUp() override { ASSERT_EQ(OpenDb(), kNoError); }
    // Writes s into a fresh object and answers the object's bytes.
    std::vector<unsigned char> Stored(const char* s, FileAddress& at) {
        at = db.DataFile()->Allocate(PersistentObject::StringSize(s), kFirstFit);
        TestRecord writer(&db);
        EXPECT_EQ(writer.WriteString(s, at), kNoError);
        std::vector<unsigned char> bytes(PersistentObject::StringSize(s));
        EXPECT_EQ(db.DataFile()->Read(bytes.data(), static_cast<int>(bytes.size()), at), kNoError);
        return bytes;
    }
};

TEST_F(Texts, StoredFormAndSizeOfTexts) {
    struct Case {
        const char* text;
        std::vector<unsigned char> bytes;
        const char* readBack;
    };
    for (const Case& c : {Case{nullptr, {1, 0, 0, 0, 0}, ""}, Case{"A", {1, 0, 0, 0, 'A'}, "A"},
                          Case{"", {0, 0, 0, 0}, ""}, Case{"A00.1", {5, 0, 0, 0, 'A', '0', '0', '.', '1'}, "A00.1"}}) {
        FileAddress at;
        EXPECT_EQ(Stored(c.text, at), c.bytes);
        EXPECT_EQ(PersistentObject::StringSize(c.text), static_cast<int>(c.bytes.size()));
        TestRecord reader(&db);
        char* text = reader.ReadString(at);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, c.readBack);
        delete[] text;
    }
}

TEST_F(Texts, LengthBeyondTheFileIsRefusedAsCorrupt) {
    FileAddress at;
    Stored("Cholera", at);
    const int32_t bytesLeft = db.DataFile()->EndOfFile().Get() - at.Get() - 4;
    TestRecord reader(&db);
    for (uint32_t length : {uint32_t(bytesLeft) + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        StoredUInt32 damaged = length;
        ASSERT_EQ(db.DataFile()->Write(&damaged, 4, at, 1, 1), kNoError);
        EXPECT_EQ(reader.ReadString(at), nullptr) << length;
        EXPECT_EQ(db.LastError(), kFileCorrupt) << length;
    }
    StoredUInt32 exact = static_cast<uint32_t>(bytesLeft);
    ASSERT_EQ(db.DataFile()->Write(&exact, 4, at, 1, 1), kNoError);
    char* text = reader.ReadString(at);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::strncmp(text, "Cholera", 7), 0);
    delete[] text;
}

TEST_F(Database, RecordWithAnotherClassTagIsRefusedAsWrongType) {
    ASSERT_EQ(OpenDb(), kNoError);
    TestRecord record(&db, "A09", "Diarrhoe");
    ASSERT_EQ(record.Write(), kNoError);
    ObjectHeader foreign{1024, record.Address()};
    ASSERT_EQ(record.WriteObjectHeader(foreign, record.Address()), kNoError);
    TestRecord reader(&db);
    EXPECT_EQ(reader.ReadAt(record.Address()), 0);
    EXPECT_EQ(db.LastError(), kWrongObjectType);
    EXPECT_EQ(reader.Address(), 0);
}

}  // namespace
}  // namespace kodexa::test
