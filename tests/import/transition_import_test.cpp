// The transition table through the importer: its faults named with file,
// line and field, a table that does not fit the catalogue refused, and the
// target left as it was whenever the table is refused.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "catalogue/catalogue.h"
#include "import/importer.h"
#include "import/transition_source.h"
#include "tests/catalogue/catalogue_builder.h"
#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

const std::string kData = std::string(KODEXA_SOURCE_DIR) + "/tests/import/data";
const std::string kMini = kData + "/mini-utf8";
const std::string kMiniTable = kData + "/transitions/icd10gm2099syst_umsteiger_2098_2099.txt";
const std::string kExcerpt2024 = kData + "/icd10gm2024-excerpt";
const char kTableName[] = "icd10gm2099syst_umsteiger_2098_2099.txt";

std::string ImportWithTable(const std::string& source, const std::string& table, const std::string& target) {
    ImportRequest request;
    request.sourceDir = source, request.targetDir = target, request.force = true;
    request.transitionsFile = table;
    FailureOnlyReport report;
    return std::to_string(RunImport(request, report)) + " " + report.message;
}

TEST(TransitionImport, AFaultyLineIsNamedWithLineAndFieldAndTheTargetStaysAsItWas) {
    TempDir target;
    ASSERT_EQ(ImportWithTable(kMini, kMiniTable, target.Path()), "0 ");
    const auto before = Snapshot(target.Path());
    const struct {
        const char* lines;
        int line;
        const char* message;
    } cases[] = {
        {"A00.0;A00.0;A\n", 1, "expected 4 fields separated by ';'"},
        {"A00.0;A00.0;A;A\nA00.1;A00.9;A;;\n", 2, "found 5"},
        {"A00.0;A00.0;A;A\nA 00;A00.9;A;\n", 2, "field 1 (old code) must be a code such as I21.40 or UNDEF, found \"A 00\""},
        {"a00.0;A00.0;A;A\n", 1, "field 1 (old code)"},
        {"A00.0;A00.0+;A;A\n", 1, "field 2 (new code) must be a code"},
        {"A00.0;undef;A;A\n", 1, "field 2 (new code)"},
        {"A00.0;A00.0;J;A\n", 1, "field 3 (old to new automatic) must be A or empty, found \"J\""},
        {"A00.0;A00.0;A;a\n", 1, "field 4 (new to old automatic) must be A or empty, found \"a\""},
        {"UNDEF;UNDEF;;\n", 1, "fields 1 and 2 are both UNDEF"},
        {"A00.0;A00.0;A;A\n\nA00.0;A00.0;;\n", 3, "the pair A00.0;A00.0 repeats line 1"},
        {"Z45.82;UNDEF;;\nZ45.82;A00.9;A;\n", 2, "Z45.82 is dropped on line 1 but paired with a code on line 2"},
        {"A00.8;U07.1;A;A\nUNDEF;U07.1;;\n", 2, "U07.1 is new on line 2 but paired with a code on line 1"},
        {"A00.0;A00.0;A;A\nA00.1;A00.1;A;A\n", 2, "field 2 (new code): A00.1 is not a code of the catalogue being imported"},
        {"A00.0;A00.0;A;A\x01\n", 1, "control character U+0001"},
        {"", 0, "holds no transitions"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        TempDir dir;
        const std::string table = dir.File(kTableName);
        WriteText(table, c.lines);
        const std::string run = ImportWithTable(kMini, table, target.Path());
        const std::string where = "1 " + table + (c.line > 0 ? ", line " + std::to_string(c.line) : "") + ": ";
        EXPECT_EQ(run.rfind(where, 0), 0u) << run;
        EXPECT_TRUE(Has(run, c.message)) << run;
        EXPECT_EQ(Snapshot(target.Path()), before);
    }
}

TEST(TransitionImport, ATableForAnotherYearIsRefused) {
    TempDir dir, target;
    const std::string table = dir.File("icd10gm2024syst_umsteiger_2023_20221206_2024.txt");
    std::filesystem::copy_file(kMiniTable, table);
    const std::string run = ImportWithTable(kMini, table, target.Path());
    EXPECT_TRUE(Has(run, "leads from 2023 to 2024, but the catalogue is the edition of 2099")) << run;
    EXPECT_TRUE(std::filesystem::is_empty(target.Path()));
}

// The cut real table beside its catalogue excerpt is found and kept; a
// table found beside the sources whose new codes the catalogue lacks (the
// whole 2024 table, beside the excerpt) is refused, naming its first such line.
TEST(TransitionImport, FoundBesideTheSourcesAndCheckedAgainstTheirCodes) {
    TempDir target;
    ImportCounts counts;
    ImportRequest request;
    request.sourceDir = kExcerpt2024, request.targetDir = target.Path();
    FailureOnlyReport report;
    ASSERT_EQ(RunImport(request, report, &counts), 0) << report.message;
    EXPECT_TRUE(counts.transitions);
    EXPECT_EQ(counts.transitionPairs, 22u);
    EXPECT_EQ(counts.transitionFrom + " " + counts.transitionTo, "2023 2024");

    TempDir source, other;
    std::filesystem::copy(kExcerpt2024, source.Path());
    const std::string whole =
        std::string(KODEXA_SOURCE_DIR) + "/data/icd10gm2024/icd10gm2024syst_umsteiger_2023_20221206_2024.txt";
    std::filesystem::copy_file(whole, source.File("icd10gm2024syst_umsteiger_2023_20221206_2024.txt"),
                               std::filesystem::copy_options::overwrite_existing);
    const std::string run = Import(source.Path(), other.Path());
    EXPECT_TRUE(Has(run, ", line 65: field 2 (new code): A15.0 is not a code of the catalogue being imported")) << run;
    EXPECT_TRUE(Has(run, "the table is refused")) << run;

    std::ofstream(source.File("ICD10GM2024SYST_UMSTEIGER_2023_2024.TXT")) << "A00.0;A00.0;A;A\n";
    EXPECT_TRUE(Has(Import(source.Path(), other.Path()), "several transition tables")) << "two tables to choose from";
}

// A catalogue imported again without a table loses the old one: it would
// lead from another edition's codes.
TEST(TransitionImport, AReplacementWithoutATableDropsTheOldOne) {
    TempDir target;
    ASSERT_EQ(ImportWithTable(kMini, kMiniTable, target.Path()), "0 ");
    EXPECT_TRUE(std::filesystem::exists(target.File("data6.dat")));
    ASSERT_EQ(Import(kMini, target.Path(), true), "0 ");
    EXPECT_FALSE(std::filesystem::exists(target.File("data6.dat")));
    EXPECT_FALSE(std::filesystem::exists(target.File("data6.ndx")));
}

TEST(TransitionNames, TheYearsComeFromTheNameAndADateIsNoYear) {
    const struct {
        const char* name;
        bool table;
        const char* years;
    } cases[] = {
        {"icd10gm2024syst_umsteiger_2023_20221206_2024.txt", true, "2023-2024"},
        {"/x/2030/umsteiger_icd10gmsyst2012_icd10gmsyst2013.txt", true, "2012-2013"},
        {"ICD10GM2019SYST_UMSTEIGER_2018_2019.TXT", true, "2018-2019"},
        {"icd10gm2024syst_umsteiger.txt", true, "-"},
        {"icd10gm2024syst_umsteiger_20221206.txt", true, "-"},
        {"icd10gm2024syst_umsteiger_2023_2024.csv", false, "2023-2024"},
        {"icd10gm2024syst_kodes.txt", false, "-"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsTransitionTableName(c.name), c.table);
        std::string from, to;
        EXPECT_EQ(TransitionYearsOfName(c.name, from, to), std::string(c.years) != "-");
        EXPECT_EQ(from + "-" + to, c.years);
    }
}

}  // namespace
}  // namespace kodexa::test
