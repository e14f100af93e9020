// Lookups: exact match, first and last key, successor and predecessor.
#include "index/btree_index.h"

#include <new>

namespace kodexa {

int BtreeIndex::Find(IndexKey& key, IndexKey& scratch, int syncHeader) {
    KeyPlace place;
    BtreeNode* node = LocateKey(key, scratch, syncHeader, true, place);
    if (node == nullptr) return 0;
    node->Load(place.p, key);
    return 1;
}

// The start every keyed lookup shares: a usable tree, the header brought up
// to date when asked, and the descent to the key. Answers the node that
// holds the key, null on failure.
BtreeNode* BtreeIndex::LocateKey(IndexKey& key, IndexKey& scratch, int syncHeader, bool forward, KeyPlace& place) {
    if (!Usable()) return nullptr;
    if (syncHeader) SyncHeader(1);
    BtreeNode* node = LookupNode();
    if (node == nullptr) return nullptr;
    return DescendToKey(key, scratch, *node, forward, place) ? node : nullptr;
}

// The buffer the lookups read nodes into. Only its room is kept from call to
// call: every lookup reads each node it visits anew. Sized for the header as
// it is now, which a sync may just have changed.
BtreeNode* BtreeIndex::LookupNode() {
    const NodeGeometry geometry = Geometry();
    if (!lookupNode || !lookupNode->IsAllocated() || lookupNode->MaxEntries() != geometry.maxEntries ||
        lookupNode->EntrySize() != geometry.entrySize)
        lookupNode.reset(new (std::nothrow) BtreeNode(geometry));
    if (!lookupNode || !lookupNode->IsAllocated()) return Fail(kMemoryError), nullptr;
    return lookupNode.get();
}

// Leaves the node holding key in node and its position in place.p. On the way
// down it marks the deepest node with an entry after the path (forward) or
// before it (backward): that entry is the key's neighbour when the key's own
// subtree has none.
bool BtreeIndex::DescendToKey(IndexKey& key, IndexKey& scratch, BtreeNode& node, bool forward, KeyPlace& place) {
    FileAddress at = header.root;
    int& p = place.p;
    for (;;) {
        if (at == 0) return Fail(kEntryNotFound), false;
        if (!Descend(node, at, place.depth)) return false;
        int found = Search(node, key, scratch, p);
        if (found == kMatch) return true;
        if (forward ? p < node.Count() - 1 : found == kAfterEntry) place.mark = {at, forward ? p + 1 : p};
        at = node.Child(p);
    }
}

int BtreeIndex::FindFirst(IndexKey& key, int syncHeader) { return FindEdge(key, syncHeader, false); }

int BtreeIndex::FindLast(IndexKey& key, int syncHeader) { return FindEdge(key, syncHeader, true); }

int BtreeIndex::FindEdge(IndexKey& key, int syncHeader, bool last) {
    if (!Usable()) return 0;
    if (syncHeader) SyncHeader(1);
    if (header.keyCount == 0) return 0;
    if (header.root == 0) return Corrupt("tree with keys has no root", headerAddress.Get());
    BtreeNode* found = LookupNode();
    if (found == nullptr) return 0;
    BtreeNode& node = *found;
    int depth = 0;
    if (!Descend(node, header.root, depth)) return 0;
    for (;;) {
        FileAddress next = node.Child(last ? node.Count() - 1 : -1);
        if (next == 0) break;
        if (!Descend(node, next, depth)) return 0;
    }
    if (node.Count() > 0) {
        node.Load(last ? node.Count() - 1 : 0, key);
        return 1;
    }
    return last ? 0 : Fail(kEntryNotFound);
}

bool BtreeIndex::LeftmostLeaf(BtreeNode& node, FileAddress from, int& depth) {
    if (!Descend(node, from, depth)) return false;
    while (!node.IsLeaf())
        if (!Descend(node, node.Child(-1), depth)) return false;
    return true;
}

// From position q of node, down the rightmost links to the last entry of a
// leaf; answers its position there, or -1 (recorded) on failure.
int BtreeIndex::RightmostEntry(BtreeNode& node, int q, int& depth) {
    while (node.Child(q) != 0) {
        if (!Descend(node, node.Child(q), depth)) return -1;
        q = node.Count() - 1;
    }
    if (q < 0) return Corrupt("node below the root holds no entries", node.address.Get()), -1;
    return q;
}

int BtreeIndex::FindNext(IndexKey& key, IndexKey& scratch, int syncHeader) {
    KeyPlace place;
    BtreeNode* found = LocateKey(key, scratch, syncHeader, true, place);
    if (found == nullptr) return 0;
    BtreeNode& node = *found;
    int p = place.p;
    if (node.Child(p) != 0) {
        if (!LeftmostLeaf(node, node.Child(p), place.depth)) return 0;
        if (node.Count() == 0) return Fail(kEntryNotFound);
        return AnswerNeighbour(node, 0, key, scratch, true);
    }
    if (p < node.Count() - 1) return AnswerNeighbour(node, p + 1, key, scratch, true);
    return place.mark.node != 0 ? LoadMarked(place.mark, node, key, scratch, true) : 0;
}

int BtreeIndex::FindPrevious(IndexKey& key, IndexKey& scratch, int syncHeader) {
    KeyPlace place;
    BtreeNode* found = LocateKey(key, scratch, syncHeader, false, place);
    if (found == nullptr) return 0;
    BtreeNode& node = *found;
    int q = place.p - 1;
    if (q >= 0 || node.Child(-1) != 0) {
        if ((q = RightmostEntry(node, q, place.depth)) < 0) return 0;
        return AnswerNeighbour(node, q, key, scratch, false);
    }
    return place.mark.node != 0 ? LoadMarked(place.mark, node, key, scratch, false) : Fail(kEntryNotFound);
}

// The marked node is read again because the descent went on past it.
int BtreeIndex::LoadMarked(const NeighbourMark& mark, BtreeNode& node, IndexKey& key, IndexKey& scratch,
                           bool forward) {
    if (!ReadNode(node, mark.node)) return 0;
    if (mark.position < 0 || mark.position >= node.Count()) return Fail(kEntryNotFound);
    return AnswerNeighbour(node, mark.position, key, scratch, forward);
}

// A damaged index may hold a key twice or out of order; answering a
// neighbour that does not lie beyond the given key would send a caller who
// walks until the answer is 0 round the same keys for ever. Answering only
// keys strictly beyond makes every walk end: each step leaves one stored
// key behind for good.
int BtreeIndex::AnswerNeighbour(const BtreeNode& node, int p, IndexKey& key, IndexKey& scratch, bool forward) {
    node.Load(p, scratch);
    bool beyond = forward ? !key.IsGreater(scratch) && !key.IsEqual(scratch) : key.IsGreater(scratch) != 0;
    if (!beyond) return Corrupt("keys out of order", node.address.Get());
    node.Load(p, key);
    return 1;
}

}  // namespace kodexa
