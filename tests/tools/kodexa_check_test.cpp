// The file checker as the kodexa-check program: sound files pass, each kind
// of damage is named, nothing is ever written, nothing hangs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "tests/index/tree_helpers.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

ProgramRun RunChecker(const std::string& args) { return RunProgram("kodexa-check", args); }

constexpr long kTree = 28;  // the tree header; block headers hold length +4, status +8

struct IndexPath {
    TempDir dir;
    std::string index = dir.File("codes.ndx");
};
class Checker : public ::testing::Test, public IndexPath, public TwoLevelIndex {
public:
    Checker() : TwoLevelIndex(index) {}
};

// Exit status 0 also says that the header's counts match the tree. A tree
// is checked as one in any file only when asked.
TEST_F(Checker, SoundFilesPassWithTheirFigures) {
    ProgramRun run = RunChecker(index);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    for (const char* line : {"b-tree key count: 40\n", "blocks: 5 (in use 3, deleted 0, released 2)\n", "sound\n"})
        EXPECT_TRUE(Has(run.out, line)) << line;
    EXPECT_FALSE(Has(run.out, "warning")) << run.out;
    std::string renamed = dir.File("tree.bin");
    std::filesystem::copy_file(index, renamed);
    EXPECT_TRUE(Has(RunChecker("--index " + renamed).out, "b-tree key count: 40"));
    EXPECT_FALSE(Has(RunChecker(renamed).out, "b-tree"));
}

// The sound file damaged in one way at a time, one way for each place the
// checker comes upon damage: the store header, the block scan, the free
// list, the tree header, finding, reading and reaching a node, the leaves,
// the keys' order, and the header's counts. The checker must name
// the damage with exit status 1, and the file must stay as it was.
TEST_F(Checker, DamageIsNamedAndMakesTheProgramExitWithOne) {
    const std::vector<unsigned char> sound = ReadAllBytes(index);
    const std::pair<std::function<void()>, const char*> damages[] = {
        {[&] { PatchLe32(index, left, -1); }, "claims -1 entries"},
        {[&] { PatchLe32(index, left + 4, root); }, "deeper than the height allows"},
        {[&] { PatchLe32(index, root + 4, right); }, "reachable twice"},
        {[&] { PatchBytes(index, Entry(left, 0) + 4, {'K', '9'}); }, "does not sort"},
        {[&] { PatchLe32(index, kTree + 8, 41); }, "header counts 41 keys"},
        {[&] { PatchLe32(index, kTree + 16, 3); }, "not at height - 1 = 2"},
        {[&] { PatchLe32(index, right - 16 + 8, 'R'); }, "lies in a block that is free"},
        {[&] { PatchLe32(index, kTree + 4, 0); }, "make no usable node"},
        {[&] { std::filesystem::resize_file(index, sound.size() - 99); }, "shorter than its end of file"},
        {[&] { PatchLe32(index, 0, 31); }, "which is not a block"},
        {[&] { PatchLe32(index, right - 16 + 4, 5000); }, "runs past the end of the file"},
        {[&] { WriteAllBytes(index, std::vector<unsigned char>(64, 'x')); }, "not a store file"},
    };
    for (const auto& [apply, expected] : damages) {
        SCOPED_TRACE(expected);
        WriteAllBytes(index, sound);
        apply();
        std::vector<unsigned char> before = ReadAllBytes(index);
        ProgramRun run = RunChecker(index);
        EXPECT_EQ(run.exitCode, 1) << run.out;
        EXPECT_TRUE(Has(run.out, expected)) << run.out;
        EXPECT_TRUE(Has(run.out, "result: damaged"));
        EXPECT_EQ(ReadAllBytes(index), before) << "the checker wrote to the file";
    }
}

// Sparse, so it costs no disk space. Its size read through a 32-bit
// position came out as the size of the sound file it begins with.
TEST_F(Checker, FileBeyondTheAddressRangeIsDamaged) {
    auto size = (uintmax_t(1) << 32) + std::filesystem::file_size(index);
    std::filesystem::resize_file(index, size);
    ProgramRun run = RunChecker(index);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "larger than the 2 GB")) << run.out;
    EXPECT_EQ(std::filesystem::file_size(index), size);
}

// A directory is checked as a catalogue: its files one by one, then the
// whole; a record changed in place passes the file checks but not that.
TEST(CatalogueChecker, ADirectoryIsCheckedFileByFileAndAsAWhole) {
    TempDir dir;
    const std::string tests = std::string(KODEXA_SOURCE_DIR) + "/tests/";
    const std::string alpha = tests + "data/alpha/icd10gm2099alpha_edvtxt_20990101.txt ";
    ASSERT_EQ(RunProgram("kodexa-import", "--alpha " + alpha + tests + "import/data/mini-utf8 " + dir.Path()).exitCode, 0);
    ProgramRun run = RunChecker(dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    for (const char* file : {"data1.dat", "data2.ndx", "data3.dat", "data4.ndx", "data5.dat"})
        EXPECT_TRUE(Has(run.out, dir.File(file) + "\n")) << file;
    EXPECT_TRUE(Has(run.out, dir.Path() + " (the catalogue as a whole)\n  chapters: 3\n  groups: 4\n  codes: 9\n"
                                          "  result: sound\n")) << run.out;

    std::vector<unsigned char> codes = ReadAllBytes(dir.File("data3.dat"));
    const std::string stored("\x05\0\0\0" "A00.9", 9);
    auto at = std::search(codes.begin(), codes.end(), stored.begin(), stored.end());
    ASSERT_NE(at, codes.end());
    at[8] = '7';
    WriteAllBytes(dir.File("data3.dat"), codes);
    run = RunChecker(dir.Path());
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "  problem: " + dir.File("data3.dat") + ", offset " + std::to_string(at - codes.begin() - 8) +
                                 ": the record holds the code \"A00.7\" where its key says \"A00.9\"\n"
                                 "  result: damaged (1 problem)\n")) << run.out;
}

TEST_F(Checker, WrongUsageAndMissingFiles) {
    const std::tuple<std::string, int, const char*> cases[] = {
        {"", 2, "no file given"}, {"--repair x.ndx", 2, "unknown option --repair"},
        {dir.File("absent.ndx"), 1, "cannot open the file"},
        // The worst file decides, wherever it stands.
        {dir.File("absent.ndx") + " " + index, 1, "cannot open the file"},
        {index + " " + dir.File("absent.ndx"), 1, "cannot open the file"},
    };
    for (const auto& [args, exitCode, text] : cases) {
        ProgramRun run = RunChecker(args);
        EXPECT_EQ(run.exitCode, exitCode) << args;
        EXPECT_TRUE(Has(exitCode == 2 ? run.err : run.out, text)) << args << ": " << run.out << run.err;
    }
}

}  // namespace
}  // namespace kodexa::test
