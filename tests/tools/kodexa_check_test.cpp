// The file checker, in-process and as the kodexa-check program: sound files
// pass, each kind of damage is named, nothing is ever written, nothing hangs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "index/file_check.h"
#include "index/persistent_object.h"
#include "tests/index/tree_helpers.h"

namespace kodexa::test {
namespace {

struct ProgramRun {
    int exitCode = -1;
    bool timedOut = false;
    std::string out, err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs kodexa-check with the given arguments, killed after `seconds`.
ProgramRun RunChecker(const TempDir& dir, const std::vector<std::string>& args, int seconds = 30) {
    const char* binDir = std::getenv("KODEXA_BIN_DIR");
    EXPECT_NE(binDir, nullptr) << "KODEXA_BIN_DIR is not set";
    std::string program = std::string(binDir != nullptr ? binDir : ".") + "/kodexa-check";
    std::string outPath = dir.File("stdout.txt"), errPath = dir.File("stderr.txt");
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t child = fork();
    if (child == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ProgramRun run;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            run.timedOut = true;
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
    return run;
}

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines)
        if (line.find(part) != std::string::npos) return true;
    return false;
}

// An order-29 index of K000..K039 (root over a left leaf of 14 and a right
// leaf of 25 keys, the two nodes merged away on the free list) and a record file
// whose free list holds two deleted blocks.
class Checker : public ::testing::Test {
protected:
    void SetUp() override {
        index = dir.File("codes.ndx");
        data = dir.File("codes.dat");
        {
            auto tree = NewIndexFile(index, 29);
            for (int i = 0; i < 60; ++i) ASSERT_EQ(InsertCode(*tree, Numbered(i)), 1);
            for (int i = 59; i >= 40; --i) ASSERT_EQ(RemoveCode(*tree, Numbered(i)), 1);
            BtreeNode node(NodeGeometry::Of(tree->Header()));
            root = tree->Header().root;
            ReadTreeNode(*tree, root, node);
            ASSERT_EQ(node.Count(), 1);
            left = node.Child(-1);
            right = node.Child(0);
            ASSERT_EQ(tree->Close(), kNoError);
        }
        StoreFile records;
        ASSERT_EQ(records.Create(data.c_str(), 0, 0), kNoError);
        for (int i = 0; i < 4; ++i) objects.push_back(records.Allocate(20, kFirstFit));
        ASSERT_EQ(records.Remove(objects[0], 0), 1);
        ASSERT_EQ(records.Remove(objects[2], 0), 1);
        ASSERT_EQ(records.Close(), kNoError);
    }

public:
    TempDir dir;
    std::string index, data;
    int32_t root = 0, left = 0, right = 0;
    std::vector<FileAddress> objects;
};

TEST_F(Checker, SoundFilesAreReportedWithTheirFigures) {
    CheckReport tree = CheckStoreFile(index, true);
    EXPECT_TRUE(tree.IsSound()) << (tree.problems.empty() ? "" : tree.problems.front());
    EXPECT_TRUE(tree.warnings.empty());
    EXPECT_EQ(tree.treeKeys, 40);
    EXPECT_EQ(tree.treeNodes, 3);
    EXPECT_EQ(tree.blocksInUse, 3);
    EXPECT_EQ(tree.blocksReleased, 2);  // the removals merged two nodes away
    EXPECT_EQ(tree.freeListLength, 2);
    EXPECT_TRUE(Contains(tree.facts, "b-tree order: 29"));
    EXPECT_TRUE(Contains(tree.facts, "b-tree height: 2"));

    CheckReport records = CheckStoreFile(data, false);
    EXPECT_TRUE(records.IsSound());
    EXPECT_FALSE(records.treeChecked);
    EXPECT_EQ(records.blocksInUse, 2);
    EXPECT_EQ(records.blocksDeleted, 2);
    EXPECT_EQ(records.freeListLength, 2);

    ProgramRun run = RunChecker(dir, {index, data});
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("b-tree key count: 40"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("free list: 2 blocks"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: sound"), std::string::npos);
}

struct Damage {
    const char* name;
    bool inIndex;
    std::function<void(Checker&)> apply;
    const char* expected;  // part of a problem line
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.name; }

class CheckerDamage : public Checker, public ::testing::WithParamInterface<Damage> {
public:
    static void Patch(const std::string& path, long at, int32_t value) { PatchBytes(path, at, Le32(value)); }
    static long Entry(int32_t node, int p) { return node + 8 + 20L * p; }
};

// Each file is damaged in one way only; the check must name the damage,
// and the program must say so with exit status 1.
TEST_P(CheckerDamage, IsNamedAndMakesTheProgramExitWithOne) {
    const Damage& d = GetParam();
    d.apply(*this);
    std::string path = d.inIndex ? index : data;
    std::vector<unsigned char> before = ReadAllBytes(path);
    CheckReport report = CheckStoreFile(path, d.inIndex);
    EXPECT_FALSE(report.IsSound());
    EXPECT_TRUE(Contains(report.problems, d.expected)) << (report.problems.empty() ? "" : report.problems.front());

    ProgramRun run = RunChecker(dir, {path});
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find(d.expected), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: damaged"), std::string::npos);
    EXPECT_EQ(ReadAllBytes(path), before) << "the checker wrote to the file";
}

using C = CheckerDamage;
INSTANTIATE_TEST_SUITE_P(
    Kinds, CheckerDamage,
    ::testing::Values(
        Damage{"NegativeEntryCount", true, [](Checker& c) { C::Patch(c.index, c.left, -1); }, "claims -1 entries"},
        Damage{"EntryCountAboveMax", true, [](Checker& c) { C::Patch(c.index, c.right, 29); }, "claims 29 entries"},
        Damage{"LinkBackToRoot", true, [](Checker& c) { C::Patch(c.index, c.left + 4, c.root); },
               "deeper than the height allows"},
        Damage{"SelfLinkUnderHugeHeight", true,
               [](Checker& c) {
                   C::Patch(c.index, c.root + 4, c.root);
                   C::Patch(c.index, 28 + 16, 1 << 30);
               },
               "height 1073741824 lies outside"},
        Damage{"NodeReachedTwice", true, [](Checker& c) { C::Patch(c.index, c.root + 4, c.right); },
               "reachable twice"},
        Damage{"KeysOutOfOrder", true,
               [](Checker& c) { PatchBytes(c.index, C::Entry(c.left, 0) + 4, {'K', '9', '9', '9'}); },
               "does not sort after"},
        Damage{"KeyCountWrong", true, [](Checker& c) { C::Patch(c.index, 28 + 8, 41); }, "header counts 41 keys"},
        Damage{"NodeCountWrong", true, [](Checker& c) { C::Patch(c.index, 28 + 12, 2); }, "header counts 2 nodes"},
        Damage{"HeightWrong", true, [](Checker& c) { C::Patch(c.index, 28 + 16, 3); }, "not at height - 1 = 2"},
        Damage{"LinkInLeaf", true, [](Checker& c) { C::Patch(c.index, C::Entry(c.left, 3), c.right); },
               "has a link in entry 3"},
        Damage{"RootNotANode", true, [](Checker& c) { C::Patch(c.index, 28 + 20, 1000); },
               "node 1000 is not the object of any block"},
        Damage{"NodeInFreeBlock", true, [](Checker& c) { C::Patch(c.index, c.right - 16 + 8, 'R'); },
               "lies in a block that is free"},
        Damage{"UnusableGeometry", true, [](Checker& c) { C::Patch(c.index, 28 + 4, 0); }, "make no usable node"},
        Damage{"CutShort", true,
               [](Checker& c) {
                   auto bytes = ReadAllBytes(c.index);
                   bytes.resize(bytes.size() - 100);
                   WriteAllBytes(c.index, bytes);
               },
               "shorter than its end of file"},
        Damage{"FreeListCircle", false, [](Checker& c) { C::Patch(c.data, c.objects[0] - 16 + 12, c.objects[2] - 16); },
               "runs in a circle"},
        Damage{"FreeListIntoNowhere", false, [](Checker& c) { C::Patch(c.data, 0, 31); }, "which is not a block"},
        Damage{"FreeListHoldsBlockInUse", false,
               [](Checker& c) { C::Patch(c.data, c.objects[2] - 16 + 12, c.objects[1] - 16); }, "which is in use"},
        Damage{"BlockRunsPastEnd", false, [](Checker& c) { C::Patch(c.data, c.objects[3] - 16 + 4, 5000); },
               "runs past the end of the file"},
        Damage{"UnknownStatus", false, [](Checker& c) { C::Patch(c.data, c.objects[1] - 16 + 8, 'X'); },
               "unknown status"},
        Damage{"NotAStoreFile", false, [](Checker& c) { WriteAllBytes(c.data, std::vector<unsigned char>(64, 'x')); },
               "not a store file"},
        Damage{"TooShort", false, [](Checker& c) { WriteAllBytes(c.data, {1, 2, 3}); }, "too short"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Checker, ChecksumFailuresAreCountedInRevisionsWithChecksums) {
    std::string path = dir.File("checked.dat");
    FileAddress object;
    {
        StoreFile file;
        ASSERT_EQ(file.Create(path.c_str(), 0, 'A'), kNoError);
        object = file.Allocate(8, kFirstFit);
        ASSERT_EQ(file.Write("Typhus!!", 8, object, 1, 1), kNoError);
        ASSERT_NE(file.WriteObjectChecksum(object), 0u);
    }
    CheckReport sound = CheckStoreFile(path, false);
    EXPECT_TRUE(sound.IsSound());
    EXPECT_TRUE(Contains(sound.facts, "checksum failures: 0"));
    PatchBytes(path, object, {'t'});
    CheckReport damaged = CheckStoreFile(path, false);
    EXPECT_EQ(damaged.checksumFailures, 1);
    EXPECT_TRUE(Contains(damaged.problems, "checksum of the object at 44 fails"));
    EXPECT_EQ(RunChecker(dir, {path}).exitCode, 1);
}

// What the engine itself would change when it opens a file for writing
// (the end of file moved, a damaged free list abandoned) stays untouched.
TEST_F(Checker, NeverWritesEvenWhereTheEngineWould) {
    CheckerDamage::Patch(data, 4, 28 + 36 * 2);  // end of file short of the real end
    PatchBytes(data, objects[2] - 16, {0, 0});  // free-list block loses its check word
    std::vector<unsigned char> before = ReadAllBytes(data);
    struct stat st;
    ASSERT_EQ(stat(data.c_str(), &st), 0);
    chmod(data.c_str(), 0400);
    ProgramRun run = RunChecker(dir, {data});
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find("warning: the file runs on past its end of file"), std::string::npos) << run.out;
    EXPECT_EQ(ReadAllBytes(data), before);
}

TEST_F(Checker, RecordTextsAreOutsideItsViewButAHugeLengthDoesNotTroubleIt) {
    std::string recordData = dir.File("texts.dat");
    {
        ObjectDatabase db;
        ASSERT_EQ(db.Open(recordData.c_str(), dir.File("texts.ndx").c_str(), CodeKey(), 29, 6, 0, 0, 1), kNoError);
        FileAddress at = db.DataFile()->Allocate(12, kFirstFit);
        StoredUInt32 huge = 0xFFFFFFF0u;
        ASSERT_EQ(db.DataFile()->Write(&huge, 4, at, 1, 1), kNoError);
    }
    ProgramRun run = RunChecker(dir, {recordData}, 10);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0) << run.out;
}

TEST(CheckerUsage, HelpUsageErrorsAndMissingFiles) {
    TempDir dir;
    ProgramRun help = RunChecker(dir, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: kodexa-check"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);

    ProgramRun none = RunChecker(dir, {});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("no file given"), std::string::npos);
    ProgramRun unknown = RunChecker(dir, {"--repair", "x.ndx"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown option --repair"), std::string::npos);

    ProgramRun missing = RunChecker(dir, {dir.File("absent.ndx")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.out.find("cannot open the file"), std::string::npos) << missing.out;
}

TEST(CheckerUsage, IndexOptionChecksAFileOfAnyNameAsATree) {
    TempDir dir;
    std::string path = dir.File("tree.bin");
    ASSERT_EQ(NewIndexFile(path, 29)->Close(), kNoError);
    ProgramRun plain = RunChecker(dir, {path});
    EXPECT_EQ(plain.out.find("b-tree"), std::string::npos);
    ProgramRun asIndex = RunChecker(dir, {"--index", path});
    EXPECT_EQ(asIndex.exitCode, 0) << asIndex.out;
    EXPECT_NE(asIndex.out.find("b-tree key count: 0"), std::string::npos);
}

}  // namespace
}  // namespace kodexa::test
