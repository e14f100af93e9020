// The B-tree of one index file. The header lives in the file's static area,
// every node is one store object; there is no node cache, so each operation
// reads the nodes it visits and writes back every node it changes before it
// returns. Failures are recorded as StoreError codes in the index file's
// StoreFile; lookups and changes answer 1 or 0, the rest answer the code.
#ifndef KODEXA_INDEX_BTREE_INDEX_H
#define KODEXA_INDEX_BTREE_INDEX_H

#include <memory>

#include "index/address_stack.h"
#include "index/btree_format.h"
#include "index/btree_node.h"
#include "index/index_key.h"
#include "store/store_file.h"

namespace kodexa {

// The syncHeader argument of the lookups: whether the header is read from
// disk first, to see what another program changed.
enum HeaderSync : int { kTrustHeader = 0, kSyncHeader = 1 };

class BtreeIndex {
public:
    BtreeIndex(const IndexKey& keyPrototype, FileAddress order, FileAddress spare);
    virtual ~BtreeIndex();
    BtreeIndex(const BtreeIndex&) = delete;
    BtreeIndex& operator=(const BtreeIndex&) = delete;

    // Takes ownership of file. createNew 0 loads the header found at
    // headerAddress; otherwise an empty tree is made there.
    int Create(StoreFile* file, int createNew, FileAddress headerAddress);
    int OpenFile(const char* name, int mode);
    int Close();
    int Flush();
    int ReadHeader();
    int WriteHeader();
    // 0 when the header on disk equals the one in memory, else the number
    // (1 to 7) of the last field that differs; 8 when it cannot be read.
    // reload takes the header from disk, unless this tree has changes of
    // its own that are not written yet.
    int SyncHeader(int reload);

    int Find(IndexKey& key, IndexKey& scratch, int syncHeader);
    int FindFirst(IndexKey& key, int syncHeader);
    int FindLast(IndexKey& key, int syncHeader);
    int FindNext(IndexKey& key, IndexKey& scratch, int syncHeader);
    int FindPrevious(IndexKey& key, IndexKey& scratch, int syncHeader);
    // The key is working storage: afterwards it may hold another key.
    int Insert(IndexKey& key, IndexKey& scratch, int flush);
    int Remove(IndexKey& key, IndexKey& scratch, int flush);

    // Binds a file that is about to be created or opened, so that its error
    // code can be read even when that fails. Takes ownership.
    void Adopt(StoreFile* file);

    StoreFile* File() const { return storeFile; }
    FileAddress HeaderAddress() const { return headerAddress; }
    const BtreeHeader& Header() const { return header; }
    // 1 once a sound header is in memory, so that the tree can be used.
    int IsUsable() const { return storeFile != nullptr && headerLoaded; }

private:
    // Walks with the tree's own halving search and node reads.
    friend class BtreeCursor;

    enum SearchResult { kBelowAll = -1, kMatch = 0, kAfterEntry = 1 };

    int Fail(int code);
    // Records damage (code 15) with what was wrong and where; answers 0.
    int Corrupt(const char* reason, int64_t offset);
    bool Usable();
    NodeGeometry Geometry() const { return NodeGeometry::Of(header); }
    int TakeHeader(const BtreeHeader& onDisk);
    bool HeaderFitsStaticArea(FileAddress at) const;
    static int Search(const BtreeNode& node, const IndexKey& key, IndexKey& scratch, int& p);
    static int Order(const BtreeNode& node, int p, const IndexKey& key, IndexKey& scratch, bool wholeImage);
    bool ReadNode(BtreeNode& node, FileAddress at);
    bool WriteNode(const BtreeNode& node, FileAddress at);
    bool Descend(BtreeNode& node, FileAddress at, int& depth);
    bool FreshNode(BtreeNode& node);
    FileAddress AllocateNode();
    int CreateEmptyTree();
    void Release();

    // node 0: no neighbour passed on the way down.
    struct NeighbourMark {
        FileAddress node = 0;
        int position = 0;
    };
    struct KeyPlace {
        int p = 0;
        int depth = 0;
        NeighbourMark mark;
    };
    BtreeNode* LocateKey(IndexKey& key, IndexKey& scratch, int syncHeader, bool forward, KeyPlace& place);
    BtreeNode* LookupNode();
    bool DescendToKey(IndexKey& key, IndexKey& scratch, BtreeNode& node, bool forward, KeyPlace& place);
    int LoadMarked(const NeighbourMark& mark, BtreeNode& node, IndexKey& key, IndexKey& scratch, bool forward);
    int AnswerNeighbour(const BtreeNode& node, int p, IndexKey& key, IndexKey& scratch, bool forward);
    int FindEdge(IndexKey& key, int syncHeader, bool last);
    bool LeftmostLeaf(BtreeNode& node, FileAddress from, int& depth);
    int RightmostEntry(BtreeNode& node, int q, int& depth);

    int Change(int (BtreeIndex::*change)(IndexKey&, IndexKey&), IndexKey& key, IndexKey& scratch, int flush);
    int InsertKey(IndexKey& key, IndexKey& scratch);
    int RemoveKey(IndexKey& key, IndexKey& scratch);
    void NoteHeaderChange(const BtreeHeader& before);
    bool DescendForInsert(IndexKey& key, IndexKey& scratch, BtreeNode& node, AddressStack& path, int& p);
    bool InsertUpward(IndexKey& key, IndexKey& scratch, BtreeNode& node, AddressStack& path, int p);
    bool SplitNode(IndexKey& key, IndexKey& scratch, BtreeNode& node, int p);
    bool GrowRoot(IndexKey& key);

    bool ReplaceBySuccessor(IndexKey& key, BtreeNode& node, int p, AddressStack& path, int& depth,
                            BtreeNode& repair);
    bool RepairUpward(IndexKey& key, IndexKey& scratch, BtreeNode& repair, AddressStack& path);
    bool Rebalance(BtreeNode& parent, int p, IndexKey& scratch);
    bool BorrowFromLeft(BtreeNode& parent, int s, BtreeNode& left, BtreeNode& right, IndexKey& scratch);
    bool BorrowFromRight(BtreeNode& parent, int s, BtreeNode& left, BtreeNode& right, IndexKey& scratch);
    bool Merge(BtreeNode& parent, int s, BtreeNode& left, BtreeNode& right, IndexKey& scratch);
    bool ReadChild(const BtreeNode& parent, int p, BtreeNode& child);
    bool FreeNode(FileAddress at);
    bool CollapseRoot();

    StoreFile* storeFile;
    FileAddress headerAddress;
    BtreeHeader header;
    // Whether the header in memory came from a sound file or a new tree;
    // until then nothing is written back.
    bool headerLoaded;
    // Changes in memory that the file has not seen yet. While there are
    // any, the image in memory is the authority and is not reloaded.
    bool headerDirty;
    // Room for the nodes a lookup visits; see LookupNode.
    std::unique_ptr<BtreeNode> lookupNode;
};

}  // namespace kodexa

#endif
