// The file checker as the kodexa-check program: sound files pass, each kind
// of damage is named, nothing is ever written, nothing hangs.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/index/tree_helpers.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

ProgramRun RunChecker(const std::string& args) { return RunProgram("kodexa-check", args); }

// The index is a TwoLevelIndex; the record file has four objects, the
// first and third deleted, the last holding a text length far beyond the
// file: record texts are outside the check's view, so that must neither
// trouble nor stop it.
struct Files {
    TempDir dir;
    std::string index = dir.File("codes.ndx"), data = dir.File("codes.dat");
};
class Checker : public ::testing::Test, public Files, public TwoLevelIndex {
public:
    Checker() : TwoLevelIndex(index) {}
    void SetUp() override {
        StoreFile records;
        ASSERT_EQ(records.Create(data.c_str(), 0, 0), kNoError);
        for (int i = 0; i < 4; ++i) blocks.push_back(records.Allocate(20, kFirstFit) - kBlockHeaderSize);
        ASSERT_EQ(records.Remove(blocks[0] + kBlockHeaderSize, 0), 1);
        ASSERT_EQ(records.Remove(blocks[2] + kBlockHeaderSize, 0), 1);
        StoredUInt32 hugeTextLength = 0xFFFFFFF0u;
        ASSERT_EQ(records.Write(&hugeTextLength, 4, blocks[3] + kBlockHeaderSize, 1, 1), kNoError);
        ASSERT_EQ(records.Close(), kNoError);
    }
    static constexpr long kTree = 28;  // the tree header; block headers hold length +4, status +8, next +12

    std::vector<int32_t> blocks;
};

// Exit status 0 also says that the header's counts match the tree. A tree
// is checked as one in any file only when asked.
TEST_F(Checker, SoundFilesPassWithTheirFigures) {
    ProgramRun run = RunChecker(index + " " + data);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    for (const char* line : {"b-tree order: 29\n", "b-tree key count: 40\n", "b-tree height: 2\n",
                             "blocks: 5 (in use 3, deleted 0, released 2)\n", "free list: 2 blocks\n",
                             "blocks: 4 (in use 2, deleted 2, released 0)\n", "result: sound\n"})
        EXPECT_TRUE(Has(run.out, line)) << line;
    EXPECT_FALSE(Has(run.out, "warning")) << run.out;
    EXPECT_FALSE(Has(run.out.substr(run.out.find(data)), "b-tree")) << "the record file is no tree";
    std::string renamed = dir.File("tree.bin");
    std::filesystem::copy_file(index, renamed);
    EXPECT_TRUE(Has(RunChecker("--index " + renamed).out, "b-tree key count: 40"));
    EXPECT_FALSE(Has(RunChecker(renamed).out, "b-tree"));
}

struct Damage {
    const char* name;
    bool inIndex;
    std::function<void(Checker&)> apply;
    const char* expected;  // part of a problem line
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class CheckerDamage : public Checker, public ::testing::WithParamInterface<Damage> {};

// Each file is damaged in one way only; the checker must name the damage
// with exit status 1, and the file must stay as it was.
TEST_P(CheckerDamage, IsNamedAndMakesTheProgramExitWithOne) {
    const Damage& d = GetParam();
    d.apply(*this);
    std::string path = d.inIndex ? index : data;
    std::vector<unsigned char> before = ReadAllBytes(path);
    ProgramRun run = RunChecker(path);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, d.expected)) << run.out;
    EXPECT_TRUE(Has(run.out, "result: damaged"));
    EXPECT_EQ(ReadAllBytes(path), before) << "the checker wrote to the file";
}

using C = Checker;
const Damage kDamages[] = {
    {"NegativeEntryCount", true, [](C& c) { PatchLe32(c.index, c.left, -1); }, "claims -1 entries"},
    {"EntryCountAboveMax", true, [](C& c) { PatchLe32(c.index, c.right, 29); }, "claims 29 entries"},
    {"LinkBackToRoot", true, [](C& c) { PatchLe32(c.index, c.left + 4, c.root); }, "deeper than the height allows"},
    {"SelfLinkUnderHugeHeight", true,
     [](C& c) { PatchLe32(c.index, c.root + 4, c.root), PatchLe32(c.index, C::kTree + 16, 1 << 30); },
     "height 1073741824 lies outside"},
    {"NodeReachedTwice", true, [](C& c) { PatchLe32(c.index, c.root + 4, c.right); }, "reachable twice"},
    {"KeysOutOfOrder", true, [](C& c) { PatchBytes(c.index, C::Entry(c.left, 0) + 4, {'K', '9'}); }, "does not sort"},
    {"KeyCountWrong", true, [](C& c) { PatchLe32(c.index, C::kTree + 8, 41); }, "header counts 41 keys"},
    {"NodeCountWrong", true, [](C& c) { PatchLe32(c.index, C::kTree + 12, 2); }, "header counts 2 nodes"},
    {"HeightWrong", true, [](C& c) { PatchLe32(c.index, C::kTree + 16, 3); }, "not at height - 1 = 2"},
    {"LinkInLeaf", true, [](C& c) { PatchLe32(c.index, C::Entry(c.left, 3), c.right); }, "has a link in entry 3"},
    {"RootNotANode", true, [](C& c) { PatchLe32(c.index, C::kTree + 20, 1000); }, "node 1000 is not the object of any"},
    {"NodeInFreeBlock", true, [](C& c) { PatchLe32(c.index, c.right - 16 + 8, 'R'); }, "lies in a block that is free"},
    {"UnusableGeometry", true, [](C& c) { PatchLe32(c.index, C::kTree + 4, 0); }, "make no usable node"},
    {"CutShort", true, [](C& c) { std::filesystem::resize_file(c.index, std::filesystem::file_size(c.index) - 99); },
     "shorter than its end of file"},
    {"FreeListCircle", false, [](C& c) { PatchLe32(c.data, c.blocks[0] + 12, c.blocks[2]); }, "runs in a circle"},
    {"FreeListIntoNowhere", false, [](C& c) { PatchLe32(c.data, 0, 31); }, "which is not a block"},
    {"FreeListHoldsBlockInUse", false, [](C& c) { PatchLe32(c.data, c.blocks[2] + 12, c.blocks[1]); }, "which is in use"},
    {"BlockRunsPastEnd", false, [](C& c) { PatchLe32(c.data, c.blocks[3] + 4, 5000); }, "runs past the end of the file"},
    {"UnknownStatus", false, [](C& c) { PatchLe32(c.data, c.blocks[1] + 8, 'X'); }, "unknown status"},
    {"NotAStoreFile", false, [](C& c) { WriteAllBytes(c.data, std::vector<unsigned char>(64, 'x')); },
     "not a store file"},
    {"TooShort", false, [](C& c) { WriteAllBytes(c.data, {1, 2, 3}); }, "too short"},
    // What the engine itself would change on opening for writing.
    {"EndOfFileShortAndFreeBlockUnmarked", false,
     [](C& c) { PatchLe32(c.data, 4, 28 + 36 * 2), PatchBytes(c.data, c.blocks[2], {0, 0}); },
     "warning: the file runs on past its end of file"},
};
INSTANTIATE_TEST_SUITE_P(Kinds, CheckerDamage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// Sparse, so it costs no disk space. Its size read through a 32-bit
// position came out as the size of the sound file it begins with.
TEST_F(Checker, FileBeyondTheAddressRangeIsDamaged) {
    auto size = (uintmax_t(1) << 32) + std::filesystem::file_size(data);
    std::filesystem::resize_file(data, size);
    ProgramRun run = RunChecker(data);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "larger than the 2 GB")) << run.out;
    EXPECT_EQ(std::filesystem::file_size(data), size);
}

TEST_F(Checker, UsageHelpIndexOptionAndMissingFiles) {
    const std::tuple<std::string, int, const char*> cases[] = {
        {"--help", 0, "Usage: kodexa-check"}, {"-h", 0, "Exit status: 0"}, {"--version", 0, "kodexa-check 1.0\n"},
        {"", 2, "no file given"}, {"--repair x.ndx", 2, "unknown option --repair"},
        {dir.File("absent.ndx"), 1, "cannot open the file"},
    };
    for (const auto& [args, exitCode, text] : cases) {
        ProgramRun run = RunChecker(args);
        EXPECT_EQ(run.exitCode, exitCode) << args;
        EXPECT_TRUE(Has(exitCode == 2 ? run.err : run.out, text)) << args << ": " << run.out << run.err;
    }
}

}  // namespace
}  // namespace kodexa::test
