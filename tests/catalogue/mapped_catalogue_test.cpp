// A catalogue opened read-only is read from mappings of its files; every
// read must hand out the bytes stdio would.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <string>
#include <vector>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

// Every read's bytes in order, whichever way they came.
struct ReadLog {
    static std::vector<std::string> reads;
    static int stdioReads;
    static int mappedReads;
    static size_t Fread(void* b, size_t s, size_t n, FILE* f) {
        size_t got = SystemStdio().fread(b, s, n, f);
        ++stdioReads;
        reads.emplace_back(static_cast<char*>(b), got * s);
        return got;
    }
    static size_t MappedRead(void* b, const void* source, size_t n) {
        size_t got = SystemMappedRead(b, source, n);
        ++mappedReads;
        reads.emplace_back(static_cast<char*>(b), got);
        return got;
    }
    static void* NoMap(size_t, int) { return MAP_FAILED; }
};
std::vector<std::string> ReadLog::reads;
int ReadLog::stdioReads = 0;
int ReadLog::mappedReads = 0;

struct Lines : TreeSink, SearchSink {
    Item AddItem(Item, const std::string& label, IconRole, ItemKind, const std::string&) override {
        lines.push_back(label);
        return reinterpret_cast<Item>(lines.size());
    }
    void AddResult(const std::string& code, const std::string& title) override { lines.push_back(code + title); }
    std::vector<std::string> lines;
};

// Opens the catalogue read-only, walks the tree, searches twice and looks
// every code up; answers what the sinks saw.
std::vector<std::string> ReadEverything(const std::string& dir, bool mapped) {
    StdioFunctions table = SystemStdio();
    table.fread = ReadLog::Fread;
    table.mappedRead = ReadLog::MappedRead;
    if (!mapped) table.map = ReadLog::NoMap;
    ReadLog::reads.clear();
    ReadLog::stdioReads = ReadLog::mappedReads = 0;
    SetStdio(table);
    Lines sink;
    {
        CatalogueDbs dbs(dir, 0);
        EXPECT_TRUE(FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, sink));
        EXPECT_TRUE(SearchCodes(dbs.codes, "", sink));
        EXPECT_TRUE(SearchCodes(dbs.codes, "cholera", sink));
        for (const char* code : {"A00", "A00.9", "A15.00", "C00", "Z99"}) {
            CodeRecord record(&dbs.codes);
            record.code = code;
            if (record.Find() && record.Reload()) sink.lines.push_back(TextOrEmpty(record.title));
        }
    }
    ResetStdio();
    return sink.lines;
}

TEST(MappedCatalogue, EveryReadGivesTheBytesStdioGives) {
    TempDir dir;
    WriteSampleCatalogue(dir.Path());
    const std::vector<std::string> throughStdio = ReadEverything(dir.Path(), false);
    const std::vector<std::string> stdioReads = ReadLog::reads;
    EXPECT_EQ(ReadLog::mappedReads, 0);
    const std::vector<std::string> throughMapping = ReadEverything(dir.Path(), true);
    EXPECT_EQ(ReadLog::stdioReads, 0) << "a read-only catalogue is read from its mappings only";
    EXPECT_EQ(throughMapping, throughStdio);
    // Each stdio read is one mapped read of the same bytes.
    ASSERT_EQ(ReadLog::reads.size(), stdioReads.size());
    for (size_t i = 0; i < stdioReads.size(); ++i) ASSERT_EQ(ReadLog::reads[i], stdioReads[i]) << "read " << i;
    EXPECT_GT(throughStdio.size(), 20u);
}

}  // namespace
}  // namespace kodexa::test
