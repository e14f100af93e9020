// Keys and helpers for tests that build and examine index files.
#ifndef KODEXA_TESTS_INDEX_TREE_HELPERS_H
#define KODEXA_TESTS_INDEX_TREE_HELPERS_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "index/btree_index.h"
#include "index/btree_node.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {

using Bytes = std::vector<unsigned char>;

// A key laid out like the catalogue's: an 8-byte NUL-terminated code, a
// 4-byte record address and a 4-byte tag (both left 0 here), ordered by the
// code like strcmp.
class CodeKey : public IndexKey {
public:
    explicit CodeKey(const std::string& code = "") : IndexKey(image), image{} {
        std::memcpy(image, code.data(), code.size() < 8 ? code.size() : 7);
    }
    std::string Code() const { return std::string(Text(*this), strnlen(Text(*this), 8)); }
    int KeySize() const override { return 16; }
    // Bounded, so that a damaged image without its NUL is compared within the code.
    int IsEqual(const IndexKey& other) const override { return std::strncmp(Text(*this), Text(other), 8) == 0; }
    int IsGreater(const IndexKey& other) const override { return std::strncmp(Text(*this), Text(other), 8) > 0; }

private:
    static const char* Text(const IndexKey& key) { return reinterpret_cast<const char*>(key.KeyImage()); }
    unsigned char image[16];
};

// An empty tree in a new index file with one header slot, as the object
// database makes it.
inline std::unique_ptr<BtreeIndex> NewIndexFile(const std::string& path, int order, char revision = 0) {
    auto file = new StoreFile();
    EXPECT_EQ(file->Create(path.c_str(), 28, revision), kNoError);
    auto tree = std::make_unique<BtreeIndex>(CodeKey(), order, -1);
    EXPECT_EQ(tree->Create(file, 1, file->HeaderSize()), kNoError);
    return tree;
}

inline int InsertCode(BtreeIndex& tree, const std::string& code) { CodeKey k(code), s; return tree.Insert(k, s, 0); }
inline int RemoveCode(BtreeIndex& tree, const std::string& code) { CodeKey k(code), s; return tree.Remove(k, s, 0); }

// K000, K001, ...
inline std::string Numbered(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "K%03d", n);
    return text;
}

// Every code from FindFirst on with FindNext, or from FindLast back.
inline std::vector<std::string> Walk(BtreeIndex& tree, bool backward = false) {
    std::vector<std::string> codes;
    CodeKey key, scratch;
    for (int found = backward ? tree.FindLast(key, 0) : tree.FindFirst(key, 0); found;
         found = backward ? tree.FindPrevious(key, scratch, 0) : tree.FindNext(key, scratch, 0))
        codes.push_back(key.Code());
    return codes;
}

// An order-29 index of K000..K039: a root holding K014 over leaves of 14
// and 25 keys. K040..K059 were in it too; their removal merged two nodes
// away onto the free list.
struct TwoLevelIndex {
    int32_t root = 0, left = 0, right = 0;

    explicit TwoLevelIndex(const std::string& path) {
        auto tree = NewIndexFile(path, 29);
        for (int i = 0; i < 60; ++i) EXPECT_EQ(InsertCode(*tree, Numbered(i)), 1);
        for (int i = 59; i >= 40; --i) EXPECT_EQ(RemoveCode(*tree, Numbered(i)), 1);
        BtreeNode node(NodeGeometry::Of(tree->Header()));
        root = tree->Header().root;
        EXPECT_EQ(node.Read(*tree->File(), root), kNoError);
        EXPECT_EQ(node.Count(), 1);
        left = node.Child(-1);
        right = node.Child(0);
        EXPECT_EQ(tree->Close(), kNoError);
    }
    // Where the link of entry p of a node lies in the file.
    static long Entry(int32_t node, int p) { return node + 8 + 20L * p; }
};

}  // namespace kodexa::test

#endif
