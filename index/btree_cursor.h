// A walk along a B-tree in key order that remembers where it is: the nodes
// from the root down to the current entry stay in memory, so a step moves
// along the leaf and climbs only at its end, instead of descending from the
// root for every key as FindNext does.
//
// Another handle (another program) may change the file between two steps.
// Every step compares the tree header on disk with the one the cursor was
// positioned under; when they differ, the cursor finds its place again from
// the current key. The header is the only sign of a change the format has:
// a change that leaves all seven of its fields as they were (one insert and
// one remove that keep the node count and the root) is not seen.
//
// Like FindNext, a step answers only a key strictly beyond the one before,
// so every walk over a damaged file ends: a key out of order or met twice
// fails the walk instead of leading it round.
#ifndef KODEXA_INDEX_BTREE_CURSOR_H
#define KODEXA_INDEX_BTREE_CURSOR_H

#include <memory>
#include <string>
#include <vector>

#include "index/btree_index.h"

namespace kodexa {

// How a walk stands: still going, run to its end, or stopped by a failure,
// with the file and what was wrong. A walk that goes on past a record it
// cannot read keeps the first such failure too.
struct WalkStatus {
    enum State { kWalking, kEnded, kFailed };
    State state = kWalking;
    int code = 0;          // the store error code of the failure
    std::string file;      // the file that failed
    std::string reason;    // the store's message, with what and where for damage

    bool Failed() const { return state == kFailed; }
    bool Ended() const { return state == kEnded; }
    // Keeps the failure file records now, unless one is kept already; a
    // file that records none is named with a read error.
    void Fail(const StoreFile& failed);
    // Takes other's failure, unless one is kept already.
    void Keep(const WalkStatus& other) {
        if (!Failed() && other.Failed()) *this = other;
    }
    // "path: reason", empty unless failed.
    std::string Description() const;
};

class BtreeCursor {
public:
    // key receives each key the walk answers and must be of the tree's key
    // class; the cursor also orders by it, so it is not to be changed while
    // the walk goes on. scratch is working room of the same class.
    BtreeCursor(BtreeIndex& tree, IndexKey& key, IndexKey& scratch);
    ~BtreeCursor();
    BtreeCursor(const BtreeCursor&) = delete;
    BtreeCursor& operator=(const BtreeCursor&) = delete;

    // Each answers Valid(): whether the cursor stands on a key.
    bool First();
    // The first key not below wanted (which may be key itself).
    bool Seek(const IndexKey& wanted);
    bool Next();

    bool Valid() const { return status.state == WalkStatus::kWalking; }
    IndexKey& Key() const { return key; }
    const WalkStatus& Status() const { return status; }

private:
    // One node of the path. In the deepest level, position is the current
    // entry; above it, the entry whose right subtree the path went down
    // (-1: child 0).
    struct Level {
        std::unique_ptr<BtreeNode> node;
        int position = -1;
    };

    bool Start();
    bool SyncHeader();
    bool HeaderChanged() const;
    bool Place(const IndexKey* wanted);
    bool DescendLeftmost(FileAddress at);
    bool Push(FileAddress at, int position);
    bool Step();
    bool Climb();
    bool Answer();
    bool Beyond(const BtreeNode& node, int p);
    bool End();
    bool Fail();
    bool Corrupt(const char* reason, int64_t offset);

    BtreeIndex& tree;
    IndexKey& key;
    IndexKey& scratch;
    WalkStatus status;
    // Whether key holds a key the walk answered (or sought), which the next
    // answer must lie beyond.
    bool haveKey = false;
    // The header the path was read under.
    BtreeHeader seen{};
    std::vector<Level> path;
    size_t depth = 0;  // levels of path in use
};

}  // namespace kodexa

#endif
