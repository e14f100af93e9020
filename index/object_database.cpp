#include "index/object_database.h"

#include <new>

namespace kodexa {

IndexTable::IndexTable(int requested) : slots(), count(requested < 0 ? 0 : requested) {
    if (count > kMaxIndexes) count = kMaxIndexes;
    for (int n = 0; n < kMaxIndexes; ++n) slots[n] = nullptr;
    for (int n = 0; n < count; ++n) slots[n] = new (std::nothrow) IndexSlot();
}

IndexTable::~IndexTable() {
    for (IndexSlot* slot : slots) delete slot;
}

bool IndexTable::IsComplete() const {
    for (int n = 0; n < count; ++n)
        if (slots[n] == nullptr) return false;
    return true;
}

// A failed close keeps the files open for another try; a database going away
// gets no other try, so it lets go of its files and index table instead of
// leaking them (each file's own destructor does the same).
ObjectDatabase::~ObjectDatabase() {
    if (Close() == kNoError) return;
    delete storeFile;
    delete indexTable;
}

int ObjectDatabase::Open(const char* dataName, const char* indexName, const IndexKey& keyPrototype,
                         FileAddress order, int openMode, int withIndex, FileAddress dataStaticSize,
                         int indexHeaderSlots) {
    int code = Close();
    if (code != kNoError) return code;
    if (withIndex) {
        indexTable = new (std::nothrow) IndexTable(1);
        if (indexTable != nullptr && !indexTable->IsComplete()) {
            delete indexTable;
            indexTable = nullptr;
        }
        // Without a table the database still serves its records, unindexed.
        if (indexTable != nullptr) {
            indexTable->Slot(0)->open = 1;
            useIndex = withIndex;
        }
    }
    // Only a file that is really absent is made anew: creating truncates,
    // so a file that merely could not be looked at would lose its records.
    if (FileMissingOnDisk(dataName)) {
        if (CreateDataFile(dataName, dataStaticSize) != kNoError) return LastError();
        existed = 0;
    } else {
        if (OpenDataFile(dataName, openMode) != kNoError) return LastError();
        existed = 1;
    }
    if (indexTable == nullptr) return kNoError;
    return OpenOrCreateIndex(indexName, keyPrototype, order, openMode, indexHeaderSlots);
}

// An index next to a new record file is always made afresh: whatever an old
// index file says refers to records that are gone.
int ObjectDatabase::OpenOrCreateIndex(const char* indexName, const IndexKey& keyPrototype, FileAddress order,
                                      int openMode, int indexHeaderSlots) {
    int code;
    if (existed && !FileMissingOnDisk(indexName)) {
        code = OpenIndex(indexName, 0, keyPrototype, order, openMode);
    } else {
        if (existed) indexTable->Slot(0)->created = 1;
        code = CreateIndex(indexName, 0, keyPrototype, order, indexHeaderSlots);
    }
    return code == kNoError ? kNoError : IndexError(0);
}

int ObjectDatabase::Close() {
    if (CloseDataFile() != kNoError) return LastError();
    if (indexTable != nullptr) {
        for (int n = 0; n < indexTable->Count(); ++n)
            if (CloseIndex(n) != kNoError) return IndexError(n);
        delete indexTable;
        indexTable = nullptr;
    }
    // A later Open without an index must not inherit the flag, or records
    // would look for an index that is not there.
    existed = 0;
    useIndex = 0;
    return kNoError;
}

int ObjectDatabase::CreateDataFile(const char* name, FileAddress staticSize) {
    int code = CloseDataFile();
    if (code != kNoError) return code;
    storeFile = new (std::nothrow) StoreFile();
    if (storeFile == nullptr) return kMemoryError;
    return storeFile->Create(name, staticSize, 0);
}

int ObjectDatabase::OpenDataFile(const char* name, int mode) {
    int code = CloseDataFile();
    if (code != kNoError) return code;
    storeFile = new (std::nothrow) StoreFile();
    if (storeFile == nullptr) return kMemoryError;
    return storeFile->Open(name, mode);
}

int ObjectDatabase::CloseDataFile() {
    if (storeFile == nullptr) return kNoError;
    int code = storeFile->Close();
    if (code != kNoError) return code;
    delete storeFile;
    storeFile = nullptr;
    return kNoError;
}

// Replaces whatever tree the slot held by a new, unbound one.
BtreeIndex* ObjectDatabase::FreshTree(int slot, const IndexKey& keyPrototype, FileAddress order) {
    IndexSlot* target = indexTable->Slot(slot);
    target->tree = new (std::nothrow) BtreeIndex(keyPrototype, order, -1);
    return target->tree;
}

int ObjectDatabase::CreateIndex(const char* name, int slot, const IndexKey& keyPrototype, FileAddress order,
                                int headerSlots) {
    if (Slot(slot) == nullptr) return kNoDatabaseOpen;
    if (headerSlots < 1) headerSlots = 1;
    int64_t staticSize = int64_t(headerSlots) * kBtreeHeaderSize;
    if (staticSize > INT32_MAX - kLockedHeaderSize) return kCreateError;
    if (CloseIndex(slot) != kNoError) return IndexError(slot);
    StoreFile* file = new (std::nothrow) StoreFile();
    if (file == nullptr) return kMemoryError;
    BtreeIndex* tree = FreshTree(slot, keyPrototype, order);
    if (tree == nullptr) {
        delete file;
        return kMemoryError;
    }
    tree->Adopt(file);
    int code = file->Create(name, static_cast<int32_t>(staticSize), 0);
    if (code != kNoError) return code;
    return tree->Create(file, 1, file->HeaderSize());
}

int ObjectDatabase::OpenIndex(const char* name, int slot, const IndexKey& keyPrototype, FileAddress order,
                              int mode) {
    if (Slot(slot) == nullptr) return kNoDatabaseOpen;
    if (CloseIndex(slot) != kNoError) return IndexError(slot);
    BtreeIndex* tree = FreshTree(slot, keyPrototype, order);
    if (tree == nullptr) return kMemoryError;
    return tree->OpenFile(name, mode);
}

int ObjectDatabase::CloseIndex(int slot) {
    IndexSlot* target = indexTable != nullptr ? indexTable->Slot(slot) : nullptr;
    if (target == nullptr) return kNoDatabaseOpen;
    if (target->tree == nullptr) return kNoError;
    if (target->tree->Close() != kNoError) return IndexError(slot);
    delete target->tree;
    target->tree = nullptr;
    target->open = 0;
    return kNoError;
}

BtreeIndex* ObjectDatabase::Index(int n) const {
    const IndexSlot* slot = Slot(n);
    return slot != nullptr ? slot->tree : nullptr;
}

int ObjectDatabase::LastError() const { return storeFile != nullptr ? storeFile->LastError() : kNoDatabaseOpen; }

int ObjectDatabase::SetError(int code) {
    return storeFile != nullptr ? storeFile->SetError(code) : kNoDatabaseOpen;
}

const char* ObjectDatabase::ErrorMessage() const { return StoreErrorMessage(LastError()); }

int ObjectDatabase::IndexError(int n) const {
    BtreeIndex* tree = Index(n);
    return tree != nullptr && tree->File() != nullptr ? tree->File()->LastError() : kNoDatabaseOpen;
}

int ObjectDatabase::SetIndexError(int code, int n) {
    BtreeIndex* tree = Index(n);
    return tree != nullptr && tree->File() != nullptr ? tree->File()->SetError(code) : kNoDatabaseOpen;
}

const char* ObjectDatabase::IndexErrorMessage(int n) const { return StoreErrorMessage(IndexError(n)); }

std::string ObjectDatabase::DamageDescription() const {
    BtreeIndex* index = Index(0);
    const StoreFile* files[] = {storeFile, index != nullptr ? index->File() : nullptr};
    for (const StoreFile* file : files)
        if (file != nullptr && file->LastError() == kFileCorrupt && *file->CorruptionReason() != 0)
            return file->ErrorDescription();
    return std::string();
}

}  // namespace kodexa
