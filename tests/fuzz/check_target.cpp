// The file checker on arbitrary bytes, as a store file and as an index
// file: it must end, never write, and report what it counted within what
// the file can hold.
#include "index/btree_format.h"
#include "check/file_check.h"
#include "tests/fuzz/fuzz_support.h"

namespace kodexa::fuzz {

namespace {

void CheckReportBounds(const CheckReport& report, int64_t realSize) {
    const int64_t mostBlocks = realSize / kBlockHeaderSize + 1;
    FUZZ_REQUIRE(report.problemCount >= int64_t(report.problems.size()), "problems listed but not counted");
    FUZZ_REQUIRE(report.problems.size() <= size_t(kMaxListedProblems), "more problems listed than the cap");
    FUZZ_REQUIRE(report.blocksInUse >= 0 && report.blocksDeleted >= 0 && report.blocksReleased >= 0,
                 "a negative block count");
    FUZZ_REQUIRE(report.blocksInUse + report.blocksDeleted + report.blocksReleased <= mostBlocks,
                 "more blocks than the file can hold");
    FUZZ_REQUIRE(report.freeListLength >= -1 && report.freeListLength <= mostBlocks,
                 "a free list longer than the file can hold");
    FUZZ_REQUIRE(report.treeNodes >= 0 && report.treeNodes <= mostBlocks, "more nodes than the file can hold");
    FUZZ_REQUIRE(report.treeKeys >= 0 && report.treeKeys <= realSize / (kEntryLinkSize + 1) + 1,
                 "more keys than the file can hold");
    FUZZ_REQUIRE(!report.IsSound() || report.problems.empty(), "a sound file with problems");
}

}  // namespace

int FuzzFileCheck(const uint8_t* data, size_t size) {
    const std::string path = ScratchFile("checked.dat");
    WriteFile(path, data, size);
    for (bool asIndex : {false, true}) {
        CheckReport report = CheckStoreFile(path, asIndex);
        CheckReportBounds(report, int64_t(size));
        FUZZ_REQUIRE(!asIndex || !report.IsSound() || report.treeChecked,
                     "an index file called sound without its tree checked");
    }
    FUZZ_REQUIRE_UNCHANGED(path, data, size, "the checker changed the file");
    return 0;
}

}  // namespace kodexa::fuzz
