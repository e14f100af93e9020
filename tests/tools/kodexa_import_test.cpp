// kodexa-import as a program: usage, missing sources, and --alpha with the
// term lines kodexa-find prints. The build runs it on the real ICD-10-GM
// files; encodings, bad input, refusing to replace without --force and
// failed runs are tested on the importer itself.
#include <gtest/gtest.h>

#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kMini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";

ProgramRun Import(const std::string& args) { return RunProgram("kodexa-import", args); }

TEST(KodexaImport, UsageAndMissingFiles) {
    TempDir target;
    std::string files = kMini + "/icd10gm2099syst_kapitel.txt " + kMini + "/icd10gm2099syst_gruppen.txt ";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--help", 0, "Usage: kodexa-import [OPTIONS] SOURCE-DIR TARGET-DIR"},
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

// The three files named in the order the help gives are each taken for
// what they are: the same tree as from the directory.
TEST(KodexaImport, NamedFilesGiveTheCatalogueOfTheDirectory) {
    TempDir named, whole;
    const std::string files = kMini + "/icd10gm2099syst_kapitel.txt " + kMini + "/icd10gm2099syst_gruppen.txt " +
                              kMini + "/icd10gm2099syst_kodes.txt ";
    ProgramRun run = Import(files + named.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(Import(kMini + " " + whole.Path()).exitCode, 0);
    ProgramRun tree = RunProgram("kodexa-find", "--tree --dir " + named.Path());
    EXPECT_EQ(tree.exitCode, 0) << tree.err;
    EXPECT_TRUE(Has(tree.out, "    A00.9 - Cholera")) << tree.out;
    EXPECT_EQ(tree.out, RunProgram("kodexa-find", "--tree --dir " + whole.Path()).out);
}

// That the files are sound and what each kind of term gives is tested in
// process; here the option and the lines the programs print.
TEST(AlphaTools, ImportWithAlphaAndFindTheTerms) {
    TempDir dir;
    ProgramRun import = Import("--alpha " + std::string(KODEXA_SOURCE_DIR) +
                               "/tests/data/alpha/icd10gm2099alpha_edvtxt_20990101.txt " + kMini + " " + dir.Path());
    ASSERT_EQ(import.exitCode, 0) << import.err;
    EXPECT_TRUE(Has(import.err, "9 codes, 9 index terms (1 left out: codes not in the catalogue) written")) << import.err;

    const std::string find = "--dir " + dir.Path() + " ";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"lippentumor", 0,
         "A00.9 C00\tCholera, nicht n\xc3\xa4her bezeichnet\tCholera und Lippentumor\n"
         "C00.-\tB\xc3\xb6sartige Neubildung der Lippe\tLippentumor, nicht n\xc3\xa4her bezeichnet\n"},
        {"--titles-only --exact cholera,", 0, "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet\n"},
        {"'tumor lippe'", 0,  // all words of a term, after the titles
         "A00.9 C00\tCholera, nicht n\xc3\xa4her bezeichnet\tCholera und Lippentumor\n"
         "C00.-\tB\xc3\xb6sartige Neubildung der Lippe\tLippentumor, nicht n\xc3\xa4her bezeichnet\n"},
        {"vibrionen", 0, "\t\tVibrionen - s. Cholera\n"},
    };
    for (const auto& [args, exitCode, out] : cases) {
        ProgramRun run = RunProgram("kodexa-find", find + args);
        EXPECT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(exitCode, out)) << args;
    }
}

}  // namespace
}  // namespace kodexa::test
