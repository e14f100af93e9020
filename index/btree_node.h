// In-memory copy of one B-tree node: entry count, child 0 and room for the
// most entries a node can hold. Positions count from 0; position -1 (any
// negative position) names child 0.
#ifndef KODEXA_INDEX_BTREE_NODE_H
#define KODEXA_INDEX_BTREE_NODE_H

#include "index/btree_format.h"
#include "index/index_key.h"
#include "store/store_file.h"

namespace kodexa {

class BtreeNode {
public:
    explicit BtreeNode(const NodeGeometry& geometry);
    ~BtreeNode();
    BtreeNode(const BtreeNode&) = delete;
    BtreeNode& operator=(const BtreeNode&) = delete;

    // False when the entry array could not be had.
    bool IsAllocated() const { return entries != nullptr; }
    void Swap(BtreeNode& other);
    void Clear();

    int Count() const { return count; }
    int MaxEntries() const { return maxEntries; }
    int EntrySize() const { return entrySize; }
    bool IsLeaf() const { return child0 == 0; }
    bool IsFull() const { return count >= maxEntries; }
    bool Underflows() const { return count < maxEntries / 2; }
    bool CanLend() const { return count > maxEntries / 2; }

    FileAddress Child(int p) const;
    void SetChild(int p, FileAddress child);
    const unsigned char* KeyBytes(int p) const { return Entry(p) + kEntryLinkSize; }
    int KeyBytesSize() const { return entrySize - kEntryLinkSize; }

    void Load(int p, IndexKey& key) const;
    void Replace(int p, const IndexKey& key);
    // Both refuse (false) when the node is full or p is out of range.
    bool Insert(int p, const IndexKey& key);
    bool Append(const IndexKey& key) { return Insert(count, key); }
    void Remove(int p);
    // False, with nothing changed, when the entries would not fit.
    bool AppendAll(const BtreeNode& other);
    // Entries h .. count-1 go to the empty target; this node keeps h.
    void MoveUpperPart(int h, BtreeNode& target);

    // A count on disk outside 0..maxEntries is refused with kFileCorrupt
    // before anything is read into the entries.
    int Read(StoreFile& file, FileAddress at);
    int Write(StoreFile& file, FileAddress at) const;

    FileAddress address;

private:
    unsigned char* Entry(int p) { return entries + static_cast<size_t>(p) * entrySize; }
    const unsigned char* Entry(int p) const { return entries + static_cast<size_t>(p) * entrySize; }
    int CopiedKeySize(const IndexKey& key) const;
    size_t StoredSize() const { return kNodePrefixSize + static_cast<size_t>(maxEntries) * entrySize; }
    int TakePrefix(StoreFile& file, FileAddress at);

    int maxEntries;
    int entrySize;
    int count;
    FileAddress child0;
    // Room for a node as it is stored: the count and child 0 (read there,
    // kept in the fields above), then the entries.
    unsigned char* storage;
    unsigned char* entries;
};

}  // namespace kodexa

#endif
