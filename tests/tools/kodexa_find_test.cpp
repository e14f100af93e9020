// kodexa-find as a user runs it: usage, the three lookups, exit codes, and
// that it never creates or changes a catalogue file.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

struct Outcome {
    int exitCode;
    std::string out, err;
};

const std::string kProgram = std::string(std::getenv("KODEXA_BIN_DIR") ? std::getenv("KODEXA_BIN_DIR") : "unset") +
                             "/kodexa-find";

class KodexaFind : public ::testing::Test {
protected:
    void SetUp() override { WriteSampleCatalogue(catalogue.Path()); }

    // Arguments are quoted for the shell; a hanging run answers 124 after 30 s.
    Outcome Find(const std::string& args, const std::string& program = kProgram) {
        std::string out = scratch.File("out"), err = scratch.File("err");
        int status = std::system(("timeout 30 " + program + " " + args + " >" + out + " 2>" + err).c_str());
        std::vector<unsigned char> o = ReadAllBytes(out), e = ReadAllBytes(err);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {o.begin(), o.end()}, {e.begin(), e.end()}};
    }
    Outcome FindIn(const std::string& args) { return Find("--dir " + catalogue.Path() + " " + args); }
    std::map<std::string, std::vector<unsigned char>> Files() {
        std::map<std::string, std::vector<unsigned char>> files;
        for (const auto& entry : std::filesystem::directory_iterator(catalogue.Path()))
            files[entry.path().filename()] = ReadAllBytes(entry.path());
        return files;
    }
    TempDir catalogue, scratch;
};

TEST_F(KodexaFind, WrongUsageExitsWithTwo) {
    for (const char* args : {"", "--bogus", "eins zwei", "--code", "--dir", "--tree cholera", "--code A00 --tree",
                             "--dir /tmp --dir /tmp --tree"}) {
        Outcome run = Find(args);
        EXPECT_EQ(std::make_tuple(run.exitCode, run.out), std::make_tuple(2, std::string())) << args;
        EXPECT_NE(run.err.find("kodexa-find --help"), std::string::npos) << args;
    }
    Outcome help = Find("--help"), version = Find("--version");
    EXPECT_EQ(std::make_pair(help.exitCode, help.out.rfind("Usage: kodexa-find", 0)), std::make_pair(0, size_t(0)));
    EXPECT_EQ(std::make_pair(version.exitCode, version.out), std::make_pair(0, std::string("kodexa-find 1.0\n")));
}

TEST_F(KodexaFind, SearchPrintsCodeAndTitleInCodeOrder) {
    Outcome run = FindIn("CHOLERA");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "A00\tCholera\nA00.0\tCholera durch Vibrio\nA00.9\tCholera, nicht n\xc3\xa4her bezeichnet\n");
    Outcome all = FindIn("''");
    EXPECT_EQ(std::make_pair(all.exitCode, std::count(all.out.begin(), all.out.end(), '\n')), std::make_pair(0, 7L));
    Outcome none = FindIn("-- -nichts-");
    EXPECT_EQ(std::make_tuple(none.exitCode, none.out), std::make_tuple(1, std::string()));
}

TEST_F(KodexaFind, CodeShowsEveryFieldOfExactlyThatCode) {
    Outcome run = FindIn("--code A15.0");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "code: A15.0\ntitle: Lungentuberkulose\nlevel: 4\nchapterCode: A00-B99\ngroupCode: A15-A19\n"
                       "branchMark: N\nspareMark: X\n");
    for (const char* missing : {"A15.1", "a15.0", "A15.0xyz", "''"}) {
        Outcome miss = FindIn(std::string("--code ") + missing);
        EXPECT_EQ(std::make_tuple(miss.exitCode, miss.out), std::make_tuple(1, std::string())) << missing;
        EXPECT_NE(miss.err.find("no code"), std::string::npos) << missing;
    }
}

TEST_F(KodexaFind, TreeFromTheProgramsOwnDirectory) {
    EXPECT_EQ(FindIn("--tree").out, SampleOutline());
    std::string copy = catalogue.File("kodexa-find");
    std::filesystem::copy_file(kProgram, copy);
    Outcome run = Find("--tree", copy);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, SampleOutline());
}

TEST_F(KodexaFind, NeverCreatesOrChangesAFile) {
    auto before = Files();
    ASSERT_EQ(before.size(), 6u);
    for (const char* args : {"Tuberkulose", "--code A00", "--tree", "zzz"}) FindIn(args);
    EXPECT_EQ(Files(), before);
    TempDir empty;
    for (const char* args : {"x", "--code A00", "--tree"}) {
        Outcome run = Find("--dir " + empty.Path() + " " + args);
        EXPECT_EQ(run.exitCode, 1) << args;
        EXPECT_NE(run.err.find("no catalogue in " + empty.Path()), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty.Path()));
}

TEST_F(KodexaFind, DamagedCatalogueGivesExitOne) {
    SpoilCode(catalogue.Path(), "A15");
    Outcome run = FindIn("--tree");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.rfind("Error reading the object\nA00-B99 - Infektionen\n", 0), 0u) << run.out;
    EXPECT_NE(run.err.find("could not be read to its end"), std::string::npos);
    WriteAllBytes(catalogue.File("data3.dat"), {1, 2, 3});
    Outcome broken = FindIn("Cholera");
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_NE(broken.err.find("cannot read"), std::string::npos) << broken.err;
}

}  // namespace
}  // namespace kodexa::test
