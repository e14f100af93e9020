// Layout of a B-tree inside an index file: the header kept in the store
// file's static area and the geometry of the node objects.
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
