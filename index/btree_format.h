// The byte layout of the index layer inside store files, written once: the
// B-tree header, the nodes, and the header and strings of stored records.
// Fields are FileAddress or StoredUInt32 (4 bytes, least significant first).
//
// B-tree header, in an index file's static area, normally right after the
// store file header (BtreeHeader, 28 bytes):
//
//   OFFSET  SIZE  DESCRIPTION
//        0     4  Order: a node holds at most order - 1 entries (an order
//                 below 5 counts as 5)
//        4     4  Entry size: 4-byte child link plus the key image
//        8     4  Number of keys in the tree
//       12     4  Number of nodes
//       16     4  Height: levels from the root to the leaves, 1 for a root
//                 alone
//       20     4  Root: object address of the root node
//       24     4  Spare, kept as the layer above set it
//
// Node, the object of one block (order - 1 entries always reserved, so a
// node object is entry size * (order - 1) + 8 bytes):
//
//   OFFSET  SIZE  DESCRIPTION
//        0     4  Number of entries in use, 0 .. order - 1
//        4     4  Child 0: the subtree of keys before entry 0; 0 in a leaf
//        8     e  Entry 0: child link (subtree of keys after this key,
//                 0 in a leaf), then the key image; e is the entry size
//      8+e     e  Entry 1, and so on; keys ascend
//
// Stored record (an object in a record file), fields after its header
// (ObjectHeader, 8 bytes):
//
//   OFFSET  SIZE  DESCRIPTION
//        0     4  Class tag of the record
//        4     4  The record's own object address
//        8     .  The record's fields; a text is a 4-byte length n and n
//                 bytes without a terminator
#ifndef KODEXA_INDEX_BTREE_FORMAT_H
#define KODEXA_INDEX_BTREE_FORMAT_H

#include <cstdint>

#include "store/file_address.h"

namespace kodexa {

struct BtreeHeader {
    FileAddress order;
    FileAddress entrySize;
    FileAddress keyCount;
    FileAddress nodeCount;
    FileAddress height;
    FileAddress root;
    FileAddress spare;
};

// In front of the fields of every stored record.
struct ObjectHeader {
    FileAddress classTag;
    FileAddress ownAddress;
};
static_assert(sizeof(ObjectHeader) == 8, "object header is 8 bytes");

constexpr int kBtreeHeaderSize = 28;
static_assert(sizeof(BtreeHeader) == kBtreeHeaderSize, "B-tree header is 28 bytes");

constexpr int kBtreeHeaderFields = 7;
constexpr int kEntryLinkSize = 4;   // the child field in front of every key image
constexpr int kNodePrefixSize = 8;  // entry count and child 0
constexpr int kMinimumOrder = 5;
// No index this system builds comes near these; a header beyond them is
// damage, and following it would mean endless descents or huge buffers.
constexpr int kMaxTreeDepth = 64;
constexpr int64_t kMaxNodeDataSize = 1 << 20;

// What the order and entry size of a header make of a node.
struct NodeGeometry {
    int order = kMinimumOrder;  // the order in effect: below 5 counts as 5
    int maxEntries = 0;
    int entrySize = 0;

    static NodeGeometry Of(int32_t order, int32_t entrySize);
    static NodeGeometry Of(const BtreeHeader& header) { return Of(header.order, header.entrySize); }

    int64_t DataSize() const { return int64_t(entrySize) * maxEntries + kNodePrefixSize; }
    int SplitPoint() const { return order / 2; }
    int HalfNode() const { return maxEntries / 2; }
    // Room for a link and at least one key byte, and a node of bounded size.
    bool IsSane() const { return entrySize > kEntryLinkSize && DataSize() <= kMaxNodeDataSize; }
};

inline NodeGeometry NodeGeometry::Of(int32_t order, int32_t entrySize) {
    NodeGeometry g;
    g.order = order < kMinimumOrder ? kMinimumOrder : order;
    g.maxEntries = g.order - 1;
    g.entrySize = entrySize;
    return g;
}

// Longest path a descent may take: the height where it is believable.
inline int DepthLimit(int32_t height) { return height >= 1 && height <= kMaxTreeDepth ? height : kMaxTreeDepth; }

}  // namespace kodexa

#endif
