// kodexa-import as a program: usage, every kind of bad input refused with
// file and line and nothing written, replacement with and without --force,
// a cut-short replacement finished, and the real ICD-10-GM files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kCatalogue = {"data1.dat", "data1.ndx", "data2.dat",
                                             "data2.ndx", "data3.dat", "data3.ndx"};
const std::string kTestData = std::string(KODEXA_SOURCE_DIR) + "/tests/catalogue/data/";
const std::string kMini = kTestData + "mini-utf8";
const char kChapters[] = "icd10gm2099syst_kapitel.txt";
const char kGroups[] = "icd10gm2099syst_gruppen.txt";
const char kCodes[] = "icd10gm2099syst_kodes.txt";

struct ProgramRun {
    int exitCode;
    std::string out, err;
};

ProgramRun RunProgram(const std::string& program, const std::string& args) {
    TempDir scratch;
    const char* bin = std::getenv("KODEXA_BIN_DIR");
    std::string out = scratch.File("out"), err = scratch.File("err");
    std::string command = "timeout 120 " + std::string(bin != nullptr ? bin : "KODEXA_BIN_DIR-unset") + "/" + program +
                          " " + args + " >" + out + " 2>" + err;
    int status = std::system(command.c_str());
    std::vector<unsigned char> o = ReadAllBytes(out), e = ReadAllBytes(err);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, {o.begin(), o.end()}, {e.begin(), e.end()}};
}

ProgramRun Import(const std::string& args) { return RunProgram("kodexa-import", args); }

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every entry of a directory (names, with hidden ones) and its bytes.
std::map<std::string, std::vector<unsigned char>> Snapshot(const std::string& dir) {
    std::map<std::string, std::vector<unsigned char>> files;
    if (!fs::exists(dir)) return files;
    for (const auto& entry : fs::directory_iterator(dir)) {
        files[entry.path().filename().string()] =
            entry.is_regular_file() ? ReadAllBytes(entry.path().string()) : std::vector<unsigned char>{'/'};
    }
    return files;
}

std::string ReadText(const std::string& file) {
    std::vector<unsigned char> bytes = ReadAllBytes(file);
    return {bytes.begin(), bytes.end()};
}

void WriteText(const std::string& file, const std::string& text) {
    WriteAllBytes(file, std::vector<unsigned char>(text.begin(), text.end()));
}

void CopyMini(const std::string& dir) {
    for (const char* name : {kChapters, kGroups, kCodes}) fs::copy_file(kMini + "/" + name, dir + "/" + name);
}

TEST(KodexaImport, UsageHelpAndVersion) {
    ProgramRun help = Import("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(Has(help.out, "Usage: kodexa-import [OPTIONS] SOURCE-DIR TARGET-DIR")) << help.out;
    ProgramRun version = Import("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "kodexa-import 1.0\n");
    TempDir target;
    for (const std::string& args :
         {std::string(""), kMini, kMini + " a " + target.Path(), "--bogus " + kMini + " " + target.Path()}) {
        ProgramRun run = Import(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_TRUE(Has(run.err, "Try 'kodexa-import --help'.")) << args;
    }
    EXPECT_TRUE(Snapshot(target.Path()).empty());
}

// One change to the hand-written edition, the file and line the message
// must name, and a part of the message.
struct BadInput {
    const char* file;
    int line;  // the line changed, replaced or (one past the end) added; 0: the file removed or emptied
    const char* text;
    const char* message;
    const char* codeAdded = nullptr;  // appended to the codes file as well
};

const BadInput kBadInputs[] = {
    {kChapters, 2, "02;Neubildungen;extra", "3 fields, expected 2"},
    {kChapters, 4, "01;Nochmals", "duplicate chapter 01 (first on line 1)"},
    {kGroups, 1, "A00;01;Infektiöse Darmkrankheiten", "group files from before 2007"},
    {kGroups, 2, "A15;A19;01;Tuberkulose;", "5 fields, expected 4"},
    {kGroups, 2, "A15;A19;23;Tuberkulose", "unknown chapter \"23\""},
    {kGroups, 6, "A00;A01;01;Doppelt", "duplicate group start A00 (first on line 1)"},
    {kGroups, 2, ";A19;01;Tuberkulose", "empty group start"},
    {kCodes, 3, "3;N;X;01;A00;A00.-;A00;A00", "8 fields, expected at least 9"},
    {kCodes, 4, "4;T;X;01;B00;A00.0;A00.0;A000;Cholera", "unknown group \"B00\""},
    {kCodes, 4, "4;T;X;07;A00;A00.0;A00.0;A000;Cholera", "unknown chapter \"07\""},
    {kCodes, 4, "4;T;X;02;A00;A00.0;A00.0;A000;Cholera", "chapter 02 differs from chapter 01 of its group A00-A09"},
    {kCodes, 10, "4;T;X;01;A00;A00.9;A00.9;A009;Zweimal", "duplicate code A00.9 (first on line 5)"},
    {kCodes, 4, "4;T;X;01;A00;A00.0123;A00.0123;A000123;Cholera", "code \"A00.0123\" is longer than 7 characters"},
    {kCodes, 4, "4;T;X;01;A00;;;;Cholera", "empty code"},
    {kCodes, 4, "4;T;X;01;A00;A00.0;A00.0;A000;Cholera\x01", "control character U+0001 in field 9"},
    {kCodes, 4, "4;TT;X;01;A00;A00.0;A00.0;A000;Cholera", "field 2 (branch mark) must be one character"},
    // A group of chapter 01 that sorts after chapter 02's groups.
    {kGroups, 6, "D00;D09;01;Nachzügler", "orders disagree: in code order group D00-D09 of chapter 01",
     "3;T;X;01;D00;D00.-;D00;D00;Carcinoma in situ"},
    {kCodes, 0, "", "no codes in the file"},
};

// Every bad input leaves the existing catalogue and the directory exactly
// as they were, and a new target is not even made.
TEST(KodexaImport, BadInputIsNamedWithFileAndLineAndNothingIsWritten) {
    TempDir target;
    ASSERT_EQ(Import("--quiet " + kMini + " " + target.Path()).exitCode, 0);
    const auto before = Snapshot(target.Path());
    for (const BadInput& bad : kBadInputs) {
        TempDir source;
        CopyMini(source.Path());
        std::string path = source.File(bad.file);
        std::string text = ReadText(path);
        std::vector<std::string> lines;
        for (size_t start = 0, end; start < text.size(); start = end + 1) {
            end = text.find('\n', start);
            lines.push_back(text.substr(start, end - start));
        }
        if (bad.line == 0) {
            lines.clear();
        } else if (bad.line > static_cast<int>(lines.size())) {
            lines.push_back(bad.text);
        } else {
            lines[bad.line - 1] = bad.text;
        }
        std::string changed;
        for (const std::string& line : lines) changed += line + "\n";
        WriteText(path, changed);
        if (bad.codeAdded != nullptr) {
            WriteText(source.File(kCodes), ReadText(source.File(kCodes)) + bad.codeAdded + "\n");
        }

        for (const std::string& into : {target.Path(), target.File("new")}) {
            ProgramRun run = Import("--force " + source.Path() + " " + into);
            std::string where = path + (bad.line > 0 ? ", line " + std::to_string(bad.line) : "") + ": ";
            EXPECT_EQ(run.exitCode, 1) << bad.message;
            EXPECT_TRUE(Has(run.err, "kodexa-import: " + where)) << bad.message << "\n" << run.err;
            EXPECT_TRUE(Has(run.err, bad.message)) << run.err;
            EXPECT_EQ(Snapshot(target.Path()), before) << bad.message;
        }
    }
}

TEST(KodexaImport, MissingAndUnreadableFilesAreNamed) {
    TempDir target, source;
    CopyMini(source.Path());
    std::string args = source.File(kChapters) + " " + source.File(kGroups) + " ";
    ProgramRun missing = Import(args + source.File("absent.txt") + " " + target.Path());
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Has(missing.err, source.File("absent.txt") + ": cannot open: No such file")) << missing.err;
    ProgramRun directory = Import(args + source.Path() + " " + target.Path());
    EXPECT_EQ(directory.exitCode, 1);
    EXPECT_TRUE(Has(directory.err, source.Path() + ": not a regular file")) << directory.err;
    ProgramRun noFiles = Import(target.Path() + " " + target.Path());
    EXPECT_EQ(noFiles.exitCode, 1);
    EXPECT_TRUE(Has(noFiles.err, "no chapters file")) << noFiles.err;
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
    EXPECT_EQ(Snapshot(latin1.Path()), Snapshot(utf8.Path()));
    EXPECT_EQ(Snapshot(utf8.Path()).size(), kCatalogue.size());
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

    ProgramRun forced = Import("--force " + source.Path() + " " + target.Path());
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_TRUE(Has(forced.err, "10 codes written")) << forced.err;
    auto after = Snapshot(target.Path());
    EXPECT_EQ(after.size(), kCatalogue.size());  // no staging directory, no marker
    EXPECT_NE(after.at("data3.dat"), before.at("data3.dat"));
    EXPECT_EQ(after.at("data2.dat"), before.at("data2.dat"));
}

// The state a replacement leaves when it stops after three of six renames:
// the marker, three new files in place, three still in staging.
TEST(KodexaImport, TheNextRunFinishesAReplacementCutShort) {
    TempDir oldCatalogue, newCatalogue, target, source;
    CopyMini(source.Path());
    ASSERT_EQ(Import("--quiet " + source.Path() + " " + oldCatalogue.Path()).exitCode, 0);
    WriteText(source.File(kCodes), ReadText(source.File(kCodes)) + "3;T;X;01;A15;A16.-;A16;A16;Tuberkulose, andere\n");
    ASSERT_EQ(Import("--quiet " + source.Path() + " " + newCatalogue.Path()).exitCode, 0);
    const auto expected = Snapshot(newCatalogue.Path());
    std::string staging = target.File(".kodexa-import-Ab12Cd");
    fs::create_directory(staging);
    for (size_t i = 0; i < kCatalogue.size(); ++i) {
        fs::copy_file(newCatalogue.File(kCatalogue[i]), (i < 3 ? target.Path() : staging) + "/" + kCatalogue[i]);
        if (i >= 3) fs::copy_file(oldCatalogue.File(kCatalogue[i]), target.File(kCatalogue[i]));
    }
    WriteText(target.File(".kodexa-import-pending"), ".kodexa-import-Ab12Cd\n");

    // Without --force this run then refuses to replace what it finished.
    ProgramRun next = Import(source.Path() + " " + target.Path());
    EXPECT_EQ(next.exitCode, 1);
    EXPECT_TRUE(Has(next.err, "finished moving in the catalogue of an earlier import that was cut short")) << next.err;
    EXPECT_TRUE(Has(next.err, "already holds a catalogue")) << next.err;
    EXPECT_EQ(Snapshot(target.Path()), expected);
}

TEST(KodexaImport, StagingLeftByARunThatDiedWhileWritingIsCleared) {
    TempDir target;
    fs::create_directory(target.File(".kodexa-import-Zz99Yy"));
    WriteText(target.File(".kodexa-import-Zz99Yy/data3.dat"), "half");
    ASSERT_EQ(Import("--quiet " + kMini + " " + target.Path()).exitCode, 0);
    EXPECT_EQ(Snapshot(target.Path()).size(), kCatalogue.size());
}

// The excerpts keep the years' own bytes: 2015 with CRLF, 2010 with the
// old file names and a byte-order mark on the codes file only; both list
// the U codes after Z, which the index order puts before V.
TEST(KodexaImport, ExcerptsOfOlderYearsImport) {
    struct Year {
        const char* folder;
        const char* codesFile;
        const char* summary;
    };
    const Year years[] = {
        {"icd10gm2015-excerpt", "icd10gm2015syst_kodes.txt (UTF-8)", "4 chapters, 18 groups, 385 codes"},
        {"icd10gm2010-excerpt", "icd10gmsyst_kodes2010.txt (UTF-8 with byte-order mark)",
         "4 chapters, 18 groups, 356 codes"},
    };
    for (const Year& year : years) {
        TempDir target;
        ProgramRun run = Import(kTestData + year.folder + " " + target.Path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(Has(run.err, year.codesFile)) << run.err;
        EXPECT_TRUE(Has(run.err, year.summary)) << run.err;
        ProgramRun check = RunProgram("kodexa-check", target.File("data3.dat") + " " + target.File("data3.ndx"));
        EXPECT_EQ(check.exitCode, 0) << check.out;
    }
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
    for (size_t at = check.out.find("result: sound"); at != std::string::npos;
         at = check.out.find("result: sound", at + 1))
        ++sound;
    EXPECT_EQ(sound, kCatalogue.size()) << check.out;
    EXPECT_TRUE(Has(check.out, "b-tree key count: 16793")) << check.out;

    ASSERT_EQ(Import("--quiet " + source + " " + second.Path()).exitCode, 0);
    EXPECT_EQ(Snapshot(second.Path()), Snapshot(first.Path()));
}

}  // namespace
}  // namespace kodexa::test
