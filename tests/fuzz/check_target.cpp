// The file checker on arbitrary bytes, as a store file and as an index
// file: it must end, never write, and report what it counted within what
// the file can hold.
#include "index/btree_format.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

int FuzzFileCheck(const uint8_t* data, size_t size) {
    const Bytes input(data, data + size);
    const TempDir scratch;
    const std::string path = ScratchFile(scratch.File("checked.dat"), input);
    const int64_t mostBlocks = int64_t(size) / kBlockHeaderSize + 1;
    for (bool asIndex : {false, true}) {
        const CheckReport report = CheckStoreFile(path, asIndex);
        FUZZ_REQUIRE(report.problemCount >= int64_t(report.problems.size()), "problems listed but not counted");
        FUZZ_REQUIRE(report.problems.size() <= size_t(kMaxListedProblems), "more problems listed than the cap");
        FUZZ_REQUIRE(report.blocksInUse >= 0 && report.blocksDeleted >= 0 && report.blocksReleased >= 0 &&
                         report.blocksInUse + report.blocksDeleted + report.blocksReleased <= mostBlocks &&
                         report.freeListLength >= -1 && report.freeListLength <= mostBlocks &&
                         report.treeNodes >= 0 && report.treeNodes <= mostBlocks,
                     "a block, free list or node count below zero or above what the file can hold");
        FUZZ_REQUIRE(report.treeKeys >= 0 && report.treeKeys <= int64_t(size) / (kEntryLinkSize + 1) + 1,
                     "more keys than the file can hold");
        FUZZ_REQUIRE(!asIndex || !report.IsSound() || report.treeChecked,
                     "an index file called sound without its tree checked");
    }
    FUZZ_REQUIRE(ReadAllBytes(path) == input, "the checker changed the file");
    return 0;
}

}  // namespace kodexa::fuzz
