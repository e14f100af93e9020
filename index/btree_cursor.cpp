#include "index/btree_cursor.h"

#include <cstring>
#include <new>

namespace kodexa {

void WalkStatus::Fail(const StoreFile& failed) {
    if (state == kFailed) return;
    state = kFailed;
    code = failed.LastError() != kNoError ? failed.LastError() : kReadError;
    file = failed.FileName();
    reason = failed.LastError() != kNoError ? failed.ErrorDescription() : StoreErrorMessage(code);
}

std::string WalkStatus::Description() const { return Failed() ? file + ": " + reason : std::string(); }

BtreeCursor::BtreeCursor(BtreeIndex& tree, IndexKey& key, IndexKey& scratch)
    : tree(tree), key(key), scratch(scratch) {
    status.state = WalkStatus::kEnded;  // not on a key until First or Seek
}

BtreeCursor::~BtreeCursor() = default;

bool BtreeCursor::First() {
    haveKey = false;
    return Place(nullptr);
}

bool BtreeCursor::Seek(const IndexKey& wanted) {
    haveKey = false;
    return Place(&wanted);
}

// The tree as it is on disk now, and nothing of the walk before.
bool BtreeCursor::Start() {
    status = WalkStatus();
    depth = 0;
    if (tree.File() == nullptr) {
        status.state = WalkStatus::kFailed;
        status.code = kFileClosed;
        status.reason = StoreErrorMessage(kFileClosed);
        return false;
    }
    if (!tree.IsUsable()) return tree.File()->SetError(kFileClosed), Fail();
    if (!SyncHeader()) return false;
    seen = tree.Header();
    return true;
}

// A header that cannot be read, or that is not believable any more, ends
// the walk as a failure: the nodes it would lead to cannot be trusted.
bool BtreeCursor::SyncHeader() {
    tree.SyncHeader(1);
    return tree.File()->LastError() == kNoError || Fail();
}

bool BtreeCursor::HeaderChanged() const { return std::memcmp(&seen, &tree.Header(), sizeof seen) != 0; }

// Down from the root to the first key (wanted null), to the first key not
// below wanted, or (wanted is key) to the first key beyond the current one.
bool BtreeCursor::Place(const IndexKey* wanted) {
    if (!Start()) return false;
    const BtreeHeader& header = tree.Header();
    if (header.keyCount == 0) return End();
    if (header.root == 0) return Corrupt("tree with keys has no root", tree.HeaderAddress().Get());
    if (wanted == nullptr) return DescendLeftmost(header.root) && Step();
    const bool beyond = wanted == &key;
    FileAddress at = header.root;
    for (;;) {
        if (!Push(at, -1)) return false;
        Level& level = path[depth - 1];
        const int found = BtreeIndex::Search(*level.node, *wanted, scratch, level.position);
        if (found == BtreeIndex::kMatch) return beyond ? Step() : Answer();
        at = level.node->Child(level.position);
        if (at == 0) return Step();
    }
}

// The path ends in a node whose child 0 is 0, at position -1: the next
// Step answers its first entry.
bool BtreeCursor::DescendLeftmost(FileAddress at) {
    for (;;) {
        if (!Push(at, -1)) return false;
        at = path[depth - 1].node->Child(-1);
        if (at == 0) return true;
    }
}

// Reads the node at `at` as the next level down. Counting the levels keeps
// a link back up (a cycle in a damaged file) from leading on for ever.
bool BtreeCursor::Push(FileAddress at, int position) {
    const BtreeHeader& header = tree.Header();
    if (depth >= static_cast<size_t>(DepthLimit(header.height)))
        return Corrupt("node lies deeper than the tree's height", at.Get());
    if (path.size() <= depth) path.emplace_back();
    Level& level = path[depth];
    // Sized for the header as it is now, which a sync may just have changed.
    const NodeGeometry geometry = NodeGeometry::Of(header);
    if (!level.node || !level.node->IsAllocated() || level.node->MaxEntries() != geometry.maxEntries ||
        level.node->EntrySize() != geometry.entrySize)
        level.node.reset(new (std::nothrow) BtreeNode(geometry));
    if (!level.node || !level.node->IsAllocated()) return tree.File()->SetError(kMemoryError), Fail();
    if (level.node->Read(*tree.File(), at) != kNoError) return Fail();
    level.position = position;
    ++depth;
    return true;
}

bool BtreeCursor::Next() {
    if (!Valid()) return false;
    if (!SyncHeader()) return false;
    if (HeaderChanged()) return Place(&key);
    return Step();
}

// From the current entry to the one after it: down the subtree to its
// right when there is one, else along the node, else up.
bool BtreeCursor::Step() {
    Level& here = path[depth - 1];
    const FileAddress below = here.node->Child(here.position);
    if (below != 0) return DescendLeftmost(below) && Step();
    if (here.position + 1 < here.node->Count()) {
        ++here.position;
        return Answer();
    }
    // Only the root may be empty: it is when the tree is.
    if (here.node->Count() == 0 && depth > 1) return Corrupt("node below the root holds no entries", here.node->address.Get());
    return Climb();
}

// Up to the first node on the path with an entry after the subtree the
// walk came from; that entry is next.
bool BtreeCursor::Climb() {
    while (depth > 1) {
        --depth;
        Level& up = path[depth - 1];
        if (up.position + 1 < up.node->Count()) {
            ++up.position;
            return Answer();
        }
    }
    return End();
}

bool BtreeCursor::Answer() {
    const Level& here = path[depth - 1];
    if (haveKey && !Beyond(*here.node, here.position)) return Corrupt("keys out of order", here.node->address.Get());
    here.node->Load(here.position, key);
    haveKey = true;
    return true;
}

// Whether entry p of node lies strictly beyond key; compared where it lies
// when the key class can.
bool BtreeCursor::Beyond(const BtreeNode& node, int p) {
    if (node.KeyBytesSize() >= key.KeySize()) {
        const int order = key.CompareToImage(node.KeyBytes(p));
        if (order != IndexKey::kNoImageOrder) return order < 0;
    }
    node.Load(p, scratch);
    return !key.IsGreater(scratch) && !key.IsEqual(scratch);
}

bool BtreeCursor::End() {
    status.state = WalkStatus::kEnded;
    return false;
}

bool BtreeCursor::Fail() {
    status.Fail(*tree.File());
    return false;
}

bool BtreeCursor::Corrupt(const char* reason, int64_t offset) {
    tree.File()->Corrupt(reason, offset);
    return Fail();
}

}  // namespace kodexa
