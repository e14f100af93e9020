// kodexa-find as a user runs it: usage, the three lookups, exit codes, and
// that it never creates or changes a catalogue file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>

#include "tests/catalogue/catalogue_builder.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

TEST(KodexaFind, WrongUsageExitsWithTwo) {
    // An option counts only as spelled in full: no abbreviation, no --name=value, no bundle.
    for (const char* args : {"", "--bogus", "eins zwei", "--code", "--dir", "--tree cholera", "--code A00 --tree",
                             "--dir /tmp --dir /tmp --tree", "--tre", "--dir=/tmp --tree", "-hx"}) {
        ProgramRun run = RunProgram("kodexa-find", args);
        EXPECT_EQ(std::make_tuple(run.exitCode, run.out), std::make_tuple(2, std::string())) << args;
        EXPECT_TRUE(Has(run.err, "kodexa-find --help")) << args;
    }
    ProgramRun help = RunProgram("kodexa-find", "--help"), version = RunProgram("kodexa-find", "--version");
    EXPECT_EQ(std::make_pair(help.exitCode, help.out.rfind("Usage: kodexa-find", 0)), std::make_pair(0, size_t(0)));
    EXPECT_EQ(std::make_pair(version.exitCode, version.out), std::make_pair(0, std::string("kodexa-find 1.0\n")));
}

// Every lookup leaves the files as they were; exit 1 when nothing is found.
TEST(KodexaFind, LookupsAnswerAndChangeNoFile) {
    TempDir catalogue, empty;
    WriteSampleCatalogue(catalogue.Path());
    auto before = Snapshot(catalogue.Path());
    ASSERT_EQ(before.size(), 6u);
    const std::tuple<const char*, int, std::string> cases[] = {
        {"--tree", 0, SampleOutline()},
        {"CHOLERA", 0, "A00\tCholera\nA00.0\tCholera durch Vibrio\nA00.9\tCholera, nicht n\xc3\xa4her bezeichnet\n"},
        {"--code A15.0", 0, "code: A15.0\ntitle: Lungentuberkulose\nlevel: 4\nchapterCode: A00-B99\n"
                            "groupCode: A15-A19\nbranchMark: N\nspareMark: X\n"},
        {"-- -xqzvj-", 1, ""}, {"--code A15.1", 1, ""}, {"--code A15.0xyz", 1, ""},
        {"--code a150", 0, "code: A15.0\ntitle: Lungentuberkulose\nlevel: 4\nchapterCode: A00-B99\n"
                           "groupCode: A15-A19\nbranchMark: N\nspareMark: X\n"},
        {"--exact 'cholera durch'", 0, "A00.0\tCholera durch Vibrio\n"},
        {"--exact 'durch cholera'", 1, ""},
        {"'durch cholera'", 0, "A00.0\tCholera durch Vibrio\n"},
    };
    for (const auto& [args, exitCode, out] : cases) {
        ProgramRun run = RunProgram("kodexa-find", "--dir " + catalogue.Path() + " " + args);
        EXPECT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(exitCode, out)) << args;
    }
    EXPECT_EQ(Snapshot(catalogue.Path()), before);
    ProgramRun none = RunProgram("kodexa-find", "--dir " + empty.Path() + " --code A00");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(Has(none.err, "no catalogue in " + empty.Path())) << none.err;
    EXPECT_TRUE(std::filesystem::is_empty(empty.Path()));
}

// A file that is there but does not open, or cannot be read to its end, or
// is shorter than its header says, is named with exit 3, after what could
// be read. Facts that cannot be read are named the same way, after the rest.
TEST(KodexaFindDamaged, TheFileIsNamedAndAPartIsNeverPassedOffAsTheWhole) {
    const struct {
        const char* damage;
        const char* file;
        const char* args;
        int exitCode;
        const char* outStart;
        std::string err;  // after the damaged file's name
    } cases[] = {
        // The tree walk's reason goes with the name; its output has none.
        {"spoiled", "data3.dat", "--tree", 3, "A00-B99 - Infektionen\n", " could not be read to its end (Database"},
        {"spoiled", "data3.dat", "--code A00.0", 0, "code: A00.0\n", ""},
        {"cut", "data3.dat", "--info", 3, "edition: unknown\nchapters: 2\ngroups: 3\ncodes: 7\n", " could not be read"},
        {"garbage", "data3.dat", "Cholera", 3, "", ": "},
        {"garbage", "data5.dat", "--code A15.0", 3, "code: A15.0\n", ": data5.ndx is missing"},
        {"emptied", "data5.ndx", "--info", 3, "edition: unknown\nchapters: 2\ngroups: 3\ncodes: 7\n", ": "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.damage) + " " + c.file + " " + c.args);
        TempDir catalogue;
        const std::string file = catalogue.File(c.file), damage = c.damage;
        WriteSampleCatalogue(catalogue.Path());
        if (damage == "spoiled") SpoilCode(catalogue.Path(), "A15");
        if (damage == "cut") std::filesystem::resize_file(file, std::filesystem::file_size(file) - 8);
        if (damage == "garbage") WriteAllBytes(file, {1, 2, 3});
        if (damage == "emptied") {
            Catalogue(catalogue.Path()).Open(CatalogueFile::Facts, CatalogueAccess::Writing);
            WriteAllBytes(file, {});
        }
        ProgramRun run = RunProgram("kodexa-find", "--dir " + catalogue.Path() + " " + c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out.rfind(c.outStart, 0), 0u) << run.out;
        EXPECT_TRUE(c.err.empty() ? run.err.empty() : Has(run.err, file + c.err)) << run.err;
    }
    EXPECT_TRUE(Has(RunProgram("kodexa-find", "--help").out, "3 the catalogue is damaged"));
}

// An answer that never reached its reader is no success, whichever tool.
TEST(Tools, AFailedWriteToStandardOutputIsToldAndFailsTheRun) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const std::string& command : std::vector<std::string>{"kodexa-find --tree", "kodexa-find cholera", "kodexa-find --help",
                                       "kodexa-check " + BinFile("data1.ndx"), "kodexa-import --version"}) {
        ProgramRun run = RunProgram("/bin/sh", "-c '" + BinFile(command) + " >/dev/full'");
        EXPECT_EQ(run.exitCode, 5) << command;
        EXPECT_TRUE(Has(run.err, ": cannot write to standard output")) << command << ": " << run.err;
    }
}

// The catalogue the build imports beside the programs, found without --dir:
// every code sits under the group and chapter whose range holds it, which
// holds only when the three indexes list them in the same order.
TEST(DefaultCatalogue, TheTreeWalkPlacesEveryCodeInsideItsGroupAndChapter) {
    ProgramRun tree = RunProgram("kodexa-find", "--tree");
    ASSERT_EQ(tree.exitCode, 0) << tree.err;
    size_t counts[3] = {0, 0, 0};
    std::string ranges[2];  // the current chapter and group, "A00-B99"
    auto holds = [](const std::string& range, const std::string& code) {
        return range.size() == 7 && range.substr(0, 3) <= code.substr(0, 3) && code.substr(0, 3) <= range.substr(4, 3);
    };
    for (size_t start = 0, end; start < tree.out.size(); start = end + 1) {
        end = tree.out.find('\n', start);
        std::string line = tree.out.substr(start, end - start);
        size_t indent = line.find_first_not_of(' '), depth = std::min<size_t>(indent / 2, 2);
        std::string code = line.substr(indent, line.find(" - ") - indent);
        ++counts[depth];
        if (depth < 2) ranges[depth] = code;
        bool inside = holds(ranges[0], code) && (depth == 1 ? holds(ranges[0], code.substr(4)) : holds(ranges[1], code));
        EXPECT_TRUE(depth == 0 || inside) << line;
    }
    EXPECT_EQ(std::vector<size_t>(counts, counts + 3), (std::vector<size_t>{22, 243, 16793}));
}

// A long tree printed into a pipe that is read slowly while another program
// changes the catalogue: the run goes on with the files it opened and prints
// them whole, and says so in its status when a file lost its tail under it;
// the next run reads what is there now. (The tree is read whole before it is
// printed, so a file cut short during a walk is tested in-process.)
TEST(KodexaFindUnderChange, ALongTreeKeepsTheFilesItOpenedWhileOthersChangeThem) {
    namespace fs = std::filesystem;
    const std::string mini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";
    TempDir catalogue;
    const std::string codes = catalogue.File("data3.dat");
    const struct {
        const char* change;
        std::function<void()> apply;
        int status, nextStatus;  // of the run under change, and of the next
    } cases[] = {
        {"kodexa-import --force",
         [&] { EXPECT_EQ(RunProgram("kodexa-import", "--quiet --force " + mini + " " + catalogue.Path()).exitCode, 0); },
         0, 0},
        {"cut short in place", [&] { fs::resize_file(codes, fs::file_size(codes) / 2); }, 3, 3},
        {"replaced by a directory", [&] { fs::remove(codes), fs::create_directory(codes); }, 0, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        for (const char* name : {"data1", "data2", "data3", "data5"})
            for (const char* ending : {".dat", ".ndx"})
                fs::copy_file(BinFile(name + std::string(ending)), catalogue.File(name + std::string(ending)),
                              fs::copy_options::overwrite_existing);
        const std::string find = BinFile("kodexa-find") + " --dir " + catalogue.Path() + " --tree";
        const std::string whole = RunProgram(find, "").out;
        FILE* pipe = popen((find + " 2>/dev/null").c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string seen(4096, 0);
        seen.resize(std::fread(&seen[0], 1, seen.size(), pipe));
        c.apply();
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) seen.append(buffer, n);
        int status = pclose(pipe);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), c.status);
        EXPECT_EQ(seen, whole);
        ProgramRun next = RunProgram(find, "");
        EXPECT_EQ(next.exitCode, c.nextStatus) << next.err;
        EXPECT_NE(next.out, whole) << "the next run reads the files there now";
        fs::remove_all(codes);
    }
}

}  // namespace
}  // namespace kodexa::test
