// Removal: a key in an inner node is replaced by its successor from a leaf;
// nodes left short borrow from a sibling or merge with one, level by level
// upward, and an emptied root gives way to its only child.
#include "index/btree_index.h"

namespace kodexa {

int BtreeIndex::Remove(IndexKey& key, IndexKey& scratch, int flush) {
    return Change(&BtreeIndex::RemoveKey, key, scratch, flush);
}

int BtreeIndex::RemoveKey(IndexKey& key, IndexKey& scratch) {
    NodeGeometry geometry = Geometry();
    BtreeNode node(geometry);
    BtreeNode repair(geometry);
    if (!FreshNode(node) || !FreshNode(repair)) return 0;
    AddressStack parents;
    FileAddress at = header.root;
    int depth = 0;
    int p;
    for (;;) {
        if (at == 0) return Fail(kEntryNotFound);
        if (!Descend(node, at, depth)) return 0;
        if (Search(node, key, scratch, p) == kMatch) break;
        if (!parents.Push(at)) return Fail(kMemoryError);
        at = node.Child(p);
    }
    if (node.Child(p) == 0) {
        node.Remove(p);
        if (!WriteNode(node, at)) return 0;
        header.keyCount--;
        repair.Swap(node);
    } else if (!ReplaceBySuccessor(key, node, p, parents, depth, repair)) {
        return 0;
    }
    if (!RepairUpward(key, scratch, repair, parents)) return 0;
    return CollapseRoot() ? 1 : 0;
}

// The successor is the first entry of the leftmost leaf right of entry p;
// it takes entry p's place, keeping entry p's link, and the leaf it came
// from becomes the node to repair. The key object holds the successor from
// here on, so that the searches on the way back up find the right places.
bool BtreeIndex::ReplaceBySuccessor(IndexKey& key, BtreeNode& node, int p, AddressStack& parents, int& depth,
                                    BtreeNode& repair) {
    if (!parents.Push(node.address)) return Fail(kMemoryError), false;
    FileAddress right = node.Child(p);
    if (!Descend(repair, right, depth)) return false;
    while (!repair.IsLeaf()) {
        if (!parents.Push(repair.address)) return Fail(kMemoryError), false;
        if (!Descend(repair, repair.Child(-1), depth)) return false;
    }
    if (repair.Count() == 0) return Corrupt("node below the root holds no entries", repair.address.Get()), false;
    repair.Load(0, key);
    repair.Remove(0);
    key.address = right;
    node.Replace(p, key);
    if (!WriteNode(node, node.address) || !WriteNode(repair, repair.address)) return false;
    header.keyCount--;
    return true;
}

bool BtreeIndex::RepairUpward(IndexKey& key, IndexKey& scratch, BtreeNode& repair, AddressStack& parents) {
    BtreeNode parent(Geometry());
    if (!FreshNode(parent)) return false;
    while (repair.Underflows() && repair.address != header.root && !parents.IsEmpty()) {
        FileAddress at = parents.Pop();
        if (!ReadNode(parent, at)) return false;
        int p;
        Search(parent, key, scratch, p);
        if (!Rebalance(parent, p, scratch)) return false;
        repair.Swap(parent);
    }
    return true;
}

bool BtreeIndex::ReadChild(const BtreeNode& parent, int p, BtreeNode& child) {
    FileAddress at = parent.Child(p);
    // Every entry of an inner node has a subtree; a missing one is damage.
    if (at == 0) return Corrupt("inner node lacks a subtree", parent.address.Get()), false;
    return ReadNode(child, at);
}

// The node to fix is the parent's child at p (-1 for child 0). The left
// sibling is asked first; a merge joins a node with its left neighbour
// unless it has none.
bool BtreeIndex::Rebalance(BtreeNode& parent, int p, IndexKey& scratch) {
    NodeGeometry geometry = Geometry();
    BtreeNode left(geometry), right(geometry);
    if (!FreshNode(left) || !FreshNode(right)) return false;
    if (parent.Count() == 0) return Corrupt("inner node holds no entries", parent.address.Get()), false;
    if (p < 0) {
        if (!ReadChild(parent, -1, left) || !ReadChild(parent, 0, right)) return false;
        if (right.CanLend()) return BorrowFromRight(parent, 0, left, right, scratch);
        return Merge(parent, 0, left, right, scratch);
    }
    if (!ReadChild(parent, p - 1, left) || !ReadChild(parent, p, right)) return false;
    if (left.CanLend()) return BorrowFromLeft(parent, p, left, right, scratch);
    if (p == parent.Count() - 1) return Merge(parent, p, left, right, scratch);
    BtreeNode next(geometry);
    if (!FreshNode(next) || !ReadChild(parent, p + 1, next)) return false;
    if (!next.CanLend()) return Merge(parent, p, left, right, scratch);
    left.Swap(right);
    right.Swap(next);
    return BorrowFromRight(parent, p + 1, left, right, scratch);
}

// Right is short: the separator comes down to its front, and left's last
// entry goes up in its place.
bool BtreeIndex::BorrowFromLeft(BtreeNode& parent, int s, BtreeNode& left, BtreeNode& right, IndexKey& scratch) {
    if (right.IsFull() || left.Count() == 0)
        return Corrupt("node counts do not allow a borrow", parent.address.Get()), false;
    int last = left.Count() - 1;
    parent.Load(s, scratch);
    scratch.address = right.Child(-1);
    right.Insert(0, scratch);
    right.SetChild(-1, left.Child(last));
    left.Load(last, scratch);
    scratch.address = right.address;
    parent.Replace(s, scratch);
    left.Remove(last);
    return WriteNode(parent, parent.address) && WriteNode(right, right.address) && WriteNode(left, left.address);
}

// Left is short: the separator comes down to its end, and right's first
// entry goes up in its place.
bool BtreeIndex::BorrowFromRight(BtreeNode& parent, int s, BtreeNode& left, BtreeNode& right, IndexKey& scratch) {
    if (left.IsFull() || right.Count() == 0)
        return Corrupt("node counts do not allow a borrow", parent.address.Get()), false;
    parent.Load(s, scratch);
    scratch.address = right.Child(-1);
    left.Append(scratch);
    right.SetChild(-1, right.Child(0));
    right.Load(0, scratch);
    scratch.address = right.address;
    parent.Replace(s, scratch);
    right.Remove(0);
    return WriteNode(parent, parent.address) && WriteNode(right, right.address) && WriteNode(left, left.address);
}

// The separator and all of right join left; right's node is given back.
bool BtreeIndex::Merge(BtreeNode& parent, int s, BtreeNode& left, BtreeNode& right, IndexKey& scratch) {
    // Sound trees always fit; counts that do not are damage.
    if (left.Count() + 1 + right.Count() > left.MaxEntries())
        return Corrupt("node counts do not allow a merge", parent.address.Get()), false;
    parent.Load(s, scratch);
    scratch.address = right.Child(-1);
    left.Append(scratch);
    parent.Remove(s);
    left.AppendAll(right);
    if (!FreeNode(right.address)) return false;
    header.nodeCount--;
    return WriteNode(parent, parent.address) && WriteNode(left, left.address);
}

// Freeing a block that is not in use answers 0 without a code of its own;
// for a tree that means a node reached twice, which is damage.
bool BtreeIndex::FreeNode(FileAddress at) {
    if (storeFile->Remove(at)) return true;
    if (storeFile->LastError() == kNoError) Corrupt("node reached twice", at.Get());
    return false;
}

bool BtreeIndex::CollapseRoot() {
    BtreeNode root(Geometry());
    if (!FreshNode(root) || !ReadNode(root, header.root)) return false;
    if (root.Count() != 0 || header.height <= 1) return true;
    FileAddress oldRoot = header.root;
    header.root = root.Child(-1);
    header.nodeCount--;
    header.height--;
    return FreeNode(oldRoot);
}

}  // namespace kodexa
