// Insertion with node splits, climbing back up the path of the descent.
#include "index/btree_index.h"

namespace kodexa {

int BtreeIndex::Insert(IndexKey& key, IndexKey& scratch, int flush) {
    return Change(&BtreeIndex::InsertKey, key, scratch, flush);
}

int BtreeIndex::Change(int (BtreeIndex::*change)(IndexKey&, IndexKey&), IndexKey& key, IndexKey& scratch,
                       int flush) {
    if (!Usable()) return 0;
    BtreeHeader before = header;
    int changed = (this->*change)(key, scratch);
    NoteHeaderChange(before);
    if (!changed) return 0;
    if (flush && Flush() != kNoError) return 0;
    return 1;
}

int BtreeIndex::InsertKey(IndexKey& key, IndexKey& scratch) {
    key.address = 0;
    BtreeNode node(Geometry());
    if (!FreshNode(node)) return 0;
    AddressStack path;
    int p = 0;
    if (!DescendForInsert(key, scratch, node, path, p)) return 0;
    return InsertUpward(key, scratch, node, path, p) ? 1 : 0;
}

// Leaves the leaf in node and the key's place in it in p, with the path
// from the root down to that leaf on the stack.
bool BtreeIndex::DescendForInsert(IndexKey& key, IndexKey& scratch, BtreeNode& node, AddressStack& path,
                                  int& p) {
    FileAddress at = header.root;
    int depth = 0;
    while (at != 0) {
        if (!Descend(node, at, depth)) return false;
        if (!path.Push(at)) return Fail(kMemoryError), false;
        if (Search(node, key, scratch, p) == kMatch) return Fail(kDuplicateEntry), false;
        at = node.Child(p);
    }
    return true;
}

// One pass per level: the key goes into the node at the top of the stack,
// or the node splits and a separator moves on to the level above.
bool BtreeIndex::InsertUpward(IndexKey& key, IndexKey& scratch, BtreeNode& node, AddressStack& path, int p) {
    for (bool firstPass = true;; firstPass = false) {
        if (path.IsEmpty()) return Fail(kInsertError), false;
        FileAddress at = path.Pop();
        if (!firstPass) {
            if (!ReadNode(node, at)) return false;
            // A separator already present means the node is not the one the
            // descent passed through.
            if (Search(node, key, scratch, p) == kMatch)
                return Corrupt("separator already in the node below it", at.Get()), false;
        }
        ++p;
        if (!node.IsFull()) {
            if (!node.Insert(p, key)) return Corrupt("insert position outside the node", at.Get()), false;
            if (!WriteNode(node, at)) return false;
            header.keyCount++;
            return true;
        }
        if (!SplitNode(key, scratch, node, p)) return false;
        if (!WriteNode(node, at)) return false;
        if (at == header.root) return GrowRoot(key);
    }
}

// Splits the full node around insert position p into itself and a new node,
// which is written; the key leaves as the separator for the level above,
// carrying the new node's address.
bool BtreeIndex::SplitNode(IndexKey& key, IndexKey& scratch, BtreeNode& node, int p) {
    BtreeNode upper(Geometry());
    if (!FreshNode(upper)) return false;
    FileAddress upperAddress = AllocateNode();
    if (upperAddress == 0) return false;
    header.nodeCount++;
    int h = Geometry().SplitPoint();
    if (p < h) --h;
    node.MoveUpperPart(h, upper);
    if (p > h) {
        upper.Load(0, scratch);
        upper.Remove(0);
        upper.Insert(p - h - 1, key);
        key.CopyFrom(scratch);
    } else if (p < h) {
        node.Insert(p, key);
        upper.Load(0, scratch);
        key.CopyFrom(scratch);
        upper.Remove(0);
    }
    upper.SetChild(-1, key.address);
    key.address = upperAddress;
    return WriteNode(upper, upperAddress);
}

bool BtreeIndex::GrowRoot(IndexKey& key) {
    BtreeNode root(Geometry());
    if (!FreshNode(root)) return false;
    FileAddress at = AllocateNode();
    if (at == 0) return false;
    header.nodeCount++;
    header.height++;
    root.Clear();
    root.SetChild(-1, header.root);
    header.root = at;
    root.Insert(0, key);
    if (!WriteNode(root, at)) return false;
    header.keyCount++;
    return true;
}

}  // namespace kodexa
