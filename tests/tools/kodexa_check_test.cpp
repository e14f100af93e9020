// The file checker, in-process and as the kodexa-check program: sound files
// pass, each kind of damage is named, nothing is ever written, nothing hangs.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

struct ProgramRun {
    int exitCode;
    std::string out, err;
};

// Runs kodexa-check (from the directory ctest names) with the arguments;
// a run that hangs is stopped after 30 seconds and answers 124.
ProgramRun RunChecker(const TempDir& dir, const std::string& args) {
    const char* bin = std::getenv("KODEXA_BIN_DIR");
    std::string out = dir.File("out.txt"), err = dir.File("err.txt");
    std::string program = std::string(bin != nullptr ? bin : "KODEXA_BIN_DIR-unset") + "/kodexa-check ";
    int status = std::system(("timeout 30 " + program + args + " >" + out + " 2>" + err).c_str());
    std::vector<unsigned char> o = ReadAllBytes(out), e = ReadAllBytes(err);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {o.begin(), o.end()}, {e.begin(), e.end()}};
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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

// Exit status 0 also says that the header's counts match the tree.
TEST_F(Checker, SoundFilesPassWithTheirFigures) {
    ProgramRun run = RunChecker(dir, index + " " + data);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    for (const char* line : {"b-tree order: 29\n", "b-tree key count: 40\n", "b-tree height: 2\n",
                             "blocks: 5 (in use 3, deleted 0, released 2)\n", "free list: 2 blocks\n",
                             "blocks: 4 (in use 2, deleted 2, released 0)\n", "result: sound\n"})
        EXPECT_TRUE(Has(run.out, line)) << line;
    EXPECT_FALSE(Has(run.out, "warning")) << run.out;
    EXPECT_FALSE(Has(run.out.substr(run.out.find(data)), "b-tree")) << "the record file is no tree";
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
    ProgramRun run = RunChecker(dir, path);
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
};
INSTANTIATE_TEST_SUITE_P(Kinds, CheckerDamage, ::testing::ValuesIn(kDamages),
                         [](const auto& info) { return std::string(info.param.name); });

// Sparse, so it costs no disk space. Its size read through a 32-bit
// position came out as the size of the sound file it begins with.
TEST_F(Checker, FileBeyondTheAddressRangeIsDamaged) {
    auto size = (uintmax_t(1) << 32) + std::filesystem::file_size(data);
    std::filesystem::resize_file(data, size);
    ProgramRun run = RunChecker(dir, data);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "larger than the 2 GB")) << run.out;
    EXPECT_EQ(std::filesystem::file_size(data), size);
}

TEST_F(Checker, ChecksumFailuresAreFoundInRevisionsWithChecksums) {
    std::string path = dir.File("checked.dat");
    {
        StoreFile file;
        ASSERT_EQ(file.Create(path.c_str(), 0, 'A'), kNoError);
        FileAddress object = file.Allocate(8, kFirstFit);
        ASSERT_EQ(file.Write("Typhus!!", 8, object, 1, 1), kNoError);
        ASSERT_NE(file.WriteObjectChecksum(object), 0u);
    }
    ProgramRun sound = RunChecker(dir, path);
    EXPECT_EQ(sound.exitCode, 0) << sound.out;
    EXPECT_TRUE(Has(sound.out, "checksum failures: 0\n")) << sound.out;
    PatchBytes(path, 44, {'t'});
    ProgramRun damaged = RunChecker(dir, path);
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_TRUE(Has(damaged.out, "checksum failures: 1\n")) << damaged.out;
    EXPECT_TRUE(Has(damaged.out, "checksum of the object at 44 fails"));
}

// What the engine itself would change when it opens a file for writing
// (the end of file moved, a damaged free list abandoned) stays untouched.
TEST_F(Checker, NeverWritesEvenWhereTheEngineWould) {
    PatchLe32(data, 4, 28 + 36 * 2);       // end of file short of the real end
    PatchBytes(data, blocks[2], {0, 0});  // a free-list block loses its check word
    std::vector<unsigned char> before = ReadAllBytes(data);
    chmod(data.c_str(), 0400);
    ProgramRun run = RunChecker(dir, data);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_TRUE(Has(run.out, "warning: the file runs on past its end of file")) << run.out;
    EXPECT_EQ(ReadAllBytes(data), before);
}

TEST_F(Checker, UsageHelpIndexOptionAndMissingFiles) {
    std::string renamed = dir.File("tree.bin");  // a tree is checked as one in any file only when asked
    std::filesystem::copy_file(index, renamed);
    struct Case {
        std::string args;
        int exitCode;
        bool onStderr;
        const char* text;
    };
    for (const Case& c : {Case{"--help", 0, false, "Usage: kodexa-check"}, Case{"-h", 0, false, "Exit status: 0"},
                          Case{"", 2, true, "no file given"},
                          Case{"--repair x.ndx", 2, true, "unknown option --repair"},
                          Case{dir.File("absent.ndx"), 1, false, "cannot open the file"},
                          Case{"--index " + renamed, 0, false, "b-tree key count: 40"}}) {
        ProgramRun run = RunChecker(dir, c.args);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.args;
        EXPECT_TRUE(Has(c.onStderr ? run.err : run.out, c.text)) << c.args << ": " << run.out << run.err;
    }
    EXPECT_FALSE(Has(RunChecker(dir, renamed).out, "b-tree"));
}

}  // namespace
}  // namespace kodexa::test
