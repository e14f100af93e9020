// The alphabetical index through the programs: kodexa-import with --alpha,
// kodexa-find's term lines and --titles-only, kodexa-check on the new files.
#include <gtest/gtest.h>

#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kData = std::string(KODEXA_SOURCE_DIR) + "/tests";

TEST(AlphaTools, ImportFindAndCheck) {
    TempDir dir;
    ProgramRun import = RunProgram("kodexa-import", "--alpha " + kData + "/data/alpha/icd10gm2099alpha_edvtxt_20990101.txt " +
                                                        kData + "/import/data/mini-utf8 " + dir.Path());
    ASSERT_EQ(import.exitCode, 0) << import.err;
    EXPECT_TRUE(Has(import.err, "9 codes, 9 index terms (1 left out: codes not in the catalogue) written")) << import.err;

    const std::string find = "--dir " + dir.Path() + " ";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"lippentumor", 0,
         "A00.9 C00\tCholera, nicht n\xc3\xa4her bezeichnet\tCholera und Lippentumor\n"
         "C00.-\tB\xc3\xb6sartige Neubildung der Lippe\tLippentumor, nicht n\xc3\xa4her bezeichnet\n"},
        {"--titles-only cholera,", 0, "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet\n"},
        {"sars", 0, "U07.1!\tCOVID-19, Virus nachgewiesen\tSARS-CoV-2-Nachweis\n"},
        {"vibrionen", 0, "\t\tVibrionen - s. Cholera\n"},
    };
    for (const auto& [args, exitCode, out] : cases) {
        ProgramRun run = RunProgram("kodexa-find", find + args);
        EXPECT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(exitCode, out)) << args;
    }

    ProgramRun check = RunProgram("kodexa-check", dir.File("data4.dat") + " " + dir.File("data4.ndx"));
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_TRUE(Has(check.out, "b-tree key count")) << check.out;
}

}  // namespace
}  // namespace kodexa::test
