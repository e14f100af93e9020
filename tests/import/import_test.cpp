// Bad input refused with file and line, and a failed run that leaves the
// target alone.
#include "import/importer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>

#include "store/file_set_replace.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/fault_injection.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kMini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";

const char kChapters[] = "icd10gm2099syst_kapitel.txt";
const char kGroups[] = "icd10gm2099syst_gruppen.txt";
const char kCodes[] = "icd10gm2099syst_kodes.txt";

// One change to the hand-written edition, the line the message must name
// (0: the file emptied) and a part of the message.
const struct BadInput {
    const char* file;
    int line;  // the line replaced, or one past the end: added
    const char* text;
    const char* message;
    const char* codeAdded = nullptr;  // appended to the codes file as well
} kBadInputs[] = {
    {kChapters, 2, "02;Neubildungen;extra", "3 fields, expected 2"},
    {kChapters, 4, "01;Nochmals", "duplicate chapter 01 (first on line 1)"},
    {kGroups, 1, "A00;01;Infektiöse Darmkrankheiten", "group files from before 2007"},
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
    // Control characters: the last of C0, a lone CR (no line end), DEL, C1 in UTF-8 and
    // C1 in a file that is taken as ISO-8859-1 for the byte 0x96.
    {kCodes, 4, "4;T;X;01;A00;A00.0;A00.0;A000;Cholera\x1f", "control character U+001F in field 9"},
    {kCodes, 4, "4;T;X;01;A00;A00.0;A00.0;A000;Chol\rera", "control character U+000D in field 9"},
    {kCodes, 4, "4\x7f;T;X;01;A00;A00.0;A00.0;A000;Cholera", "control character U+007F in field 1"},
    {kCodes, 4, "4;T;X;01;A00;A00.0;A00.0;A000;Chol\xc2\x85" "era", "control character U+0085 in field 9"},
    {kCodes, 1, "3;N;X;22;U00;U07.-;U07;U07;Krankheiten\x96", "control character U+0096 in field 9"},
    {kCodes, 4, "4;TT;X;01;A00;A00.0;A00.0;A000;Cholera", "field 2 (branch mark) must be one character"},
    {kCodes, 4, "6;T;X;01;A00;A00.0;A00.0;A000;Cholera", "field 1 (level) must be 3, 4 or 5, found \"6\""},
    {kCodes, 4, "I3;T;X;01;A00;A00.0;A00.0;A000;Cholera", "field 1 (level) must be 3, 4 or 5, found \"I3\""},
    // A group of chapter 01 that sorts after chapter 02's groups.
    {kGroups, 6, "D00;D09;01;Nachzügler", "orders disagree: in code order group D00-D09 of chapter 01",
     "3;T;X;01;D00;D00.-;D00;D00;Carcinoma in situ"},
    // A code of group A00-A09 after those of A15-A19.
    {kCodes, 10, "4;T;X;01;A00;A15.1;A15.1;A151;Sp\xc3\xa4t", "orders disagree: in code order A15.1 of group A00-A09"},
    {kCodes, 0, "", "no codes in the file"},
};

TEST(Import, BadInputIsNamedWithFileAndLineAndNothingIsWritten) {
    TempDir target;
    ASSERT_EQ(Import(kMini, target.Path()), "0 ");
    const auto before = Snapshot(target.Path());
    for (const BadInput& bad : kBadInputs) {
        TempDir source;
        std::filesystem::copy(kMini, source.Path());
        const std::string path = source.File(bad.file);
        std::ifstream in(path);
        std::string changed, line;
        int number = 0;
        while (std::getline(in, line)) changed += (++number == bad.line ? std::string(bad.text) : line) + "\n";
        if (bad.line > number) changed += std::string(bad.text) + "\n";
        std::ofstream(path, std::ios::trunc) << (bad.line == 0 ? "" : changed);
        if (bad.codeAdded != nullptr) std::ofstream(source.File(kCodes), std::ios::app) << bad.codeAdded << "\n";
        const std::string run = Import(source.Path(), target.Path(), true);
        const std::string where = "1 " + path + (bad.line > 0 ? ", line " + std::to_string(bad.line) : "") + ": ";
        EXPECT_EQ(run.rfind(where, 0), 0u) << run;
        EXPECT_NE(run.find(bad.message), std::string::npos) << run;
        EXPECT_EQ(Snapshot(target.Path()), before) << bad.message;
    }
}

// The 2015 excerpt's codes file (385 lines of 30 fields: chapter 01 to line
// 70, 08 to 205, 20 to 247, then 22) cut as a download or a copy stops: in a
// line, at a line end, or a line losing its tail. Each is refused with file
// and line and the catalogue already there stays.
TEST(Import, ACutCodesFileIsRefused) {
    const std::string excerpt = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/icd10gm2015-excerpt";
    const std::string codes = "icd10gm2015syst_kodes.txt";
    std::ifstream in(excerpt + "/" + codes);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
    auto upTo = [&](size_t n) { return std::accumulate(lines.begin(), lines.begin() + n, std::string()); };
    const std::string twelveFields = lines[49].substr(0, lines[49].find(";P;P;")) + "\n";
    const std::tuple<std::string, std::string, int, const char*> cases[] = {
        {upTo(99) + lines[99].substr(0, 40), codes, 100, "the last line has no line end: the file is cut short"},
        {upTo(205), "icd10gm2015syst_kapitel.txt", 3, "chapter 20 (\xc3\x84u\xc3\x9f" "ere Ursachen"},
        {upTo(49) + twelveFields + upTo(385).substr(upTo(50).size()), codes, 50,
         "12 fields where the file's other lines have 30"},
    };
    TempDir target;
    ASSERT_EQ(Import(excerpt, target.Path()), "0 ");
    const auto before = Snapshot(target.Path());
    for (const auto& [text, file, line, message] : cases) {
        TempDir source;
        std::filesystem::copy(excerpt, source.Path());
        std::ofstream(source.File(codes), std::ios::trunc) << text;
        const std::string run = Import(source.Path(), target.Path(), true);
        EXPECT_EQ(run.rfind("1 " + source.File(file) + ", line " + std::to_string(line) + ": ", 0), 0u) << run;
        EXPECT_NE(run.find(message), std::string::npos) << run;
        EXPECT_EQ(Snapshot(target.Path()), before) << message;
    }
}

// Housekeeping in the target (finishing a replacement cut short, removing
// staging directories left behind) waits until the sources passed their
// checks and the staging directory is made, and a target directory the
// failed run made goes again.
TEST(Import, AFailedRunLeavesTheTargetAsItWas) {
    TempDir bad;
    std::filesystem::copy(kMini, bad.Path());
    std::ofstream(bad.File("icd10gm2024syst_kodes.txt"), std::ios::app) << "nur;zwei\n";
    const struct {
        bool badSource, targetThere, pending;
    } cases[] = {{true, true, true}, {true, false, false}, {false, false, false}, {false, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.badSource) + std::to_string(c.targetThere) + std::to_string(c.pending));
        TempDir parent;
        const std::string target = parent.File("target");
        if (c.targetThere) {
            std::filesystem::create_directories(target + "/.kodexa-import-Zz99Yy");
            std::ofstream(target + "/.kodexa-import-Zz99Yy/data3.dat") << "half";
        }
        if (c.pending) {
            std::filesystem::create_directory(target + "/.kodexa-import-Ab12Cd");
            std::ofstream(target + "/.kodexa-import-Ab12Cd/data3.dat") << "new";
            std::ofstream(target + "/" + kPendingMarkerName) << ".kodexa-import-Ab12Cd\n";
        }
        const auto before = Snapshot(target);
        FaultInjector faults;
        if (!c.badSource) faults.FailCall(Stdio::Mkdtemp, 1);
        const std::string run = Import(c.badSource ? bad.Path() : kMini, target, true);
        EXPECT_EQ(run.rfind("1 ", 0), 0u) << run;
        EXPECT_GT(run.size(), 2u) << "no message";
        EXPECT_EQ(Snapshot(target), before);
        EXPECT_EQ(std::filesystem::exists(target), c.targetThere);
    }
}

// Each close and flush of the new files fails in turn, once (a full disk, a
// device gone): the run fails naming the database, removes its staging
// directory and leaves the old catalogue as it was, even where a second
// close would have succeeded.
TEST(Import, AFailedCloseOrFlushFailsTheRunAndLeavesTheOldCatalogue) {
    TempDir dir;
    const std::string old = dir.File("old"), target = dir.File("target");
    ASSERT_EQ(Import(std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/icd10gm2015-excerpt", old), "0 ");
    const auto oldFiles = Snapshot(old);
    for (const auto& [call, stride] : {std::make_pair(Stdio::Fclose, 1), std::make_pair(Stdio::Fflush, 5)}) {
        auto counter = std::make_unique<FaultInjector>();
        ASSERT_EQ(Import(kMini, dir.File("counted"), true), "0 ");
        const int count = counter->Calls(call);
        counter.reset();
        for (int n = 1; n <= count; n += stride) {
            SCOPED_TRACE(std::string(StdioName(call)) + " " + std::to_string(n));
            std::filesystem::remove_all(target);
            std::filesystem::copy(old, target);
            std::string run;
            {
                FaultInjector faults;
                faults.FailCall(call, n);
                run = Import(kMini, target, true);
            }
            EXPECT_EQ(run.rfind("1 ", 0), 0u) << run;
            EXPECT_NE(run.find(".dat failed"), std::string::npos) << run;
            EXPECT_EQ(Snapshot(target), oldFiles);
        }
    }
}

}  // namespace
}  // namespace kodexa::test
