#include "index/persistent_object.h"

#include <cstring>
#include <new>

namespace kodexa {

PersistentObject::PersistentObject(ObjectDatabase* db) : database(nullptr), address(0) { SetDatabase(db); }

int PersistentObject::SetDatabase(ObjectDatabase* db) {
    if (db == nullptr || db->DataFile() == nullptr) return kNoDatabaseOpen;
    database = db;
    return kNoError;
}

int PersistentObject::ReadAt(FileAddress a) {
    if (Read(a) != kNoError) return 0;
    address = a;
    return 1;
}

int PersistentObject::Reload() { return Read(address) == kNoError ? 1 : 0; }

int PersistentObject::WriteObjectHeader(const ObjectHeader& header, FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    return store->Write(&header, sizeof header, a, kFlush, kVerify);
}

int PersistentObject::ReadObjectHeader(ObjectHeader& header, FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    return store->Read(&header, sizeof header, a);
}

int PersistentObject::WriteString(const char* s, FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return kNoDatabaseOpen;
    static const char kNullString[1] = {0};
    const char* text = s != nullptr ? s : kNullString;
    StoredUInt32 length = static_cast<uint32_t>(s != nullptr ? std::strlen(s) : 1);
    if (store->Write(&length, sizeof length, a, kFlush, kVerify) != kNoError) return store->LastError();
    if (store->Write(text, static_cast<int>(length.Get()), kCurrentPosition, kFlush, kVerify) != kNoError)
        return store->LastError();
    return kNoError;
}

namespace {

// Texts up to this length are read at once: the buffer is small whatever a
// damaged length says. Longer ones are first checked against the bytes the
// file still holds, so that a damaged length never turns into an allocation
// of gigabytes.
constexpr uint32_t kUncheckedTextLength = 64 * 1024;

// How many bytes the file holds from start on, or -1 (code recorded).
int64_t BytesFrom(StoreFile& store, FileAddress start) {
    if (store.Seek(0, kFromEnd) != kNoError) return -1;
    FileAddress end = store.Tell();
    if (store.LastError() != kNoError) return -1;
    return int64_t(end.Get()) - start.Get();
}

}  // namespace

char* PersistentObject::ReadString(FileAddress a) {
    StoreFile* store = Store();
    if (store == nullptr) return nullptr;
    StoredUInt32 length;
    if (store->Read(&length, sizeof length, a) != kNoError) return nullptr;
    const uint32_t n = length.Get();
    FileAddress textStart = store->Tell();
    if (store->LastError() != kNoError) return nullptr;
    if (n > kUncheckedTextLength) {
        int64_t left = BytesFrom(*store, textStart);
        if (left < 0) return nullptr;
        if (int64_t(n) > left) return store->Corrupt("text runs past the end of the file", a.Get()), nullptr;
    }
    char* text = new (std::nothrow) char[n + 1];
    if (text == nullptr) return store->SetError(kMemoryError), nullptr;
    // The stream stands at the text, so the read needs no seek.
    if (store->Read(text, static_cast<int>(n), n > kUncheckedTextLength ? textStart : FileAddress(kCurrentPosition)) !=
        kNoError) {
        delete[] text;
        // A text that runs past the end of the file is damage, not a failed read.
        if (store->LastError() == kReadError) {
            int64_t left = BytesFrom(*store, textStart);
            if (left >= 0 && int64_t(n) > left) store->Corrupt("text runs past the end of the file", a.Get());
            else if (left >= 0) store->SetError(kReadError);
        }
        return nullptr;
    }
    text[n] = 0;
    return text;
}

int PersistentObject::StringSize(const char* s) { return s != nullptr ? static_cast<int>(std::strlen(s)) + 4 : 5; }

int PersistentObject::RemoveObject(FileAddress a) {
    StoreFile* store = Store();
    return store != nullptr ? store->Remove(a, kMarkDeleted) : 0;
}

// The key primitives answer 0 when the index is missing rather than reach
// through a null tree.
int PersistentObject::AddKey(IndexKey& key, IndexKey& scratch, int n, int flush) {
    BtreeIndex* tree = database != nullptr ? database->Index(n) : nullptr;
    return tree != nullptr ? tree->Insert(key, scratch, flush) : 0;
}

int PersistentObject::FindKey(IndexKey& key, IndexKey& scratch, int n, int syncHeader) {
    BtreeIndex* tree = database != nullptr ? database->Index(n) : nullptr;
    return tree != nullptr ? tree->Find(key, scratch, syncHeader) : 0;
}

int PersistentObject::DeleteKey(IndexKey& key, IndexKey& scratch, int n, int flush) {
    BtreeIndex* tree = database != nullptr ? database->Index(n) : nullptr;
    return tree != nullptr ? tree->Remove(key, scratch, flush) : 0;
}

}  // namespace kodexa
