// Small catalogues for tests, written through the record classes or
// imported from source files.
#ifndef KODEXA_TESTS_CATALOGUE_CATALOGUE_BUILDER_H
#define KODEXA_TESTS_CATALOGUE_CATALOGUE_BUILDER_H

#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_records.h"
#include "import/importer.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {

struct Entry {
    std::string code, title;
};
struct Code {
    std::string code, title, level, chapter = "", group = "";
    char branchMark = 'T', spareMark = 'X';
};

// Keeps what a walk or a search hands over, one line each.
struct LineSink : TreeSink, SearchSink {
    Item AddItem(Item, const std::string& label, IconRole, ItemKind kind, const std::string&) override {
        lines.push_back(std::to_string(kind) + " " + label);
        return reinterpret_cast<Item>(lines.size());
    }
    void AddResult(const std::string& code, const std::string& title) override { lines.push_back(code + "|" + title); }
    void AddTerm(const TermHit& hit) override { lines.push_back(hit.codes + "|" + hit.titleCode + "|" + hit.term); }
    std::vector<std::string> lines;
};

// The three databases of a catalogue directory, open while the object lives.
struct CatalogueDbs {
    explicit CatalogueDbs(const std::string& dir, int readWrite = 1)
        : catalogue(dir),
          groups(catalogue.Database(CatalogueFile::Groups)),
          chapters(catalogue.Database(CatalogueFile::Chapters)),
          codes(catalogue.Database(CatalogueFile::Codes)) {
        EXPECT_TRUE(catalogue.OpenAll(readWrite ? CatalogueAccess::Writing : CatalogueAccess::Reading));
    }
    Catalogue catalogue;
    ObjectDatabase &groups, &chapters, &codes;
};

template <typename Record>
void WriteEntries(ObjectDatabase& db, const std::vector<Entry>& entries) {
    for (const Entry& entry : entries) {
        Record record(&db);
        record.code = entry.code;
        record.title = entry.title;
        ASSERT_EQ(record.Write(), kNoError) << entry.code;
    }
}

inline void WriteCodes(ObjectDatabase& db, const std::vector<Code>& codes) {
    for (const Code& c : codes) {
        CodeRecord record(&db);
        record.code = c.code, record.title = c.title, record.level = c.level;
        record.chapterCode = c.chapter, record.groupCode = c.group;
        record.branchMark = c.branchMark, record.spareMark = c.spareMark;
        ASSERT_EQ(record.Write(), kNoError) << c.code;
    }
}

inline void WriteCatalogue(const std::string& dir, const std::vector<Entry>& chapters,
                           const std::vector<Entry>& groups, const std::vector<Code>& codes) {
    CatalogueDbs dbs(dir);
    WriteEntries<ChapterRecord>(dbs.chapters, chapters);
    WriteEntries<GroupRecord>(dbs.groups, groups);
    WriteCodes(dbs.codes, codes);
}

// Two chapters, three groups and codes down to level 5.
inline void WriteSampleCatalogue(const std::string& dir) {
    WriteCatalogue(dir, {{"A00-B99", "Infektionen"}, {"C00-D48", "Neubildungen"}},
                   {{"A00-A09", "Darm"}, {"A15-A19", "Tuberkulose"}, {"C00-C14", "Lippe"}},
                   {{"A00", "Cholera", "3", "A00-B99", "A00-A09", 'N'},
                    {"A00.0", "Cholera durch Vibrio", "4", "A00-B99", "A00-A09"},
                    {"A00.9", "Cholera, nicht n\xc3\xa4her bezeichnet", "4", "A00-B99", "A00-A09"},
                    {"A15", "Tuberkulose der Atmungsorgane", "3", "A00-B99", "A15-A19", 'N'},
                    {"A15.0", "Lungentuberkulose", "4", "A00-B99", "A15-A19", 'N'},
                    {"A15.00", "Lungentuberkulose, gesichert", "5", "A00-B99", "A15-A19"},
                    {"C00", "B\xc3\xb6sartige Neubildung der Lippe", "3", "C00-D48", "C00-C14"}});
}

// What the sample catalogue's tree shows, two blanks per depth.
inline const char* SampleOutline() {
    return "A00-B99 - Infektionen\n  A00-A09 - Darm\n    A00 - Cholera\n      A00.0 - Cholera durch Vibrio\n"
           "      A00.9 - Cholera, nicht n\xc3\xa4her bezeichnet\n  A15-A19 - Tuberkulose\n"
           "    A15 - Tuberkulose der Atmungsorgane\n      A15.0 - Lungentuberkulose\n"
           "        A15.00 - Lungentuberkulose, gesichert\nC00-D48 - Neubildungen\n  C00-C14 - Lippe\n"
           "    C00 - B\xc3\xb6sartige Neubildung der Lippe\n";
}

// Imports in-process: "0 " on success, else the exit status, a blank and
// the message.
inline std::string Import(const std::string& sourceDir, const std::string& targetDir, bool force = false,
                          const std::string& alphaFile = "") {
    ImportRequest request;
    request.sourceDir = sourceDir, request.targetDir = targetDir, request.force = force;
    request.alphaFile = alphaFile;
    FailureOnlyReport report;
    return std::to_string(RunImport(request, report)) + " " + report.message;
}

// Gives the stored code record a class tag no record class accepts.
inline void SpoilCode(const std::string& dir, const std::string& code) {
    CatalogueDbs dbs(dir);
    CodeRecord record(&dbs.codes);
    record.code = code;
    ASSERT_EQ(record.Find(), 1) << code;
    StoredUInt32 tag = 1025;
    ASSERT_EQ(dbs.codes.DataFile()->Write(&tag, 4, record.Address(), 1, 1), kNoError);
}

}  // namespace kodexa::test

#endif
