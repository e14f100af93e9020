// The B-tree part of the file check. Key images are compared as raw bytes
// (memcmp): the checker knows no key class, and for keys that begin with a
// NUL-terminated text compared like strcmp the two orders agree.
#include "check/tree_check.h"

#include <cstring>
#include <set>
#include <vector>

#include "index/btree_format.h"
#include "index/btree_node.h"

namespace kodexa {

namespace {

std::string Number(int64_t value) { return std::to_string(value); }

class TreeChecker {
public:
    TreeChecker(StoreFile& store, const StoreScan& blocks, CheckReport& out)
        : file(store), scan(blocks), report(out) {}

    void Run();

private:
    bool ReadHeader();
    bool HeaderIsSane();
    bool NodeBlockIsSound(int64_t at);
    bool ReadNode(BtreeNode& node, int64_t at);
    void Visit(int64_t at, int depth);
    void CheckEntries(const BtreeNode& node, int64_t at, int depth);
    void CheckKeyOrder(const BtreeNode& node, int p, int64_t at);
    void CompareCounts();

    StoreFile& file;
    const StoreScan& scan;
    CheckReport& report;
    BtreeHeader header;
    NodeGeometry geometry;
    int depthLimit = kMaxTreeDepth;
    std::set<int64_t> visited;
    std::vector<unsigned char> previousKey;
    bool havePreviousKey = false;
};

void TreeChecker::Run() {
    report.treeChecked = true;
    if (!ReadHeader() || !HeaderIsSane()) return;
    Visit(header.root.Get(), 0);
    CompareCounts();
}

bool TreeChecker::ReadHeader() {
    int64_t at = file.HeaderSize();
    if (int64_t(scan.header.dataStart.Get()) - at < kBtreeHeaderSize) {
        report.Problem("the static area has no room for a B-tree header: not an index file");
        return false;
    }
    if (file.Read(&header, sizeof header, static_cast<int32_t>(at)) != kNoError) {
        report.Problem("cannot read the B-tree header");
        return false;
    }
    report.Fact("b-tree order", Number(header.order.Get()));
    report.Fact("b-tree entry size", Number(header.entrySize.Get()));
    report.Fact("b-tree key count", Number(header.keyCount.Get()));
    report.Fact("b-tree height", Number(header.height.Get()));
    report.Fact("b-tree node count", Number(header.nodeCount.Get()));
    report.Fact("b-tree root", Number(header.root.Get()));
    report.Fact("b-tree spare", Number(header.spare.Get()));
    report.treeHeight = header.height.Get();
    return true;
}

bool TreeChecker::HeaderIsSane() {
    geometry = NodeGeometry::Of(header);
    if (!geometry.IsSane()) {
        report.Problem("order " + Number(header.order.Get()) + " and entry size " + Number(header.entrySize.Get()) +
                       " make no usable node");
        return false;
    }
    report.Fact("b-tree node size", Number(geometry.DataSize()) + " bytes, at most " +
                                        Number(geometry.maxEntries) + " entries");
    if (header.height < 1 || header.height > kMaxTreeDepth)
        report.Problem("height " + Number(header.height.Get()) + " lies outside 1.." + Number(kMaxTreeDepth));
    depthLimit = DepthLimit(header.height);
    if (header.keyCount < 0) report.Problem("key count is negative");
    return true;
}

// A node must be the object of a block in use that is large enough for a
// full node; anything else would be read from, or written over, other data.
bool TreeChecker::NodeBlockIsSound(int64_t at) {
    const ScannedBlock* block = scan.BlockOfObject(at);
    if (block == nullptr) {
        report.Problem("node " + Number(at) + " is not the object of any block");
        return false;
    }
    if (block->status != kStatusInUse) {
        report.Problem("node " + Number(at) + " lies in a block that is free");
        return false;
    }
    if (scan.ObjectLength(*block) < geometry.DataSize()) {
        report.Problem("node " + Number(at) + " lies in an object of " + Number(scan.ObjectLength(*block)) +
                       " bytes, too small for a node of " + Number(geometry.DataSize()));
        return false;
    }
    return true;
}

bool TreeChecker::ReadNode(BtreeNode& node, int64_t at) {
    int code = node.Read(file, static_cast<int32_t>(at));
    if (code == kNoError) return true;
    if (code == kFileCorrupt) {
        FileAddress count;
        file.Read(&count, sizeof count, static_cast<int32_t>(at));
        report.Problem("node " + Number(at) + " claims " + Number(count.Get()) + " entries, outside 0.." +
                       Number(geometry.maxEntries));
    } else {
        report.Problem("cannot read node " + Number(at) + ": " + file.ErrorDescription());
    }
    return false;
}

// Depth first, in key order, so that one running "previous key" checks the
// ascending order across the whole tree.
void TreeChecker::Visit(int64_t at, int depth) {
    if (depth >= depthLimit) {
        report.Problem("node " + Number(at) + " lies deeper than the height allows (a link back up the tree?)");
        return;
    }
    if (!visited.insert(at).second) {
        report.Problem("node " + Number(at) + " is reachable twice");
        return;
    }
    if (!NodeBlockIsSound(at)) return;
    BtreeNode node(geometry);
    if (!node.IsAllocated()) {
        report.Problem("no memory for a node buffer");
        return;
    }
    if (!ReadNode(node, at)) return;
    ++report.treeNodes;
    report.treeKeys += node.Count();
    CheckEntries(node, at, depth);
    for (int p = -1; p < node.Count(); ++p) {
        if (p >= 0) CheckKeyOrder(node, p, at);
        if (!node.IsLeaf() && node.Child(p) != 0) Visit(node.Child(p).Get(), depth + 1);
    }
}

void TreeChecker::CheckEntries(const BtreeNode& node, int64_t at, int depth) {
    if (depth > 0 && node.Count() == 0) report.Problem("node " + Number(at) + " below the root holds no entries");
    if (node.IsLeaf()) {
        if (depth != header.height - 1)
            report.Problem("leaf " + Number(at) + " lies at depth " + Number(depth) + ", not at height - 1 = " +
                           Number(header.height.Get() - 1));
        for (int p = 0; p < node.Count(); ++p)
            if (node.Child(p) != 0) report.Problem("leaf " + Number(at) + " has a link in entry " + Number(p));
        return;
    }
    for (int p = 0; p < node.Count(); ++p)
        if (node.Child(p) == 0) report.Problem("inner node " + Number(at) + " lacks the subtree of entry " + Number(p));
}

void TreeChecker::CheckKeyOrder(const BtreeNode& node, int p, int64_t at) {
    const unsigned char* key = node.KeyBytes(p);
    size_t size = static_cast<size_t>(node.KeyBytesSize());
    if (havePreviousKey && std::memcmp(previousKey.data(), key, size) >= 0)
        report.Problem("key " + Number(p) + " of node " + Number(at) + " does not sort after the key before it");
    previousKey.assign(key, key + size);
    havePreviousKey = true;
}

void TreeChecker::CompareCounts() {
    if (report.treeKeys != header.keyCount)
        report.Problem("the header counts " + Counted(header.keyCount.Get(), "key", "keys") + ", the tree holds " +
                       Number(report.treeKeys));
    if (report.treeNodes != header.nodeCount)
        report.Problem("the header counts " + Counted(header.nodeCount.Get(), "node", "nodes") + ", the tree has " +
                       Number(report.treeNodes));
    int64_t strayNodes = report.blocksInUse - report.treeNodes;
    if (strayNodes > 0) report.Warn(Counted(strayNodes, "block in use is not a node", "blocks in use are not nodes") +
                                    " of the tree (space lost)");
}

}  // namespace

void CheckTree(StoreFile& file, const StoreScan& scan, CheckReport& report) {
    TreeChecker checker(file, scan, report);
    checker.Run();
}

}  // namespace kodexa
