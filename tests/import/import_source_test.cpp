// Reading the sources: finding the three classification files under each
// year's names, reading them whatever their encoding, byte-order mark and
// line ends (the import's tests refuse control characters in either
// encoding), and the facts and edition an import keeps: each year's layout
// mapped to the same facts, refused values named with line and field, the
// edition from the file name. The catalogue's tests read the facts back.
#include "import/import_source.h"

#include <gtest/gtest.h>

#include "import/facts_source.h"

#include "tests/tools/tool_run.h"

namespace kodexa::test {
namespace {

// The German years' usual names are taken by the importer runs on real
// files; files of other names beside them must not count.
TEST(SourceDiscovery, TakesTheThreeFilesOfOneEditionOrSaysWhyNot) {
    const char* noise[] = {"icd10gm2024syst_kodes.txt.bak", "icd10gm2024syst_umsteiger_2023_2024.txt",
                           "x1gmt2024syst_kodes.txt", "kodes.txt"};
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"icd102019syst_chapters.txt", "icd102019syst_groups.txt", "icd102019syst_codes.txt"}, "codes.txt"},
        {{"icd10who2019syst_kapitel.txt", "icd10who2019syst_gruppen.txt", "icd10who2019syst_kodes.txt"}, "kodes.txt"},
        {{"ICD10GMSYST_KAPITEL2008.TXT", "ICD10GMSYST_GRUPPEN2008.TXT", "ICD10GMSYST_KODES2008.TXT"}, "KODES2008.TXT"},
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt"}, "no codes file"},
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt", "icd10gm2024syst_kodes.txt",
          "icd10gm2023syst_kodes.txt"},
         "several codes files (icd10gm2023syst_kodes.txt, icd10gm2024syst_kodes.txt)"},
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt", "icd10gm2023syst_kodes.txt"},
         "different editions"},
    };
    for (const auto& [present, expected] : cases) {
        TempDir dir;
        for (const std::string& name : present) WriteText(dir.File(name), "");
        for (const char* name : noise) WriteText(dir.File(name), "");
        SourceFiles files;
        ImportError error;
        if (FindSourceFiles(dir.Path(), files, error)) {
            EXPECT_EQ(std::make_tuple(files.chapters, files.groups, files.codes),
                      std::make_tuple(dir.File(present[0]), dir.File(present[1]), dir.File(present[2])));
        } else {
            EXPECT_EQ(error.file, dir.Path());
        }
        EXPECT_NE((files.codes + error.message).find(expected), std::string::npos) << error.message;
    }
}

// "Größe;Ä" in UTF-8 and in ISO-8859-1, with each kind of line end; empty
// lines are skipped but counted, empty fields kept.
TEST(SourceText, Utf8IsKeptAndLatin1IsConvertedLineEndsAndMarkAside) {
    const std::pair<std::string, SourceEncoding> cases[] = {
        {"Gr\xc3\xb6\xc3\x9f" "e;\xc3\x84\n\r\n\nx;;y;\n", SourceEncoding::Utf8},
        {"\xef\xbb\xbfGr\xc3\xb6\xc3\x9f" "e;\xc3\x84\r\n\r\n\r\nx;;y;\r\n", SourceEncoding::Utf8WithMark},
        {"Gr\xf6\xdf" "e;\xc4\r\n\n\nx;;y;\r\n", SourceEncoding::Latin1},
        {"\xef\xbb\xbfGr\xf6\xdf" "e;\xc4\n\n\nx;;y;\n", SourceEncoding::Latin1},
    };
    for (const auto& [bytes, encoding] : cases) {
        TempDir dir;
        WriteText(dir.File("f.txt"), bytes);
        SourceText text;
        ImportError error;
        ASSERT_TRUE(ReadSourceText(dir.File("f.txt"), text, error)) << FormatImportError(error);
        EXPECT_EQ(text.encoding, encoding);
        ASSERT_EQ(text.lines.size(), 2u);
        EXPECT_EQ(text.lines[0].fields, (std::vector<std::string>{"Gr\xc3\xb6\xc3\x9f" "e", "\xc3\x84"}));
        EXPECT_EQ(text.lines[1].fields, (std::vector<std::string>{"x", "", "y", ""}));
        EXPECT_EQ(text.lines[1].number, 4);
    }
}

TEST(Utf8Validation, RefusesWhatIsNotUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"plain", true},
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", true},  // ä € U+1F600
        {"\xc2\x80\xe0\xa0\x80\xf0\x90\x80\x80", true},  // the smallest of each length
        {"\xc3", false},                                 // cut short
        {"\xc0\xaf", false},                             // overlong
        {"\xed\xa0\x80", false},                         // surrogate
        {"\xf4\x90\x80\x80", false},                     // beyond U+10FFFF
    };
    for (const auto& [bytes, valid] : cases) EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}

std::string Joined(const CodeRules& r) {
    return std::string{r.terminal, '|', r.para295, r.para301, '|', r.sex, r.sexReject, '|'} + r.ageLow + "-" +
           r.ageHigh + "|" + std::string{r.ageReject, '|', r.rare, r.content, r.ifsgReport, r.ifsgLab};
}

SourceText TextOf(const std::string& line) {
    SourceText text;
    text.path = "codes.txt";
    SourceLine source;
    source.number = 7;
    for (size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = line.find(';', start);
        source.fields.push_back(line.substr(start, end == std::string::npos ? end : end - start));
    }
    text.lines.push_back(source);
    return text;
}

TEST(CodeFacts, EveryLayoutGivesTheSameFactsAndOddValuesAreRefused) {
    const std::string o80 = "3;T;X;15;O80;O80;O80;O80;Spontangeburt;Spontangeburt;;;P;P;1-089;2-067;UNDEF;UNDEF;243;";
    const struct { std::string line; bool read; const char* result; } cases[] = {
        {"3;T;X;15;O80;O80;O80;O80;Spontangeburt eines Einlings;P;P;1-089;2-067;UNDEF;UNDEF;243;W;M;212;j012;255;"
         "j055;K;N;J;N;N", true, "T|PP|WM|j012-j055|K|NJNN"},
        {o80 + "W;K;212;j012;255;j055;K;N;J;N;N", true, "T|PP|WK|j012-j055|K|NJNN"},
        {o80 + "W;K;j012;j055;K;N;J;N;N", true, "T|PP|WK|j012-j055|K|NJNN"},
        {"5;T;X;16;P05;P07.00;P07.00;P0700;Neugeborenes;P;P;1-092;2-069;3-039;4-026;246;9;9;000;t000;201;j001;K;N;J;"
         "N;N", true, "T|PP|99|t000-j001|K|NJNN"},
        {"3;N;X;01;A00;A00.-;A00;A00;Cholera;Cholera;;;V;V;1-002;2-001;3-003;4-002;001;9;9;9999;9999;9;J;J;J;J", true,
         "N|VV|99|9999-9999|9|JJJJ"},
        {o80 + "X;K;j012;j055;K;N;J;N;N", false,
         "codes.txt, line 7: field 20 (sex) must be one of 9, M, W, found \"X\""},
        {o80 + "W;K;j012;j125;K;N;J;N;N", false,
         "field 23 (upper age limit) must be 9999, t000 to t365 or j001 to j124"},
        {o80 + "W;K;j012;j055;K;N;J;N;", false, "field 28 (IfSG laboratory exclusion) must be one of J, N, found \"\""},
    };
    for (const auto& c : cases) {
        FactsModel model;
        ImportError error;
        ASSERT_EQ(ReadCodeFacts(TextOf(c.line), Edition{}, model, error), c.read) << FormatImportError(error);
        if (c.read) {
            ASSERT_EQ(model.facts.size(), 1u) << c.line;
            EXPECT_EQ(Joined(model.facts[0].rules), c.result) << c.line;
        } else {
            EXPECT_NE(FormatImportError(error).find(c.result), std::string::npos) << FormatImportError(error);
        }
    }
    FactsModel model;
    ImportError error;
    ASSERT_TRUE(ReadCodeFacts(TextOf("4;T;X;01;A00;A00.0;A00.0;A000;Cholera"), Edition{}, model, error));
    EXPECT_TRUE(model.facts.empty());
    EXPECT_EQ(model.leftOut, std::vector<std::string>{
                                 "1 code with 9 fields, a layout without known facts; their facts are left out"});
}

TEST(CodeFacts, TheEditionComesFromTheFileName) {
    const struct { const char* path; const char* name; } cases[] = {
        {"/x/icd10gm2024syst_kodes.txt", "ICD-10-GM 2024"}, {"icd10gmsyst_kodes2010.txt", "ICD-10-GM 2010"},
        {"icd10who2019syst_kodes.txt", "ICD-10-WHO 2019"},  {"icd102019syst_codes.txt", "ICD-10-WHO 2019"},
        {"kodes.txt", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(EditionName(EditionOfSourceName(c.path)), c.name) << c.path;
}

}  // namespace
}  // namespace kodexa::test
