// A catalogue opened read-only is read from mappings of its files; every
// read must hand out the bytes stdio would.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include "catalogue/catalogue_sink.h"
#include "tests/catalogue/catalogue_builder.h"

namespace kodexa::test {
namespace {

// Every read's bytes in order, by the way they came.
struct ReadLog {
    static std::vector<std::string> stdio, mapped;
    static size_t Fread(void* b, size_t s, size_t n, FILE* f) {
        size_t got = SystemStdio().fread(b, s, n, f);
        stdio.emplace_back(static_cast<char*>(b), got * s);
        return got;
    }
    static size_t MappedRead(void* b, const void* source, size_t n) {
        size_t got = SystemMappedRead(b, source, n);
        mapped.emplace_back(static_cast<char*>(b), got);
        return got;
    }
    static void* NoMap(size_t, int) { return MAP_FAILED; }
};
std::vector<std::string> ReadLog::stdio, ReadLog::mapped;

// Opens the catalogue read-only, walks the tree, searches twice and looks
// every code up; answers what the sinks saw.
std::vector<std::string> ReadEverything(const std::string& dir, bool mapped) {
    SystemCalls table = SystemStdio();
    table.fread = ReadLog::Fread;
    table.mappedRead = ReadLog::MappedRead;
    if (!mapped) table.map = ReadLog::NoMap;
    ReadLog::stdio.clear();
    ReadLog::mapped.clear();
    SetStdio(table);
    LineSink sink;
    {
        CatalogueDbs dbs(dir, 0);
        EXPECT_TRUE(FillChapterTree(dbs.chapters, dbs.groups, dbs.codes, sink).status.Ended());
        EXPECT_TRUE(SearchCodes(dbs.codes, "", sink).found);
        EXPECT_TRUE(SearchCodes(dbs.codes, "cholera", sink).found);
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
    const std::vector<std::string> stdioReads = ReadLog::stdio;
    EXPECT_TRUE(ReadLog::mapped.empty());
    const std::vector<std::string> throughMapping = ReadEverything(dir.Path(), true);
    EXPECT_TRUE(ReadLog::stdio.empty()) << "a read-only catalogue is read from its mappings only";
    EXPECT_EQ(throughMapping, throughStdio);
    // Each stdio read is one mapped read of the same bytes.
    EXPECT_EQ(ReadLog::mapped, stdioReads);
    EXPECT_GT(throughStdio.size(), 20u);
}

}  // namespace
}  // namespace kodexa::test
