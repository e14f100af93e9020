// Binding a B-tree to its index file, and its header.
#include "index/btree_index.h"

#include <cstring>
#include <new>

namespace kodexa {

BtreeIndex::BtreeIndex(const IndexKey& keyPrototype, FileAddress order, FileAddress spare)
    : storeFile(nullptr), headerAddress(0), header(), headerLoaded(false), headerDirty(false) {
    header = BtreeHeader();
    header.order = order;
    header.entrySize = keyPrototype.KeySize() + kEntryLinkSize;
    header.spare = spare;
}

BtreeIndex::~BtreeIndex() {
    if (Close() != kNoError) Release();
}

int BtreeIndex::Fail(int code) {
    if (storeFile != nullptr) storeFile->SetError(code);
    return 0;
}

int BtreeIndex::Corrupt(const char* reason, int64_t offset) {
    if (storeFile != nullptr) storeFile->Corrupt(reason, offset);
    return 0;
}

// A tree whose header never loaded (a failed open) must not be walked, and
// its header image must not be written over whatever file it was bound to.
bool BtreeIndex::Usable() {
    if (storeFile == nullptr) return false;
    if (!headerLoaded) return Fail(kFileClosed), false;
    return true;
}

void BtreeIndex::Release() {
    if (storeFile != nullptr) {
        WriteHeader();
        delete storeFile;
        storeFile = nullptr;
    }
    headerLoaded = false;
}

void BtreeIndex::Adopt(StoreFile* file) {
    if (storeFile != file) Release();
    storeFile = file;
    headerLoaded = false;
    headerDirty = false;
}

// The header must lie inside the static area; anywhere else the tree would
// overwrite blocks of the file (an index opened on a record file, say).
bool BtreeIndex::HeaderFitsStaticArea(FileAddress at) const {
    int64_t start = at.Get();
    return start >= storeFile->HeaderSize() && start + kBtreeHeaderSize <= storeFile->Header().dataStart.Get();
}

int BtreeIndex::Create(StoreFile* file, int createNew, FileAddress at) {
    if (file == nullptr) return kNullPointer;
    Adopt(file);
    headerAddress = at;
    if (!HeaderFitsStaticArea(at)) return storeFile->Corrupt("tree header lies outside the static area", at.Get());
    if (!createNew) return ReadHeader();
    return CreateEmptyTree();
}

int BtreeIndex::CreateEmptyTree() {
    NodeGeometry geometry = Geometry();
    if (!geometry.IsSane()) return storeFile->SetError(kBlockAllocationError);
    BtreeNode root(geometry);
    if (!root.IsAllocated()) return storeFile->SetError(kMemoryError);
    FileAddress at = AllocateNode();
    if (at == 0) return storeFile->LastError();
    header.root = at;
    header.height = 1;
    header.keyCount = 0;
    header.nodeCount = 1;
    headerLoaded = true;
    headerDirty = true;
    int code = WriteHeader();
    if (code != kNoError) return code;
    root.Clear();
    return root.Write(*storeFile, at);
}

int BtreeIndex::OpenFile(const char* name, int mode) {
    int code = Close();
    if (code != kNoError) return code;
    StoreFile* file = new (std::nothrow) StoreFile();
    if (file == nullptr) return kMemoryError;
    Adopt(file);
    if ((code = file->Open(name, mode)) != kNoError) return code;
    return Create(file, 0, file->HeaderSize());
}

int BtreeIndex::Close() {
    if (storeFile == nullptr) return kNoError;
    int code = WriteHeader();
    if (code != kNoError) return code;
    // A file the C library fails to close stays bound, so that the caller
    // learns of it and may try again.
    if ((code = storeFile->Close()) != kNoError) return code;
    delete storeFile;
    storeFile = nullptr;
    headerLoaded = false;
    return kNoError;
}

int BtreeIndex::Flush() {
    if (storeFile == nullptr) return kFileClosed;
    int code = WriteHeader();
    if (code != kNoError) return code;
    return storeFile->Flush();
}

int BtreeIndex::ReadHeader() {
    if (storeFile == nullptr) return kFileClosed;
    BtreeHeader onDisk;
    int code = storeFile->Read(&onDisk, sizeof onDisk, headerAddress);
    if (code != kNoError) return code;
    return TakeHeader(onDisk);
}

// Node buffers are sized from the header, so a header that makes no
// sensible node is refused rather than believed.
int BtreeIndex::TakeHeader(const BtreeHeader& onDisk) {
    if (!NodeGeometry::Of(onDisk).IsSane())
        return storeFile->Corrupt("tree order and entry size make no usable node", headerAddress.Get());
    header = onDisk;
    headerLoaded = true;
    headerDirty = false;
    return kNoError;
}

int BtreeIndex::WriteHeader() {
    if (storeFile == nullptr) return kFileClosed;
    if (!headerLoaded || !storeFile->IsReady() || !storeFile->IsWritable()) return kNoError;
    int code = storeFile->Write(&header, sizeof header, headerAddress, kFlush, kVerify);
    if (code == kNoError) headerDirty = false;
    return code;
}

// Runs before every lookup, so the usual case, a header nobody changed,
// costs one read and one comparison of the bytes.
int BtreeIndex::SyncHeader(int reload) {
    constexpr int kUnreadable = 8;
    if (storeFile == nullptr) return kUnreadable;
    BtreeHeader onDisk;
    if (storeFile->Read(&onDisk, sizeof onDisk, headerAddress) != kNoError) return kUnreadable;
    if (std::memcmp(&onDisk, &header, sizeof header) == 0) return 0;
    static FileAddress BtreeHeader::*const fields[kBtreeHeaderFields] = {
        &BtreeHeader::order,  &BtreeHeader::entrySize, &BtreeHeader::keyCount, &BtreeHeader::nodeCount,
        &BtreeHeader::height, &BtreeHeader::root,      &BtreeHeader::spare};
    int lastDiffering = 0;
    for (int i = 0; i < kBtreeHeaderFields; ++i)
        if (onDisk.*fields[i] != header.*fields[i]) lastDiffering = i + 1;
    // Reloading over unwritten changes of our own would lose nodes.
    if (lastDiffering != 0 && reload && !headerDirty) TakeHeader(onDisk);
    return lastDiffering;
}

void BtreeIndex::NoteHeaderChange(const BtreeHeader& before) {
    if (std::memcmp(&before, &header, sizeof header) != 0) headerDirty = true;
}

// The last entry not above key, found by halving: on a node in order this
// is the entry a scan down from the top stops at, and on a damaged node the
// halving still ends after log2(count) steps. The entry found is the last
// one the halving compared as not above, so its order is known already.
int BtreeIndex::Search(const BtreeNode& node, const IndexKey& key, IndexKey& scratch, int& p) {
    const bool wholeImage = node.KeyBytesSize() >= key.KeySize();
    int low = 0, high = node.Count();
    int orderAtFound = 1;
    while (low < high) {
        int middle = low + (high - low) / 2;
        int order = Order(node, middle, key, scratch, wholeImage);
        if (order < 0) {
            high = middle;
        } else {
            low = middle + 1;
            orderAtFound = order;
        }
    }
    p = low - 1;
    if (p < 0) return kBelowAll;
    return orderAtFound == 0 ? kMatch : kAfterEntry;
}

// Key against entry p: negative below, 0 equal, positive above. The entry's
// bytes are compared where they lie when the key class can and the entry
// holds a whole key image.
int BtreeIndex::Order(const BtreeNode& node, int p, const IndexKey& key, IndexKey& scratch, bool wholeImage) {
    if (wholeImage) {
        int order = key.CompareToImage(node.KeyBytes(p));
        if (order != IndexKey::kNoImageOrder) return order;
    }
    node.Load(p, scratch);
    if (key.IsGreater(scratch)) return 1;
    return key.IsEqual(scratch) ? 0 : -1;
}

bool BtreeIndex::ReadNode(BtreeNode& node, FileAddress at) { return node.Read(*storeFile, at) == kNoError; }

bool BtreeIndex::WriteNode(const BtreeNode& node, FileAddress at) { return node.Write(*storeFile, at) == kNoError; }

// One step down the tree. Counting the steps is what keeps a link that
// points back up (a cycle in a damaged file) from leading on for ever.
bool BtreeIndex::Descend(BtreeNode& node, FileAddress at, int& depth) {
    if (depth >= DepthLimit(header.height)) return Corrupt("node lies deeper than the tree's height", at.Get()), false;
    ++depth;
    return ReadNode(node, at);
}

bool BtreeIndex::FreshNode(BtreeNode& node) {
    if (!node.IsAllocated()) return Fail(kMemoryError), false;
    return true;
}

FileAddress BtreeIndex::AllocateNode() {
    FileAddress at = storeFile->Allocate(static_cast<int>(Geometry().DataSize()), kFirstFit);
    if (at == 0 && storeFile->LastError() == kNoError) storeFile->SetError(kBlockAllocationError);
    return at;
}

}  // namespace kodexa
