// kodexa-import as a program: usage, missing sources, replacement only with
// --force, and the real ICD-10-GM files.
// Encodings, bad input and failed runs are tested on the importer itself.
#include <gtest/gtest.h>

#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::vector<std::string> kCatalogue = {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx",
                                             "data3.dat", "data3.ndx", "data5.dat", "data5.ndx"};
const std::string kMini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";

ProgramRun Import(const std::string& args) { return RunProgram("kodexa-import", args); }

TEST(KodexaImport, UsageAndMissingFiles) {
    TempDir target;
    std::string files = kMini + "/icd10gm2099syst_kapitel.txt " + kMini + "/icd10gm2099syst_gruppen.txt ";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--help", 0, "Usage: kodexa-import [OPTIONS] SOURCE-DIR TARGET-DIR"},
        {"--version", 0, "kodexa-import 1.0\n"},
        {"", 2, "Try 'kodexa-import --help'."},
        {"--bogus " + kMini + " " + target.Path(), 2, "Try 'kodexa-import --help'."},
        {files + kMini + "/absent.txt " + target.Path(), 1, kMini + "/absent.txt: cannot open: No such file"},
    };
    for (const auto& [args, exitCode, text] : cases) {
        ProgramRun run = Import(args);
        EXPECT_EQ(run.exitCode, exitCode) << args;
        EXPECT_TRUE(Has(exitCode == 0 ? run.out : run.err, text)) << args << "\n" << run.out << run.err;
    }
    EXPECT_TRUE(Snapshot(target.Path()).empty());
}

// The whole ICD-10-GM 2024 imported again: the counts, and the same bytes as
// in the catalogue the build imported beside the programs, which the
// installation test finds sound with kodexa-check. Without --force a second
// import leaves them alone.
TEST(KodexaImport, TheFull2024CatalogueIsSoundAndReproducible) {
    TempDir again;
    ProgramRun run = Import(std::string(KODEXA_SOURCE_DIR) + "/data/icd10gm2024 " + again.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "22 chapters, 243 groups, 16793 codes written")) << run.err;
    EXPECT_TRUE(Has(run.err, "16000 of 16793 codes written")) << run.err;
    EXPECT_FALSE(Has(run.err, "note:")) << run.err;
    ProgramRun refused = Import(kMini + " " + again.Path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, "already holds a catalogue")) << refused.err;
    for (const std::string& name : kCatalogue)
        EXPECT_TRUE(ReadAllBytes(again.File(name)) == ReadAllBytes(BinFile(name))) << name;
}

}  // namespace
}  // namespace kodexa::test
