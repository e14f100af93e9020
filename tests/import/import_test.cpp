// An import read back through the record classes the viewer uses: chapter
// codes spanning their groups (left-out ones too), code records from
// fields 7, 9, 1, 2 and 3, everything in index order, unused groups left out.
#include "import/importer.h"

#include <gtest/gtest.h>


#include "tests/catalogue/catalogue_builder.h"

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

}  // namespace
}  // namespace kodexa::test
