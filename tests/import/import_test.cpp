// An import read back through the record classes the viewer uses: chapter
// codes spanning their groups (left-out ones too), code records from
// fields 7, 9, 1, 2 and 3, everything in index order, unused groups left out.
#include "import/importer.h"

#include <gtest/gtest.h>


#include <filesystem>
#include <fstream>

#include "store/file_set_replace.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/support/fault_injection.h"

namespace kodexa::test {
namespace {

std::string Walk(ObjectDatabase& db, CatalogueRecord& record, const std::function<std::string()>& describe) {
    std::string seen;
    CatalogueKey key, scratch;
    for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1)) {
        EXPECT_EQ(record.ReadAt(key.ObjectAddress()), 1);
        seen += describe() + "\n";
    }
    return seen;
}

TEST(Import, TheMiniEditionReadsBackThroughTheRecords) {
    TempDir dir;
    ImportRequest request;
    request.sourceDir = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";
    request.targetDir = dir.Path();
    FailureOnlyReport report;
    ImportCounts counts;
    ASSERT_EQ(RunImport(request, report, &counts), 0) << report.message;
    EXPECT_EQ(std::make_tuple(counts.chapters, counts.groups, counts.codes), std::make_tuple(3u, 4u, 9u));

    CatalogueDbs dbs(dir.Path(), 0);
    ChapterRecord chapter(&dbs.chapters);
    GroupRecord group(&dbs.groups);
    CodeRecord code(&dbs.codes);
    EXPECT_EQ(Walk(dbs.chapters, chapter, [&] { return *chapter.code + " " + *chapter.title; }),
              "A00-A19 Bestimmte infektiöse und parasitäre Krankheiten\nC00-C14 Neubildungen\n"
              "U00-U99 Schlüsselnummern für besondere Zwecke\n");
    EXPECT_EQ(Walk(dbs.groups, group, [&] { return *group.code; }), "A00-A09\nA15-A19\nC00-C14\nU00-U49\n");
    EXPECT_EQ(Walk(dbs.codes, code,
                   [&] {
                       return *code.code + "|" + *code.title + "|" + *code.level + "|" + *code.chapterCode + "|" +
                              *code.groupCode + "|" + code.branchMark + code.spareMark;
                   }),
              "A00|Cholera|3|A00-A19|A00-A09|NX\n"
              "A00.0|Cholera durch Vibrio cholerae O:1, Biovar cholerae|4|A00-A19|A00-A09|TX\n"
              "A00.9|Cholera, nicht näher bezeichnet|4|A00-A19|A00-A09|TX\n"
              "A15|Tuberkulose der Atmungsorgane|3|A00-A19|A15-A19|TX\n"
              "C00|Bösartige Neubildung der Lippe|3|C00-C14|C00-C14|NX\n"
              "C00.0|Äußere Oberlippe|4|C00-C14|C00-C14|NS\n"
              "C00.00|Äußere Oberlippe, Lippenrot|5|C00-C14|C00-C14|TX\n"
              "U07|Krankheiten mit unklarer Ätiologie, belegte Schlüsselnummern|3|U00-U99|U00-U49|NX\n"
              "U07.1|COVID-19, Virus nachgewiesen|4|U00-U99|U00-U49|TX\n");
}

// Every entry under dir, with its bytes; "" for a directory, "-" for no dir.
std::map<std::string, std::string> Tree(const std::string& dir) {
    std::map<std::string, std::string> entries;
    if (!std::filesystem::exists(dir)) return {{"", "-"}};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        entries[entry.path().lexically_relative(dir)] =
            entry.is_directory() ? "" : std::string(std::istreambuf_iterator<char>(in), {});
    }
    return entries;
}

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
    // A code of group A00-A09 after those of A15-A19.
    {kCodes, 10, "4;T;X;01;A00;A15.1;A15.1;A151;Sp\xc3\xa4t", "orders disagree: in code order A15.1 of group A00-A09"},
    {kCodes, 0, "", "no codes in the file"},
};

// Every bad input is named with its file and line, and the catalogue the
// target held stays byte for byte.
TEST(Import, BadInputIsNamedWithFileAndLineAndNothingIsWritten) {
    const std::string mini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";
    TempDir target;
    ImportRequest request;
    request.sourceDir = mini, request.targetDir = target.Path(), request.force = true;
    FailureOnlyReport report;
    ASSERT_EQ(RunImport(request, report), 0) << report.message;
    const auto before = Tree(target.Path());
    for (const BadInput& bad : kBadInputs) {
        TempDir source;
        for (const char* name : {kChapters, kGroups, kCodes})
            std::filesystem::copy_file(mini + "/" + name, source.File(name));
        const std::string path = source.File(bad.file);
        std::ifstream in(path);
        std::string changed, line;
        int number = 0;
        while (std::getline(in, line)) changed += (++number == bad.line ? std::string(bad.text) : line) + "\n";
        if (bad.line > number) changed += std::string(bad.text) + "\n";
        std::ofstream(path, std::ios::trunc) << (bad.line == 0 ? "" : changed);
        if (bad.codeAdded != nullptr) std::ofstream(source.File(kCodes), std::ios::app) << bad.codeAdded << "\n";
        request.sourceDir = source.Path();
        EXPECT_EQ(RunImport(request, report), 1) << bad.message;
        const std::string where = path + (bad.line > 0 ? ", line " + std::to_string(bad.line) : "") + ": ";
        EXPECT_EQ(report.message.rfind(where, 0), 0u) << report.message;
        EXPECT_NE(report.message.find(bad.message), std::string::npos) << report.message;
        EXPECT_EQ(Tree(target.Path()), before) << bad.message;
    }
}

// Housekeeping in the target (finishing a replacement cut short, removing
// staging directories left behind) waits until the sources passed their
// checks, and a target directory the failed run made goes again.
TEST(Import, AFailedRunLeavesTheTargetAsItWas) {
    const std::string mini = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data/mini-utf8";
    TempDir bad;
    for (const auto& entry : std::filesystem::directory_iterator(mini))
        std::filesystem::copy_file(entry.path(), bad.File(entry.path().filename()));
    std::ofstream(bad.File("icd10gm2024syst_kodes.txt"), std::ios::app) << "nur;zwei\n";
    const struct {
        const char* name;
        bool badSource, targetThere, staleStaging, pending, failStaging;
    } cases[] = {
        {"bad source, stale staging", true, true, true, false, false},
        {"bad source, replacement cut short", true, true, false, true, false},
        {"bad source, no target", true, false, false, false, false},
        {"staging fails, target made by the run", false, false, false, false, true},
        {"staging fails, target there", false, true, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir parent;
        const std::string target = parent.File("target");
        if (c.targetThere) std::filesystem::create_directory(target);
        if (c.staleStaging) {
            std::filesystem::create_directory(target + "/.kodexa-import-Zz99Yy");
            std::ofstream(target + "/.kodexa-import-Zz99Yy/data3.dat") << "half";
        }
        if (c.pending) {
            std::filesystem::create_directory(target + "/.kodexa-import-Ab12Cd");
            std::ofstream(target + "/.kodexa-import-Ab12Cd/data3.dat") << "new";
            std::ofstream(target + "/" + kPendingMarkerName) << ".kodexa-import-Ab12Cd\n";
        }
        const auto before = Tree(target);
        ImportRequest request;
        request.sourceDir = c.badSource ? bad.Path() : mini;
        request.targetDir = target;
        request.force = true;
        FailureOnlyReport report;
        FaultInjector faults;
        if (c.failStaging) faults.FailCall(Stdio::Mkdtemp, 1);
        EXPECT_EQ(RunImport(request, report), 1);
        EXPECT_FALSE(report.message.empty());
        EXPECT_EQ(Tree(target), before);
    }
}

}  // namespace
}  // namespace kodexa::test
