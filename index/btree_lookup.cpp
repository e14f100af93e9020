// Lookups: exact match, first and last key, successor and predecessor.
#include "index/btree_index.h"

namespace kodexa {

int BtreeIndex::Find(IndexKey& key, IndexKey& scratch, int syncHeader) {
    if (!Usable()) return 0;
    if (syncHeader) SyncHeader(1);
    BtreeNode node(Geometry());
    if (!FreshNode(node)) return 0;
    FileAddress at = header.root;
    int depth = 0;
    for (;;) {
        if (at == 0) return Fail(kEntryNotFound);
        if (!Descend(node, at, depth)) return 0;
        int p;
        if (Search(node, key, scratch, p) == kMatch) {
            node.Load(p, key);
            return 1;
        }
        at = node.Child(p);
    }
}

int BtreeIndex::FindFirst(IndexKey& key, int syncHeader) { return FindEdge(key, syncHeader, false); }

int BtreeIndex::FindLast(IndexKey& key, int syncHeader) { return FindEdge(key, syncHeader, true); }

int BtreeIndex::FindEdge(IndexKey& key, int syncHeader, bool last) {
    if (!Usable()) return 0;
    if (syncHeader) SyncHeader(1);
    if (header.keyCount == 0) return 0;
    if (header.root == 0) return Fail(kFileCorrupt);
    BtreeNode node(Geometry());
    if (!FreshNode(node)) return 0;
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
    if (q < 0) return Fail(kFileCorrupt), -1;
    return q;
}

int BtreeIndex::FindNext(IndexKey& key, IndexKey& scratch, int syncHeader) {
    if (!Usable()) return 0;
    if (syncHeader) SyncHeader(1);
    BtreeNode node(Geometry());
    if (!FreshNode(node)) return 0;
    // The deepest node passed on the way down that has an entry after the
    // path holds the successor when the key's own subtree has none.
    bool haveCandidate = false;
    FileAddress candidate = 0;
    int candidatePosition = 0;
    FileAddress at = header.root;
    int depth = 0;
    int p;
    for (;;) {
        if (at == 0) return Fail(kEntryNotFound);
        if (!Descend(node, at, depth)) return 0;
        if (Search(node, key, scratch, p) == kMatch) break;
        if (p < node.Count() - 1) {
            haveCandidate = true;
            candidate = at;
            candidatePosition = p;
        }
        at = node.Child(p);
    }
    if (node.Child(p) != 0) {
        if (!LeftmostLeaf(node, node.Child(p), depth)) return 0;
        if (node.Count() == 0) return Fail(kEntryNotFound);
        node.Load(0, key);
        return 1;
    }
    if (p < node.Count() - 1) {
        node.Load(p + 1, key);
        return 1;
    }
    if (!haveCandidate) return 0;
    if (!ReadNode(node, candidate)) return 0;
    if (node.Count() == 0 || candidatePosition + 1 >= node.Count()) return Fail(kEntryNotFound);
    node.Load(candidatePosition + 1, key);
    return 1;
}

int BtreeIndex::FindPrevious(IndexKey& key, IndexKey& scratch, int syncHeader) {
    if (!Usable()) return 0;
    if (syncHeader) SyncHeader(1);
    BtreeNode node(Geometry());
    if (!FreshNode(node)) return 0;
    bool haveCandidate = false;
    FileAddress candidate = 0;
    int candidatePosition = 0;
    FileAddress at = header.root;
    int depth = 0;
    int p;
    for (;;) {
        if (at == 0) return Fail(kEntryNotFound);
        if (!Descend(node, at, depth)) return 0;
        int found = Search(node, key, scratch, p);
        if (found == kMatch) break;
        if (found == kAfterEntry) {
            haveCandidate = true;
            candidate = at;
            candidatePosition = p;
        }
        at = node.Child(p);
    }
    int q = p - 1;
    if (q >= 0 || node.Child(-1) != 0) {
        if ((q = RightmostEntry(node, q, depth)) < 0) return 0;
        node.Load(q, key);
        return 1;
    }
    if (!haveCandidate) return Fail(kEntryNotFound);
    if (!ReadNode(node, candidate)) return 0;
    if (candidatePosition >= node.Count()) return Fail(kEntryNotFound);
    node.Load(candidatePosition, key);
    return 1;
}

}  // namespace kodexa
