// Read-only soundness check of a store file and, for index files, of the
// B-tree inside it. It never writes and never trusts what it reads: every
// walk is bounded by the file's size, the tree's depth cap and the set of
// places already visited.
#ifndef KODEXA_INDEX_FILE_CHECK_H
#define KODEXA_INDEX_FILE_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

#include "store/store_file.h"

namespace kodexa {

struct CheckReport {
    // "label: value" lines describing the file.
    std::vector<std::string> facts;
    // Oddities the engine copes with (stray bytes, an abandoned free list).
    std::vector<std::string> warnings;
    // Damage. Only the first kMaxListedProblems are listed; problemCount
    // counts them all.
    std::vector<std::string> problems;
    int64_t problemCount = 0;

    int64_t blocksInUse = 0;
    int64_t blocksDeleted = 0;
    int64_t blocksReleased = 0;
    int64_t freeListLength = 0;  // -1 for an abandoned list
    int64_t checksumFailures = 0;

    bool treeChecked = false;
    int64_t treeKeys = 0;
    int64_t treeNodes = 0;
    int32_t treeHeight = 0;

    bool IsSound() const { return problemCount == 0; }
    void Fact(const std::string& label, const std::string& value);
    void Warn(const std::string& text);
    void Problem(const std::string& text);
};

constexpr int kMaxListedProblems = 50;

// Checks a file that is already open (through any mode); reads only.
CheckReport CheckStore(StoreFile& file, bool asIndex);
// Opens the file read-only and checks it.
CheckReport CheckStoreFile(const std::string& name, bool asIndex);
// Index files are the ones named *.ndx (in any case).
bool IsIndexFileName(const std::string& name);

}  // namespace kodexa

#endif
