// The three kinds of catalogue record. Each is stored as an object header
// followed by its texts (a 4-byte length, then the bytes without terminator;
// an absent text as length 1 and one zero byte) and, for codes, two marks of
// one byte each. Index 0 of each database maps the code to the object.
//
//   ChapterRecord  data2   code, title
//   GroupRecord    data1   code, title
//   CodeRecord     data3   code, title, level, chapterCode, groupCode,
//                          branchMark, spareMark
#ifndef KODEXA_CATALOGUE_CATALOGUE_RECORDS_H
#define KODEXA_CATALOGUE_CATALOGUE_RECORDS_H

#include <optional>
#include <string>

#include "catalogue/catalogue_key.h"
#include "index/persistent_object.h"

namespace kodexa {

// An owned text that may be absent. A record read from a file holds every
// text, possibly empty; only fresh or released records hold absent ones.
using RecordText = std::optional<std::string>;

// The text as a C string, null when absent.
inline const char* TextOrNull(const RecordText& text) { return text ? text->c_str() : nullptr; }
// The text, empty when absent.
inline std::string TextOrEmpty(const RecordText& text) { return text ? *text : std::string(); }
// The same without a copy, for a caller that only reads it at once.
inline const std::string& TextOrEmptyRef(const RecordText& text) {
    static const std::string kEmpty;
    return text ? *text : kEmpty;
}

// The stored form and the five operations shared by the record classes; a
// class names its texts and marks in stored order.
class CatalogueRecord : public PersistentObject {
public:
    int Read(FileAddress a) override;
    int Write() override;
    // 1 when the stored record with this record's code was found. Through
    // the index only the address is taken (follow with Reload); without one
    // the record file is scanned and the found record is loaded.
    int Find() override;
    int Delete() override;
    int ObjectSize() override;

    // Makes every text absent.
    void ReleaseTexts();

    RecordText code;
    RecordText title;

protected:
    explicit CatalogueRecord(ObjectDatabase* db) : PersistentObject(db) {}

    static constexpr int kMaxTexts = 5;
    static constexpr int kMaxMarks = 10;
    struct Fields {
        RecordText* texts[kMaxTexts];
        int textCount;
        char* marks[kMaxMarks];
        int markCount;
    };
    virtual Fields StoredFields() = 0;

private:
    struct Snapshot {
        RecordText texts[kMaxTexts];
        char marks[kMaxMarks];
        FileAddress address;
    };
    Snapshot Remember();
    void Restore(const Snapshot& saved);
    int FindInIndex();
    int ScanRecordFile();
    int FailWith(StoreFile& store);
    bool ReadInOne(StoreFile& store, FileAddress a);
    int ReadFieldByField(StoreFile& store, FileAddress a);
    int ReadHead(StoreFile& store, FileAddress a, bool withLength, unsigned char* trailer);
    int ReadText(StoreFile& store, FileAddress at, RecordText& text, unsigned char* trailer, int trailerSize);

    // Where texts are read before they are taken over; it keeps its room
    // from record to record, so a record read costs no allocation.
    std::string readBuffer;
    int WriteFields(StoreFile& store, FileAddress stored);
    int Discard(StoreFile& store, FileAddress stored, int failure);
    bool IndexSurelyLacks(FileAddress stored);
    bool StillInUse(FileAddress a);
};

class ChapterRecord : public CatalogueRecord {
public:
    explicit ChapterRecord(ObjectDatabase* db) : CatalogueRecord(db) {}

protected:
    Fields StoredFields() override;
};

class GroupRecord : public CatalogueRecord {
public:
    explicit GroupRecord(ObjectDatabase* db) : CatalogueRecord(db) {}

protected:
    Fields StoredFields() override;
};

class CodeRecord : public CatalogueRecord {
public:
    explicit CodeRecord(ObjectDatabase* db) : CatalogueRecord(db) {}

    // "3", "4" or "5": the depth below the group in the tree.
    RecordText level;
    RecordText chapterCode;
    RecordText groupCode;
    // 'N' shows the code as a branch; anything else as a leaf.
    char branchMark = 0;
    // Carried through unchanged.
    char spareMark = 0;

protected:
    Fields StoredFields() override;
};

}  // namespace kodexa

#endif
