// The checker on files the store writes without and with checksums: the
// layout it reads back must be the one the store wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "check/file_check.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

struct RevisionCase {
    char revision;
    const char* revisionFact;
    const char* checksumFact;
};

const RevisionCase kRevisions[] = {
    {0, "revision: 0 (no checksums, no locks)", "checksum failures: none checked (revision without checksums)"},
    {'C', "revision: C (checksums, file and record locks)", "checksum failures: 0"},
};

class CheckedRevision : public ::testing::TestWithParam<RevisionCase> {};

// One changed byte of the sealed object then fails its checksum, where the
// revision has checksums.
TEST_P(CheckedRevision, FileTheStoreWroteIsSoundWithItsBlocks) {
    TempDir dir;
    std::string name = dir.File("r.dat");
    StoreFile file;
    ASSERT_EQ(file.Create(name.c_str(), 12, GetParam().revision), kNoError);
    FileAddress kept = file.Allocate(30, kFirstFit), freed = file.Allocate(50, kFirstFit);
    ASSERT_NE(kept, 0);
    file.WriteObjectChecksum(kept);  // the layer above seals what it wrote
    ASSERT_EQ(file.Remove(freed, 0), 1);
    ASSERT_EQ(file.Close(), kNoError);

    CheckReport report = CheckStoreFile(name, false);
    EXPECT_TRUE(report.IsSound()) << (report.problems.empty() ? "" : report.problems.front());
    for (const char* fact : {GetParam().revisionFact, GetParam().checksumFact, "static area: 12",
                             "blocks: 2 (in use 1, deleted 1, released 0)"})
        EXPECT_NE(std::find(report.facts.begin(), report.facts.end(), fact), report.facts.end()) << fact;
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.front();

    PatchBytes(name, kept.Get(), {'t'});
    report = CheckStoreFile(name, false);
    ASSERT_EQ(report.IsSound(), GetParam().revision == 0);
    const std::string failure = "checksum of the object at " + std::to_string(kept.Get()) + " fails";
    if (GetParam().revision != 0) { EXPECT_EQ(report.problems.front().rfind(failure, 0), 0u) << report.problems.front(); }
}

INSTANTIATE_TEST_SUITE_P(Revisions, CheckedRevision, ::testing::ValuesIn(kRevisions),
                         [](const auto& info) { return "rev" + std::to_string(int(info.param.revision)); });

}  // namespace
}  // namespace kodexa::test
