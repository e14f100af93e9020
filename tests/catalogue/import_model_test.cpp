// The catalogue an import builds: chapter and group codes from the groups
// file, code records from fields 7, 9, 1, 2 and 3, everything in index
// order, unused chapters and groups left out, and the same records read
// back from the written files.
#include "catalogue/import_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue/catalogue_files.h"
#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_writer.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

SourceText Text(const std::string& path, const std::vector<std::string>& lines) {
    SourceText text;
    text.path = path;
    int number = 0;
    for (const std::string& line : lines) {
        SourceLine parsed{++number, {}};
        size_t start = 0, end;
        while ((end = line.find(';', start)) != std::string::npos) {
            parsed.fields.push_back(line.substr(start, end - start));
            start = end + 1;
        }
        parsed.fields.push_back(line.substr(start));
        text.lines.push_back(parsed);
    }
    return text;
}

const std::vector<std::string> kChapters = {"01;Infektionen", "02;Neubildungen", "03;Blut", "22;Sonderzwecke"};
const std::vector<std::string> kGroups = {
    "A00;A09;01;Darm",
    "A15;A19;01;Tuberkulose",
    "C00;C14;02;Lippe",
    "U00;U49;22;Vorl\xc3\xa4ufige Zuordnungen",  // ends on a code that does not exist
    "U99;U99;22;Nicht belegt",                   // no codes
    "D50;D53;03;An\xc3\xa4mien",                 // no codes, hence chapter 03 has none
};
// Listed out of order on purpose: U codes first, as some years list them.
const std::vector<std::string> kCodes = {
    "3;N;X;22;U00;U07.-;U07;U07;Unklare \xc3\x84tiologie;extra;;",
    "4;T;X;22;U00;U07.1;U07.1;U071;COVID-19",
    "3;N;X;01;A00;A00.-;A00;A00;Cholera",
    "4;T;S;01;A00;A00.0;A00.0;A000;Cholera durch Vibrio",
    "3;T;X;01;A15;A15.-;A15;A15;Tuberkulose",
    "3;N;X;02;C00;C00.-;C00;C00;Lippe",
    "5;T;X;02;C00;C00.00;C00.00;C0000;Lippenrot",
};

CatalogueModel Build(const std::vector<std::string>& codes = kCodes) {
    CatalogueModel model;
    ImportError error;
    EXPECT_TRUE(
        BuildCatalogueModel(Text("k.txt", kChapters), Text("g.txt", kGroups), Text("c.txt", codes), model, error))
        << FormatImportError(error);
    return model;
}

TEST(ImportModel, ChaptersAndGroupsTakeTheirCodesFromTheGroupRanges) {
    CatalogueModel model = Build();
    std::vector<std::string> chapters, groups;
    for (const ChapterEntry& c : model.chapters) chapters.push_back(c.code + " " + c.number + " " + c.title);
    for (const GroupEntry& g : model.groups) groups.push_back(g.code + " " + g.chapterNumber + " " + g.title);
    // Chapter 22 spans U00 to U99 although its U99 group is left out.
    EXPECT_EQ(chapters, (std::vector<std::string>{"A00-A19 01 Infektionen", "C00-C14 02 Neubildungen",
                                                  "U00-U99 22 Sonderzwecke"}));
    EXPECT_EQ(groups, (std::vector<std::string>{"A00-A09 01 Darm", "A15-A19 01 Tuberkulose", "C00-C14 02 Lippe",
                                                "U00-U49 22 Vorl\xc3\xa4ufige Zuordnungen"}));
    EXPECT_EQ(model.leftOut,
              (std::vector<std::string>{"chapter 03 (Blut) has no codes; left out",
                                        "group U99-U99 (Nicht belegt) of chapter 22 has no codes; left out",
                                        "group D50-D53 (An\xc3\xa4mien) of chapter 03 has no codes; left out"}));
}

TEST(ImportModel, CodesComeInIndexOrderWithTheirFields) {
    CatalogueModel model = Build();
    std::vector<std::string> codes;
    for (const CodeEntry& c : model.codes) {
        codes.push_back(c.code + "|" + c.title + "|" + c.level + "|" + c.chapterCode + "|" + c.groupCode + "|" +
                        c.branchMark + c.spareMark + "|" + std::to_string(c.line));
    }
    EXPECT_EQ(codes, (std::vector<std::string>{
                         "A00|Cholera|3|A00-A19|A00-A09|NX|3",
                         "A00.0|Cholera durch Vibrio|4|A00-A19|A00-A09|TS|4",
                         "A15|Tuberkulose|3|A00-A19|A15-A19|TX|5",
                         "C00|Lippe|3|C00-C14|C00-C14|NX|6",
                         "C00.00|Lippenrot|5|C00-C14|C00-C14|TX|7",
                         "U07|Unklare \xc3\x84tiologie|3|U00-U99|U00-U49|NX|1",
                         "U07.1|COVID-19|4|U00-U99|U00-U49|TX|2",
                     }));
}

TEST(ImportModel, CodesOfOneGroupThatOtherGroupsInterruptAreRefused) {
    // A05-A08 sorts inside A00-A09, so A06.1 of A00-A09 comes after A06 of
    // A05-A08 and the walk would put it under the wrong group.
    std::vector<std::string> codes = kCodes;
    codes.push_back("4;T;X;01;A00;A06.1;A06.1;A061;Ruhr");
    std::vector<std::string> groups = kGroups;
    groups.push_back("A05;A08;01;Lebensmittel");
    codes.push_back(
        "3;T;X;01;A05;A06;A06;A06;Am\xc3\xb6"
        "benruhr");
    CatalogueModel model;
    ImportError error;
    ASSERT_FALSE(
        BuildCatalogueModel(Text("k.txt", kChapters), Text("g.txt", groups), Text("c.txt", codes), model, error));
    EXPECT_EQ(FormatImportError(error),
              "c.txt, line 8: orders disagree: in code order A06.1 of group A00-A09 comes where a code of group "
              "A15-A19 is due; each group's codes must follow one another");
}

// The written files hold exactly the model, in index order, through the
// record classes the viewer reads them with.
TEST(CatalogueWriter, WritesTheModelThroughTheRecords) {
    CatalogueModel model = Build();
    TempDir dir;
    size_t progressCalls = 0, lastDone = 0;
    std::string error;
    ASSERT_TRUE(WriteCatalogueFiles(
        model, dir.Path() + "/",
        [&](size_t done, size_t total) {
            ++progressCalls;
            lastDone = done;
            EXPECT_EQ(total, model.codes.size());
        },
        error))
        << error;
    EXPECT_EQ(progressCalls, model.codes.size());
    EXPECT_EQ(lastDone, model.codes.size());

    ObjectDatabase chapters, groups, codes;
    ASSERT_EQ(OpenCatalogueDatabase(chapters, dir.Path(), CatalogueFile::Chapters, 0), 0);
    ASSERT_EQ(OpenCatalogueDatabase(groups, dir.Path(), CatalogueFile::Groups, 0), 0);
    ASSERT_EQ(OpenCatalogueDatabase(codes, dir.Path(), CatalogueFile::Codes, 0), 0);
    auto walk = [](ObjectDatabase& db, CatalogueRecord& record, auto describe) {
        std::vector<std::string> seen;
        CatalogueKey key, scratch;
        for (int more = db.Index(0)->FindFirst(key, 1); more; more = db.Index(0)->FindNext(key, scratch, 1)) {
            EXPECT_EQ(record.ReadAt(key.ObjectAddress()), 1);
            seen.push_back(describe());
            record.ReleaseTexts();
        }
        return seen;
    };
    ChapterRecord chapter(&chapters);
    std::vector<std::string> expected;
    for (const ChapterEntry& c : model.chapters) expected.push_back(c.code + " " + c.title);
    EXPECT_EQ(walk(chapters, chapter, [&] { return *chapter.code + " " + *chapter.title; }), expected);
    GroupRecord group(&groups);
    expected.clear();
    for (const GroupEntry& g : model.groups) expected.push_back(g.code + " " + g.title);
    EXPECT_EQ(walk(groups, group, [&] { return *group.code + " " + *group.title; }), expected);
    CodeRecord code(&codes);
    expected.clear();
    for (const CodeEntry& c : model.codes) {
        expected.push_back(c.code + "|" + c.title + "|" + c.level + "|" + c.chapterCode + "|" + c.groupCode + "|" +
                           c.branchMark + c.spareMark);
    }
    EXPECT_EQ(walk(codes, code,
                   [&] {
                       return *code.code + "|" + *code.title + "|" + *code.level + "|" + *code.chapterCode + "|" +
                              *code.groupCode + "|" + code.branchMark + code.spareMark;
                   }),
              expected);
}

}  // namespace
}  // namespace kodexa::test
