// Finding the three classification files under each year's names, and
// reading them whatever their encoding, byte-order mark and line ends. The
// import's tests refuse control characters in either encoding.
#include "import/import_source.h"

#include <gtest/gtest.h>

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
        {"Gr\xf6\xdf" "e;\xc4\r\n\n\nx;;y;", SourceEncoding::Latin1},
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
        {"\xc3", false},                                 // cut short
        {"\xc0\xaf", false},                             // overlong
        {"\xed\xa0\x80", false},                         // surrogate
        {"\xf4\x90\x80\x80", false},                     // beyond U+10FFFF
    };
    for (const auto& [bytes, valid] : cases) EXPECT_EQ(IsValidUtf8(bytes), valid) << bytes;
}

}  // namespace
}  // namespace kodexa::test
