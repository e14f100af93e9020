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

std::string BinDir() {
    const char* bin = std::getenv("KODEXA_BIN_DIR");
    return bin != nullptr ? bin : "KODEXA_BIN_DIR-unset";
}

class KodexaFind : public ::testing::Test {
protected:
    void SetUp() override { WriteSampleCatalogue(catalogue.Path()); }

    // Runs the program with the arguments (already quoted for the shell);
    // a hanging run is stopped after 30 seconds and answers 124.
    Outcome Find(const std::string& args, const std::string& program = BinDir() + "/kodexa-find") {
        std::string out = scratch.File("out"), err = scratch.File("err");
        int status = std::system(("timeout 30 " + program + " " + args + " >" + out + " 2>" + err).c_str());
        std::vector<unsigned char> o = ReadAllBytes(out), e = ReadAllBytes(err);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {o.begin(), o.end()}, {e.begin(), e.end()}};
    }
    Outcome FindIn(const std::string& args) { return Find("--dir " + catalogue.Path() + " " + args); }

    std::map<std::string, std::vector<unsigned char>> Snapshot(const std::string& dir) {
        std::map<std::string, std::vector<unsigned char>> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            files[entry.path().filename()] = ReadAllBytes(entry.path());
        return files;
    }

    TempDir catalogue, scratch;
};

TEST_F(KodexaFind, WrongUsageExitsWithTwo) {
    for (const char* args : {"", "--bogus", "eins zwei", "--code", "--dir", "--tree cholera", "--code A00 --tree",
                             "--dir /tmp --dir /tmp --tree"}) {
        Outcome run = Find(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_NE(run.err.find("kodexa-find --help"), std::string::npos) << args;
        EXPECT_EQ(run.out, "") << args;
    }
    Outcome help = Find("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: kodexa-find", 0), 0u);
    Outcome version = Find("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "kodexa-find 1.0\n");
}

TEST_F(KodexaFind, SearchPrintsCodeAndTitleInCodeOrder) {
    Outcome run = FindIn("CHOLERA");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "A00\tCholera\nA00.0\tCholera durch Vibrio\nA00.9\tCholera, nicht n\xc3\xa4her bezeichnet\n");
    Outcome all = FindIn("''");
    EXPECT_EQ(all.exitCode, 0);
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 7);
    Outcome dashed = FindIn("-- -nichts-");
    EXPECT_EQ(dashed.exitCode, 1);
    EXPECT_EQ(dashed.out, "");
}

TEST_F(KodexaFind, CodeShowsEveryField) {
    Outcome run = FindIn("--code A15.0");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "code: A15.0\ntitle: Lungentuberkulose\nlevel: 4\nchapterCode: A00-B99\ngroupCode: A15-A19\n"
              "branchMark: N\nspareMark: X\n");
    for (const char* missing : {"A15.1", "a15.0", "A15.0xyz", "''"}) {
        Outcome miss = FindIn(std::string("--code ") + missing);
        EXPECT_EQ(miss.exitCode, 1) << missing;
        EXPECT_EQ(miss.out, "") << missing;
        EXPECT_NE(miss.err.find("no code"), std::string::npos) << missing;
    }
}

TEST_F(KodexaFind, TreeIndentsTwoBlanksPerLevel) {
    Outcome run = FindIn("--tree");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out,
              "A00-B99 - Infektionen\n"
              "  A00-A09 - Darm\n"
              "    A00 - Cholera\n"
              "      A00.0 - Cholera durch Vibrio\n"
              "      A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet\n"
              "  A15-A19 - Tuberkulose\n"
              "    A15 - Tuberkulose der Atmungsorgane\n"
              "      A15.0 - Lungentuberkulose\n"
              "        A15.00 - Lungentuberkulose, gesichert\n"
              "C00-D48 - Neubildungen\n"
              "  C00-C14 - Lippe\n"
              "    C00 - B\xc3\xb6sartige Neubildung der Lippe\n");
}

TEST_F(KodexaFind, ReadsTheCatalogueBesideTheProgramByDefault) {
    std::string copy = catalogue.File("kodexa-find");
    std::filesystem::copy_file(BinDir() + "/kodexa-find", copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
    Outcome run = Find("--code C00", copy);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("code: C00\n", 0), 0u);
}

TEST_F(KodexaFind, NeverCreatesOrChangesAFile) {
    auto before = Snapshot(catalogue.Path());
    ASSERT_EQ(before.size(), 6u);
    for (const char* args : {"Tuberkulose", "--code A00", "--tree", "zzz"}) FindIn(args);
    EXPECT_EQ(Snapshot(catalogue.Path()), before);

    TempDir empty;
    for (const char* args : {"x", "--code A00", "--tree"}) {
        Outcome run = Find("--dir " + empty.Path() + " " + args);
        EXPECT_EQ(run.exitCode, 1) << args;
        EXPECT_NE(run.err.find("no catalogue in " + empty.Path()), std::string::npos) << run.err;
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty.Path()));
}

TEST_F(KodexaFind, DamagedCatalogueEndsTheTreeWithExitOne) {
    {
        CatalogueDbs dbs(catalogue.Path());
        CodeRecord record(&dbs.codes);
        record.code = "A15";
        ASSERT_EQ(record.Find(), 1);
        StoredUInt32 tag = 1025;
        ASSERT_EQ(dbs.codes.DataFile()->Write(&tag, 4, record.Address(), 1, 1), kNoError);
    }
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
