// What a file check found: facts about the file, oddities the engine copes
// with, and damage.
#ifndef KODEXA_CHECK_CHECK_REPORT_H
#define KODEXA_CHECK_CHECK_REPORT_H

#include <cstdint>
#include <string>
#include <vector>

namespace kodexa {

constexpr int kMaxListedProblems = 50;

// "1 block", "2 blocks": the number and the words for one or for more.
inline std::string Counted(int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

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

}  // namespace kodexa

#endif
