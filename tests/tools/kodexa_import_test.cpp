// kodexa-import as a program: usage, every kind of bad input refused with
// file and line and nothing written, replacement with and without --force,
// a cut-short replacement finished, and the real ICD-10-GM files.
#include <gtest/gtest.h>

#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kCatalogue = {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx",
                                             "data3.dat", "data3.ndx", "data5.dat", "data5.ndx"};
const std::string kTestData = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/";
const std::string kMini = kTestData + "mini-utf8";
const char kChapters[] = "icd10gm2099syst_kapitel.txt";
const char kGroups[] = "icd10gm2099syst_gruppen.txt";
const char kCodes[] = "icd10gm2099syst_kodes.txt";

ProgramRun Import(const std::string& args) { return RunProgram("kodexa-import", args); }

void CopyMini(const std::string& dir) {
    for (const char* name : {kChapters, kGroups, kCodes}) fs::copy_file(kMini + "/" + name, dir + "/" + name);
}

TEST(KodexaImport, UsageAndMissingFiles) {
    TempDir target, source;
    CopyMini(source.Path());
    std::string files = source.File(kChapters) + " " + source.File(kGroups) + " ";
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--help", 0, "Usage: kodexa-import [OPTIONS] SOURCE-DIR TARGET-DIR"},
        {"--version", 0, "kodexa-import 1.0\n"},
        {"", 2, "Try 'kodexa-import --help'."},
        {kMini, 2, "Try 'kodexa-import --help'."},
        {kMini + " a " + target.Path(), 2, "Try 'kodexa-import --help'."},
        {"--bogus " + kMini + " " + target.Path(), 2, "Try 'kodexa-import --help'."},
        {files + source.File("absent.txt") + " " + target.Path(), 1, source.File("absent.txt") + ": cannot open: No such file"},
        {files + source.Path() + " " + target.Path(), 1, source.Path() + ": not a regular file"},
        {target.Path() + " " + target.Path(), 1, "no chapters file"},
    };
    for (const auto& [args, exitCode, text] : cases) {
        ProgramRun run = Import(args);
        EXPECT_EQ(run.exitCode, exitCode) << args;
        EXPECT_TRUE(Has(exitCode == 0 ? run.out : run.err, text)) << args << "\n" << run.out << run.err;
    }
    EXPECT_TRUE(Snapshot(target.Path()).empty());
}

TEST(KodexaImport, ExplicitFilesInEitherEncodingGiveTheSameCatalogue) {
    TempDir utf8, latin1;
    ProgramRun first =
        Import(kMini + "/" + kChapters + " " + kMini + "/" + kGroups + " " + kMini + "/" + kCodes + " " + utf8.Path());
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_TRUE(Has(first.err, "codes: " + kMini + "/" + kCodes + " (UTF-8 with byte-order mark)")) << first.err;
    EXPECT_TRUE(Has(first.err, "note: group U99-U99 (Nicht belegte Schlüsselnummern) of chapter 22 has no codes"));
    EXPECT_TRUE(Has(first.err, "3 chapters, 4 groups, 9 codes written to " + utf8.Path())) << first.err;
    ProgramRun second = Import(kTestData + "mini-latin1 " + latin1.Path());
    ASSERT_EQ(second.exitCode, 0) << second.err;
    EXPECT_TRUE(Has(second.err, "icd10gmsyst_kodes2008.txt (ISO-8859-1, converted to UTF-8)")) << second.err;
    // The same but for the edition, which the file names tell (2008, 2099).
    auto withoutFacts = [](auto files) {
        files.erase("data5.dat");
        files.erase("data5.ndx");
        return files;
    };
    EXPECT_EQ(withoutFacts(Snapshot(latin1.Path())), withoutFacts(Snapshot(utf8.Path())));
    EXPECT_TRUE(Has(RunProgram("kodexa-find", "--dir " + latin1.Path() + " --info").out, "edition: ICD-10-GM 2008"));
}

TEST(KodexaImport, AnExistingCatalogueIsReplacedOnlyWithForce) {
    TempDir target, source;
    CopyMini(source.Path());
    ASSERT_EQ(Import("--quiet " + source.Path() + " " + target.Path()).exitCode, 0);
    const auto before = Snapshot(target.Path());
    WriteText(source.File(kCodes), ReadText(source.File(kCodes)) + "3;T;X;01;A15;A16.-;A16;A16;Tuberkulose, andere\n");

    ProgramRun refused = Import(source.Path() + " " + target.Path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, target.Path() + " already holds a catalogue; --force replaces it")) << refused.err;
    EXPECT_EQ(Snapshot(target.Path()), before);

    fs::create_directory(target.File(".kodexa-import-Zz99Yy"));  // left by a run that died while writing
    WriteText(target.File(".kodexa-import-Zz99Yy/data3.dat"), "half");
    ProgramRun forced = Import("--force " + source.Path() + " " + target.Path());
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_TRUE(Has(forced.err, "10 codes written")) << forced.err;
    auto after = Snapshot(target.Path());
    EXPECT_EQ(after.size(), kCatalogue.size());  // no staging directory left, no marker
    EXPECT_NE(after.at("data3.dat"), before.at("data3.dat"));
    EXPECT_EQ(after.at("data2.dat"), before.at("data2.dat"));
}

// The state a replacement leaves when it stops after three of six renames:
// the marker, three new files in place, three still in staging.
TEST(KodexaImport, TheNextRunFinishesAReplacementCutShort) {
    TempDir newCatalogue, target;
    ASSERT_EQ(Import("--quiet " + kMini + " " + newCatalogue.Path()).exitCode, 0);
    std::string staging = target.File(".kodexa-import-Ab12Cd");
    fs::create_directory(staging);
    for (size_t i = 0; i < kCatalogue.size(); ++i) {
        fs::copy_file(newCatalogue.File(kCatalogue[i]), (i < 3 ? target.Path() : staging) + "/" + kCatalogue[i]);
        if (i >= 3) WriteText(target.File(kCatalogue[i]), "old");
    }
    WriteText(target.File(".kodexa-import-pending"), ".kodexa-import-Ab12Cd\n");
    // Without --force the run refuses before it touches anything; with it,
    // it finishes the moves first and then replaces the catalogue.
    const auto cutShort = Snapshot(target.Path());
    ProgramRun refused = Import(kMini + " " + target.Path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, "already holds a catalogue")) << refused.err;
    EXPECT_EQ(Snapshot(target.Path()), cutShort);
    ProgramRun next = Import("--force " + kMini + " " + target.Path());
    EXPECT_EQ(next.exitCode, 0) << next.err;
    EXPECT_TRUE(Has(next.err, "finished moving in the catalogue of an earlier import that was cut short")) << next.err;
    EXPECT_EQ(Snapshot(target.Path()), Snapshot(newCatalogue.Path()));
}

// The whole ICD-10-GM 2024: the counts, sound files, and a second import
// byte for byte the same as the first.
TEST(KodexaImport, TheFull2024CatalogueIsSoundAndReproducible) {
    TempDir first, second;
    std::string source = std::string(KODEXA_SOURCE_DIR) + "/data/icd10gm2024";
    ProgramRun run = Import(source + " " + first.Path());
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(Has(run.err, "22 chapters, 243 groups, 16793 codes written")) << run.err;
    EXPECT_TRUE(Has(run.err, "16000 of 16793 codes written")) << run.err;
    EXPECT_FALSE(Has(run.err, "note:")) << run.err;
    std::string files;
    for (const std::string& name : kCatalogue) files += " " + first.File(name);
    ProgramRun check = RunProgram("kodexa-check", files);
    EXPECT_EQ(check.exitCode, 0) << check.out;
    size_t sound = 0;
    for (size_t at = 0; (at = check.out.find("result: sound", at + 1)) != std::string::npos;) ++sound;
    EXPECT_EQ(sound, kCatalogue.size()) << check.out;
    EXPECT_TRUE(Has(check.out, "b-tree key count: 16793") && Has(check.out, "b-tree order: 29")) << check.out;

    ASSERT_EQ(Import("--quiet " + source + " " + second.Path()).exitCode, 0);
    EXPECT_EQ(Snapshot(second.Path()), Snapshot(first.Path()));
}

}  // namespace
}  // namespace kodexa::test
