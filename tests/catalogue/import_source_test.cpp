// Finding the three classification files under each year's names, and
// reading them whatever their encoding, byte-order mark and line ends.
#include "catalogue/import_source.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

void WriteText(const std::string& file, const std::string& text) {
    WriteAllBytes(file, std::vector<unsigned char>(text.begin(), text.end()));
}

TEST(SourceNames, EveryYearsNamingIsRecognisedWithItsRole) {
    struct Case {
        const char* name;
        SourceRole role;
        const char* edition;
    };
    const Case cases[] = {
        {"icd10gm2024syst_kodes.txt", SourceRole::Codes, "icd10gm2024"},
        {"icd10gm2024syst_gruppen.txt", SourceRole::Groups, "icd10gm2024"},
        {"icd10gm2024syst_kapitel.txt", SourceRole::Chapters, "icd10gm2024"},
        {"icd10gmsyst_kodes2010.txt", SourceRole::Codes, "icd10gm2010"},
        {"ICD10GMSYST_KAPITEL2008.TXT", SourceRole::Chapters, "icd10gm2008"},
        {"icd10who2019syst_kodes.txt", SourceRole::Codes, "icd10who2019"},
        {"icd102019syst_codes.txt", SourceRole::Codes, "icd102019"},
        {"icd102019syst_chapters.txt", SourceRole::Chapters, "icd102019"},
        {"icd102019syst_groups.txt", SourceRole::Groups, "icd102019"},
    };
    for (const Case& c : cases) {
        SourceRole role = SourceRole::Chapters;
        std::string edition;
        ASSERT_TRUE(ClassifySourceName(c.name, role, edition)) << c.name;
        EXPECT_EQ(role, c.role) << c.name;
        EXPECT_EQ(edition, c.edition) << c.name;
    }
    for (const char* other : {"icd10gm2024syst_kodes.txt.bak", "icd10gm2024syst_metadaten_liesmich.txt",
                              "icd10gm2024syst_umsteiger_2023_2024.txt", "x1gmt2024syst_kodes.txt", "kodes.txt"}) {
        SourceRole role;
        std::string edition;
        EXPECT_FALSE(ClassifySourceName(other, role, edition)) << other;
    }
}

struct Discovery {
    std::vector<std::string> present;
    bool found;
    std::string codesFile;  // expected on success, a part of the message otherwise
};

TEST(SourceDiscovery, TakesTheThreeFilesOfOneEditionOrSaysWhyNot) {
    const Discovery cases[] = {
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt", "icd10gm2024syst_kodes.txt",
          "icd10gm2024syst_metadaten_liesmich.txt"},
         true,
         "icd10gm2024syst_kodes.txt"},
        {{"icd10gmsyst_kapitel2010.txt", "icd10gmsyst_gruppen2010.txt", "icd10gmsyst_kodes2010.txt"},
         true,
         "icd10gmsyst_kodes2010.txt"},
        {{"icd102019syst_chapters.txt", "icd102019syst_groups.txt", "icd102019syst_codes.txt"},
         true,
         "icd102019syst_codes.txt"},
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt"}, false, "no codes file"},
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt", "icd10gm2024syst_kodes.txt",
          "icd10gm2023syst_kodes.txt"},
         false,
         "several codes files (icd10gm2023syst_kodes.txt, icd10gm2024syst_kodes.txt)"},
        {{"icd10gm2024syst_kapitel.txt", "icd10gm2024syst_gruppen.txt", "icd10gm2023syst_kodes.txt"},
         false,
         "different editions"},
    };
    for (const Discovery& c : cases) {
        TempDir dir;
        for (const std::string& name : c.present) WriteText(dir.File(name), "");
        SourceFiles files;
        ImportError error;
        bool found = FindSourceFiles(dir.Path(), files, error);
        ASSERT_EQ(found, c.found) << c.codesFile << ": " << error.message;
        if (found) {
            EXPECT_EQ(files.codes, dir.File(c.codesFile));
            EXPECT_NE(files.chapters.find("ap"), std::string::npos);  // kapitel, chapters
            EXPECT_NE(files.groups.find("gr"), std::string::npos);    // gruppen, groups
        } else {
            EXPECT_EQ(error.file, dir.Path());
            EXPECT_NE(error.message.find(c.codesFile), std::string::npos) << error.message;
        }
    }
}

TEST(SourceText, Utf8IsKeptAndLatin1IsConvertedLineEndsAndMarkAside) {
    struct Case {
        std::string bytes;
        SourceEncoding encoding;
    };
    // "Größe;Ä" in UTF-8 and in ISO-8859-1, with each kind of line end.
    const Case cases[] = {
        {"Gr\xc3\xb6\xc3\x9f"
         "e;\xc3\x84\nx;y\n",
         SourceEncoding::Utf8},
        {"\xef\xbb\xbfGr\xc3\xb6\xc3\x9f"
         "e;\xc3\x84\r\nx;y\r\n",
         SourceEncoding::Utf8WithMark},
        {"Gr\xf6\xdf"
         "e;\xc4\r\nx;y",
         SourceEncoding::Latin1},
        {"\xef\xbb\xbfGr\xf6\xdf"
         "e;\xc4\nx;y\n",
         SourceEncoding::Latin1},
    };
    for (const Case& c : cases) {
        TempDir dir;
        WriteText(dir.File("f.txt"), c.bytes);
        SourceText text;
        ImportError error;
        ASSERT_TRUE(ReadSourceText(dir.File("f.txt"), text, error)) << FormatImportError(error);
        EXPECT_EQ(text.encoding, c.encoding);
        ASSERT_EQ(text.lines.size(), 2u);
        EXPECT_EQ(text.lines[0].fields, (std::vector<std::string>{"Gr\xc3\xb6\xc3\x9f"
                                                                  "e",
                                                                  "\xc3\x84"}));
        EXPECT_EQ(text.lines[1].fields, (std::vector<std::string>{"x", "y"}));
    }
}

TEST(SourceText, EmptyLinesAreSkippedButCountedAndEmptyFieldsKept) {
    TempDir dir;
    WriteText(dir.File("f.txt"), "a;;b;\n\r\n\nc\n");
    SourceText text;
    ImportError error;
    ASSERT_TRUE(ReadSourceText(dir.File("f.txt"), text, error));
    ASSERT_EQ(text.lines.size(), 2u);
    EXPECT_EQ(text.lines[0].fields, (std::vector<std::string>{"a", "", "b", ""}));
    EXPECT_EQ(text.lines[1].number, 4);
}

TEST(SourceText, ControlCharactersAreRefusedNamingLineAndField) {
    const std::pair<std::string, std::string> cases[] = {
        {"ok;ok\nok;a\tb\n", "U+0009 in field 2"},
        {"ok;ok\nok;a\rb\n", "U+000D in field 2"},  // a lone CR is no line end
        {"ok;ok\na\x7f;b\n", "U+007F in field 1"},
        {"ok;ok\na;b;\xc2\x85\n", "U+0085 in field 3"},  // C1 in UTF-8
        {"\xe4;ok\na;\x96\n", "U+0096 in field 2"},      // C1 after ISO-8859-1 conversion
    };
    for (const auto& c : cases) {
        TempDir dir;
        WriteText(dir.File("f.txt"), c.first);
        SourceText text;
        ImportError error;
        ASSERT_FALSE(ReadSourceText(dir.File("f.txt"), text, error)) << c.second;
        EXPECT_EQ(error.line, 2) << c.second;
        EXPECT_NE(error.message.find(c.second), std::string::npos) << error.message;
        EXPECT_EQ(FormatImportError(error).find(dir.File("f.txt") + ", line 2: "), 0u);
    }
}

TEST(SourceText, MissingFilesAndDirectoriesAreRefused) {
    TempDir dir;
    SourceText text;
    ImportError error;
    EXPECT_FALSE(ReadSourceText(dir.File("absent.txt"), text, error));
    EXPECT_EQ(FormatImportError(error), dir.File("absent.txt") + ": cannot open: No such file or directory");
    EXPECT_FALSE(ReadSourceText(dir.Path(), text, error));
    EXPECT_EQ(error.message, "not a regular file");
}

TEST(Utf8Validation, RefusesWhatIsNotUtf8) {
    const std::pair<std::string, bool> cases[] = {
        {"plain", true},
        {"\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80", true},  // ä € U+1F600
        {"\xc3", false},                                 // cut short
        {"\xc3\x28", false},                             // bad continuation
        {"\xc0\xaf", false},                             // overlong
        {"\xe0\x80\xaf", false},                         // overlong
        {"\xed\xa0\x80", false},                         // surrogate
        {"\xf4\x90\x80\x80", false},                     // beyond U+10FFFF
        {"\xe4\xf6\xfc", false},                         // ISO-8859-1 umlauts
    };
    for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.first), c.second) << c.first;
}

}  // namespace
}  // namespace kodexa::test
