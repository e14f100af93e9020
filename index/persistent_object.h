// Base of every stored record class: ties a record to its database and to
// the address of its stored copy, and offers the primitives with which a
// record writes and reads its fields and keeps its keys in the indexes.
#ifndef KODEXA_INDEX_PERSISTENT_OBJECT_H
#define KODEXA_INDEX_PERSISTENT_OBJECT_H

#include "index/btree_format.h"
#include "index/index_key.h"
#include "index/object_database.h"
#include "store/file_address.h"

namespace kodexa {

class PersistentObject {
public:
    explicit PersistentObject(ObjectDatabase* db);
    virtual ~PersistentObject() = default;

    // Load the record stored at a; answer the error code.
    virtual int Read(FileAddress a) = 0;
    // Store the record as a new object and add its key; answer the error code.
    virtual int Write() = 0;
    // Locate the stored record matching this object's key fields and load it.
    virtual int Find() = 0;
    // Locate the stored record, give its object back and remove its key.
    virtual int Delete() = 0;
    // Bytes the record's fields take after the object header.
    virtual int ObjectSize() = 0;

    // kNoDatabaseOpen, with the database left as it was, when db has no
    // record file.
    int SetDatabase(ObjectDatabase* db);
    ObjectDatabase* Database() const { return database; }
    FileAddress Address() const { return address; }

    int ReadAt(FileAddress a);
    int Reload();

    int WriteObjectHeader(const ObjectHeader& header, FileAddress a);
    int ReadObjectHeader(ObjectHeader& header, FileAddress a);
    // A null string is stored as the one-byte string holding a zero byte.
    int WriteString(const char* s, FileAddress a);
    // A new buffer the caller frees with delete[]; null on failure. A stored
    // length beyond the end of the file is refused with kFileCorrupt.
    char* ReadString(FileAddress a);
    static int StringSize(const char* s);

    int RemoveObject(FileAddress a);
    int AddKey(IndexKey& key, IndexKey& scratch, int n, int flush);
    int FindKey(IndexKey& key, IndexKey& scratch, int n, int syncHeader);
    int DeleteKey(IndexKey& key, IndexKey& scratch, int n, int flush);

protected:
    StoreFile* Store() const { return database != nullptr ? database->DataFile() : nullptr; }

    ObjectDatabase* database;
    FileAddress address;
};

}  // namespace kodexa

#endif
