// Small helpers for tests that build and inspect index files.
#ifndef KODEXA_TESTS_INDEX_TREE_HELPERS_H
#define KODEXA_TESTS_INDEX_TREE_HELPERS_H

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "index/btree_index.h"
#include "index/btree_node.h"
#include "tests/index/code_key.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {

// An empty tree in a new index file with one header slot, as the object
// database makes it.
inline std::unique_ptr<BtreeIndex> NewIndexFile(const std::string& path, int order) {
    auto file = new StoreFile();
    EXPECT_EQ(file->Create(path.c_str(), 28, 0), kNoError);
    auto tree = std::make_unique<BtreeIndex>(CodeKey(), order, -1);
    EXPECT_EQ(tree->Create(file, 1, file->HeaderSize()), kNoError);
    return tree;
}

inline std::unique_ptr<BtreeIndex> OpenIndexFile(const std::string& path, int order, int mode) {
    auto tree = std::make_unique<BtreeIndex>(CodeKey(), order, -1);
    tree->OpenFile(path.c_str(), mode);
    return tree;
}

inline int InsertCode(BtreeIndex& tree, const std::string& code) {
    CodeKey key(code), scratch;
    return tree.Insert(key, scratch, 0);
}

inline int RemoveCode(BtreeIndex& tree, const std::string& code) {
    CodeKey key(code), scratch;
    return tree.Remove(key, scratch, 0);
}

inline std::string Numbered(int n, int width = 3) {
    char text[16];
    std::snprintf(text, sizeof text, "K%0*d", width, n);
    return text;
}

inline std::vector<std::string> WalkForward(BtreeIndex& tree) {
    std::vector<std::string> codes;
    CodeKey key, scratch;
    for (int found = tree.FindFirst(key, 0); found; found = tree.FindNext(key, scratch, 0)) codes.push_back(key.Code());
    return codes;
}

inline std::vector<std::string> WalkBackward(BtreeIndex& tree) {
    std::vector<std::string> codes;
    CodeKey key, scratch;
    for (int found = tree.FindLast(key, 0); found; found = tree.FindPrevious(key, scratch, 0))
        codes.push_back(key.Code());
    return codes;
}

// Reads the node at `at` through the tree's own file.
inline void ReadTreeNode(BtreeIndex& tree, FileAddress at, BtreeNode& node) {
    ASSERT_EQ(node.Read(*tree.File(), at), kNoError);
}

inline std::vector<std::string> NodeCodes(const BtreeNode& node) {
    std::vector<std::string> codes;
    for (int p = 0; p < node.Count(); ++p) {
        CodeKey key;
        node.Load(p, key);
        codes.push_back(key.Code());
    }
    return codes;
}

inline void PatchBytes(const std::string& path, long offset, const std::vector<unsigned char>& bytes) {
    std::vector<unsigned char> image = ReadAllBytes(path);
    ASSERT_LE(offset + bytes.size(), image.size());
    for (size_t i = 0; i < bytes.size(); ++i) image[offset + i] = bytes[i];
    WriteAllBytes(path, image);
}

inline std::vector<unsigned char> Le32(int32_t value) {
    uint32_t u = static_cast<uint32_t>(value);
    return {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8), static_cast<unsigned char>(u >> 16),
            static_cast<unsigned char>(u >> 24)};
}

}  // namespace kodexa::test

#endif
