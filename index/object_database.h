// One record file together with its index files, opened and closed as a
// unit, and the error state the record classes read.
#ifndef KODEXA_INDEX_OBJECT_DATABASE_H
#define KODEXA_INDEX_OBJECT_DATABASE_H

#include <string>

#include "index/btree_index.h"
#include "index/index_key.h"
#include "store/store_file.h"

namespace kodexa {

constexpr int kMaxIndexes = 255;

struct IndexSlot {
    IndexSlot() = default;
    ~IndexSlot() { delete tree; }
    IndexSlot(const IndexSlot&) = delete;
    IndexSlot& operator=(const IndexSlot&) = delete;

    BtreeIndex* tree = nullptr;
    int open = 0;
    // Set when the record file was found but its index was not and had to
    // be made afresh.
    int created = 0;
};

class IndexTable {
public:
    // A request for more than kMaxIndexes is cut to kMaxIndexes.
    explicit IndexTable(int count);
    ~IndexTable();
    IndexTable(const IndexTable&) = delete;
    IndexTable& operator=(const IndexTable&) = delete;

    // False when a slot could not be allocated.
    bool IsComplete() const;
    int Count() const { return count; }
    IndexSlot* Slot(int n) const { return n >= 0 && n < count && n < kMaxIndexes ? slots[n] : nullptr; }

private:
    IndexSlot* slots[kMaxIndexes];
    int count;
};

class ObjectDatabase {
public:
    ObjectDatabase() = default;
    ~ObjectDatabase();
    ObjectDatabase(const ObjectDatabase&) = delete;
    ObjectDatabase& operator=(const ObjectDatabase&) = delete;

    // Opens the record file with one index, creating what is missing; a
    // missing record file makes both files anew.
    int Open(const char* dataName, const char* indexName, const IndexKey& keyPrototype, FileAddress order,
             int openMode, int useIndex, FileAddress dataStaticSize, int indexHeaderSlots);
    int Close();

    int CreateDataFile(const char* name, FileAddress staticSize);
    int OpenDataFile(const char* name, int mode);
    int CloseDataFile();

    int CreateIndex(const char* name, int slot, const IndexKey& keyPrototype, FileAddress order, int headerSlots);
    int OpenIndex(const char* name, int slot, const IndexKey& keyPrototype, FileAddress order, int mode);
    int CloseIndex(int slot);
    // Null when there is no such index or it is closed.
    BtreeIndex* Index(int n) const;

    // Record file codes; kNoDatabaseOpen when there is no record file.
    int LastError() const;
    int SetError(int code);
    const char* ErrorMessage() const;
    // Index file codes; kNoDatabaseOpen when Index(n) is null.
    int IndexError(int n) const;
    int SetIndexError(int code, int n);
    const char* IndexErrorMessage(int n) const;

    StoreFile* DataFile() const { return storeFile; }
    // The message of code 15 with what was wrong and where, from whichever
    // of the files recorded the damage last; "" when neither holds code 15
    // with a reason.
    std::string DamageDescription() const;
    int Existed() const { return existed; }
    int UseIndex() const { return useIndex; }
    int IndexCount() const { return indexTable != nullptr ? indexTable->Count() : 0; }
    const IndexSlot* Slot(int n) const { return indexTable != nullptr ? indexTable->Slot(n) : nullptr; }

private:
    int OpenOrCreateIndex(const char* indexName, const IndexKey& keyPrototype, FileAddress order, int openMode,
                          int indexHeaderSlots);
    BtreeIndex* FreshTree(int slot, const IndexKey& keyPrototype, FileAddress order);

    StoreFile* storeFile = nullptr;
    IndexTable* indexTable = nullptr;
    int existed = 0;
    int useIndex = 0;
};

}  // namespace kodexa

#endif
