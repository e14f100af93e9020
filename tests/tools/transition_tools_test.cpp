// The year change as a user meets it on the command line: kodexa-find's
// --transition, --recode and --changes on the shipped catalogue (the
// 2023 -> 2024 table) and on a made-up table with every kind of change,
// kodexa-import without a target, and kodexa-check on the new files.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kData = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data";
const std::string kMini = kData + "/mini-utf8";
const std::string kMiniTable = kData + "/transitions/icd10gm2099syst_umsteiger_2098_2099.txt";

const char kChoose[] = "manuell w\xc3\xa4hlen";

ProgramRun Find(const std::string& args, const std::string& dir = "") {
    return RunProgram("kodexa-find", (dir.empty() ? "" : "--dir " + dir + " ") + args);
}

// The shipped catalogue lies beside the programs.
TEST(TransitionTools, WhatBecameOfCodesOf2023) {
    const struct {
        const char* code;
        int exitCode;
        std::string out;
    } cases[] = {
        {"A00.0", 0, "A00.0 -> A00.0\tautomatisch\tCholera durch Vibrio cholerae O:1, Biovar cholerae\n"},
        {"i214", 0,
         std::string("I21.4 -> I21.40\t") + kChoose + "\tAkuter subendokardialer Myokardinfarkt, Typ-1-Infarkt\n" +
             "I21.4 -> I21.41\t" + kChoose + "\tAkuter subendokardialer Myokardinfarkt, Typ-2-Infarkt\n" +
             "I21.4 -> I21.48\t" + kChoose +
             "\tSonstiger und nicht n\xc3\xa4her bezeichneter akuter subendokardialer Myokardinfarkt\n"},
        {"U69.75", 0, "U69.75\tneu in 2024\n"},
        {"I21.41", 0, "I21.41\taus I21.4 geteilt\n"},
        {"Z99.99", 1, ""},
        {"kein-kode", 1, ""},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Find(std::string("--transition ") + c.code);
        EXPECT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(c.exitCode, c.out)) << c.code << run.err;
    }
    const ProgramRun info = Find("--info");
    EXPECT_TRUE(Has(info.out, "edition: ICD-10-GM 2024\n")) << info.out;
    EXPECT_TRUE(Has(info.out, "transitions: 2023 -> 2024 (icd10gm2024syst_umsteiger_2023_20221206_2024.txt)\n"));
}

TEST(TransitionTools, ChangesOf2024AreOneNewCodeAndFifteenSplits) {
    const ProgramRun run = Find("--changes");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("neu in 2024: U69.75\ngeteilt: B18.8 -> B18.80, B18.88\n", 0), 0u) << run.out;
    EXPECT_TRUE(Has(run.out, "geteilt: D18.08 -> D18.07, D18.08\n"));
    size_t lines = 0;
    for (char c : run.out) lines += c == '\n';
    EXPECT_EQ(lines, 15u) << run.out;
}

// Pipes its input in through a file.
ProgramRun Recode(const std::string& input, const std::string& dir = "") {
    TempDir scratch;
    WriteText(scratch.File("in"), input);
    return Find("--recode <" + scratch.File("in"), dir);
}

TEST(TransitionTools, RecodeNeverDecidesForTheUser) {
    const ProgramRun automatic = Recode("A00.0 G\na01.0 v r\nI21.9\n");
    EXPECT_EQ(std::make_pair(automatic.exitCode, automatic.out), std::make_pair(0, std::string("A00.0 G\nA01.0 V R\nI21.9\n")))
        << automatic.err;
    const ProgramRun mixed = Recode("I21.4 G L\nA00.0 Z\n\nI21 G\nI21.4 Q\n");
    EXPECT_EQ(mixed.exitCode, 4) << mixed.err;
    EXPECT_EQ(mixed.out, "I21.4 G L\tw\xc3\xa4hlen: I21.40 | I21.41 | I21.48\nA00.0 Z\n\n"
                         "I21 G\tnicht in der Umsteigertabelle: pr\xc3\xbc" "fen\nI21.4 Q\tnicht lesbar: pr\xc3\xbc" "fen\n");
}

// Merged, dropped and recoded codes come from a made-up table (2023 -> 2024
// has none); new and split ones too, for the words of another year.
TEST(TransitionTools, EveryKindOfChangeOnAMadeUpTable) {
    TempDir dir;
    const ProgramRun import = RunProgram("kodexa-import", "--quiet --transitions " + kMiniTable + " " + kMini + " " + dir.Path());
    ASSERT_EQ(import.exitCode, 0) << import.err;
    const struct {
        const char* code;
        std::string out;
    } cases[] = {
        {"A00.1", "A00.1 -> A00.9\tautomatisch\tCholera, nicht n\xc3\xa4her bezeichnet\n"},
        {"A00.9", "A00.9\taus A00.1 und A00.8 zusammengefasst\n"},
        {"Z45.82", "Z45.82\tentf\xc3\xa4llt\n"},
        {"A15", "A15\taus A15.9 umgeschl\xc3\xbcsselt\n"},
        {"U07.1", "U07.1\tneu in 2099\n"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = Find(std::string("--transition ") + c.code, dir.Path());
        EXPECT_EQ(std::make_pair(run.exitCode, run.out), std::make_pair(0, c.out)) << c.code << run.err;
    }
    const ProgramRun changes = Find("--changes", dir.Path());
    EXPECT_EQ(changes.out,
              "neu in 2099: U07.1\nentfallen: Z45.82\ngeteilt: C00.0 -> C00.0, C00.00\n"
              "zusammengefasst: A00.1, A00.8 -> A00.9\numgeschl\xc3\xbcsselt: A15.9 -> A15\n");
    const ProgramRun recoded = Recode("A00.8 G B\nZ45.82 V\nC00.0 A\n", dir.Path());
    EXPECT_EQ(std::make_pair(recoded.exitCode, recoded.out),
              std::make_pair(4, std::string("A00.9 G B\nZ45.82 V\tentf\xc3\xa4llt\nC00.0 A\tw\xc3\xa4hlen: C00.0 | C00.00\n")));
    const ProgramRun search = Find("a00.8", dir.Path());
    EXPECT_EQ(search.out, "A00.9\tCholera, nicht n\xc3\xa4her bezeichnet (fr\xc3\xbcher A00.8)\n");
    const ProgramRun check = RunProgram("kodexa-check", dir.File("data6.dat") + " " + dir.File("data6.ndx"));
    EXPECT_EQ(check.exitCode, 0) << check.out;
}

TEST(TransitionTools, WithoutATableTheModesSaySo) {
    TempDir dir;
    ASSERT_EQ(RunProgram("kodexa-import", "--quiet " + kMini + " " + dir.Path()).exitCode, 0);
    for (const char* args : {"--transition A00.0", "--changes", "--recode </dev/null"}) {
        const ProgramRun run = Find(args, dir.Path());
        EXPECT_EQ(run.exitCode, 1) << args;
        EXPECT_TRUE(Has(run.err, "has no transition table (data6)")) << run.err;
    }
    EXPECT_FALSE(Has(Find("--info", dir.Path()).out, "transitions:"));
}

// Into ~/.local/share/kodexa/catalogues/EDITION, made as needed; the second
// run needs --force like any other.
TEST(TransitionTools, ImportWithoutATargetGoesToTheUsersCatalogues) {
    TempDir home;
    const std::string target = home.Path() + "/.local/share/kodexa/catalogues/ICD-10-GM-2099";
    const std::string import = BinFile("kodexa-import");
    ProgramRun first = RunProgram("/usr/bin/env", "-u XDG_DATA_HOME HOME=" + home.Path() + " " + import + " " + kMini);
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_TRUE(Has(first.err, "written to " + target)) << first.err;
    EXPECT_TRUE(std::filesystem::exists(target + "/data3.ndx"));
    ProgramRun again = RunProgram("/usr/bin/env", "-u XDG_DATA_HOME HOME=" + home.Path() + " " + import + " " + kMini);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(Has(again.err, "already holds a catalogue; --force replaces it")) << again.err;
    TempDir data;
    ProgramRun xdg = RunProgram("/usr/bin/env", "XDG_DATA_HOME=" + data.Path() + " " + import + " --quiet " + kMini);
    EXPECT_EQ(xdg.exitCode, 0) << xdg.err;
    EXPECT_TRUE(std::filesystem::exists(data.Path() + "/kodexa/catalogues/ICD-10-GM-2099/data3.dat"));
}

// Checked before the window opens: no X display is needed.
TEST(TransitionTools, KodexaRefusesADirWithoutACatalogue) {
    if (!std::filesystem::exists(BinFile("kodexa"))) GTEST_SKIP() << "built without the window";
    TempDir empty;
    const ProgramRun none = RunProgram("kodexa", "--dir " + empty.Path());
    EXPECT_EQ(std::make_pair(none.exitCode, none.err), std::make_pair(1, "kodexa: no catalogue in " + empty.Path() +
                                                                           " (data3.dat and data3.ndx)\n"));
    EXPECT_EQ(RunProgram("kodexa", "--dir").exitCode, 2);
    EXPECT_TRUE(Snapshot(empty.Path()).empty());
}

TEST(TransitionTools, KodexaCheckFindsTheShippedPairSound) {
    const ProgramRun run = RunProgram("kodexa-check", BinFile("data6.dat") + " " + BinFile("data6.ndx"));
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_TRUE(Has(run.out, "b-tree key count: 14299")) << run.out;
    const ProgramRun whole = RunProgram("kodexa-check", BinFile(""));
    EXPECT_EQ(whole.exitCode, 0) << whole.out;
    EXPECT_TRUE(Has(whole.out, "codes in the transition table: 14298\n")) << whole.out;
}

}  // namespace
}  // namespace kodexa::test
