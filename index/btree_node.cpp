#include "index/btree_node.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace kodexa {

BtreeNode::BtreeNode(const NodeGeometry& geometry)
    : address(-1), maxEntries(geometry.maxEntries), entrySize(geometry.entrySize), count(0), child0(0),
      storage(nullptr), entries(nullptr) {
    if (!geometry.IsSane()) return;
    storage = new (std::nothrow) unsigned char[StoredSize()];
    if (storage != nullptr) entries = storage + kNodePrefixSize;
}

BtreeNode::~BtreeNode() { delete[] storage; }

void BtreeNode::Swap(BtreeNode& other) {
    std::swap(address, other.address);
    std::swap(maxEntries, other.maxEntries);
    std::swap(entrySize, other.entrySize);
    std::swap(count, other.count);
    std::swap(child0, other.child0);
    std::swap(storage, other.storage);
    std::swap(entries, other.entries);
}

void BtreeNode::Clear() {
    count = 0;
    child0 = 0;
}

FileAddress BtreeNode::Child(int p) const {
    if (p < 0) return child0;
    FileAddress child;
    std::memcpy(&child, Entry(p), sizeof child);
    return child;
}

void BtreeNode::SetChild(int p, FileAddress child) {
    if (p < 0)
        child0 = child;
    else
        std::memcpy(Entry(p), &child, sizeof child);
}

// A key class whose image does not match the file's entry size gets only
// what fits, so a mismatched file can never move bytes past an entry.
int BtreeNode::CopiedKeySize(const IndexKey& key) const { return std::max(0, std::min(key.KeySize(), KeyBytesSize())); }

void BtreeNode::Load(int p, IndexKey& key) const {
    key.address = Child(p);
    std::memcpy(key.KeyImage(), KeyBytes(p), static_cast<size_t>(CopiedKeySize(key)));
}

void BtreeNode::Replace(int p, const IndexKey& key) {
    SetChild(p, key.address);
    std::memcpy(Entry(p) + kEntryLinkSize, key.KeyImage(), static_cast<size_t>(CopiedKeySize(key)));
}

bool BtreeNode::Insert(int p, const IndexKey& key) {
    if (IsFull() || p < 0 || p > count) return false;
    std::memmove(Entry(p + 1), Entry(p), static_cast<size_t>(count - p) * entrySize);
    ++count;
    Replace(p, key);
    return true;
}

void BtreeNode::Remove(int p) {
    if (p < 0 || p >= count) return;
    std::memmove(Entry(p), Entry(p + 1), static_cast<size_t>(count - p - 1) * entrySize);
    --count;
}

bool BtreeNode::AppendAll(const BtreeNode& other) {
    if (other.entrySize != entrySize || count + other.count > maxEntries) return false;
    std::memcpy(Entry(count), other.entries, static_cast<size_t>(other.count) * entrySize);
    count += other.count;
    return true;
}

void BtreeNode::MoveUpperPart(int h, BtreeNode& target) {
    h = std::max(0, std::min(h, count));
    std::memcpy(target.entries, Entry(h), static_cast<size_t>(count - h) * entrySize);
    target.count = count - h;
    count = h;
}

// Nodes are stored at their full size, so one read brings the whole node.
// Only a node that the end of a damaged file cuts short is read part by
// part, the count first, so that it is judged as before.
int BtreeNode::Read(StoreFile& file, FileAddress at) {
    if (file.Read(storage, static_cast<int>(StoredSize()), at) == kNoError) return TakePrefix(file, at);
    int code = file.Read(storage, kNodePrefixSize, at);
    if (code != kNoError) return code;
    const int before = count;
    if ((code = TakePrefix(file, at)) != kNoError) return code;
    if (count > 0 && (code = file.Read(entries, count * entrySize, kCurrentPosition)) != kNoError) {
        count = before;
        return code;
    }
    return kNoError;
}

// The count and child 0 from the prefix bytes; a count outside 0..maxEntries
// is refused.
int BtreeNode::TakePrefix(StoreFile& file, FileAddress at) {
    FileAddress storedCount, storedChild0;
    std::memcpy(&storedCount, storage, sizeof storedCount);
    std::memcpy(&storedChild0, storage + sizeof storedCount, sizeof storedChild0);
    if (storedCount < 0 || storedCount > maxEntries) return file.Corrupt("node entry count out of range", at.Get());
    count = storedCount;
    child0 = storedChild0;
    address = at;
    return kNoError;
}

// In a revision with checksums the node's object is sealed like any other,
// so that the checker can tell a sound node from a changed one; a file
// without checksums keeps exactly the bytes it always had.
int BtreeNode::Write(StoreFile& file, FileAddress at) const {
    FileAddress storedCount = count;
    int code = file.Write(&storedCount, sizeof storedCount, at, kNoFlush, kNoVerify);
    if (code != kNoError) return code;
    if ((code = file.Write(&child0, sizeof child0, kCurrentPosition, kNoFlush, kNoVerify)) != kNoError) return code;
    if (count > 0 && (code = file.Write(entries, count * entrySize, kCurrentPosition, kNoFlush, kNoVerify)) != kNoError)
        return code;
    if (!file.HasChecksums()) return kNoError;
    file.WriteObjectChecksum(at);
    return file.LastError();
}

}  // namespace kodexa
