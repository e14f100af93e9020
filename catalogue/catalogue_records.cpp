#include "catalogue/catalogue_records.h"

#include <cstring>

namespace kodexa {

namespace {

constexpr int kObjectHeaderSize = sizeof(ObjectHeader);
constexpr int kTextLengthSize = 4;
// As the object layer reads texts: up to this length without measuring the
// file first.
constexpr uint32_t kUncheckedTextLength = 64 * 1024;
// Bytes read at once for a record: room for every code record of the
// catalogues, whose titles stay below 256 bytes.
constexpr int kWholeRecordRead = 512;

bool TextRunsPastEnd(StoreFile& store, int64_t textStart, uint32_t n) {
    if (store.Seek(0, kFromEnd) != kNoError) return false;
    FileAddress end = store.Tell();
    return store.LastError() == kNoError && int64_t(n) > int64_t(end.Get()) - textStart;
}

}  // namespace

// A failing store call has recorded its code; should it ever not have, the
// caller must still not see success.
int CatalogueRecord::FailWith(StoreFile& store) {
    int code = store.LastError();
    return code != kNoError ? code : store.SetError(kReadError);
}

// A whole record usually comes in one read of as many bytes as it may take;
// one that does not fit, or that is anything but sound, is read field by
// field, which also names what is wrong with it.
int CatalogueRecord::Read(FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    if (ReadInOne(*store, a)) return kNoError;
    return ReadFieldByField(*store, a);
}

namespace {

// Takes the next length-prefixed text out of the bytes [at, end); false
// when it does not lie whole inside them.
bool NextText(const unsigned char*& at, const unsigned char* end, const unsigned char*& text, uint32_t& n) {
    if (end - at < kTextLengthSize) return false;
    StoredUInt32 length;
    std::memcpy(&length, at, sizeof length);
    n = length.Get();
    at += kTextLengthSize;
    if (n > static_cast<uint32_t>(end - at)) return false;
    text = at;
    at += n;
    return true;
}

}  // namespace

bool CatalogueRecord::ReadInOne(StoreFile& store, FileAddress a) {
    unsigned char bytes[kWholeRecordRead];
    const int got = store.ReadUpTo(bytes, sizeof bytes, a);
    if (got < kObjectHeaderSize) return false;
    ObjectHeader header;
    std::memcpy(&header, bytes, sizeof header);
    if (header.classTag != kCatalogueClassTag) return false;
    Fields fields = StoredFields();
    const unsigned char* at = bytes + kObjectHeaderSize;
    const unsigned char* const end = bytes + got;
    const unsigned char* texts[kMaxTexts];
    uint32_t lengths[kMaxTexts];
    for (int i = 0; i < fields.textCount; ++i)
        if (!NextText(at, end, texts[i], lengths[i])) return false;
    if (end - at < fields.markCount) return false;
    for (int i = 0; i < fields.textCount; ++i) {
        if (!*fields.texts[i]) fields.texts[i]->emplace();
        (*fields.texts[i])->assign(reinterpret_cast<const char*>(texts[i]), lengths[i]);
    }
    for (int i = 0; i < fields.markCount; ++i) *fields.marks[i] = static_cast<char>(at[i]);
    // Nothing reads on from where the stream stands after a record, so it
    // is left where the one copy ended.
    address = a;
    return true;
}

// Each text comes in one read together with what follows it: the length of
// the next text, or the marks after the last one.
int CatalogueRecord::ReadFieldByField(StoreFile& store, FileAddress a) {
    store.SeekTo(a);
    if (store.LastError() != kNoError) return store.LastError();
    Fields fields = StoredFields();
    unsigned char trailer[kTextLengthSize > kMaxMarks ? kTextLengthSize : kMaxMarks];
    int code = ReadHead(store, a, fields.textCount > 0, trailer);
    if (code != kNoError) return code;
    int64_t at = int64_t(a.Get()) + kObjectHeaderSize;
    for (int i = 0; i < fields.textCount; ++i) {
        const bool last = i + 1 == fields.textCount;
        const int trailerSize = last ? fields.markCount : kTextLengthSize;
        code = ReadText(store, static_cast<int32_t>(at), *fields.texts[i], trailer, trailerSize);
        if (code != kNoError) return code;
        at += kTextLengthSize + static_cast<int64_t>((*fields.texts[i])->size());
    }
    const unsigned char* marks = trailer;
    if (fields.textCount == 0 && fields.markCount > 0) {
        if (store.Read(trailer, fields.markCount, kCurrentPosition) != kNoError) return FailWith(store);
    }
    for (int i = 0; i < fields.markCount; ++i) *fields.marks[i] = static_cast<char>(marks[i]);
    address = a;
    return kNoError;
}

// The object header and, when there are texts, the first text's length into
// trailer, in one read. Should that fail, the header alone is read, so that
// a foreign object too short for a text is still told by its class tag.
int CatalogueRecord::ReadHead(StoreFile& store, FileAddress a, bool withLength, unsigned char* trailer) {
    unsigned char head[kObjectHeaderSize + kTextLengthSize];
    ObjectHeader header;
    bool both = withLength && store.Read(head, sizeof head, a) == kNoError;
    if (both) {
        std::memcpy(&header, head, sizeof header);
        std::memcpy(trailer, head + kObjectHeaderSize, kTextLengthSize);
    } else if (ReadObjectHeader(header, a) != kNoError) {
        return FailWith(store);
    }
    if (header.classTag != kCatalogueClassTag) return store.SetError(kWrongObjectType);
    if (withLength && !both && store.Read(trailer, kTextLengthSize, kCurrentPosition) != kNoError)
        return FailWith(store);
    return kNoError;
}

// The text whose length field lies at `at` (its value already in trailer),
// then trailerSize bytes more into trailer. The stream stands at the text.
int CatalogueRecord::ReadText(StoreFile& store, FileAddress at, RecordText& text, unsigned char* trailer,
                              int trailerSize) {
    StoredUInt32 length;
    std::memcpy(&length, trailer, sizeof length);
    const uint32_t n = length.Get();
    if (n > kUncheckedTextLength) {
        // Rare and long: the checked way, which measures the file first.
        char* longText = ReadString(at);
        if (longText == nullptr) return FailWith(store);
        text = std::string(longText, n);
        delete[] longText;
        if (trailerSize > 0 && store.Read(trailer, trailerSize, kCurrentPosition) != kNoError) return FailWith(store);
        return kNoError;
    }
    readBuffer.resize(n + static_cast<size_t>(trailerSize));
    if (store.Read(&readBuffer[0], static_cast<int>(readBuffer.size()), kCurrentPosition) != kNoError) {
        // A text that runs past the end of the file is damage, not a failed read.
        if (store.LastError() == kReadError && TextRunsPastEnd(store, at.Get() + kTextLengthSize, n))
            store.Corrupt("text runs past the end of the file", at.Get());
        return FailWith(store);
    }
    std::memcpy(trailer, readBuffer.data() + n, static_cast<size_t>(trailerSize));
    if (!text) text.emplace();
    text->assign(readBuffer.data(), n);
    return kNoError;
}

// A record is either stored and indexed or not stored at all: when a step
// after the allocation fails, the new object is handed back, unless the
// index may already lead to it.
int CatalogueRecord::Write() {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    FileAddress stored = store->Allocate(ObjectSize() + kObjectHeaderSize, kFirstFit);
    if (stored == 0) return FailWith(*store);
    int written = WriteFields(*store, stored);
    if (written != kNoError) return Discard(*store, stored, written);
    if (database->UseIndex() == 1) {
        CatalogueKey key(TextOrNull(code), stored, kCatalogueClassTag), scratch;
        if (!AddKey(key, scratch, 0, kFlush)) {
            int error = database->IndexError(0);
            if (error == kNoError) error = kInsertError;
            if (IndexSurelyLacks(stored)) Discard(*store, stored, store->LastError());
            return database->SetIndexError(error, 0);
        }
    }
    address = stored;
    return kNoError;
}

// Allocate leaves the file at the new object, so every field follows at the
// current position.
int CatalogueRecord::WriteFields(StoreFile& store, FileAddress stored) {
    ObjectHeader header{kCatalogueClassTag, stored};
    if (WriteObjectHeader(header, kCurrentPosition) != kNoError) return FailWith(store);
    Fields fields = StoredFields();
    for (int i = 0; i < fields.textCount; ++i)
        if (WriteString(TextOrNull(*fields.texts[i]), kCurrentPosition) != kNoError) return FailWith(store);
    for (int i = 0; i < fields.markCount; ++i)
        if (store.Write(fields.marks[i], 1, kCurrentPosition, kFlush, kVerify) != kNoError) return FailWith(store);
    store.WriteObjectChecksum(stored);
    return store.LastError();
}

// Gives a half-made object back as released space; the store keeps the code
// of the step that failed.
int CatalogueRecord::Discard(StoreFile& store, FileAddress stored, int failure) {
    store.Remove(stored, kMarkReleased);
    return store.SetError(failure);
}

// True only when the index answered that it has no entry for this code
// leading to stored; a lookup that fails itself proves nothing. The index
// keeps the code of the call before.
bool CatalogueRecord::IndexSurelyLacks(FileAddress stored) {
    const int previous = database->IndexError(0);
    CatalogueKey probe(TextOrNull(code), 0, 0), scratch;
    bool lacks = FindKey(probe, scratch, 0, kSyncHeader) ? probe.ObjectAddress() != stored
                                                         : database->IndexError(0) == kEntryNotFound;
    database->SetIndexError(previous, 0);
    return lacks;
}

int CatalogueRecord::ObjectSize() {
    Fields fields = StoredFields();
    int size = fields.markCount;
    for (int i = 0; i < fields.textCount; ++i) size += StringSize(TextOrNull(*fields.texts[i]));
    return size;
}

void CatalogueRecord::ReleaseTexts() {
    Fields fields = StoredFields();
    for (int i = 0; i < fields.textCount; ++i) fields.texts[i]->reset();
}

int CatalogueRecord::Find() {
    if (database == nullptr) return 0;
    return database->UseIndex() == 1 ? FindInIndex() : ScanRecordFile();
}

int CatalogueRecord::FindInIndex() {
    CatalogueKey key(TextOrNull(code), 0, 0), scratch;
    if (!FindKey(key, scratch, 0, kSyncHeader)) return 0;
    address = key.ObjectAddress();
    return 1;
}

CatalogueRecord::Snapshot CatalogueRecord::Remember() {
    Snapshot saved{};
    Fields fields = StoredFields();
    for (int i = 0; i < fields.textCount; ++i) saved.texts[i] = *fields.texts[i];
    for (int i = 0; i < fields.markCount; ++i) saved.marks[i] = *fields.marks[i];
    saved.address = address;
    return saved;
}

void CatalogueRecord::Restore(const Snapshot& saved) {
    Fields fields = StoredFields();
    for (int i = 0; i < fields.textCount; ++i) *fields.texts[i] = saved.texts[i];
    for (int i = 0; i < fields.markCount; ++i) *fields.marks[i] = saved.marks[i];
    address = saved.address;
}

// Visits every block of the record file in file order and reads each live
// catalogue object until one carries the wanted code. The record is left as
// it was whenever nothing is found, failures included.
int CatalogueRecord::ScanRecordFile() {
    StoreFile* store = Store();
    if (store == nullptr) return 0;
    Snapshot saved = Remember();
    const std::string wanted = TextOrEmpty(code);
    const int64_t end = store->EndOfFile().Get();
    const int blockHeaderSize = store->BlockHeaderSize();
    int64_t block = store->FindBlock(0).Get();
    bool found = false;
    while (block != 0 && block + blockHeaderSize < end) {
        BlockHeader header;
        if (store->Read(&header, sizeof header, static_cast<int32_t>(block)) != kNoError) break;
        // A block shorter than its own header cannot lead anywhere; moving on
        // byte by byte keeps the scan going forward on a damaged file.
        int64_t length = header.length.Get();
        int64_t step = header.checkWord == kCheckWord && length >= blockHeaderSize ? length : 1;
        if (header.checkWord != kCheckWord || header.StatusByte() != kStatusInUse) {
            block += step;
            continue;
        }
        const int32_t object = static_cast<int32_t>(block + blockHeaderSize);
        ObjectHeader objectHeader;
        if (ReadObjectHeader(objectHeader, object) != kNoError) break;
        if (objectHeader.classTag == kCatalogueClassTag) {
            if (Read(object) != kNoError) break;
            if (TextOrEmpty(code) == wanted) {
                found = true;
                break;
            }
        }
        block += step;
    }
    if (!found) Restore(saved);
    return found ? 1 : 0;
}

int CatalogueRecord::Delete() {
    if (database == nullptr) return 0;
    if (database->UseIndex() != 1) return Find() && RemoveObject(address) ? 1 : 0;
    CatalogueKey key(TextOrNull(code), 0, 0), scratch;
    if (!FindKey(key, scratch, 0, kSyncHeader)) return 0;
    // The key goes first: an index entry must never lead to a freed block,
    // which the next allocation would hand to another record.
    const std::string foundCode = key.Code();
    const FileAddress object = key.ObjectAddress(), classTag = key.ClassTag();
    if (!DeleteKey(key, scratch, 0, kFlush)) {
        // A tree that failed after taking the key out no longer leads to the
        // object, which then goes too; the failure is still answered.
        if (IndexSurelyLacks(object)) RemoveObject(object);
        return 0;
    }
    if (RemoveObject(object)) return 1;
    if (StillInUse(object)) {
        CatalogueKey restored(foundCode.c_str(), object, classTag);
        AddKey(restored, scratch, 0, kFlush);
    }
    return 0;
}

// Whether the block of the object at a is marked in use on disk; the store
// keeps the code of the call before.
bool CatalogueRecord::StillInUse(FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return false;
    int previous = store->LastError();
    BlockHeader block;
    bool inUse = store->ReadBlockHeader(block, a.Get() - store->BlockHeaderSize()) == kNoError &&
                 block.StatusByte() == kStatusInUse;
    store->SetError(previous);
    return inUse;
}

CatalogueRecord::Fields ChapterRecord::StoredFields() { return Fields{{&code, &title}, 2, {}, 0}; }

CatalogueRecord::Fields GroupRecord::StoredFields() { return Fields{{&code, &title}, 2, {}, 0}; }

CatalogueRecord::Fields CodeRecord::StoredFields() {
    return Fields{{&code, &title, &level, &chapterCode, &groupCode}, 5, {&branchMark, &spareMark}, 2};
}

}  // namespace kodexa
