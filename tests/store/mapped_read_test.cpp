// Reads of a store file opened read-only, served from a mapping of the file:
// growth by another writer, a file cut short underneath, and injected faults.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "store/store_file.h"
#include "tests/store/store_test_util.h"
#include "tests/support/fault_injection.h"

namespace kodexa::test {
namespace {

constexpr int kObjectSize = 1000;
constexpr int kObjects = 20;  // some 20 KiB: several pages

// A file of kObjects objects, each filled with its own number, and a
// reader that holds it open read-only.
struct MappedFixture : StoreFixture {
    StoreFile reader;
    std::vector<int32_t> objects;

    void SetUp() {
        Make(0);
        for (int i = 0; i < kObjects; ++i) Append(i);
        ASSERT_EQ(store.Flush(), kNoError);
        ASSERT_EQ(reader.Open(path.c_str(), 0), kNoError);
    }
    void Append(int fill) {
        FileAddress at = store.Allocate(kObjectSize, kAppendOnly);
        ASSERT_NE(at.Get(), 0);
        std::string bytes(kObjectSize, static_cast<char>('a' + fill % 26));
        ASSERT_EQ(store.Write(bytes.data(), kObjectSize, at, 1, 0), kNoError);
        objects.push_back(at.Get());
    }
    // Whether the object reads back as written, through the reader.
    bool ReadsBack(int i) {
        std::string bytes(kObjectSize, '?');
        if (reader.Read(&bytes[0], kObjectSize, objects.at(i)) != kNoError) return false;
        return bytes == std::string(kObjectSize, static_cast<char>('a' + i % 26));
    }
};

// The holder is private to the store file; its mapping shows from outside
// only in the calls the table sees, so the tests ask the table.
struct MapProbe {
    static int maps;
    static int mappedReads;
    static void* Map(size_t length, int fd) { return ++maps, SystemMap(length, fd); }
    static size_t Read(void* b, const void* s, size_t n) { return ++mappedReads, SystemMappedRead(b, s, n); }
};
int MapProbe::maps = 0;
int MapProbe::mappedReads = 0;

struct CountMappedReads {
    CountMappedReads() {
        StdioFunctions table = SystemStdio();
        table.map = MapProbe::Map;
        table.mappedRead = MapProbe::Read;
        MapProbe::maps = MapProbe::mappedReads = 0;
        SetStdio(table);
    }
    ~CountMappedReads() { ResetStdio(); }
};

TEST(MappedRead, ObjectsAppendedByAnotherWriterAreReadToTheNewEnd) {
    CountMappedReads probe;
    MappedFixture f;
    f.SetUp();
    ASSERT_EQ(MapProbe::maps, 1);
    for (int i = kObjects; i < kObjects + 10; ++i) f.Append(i);
    ASSERT_EQ(f.store.Flush(), kNoError);
    EXPECT_EQ(f.reader.EndOfFile(), f.store.Header().endOfFile) << "the header another writer changed";
    for (int i = 0; i < kObjects + 10; ++i) EXPECT_TRUE(f.ReadsBack(i)) << "object " << i;
    EXPECT_GT(MapProbe::mappedReads, kObjects + 10) << "the new end must come from the mapping too";
}

// A read past the length last seen asks for the length (the file is found
// short); a read inside it touches pages that are gone (SIGBUS). Either way
// the read fails and later reads go through stdio.
TEST(MappedRead, FileCutShortFailsTheReadWithoutACrash) {
    struct Case {
        const char* what;
        bool grownFirst;  // the reader has seen the file longer than the cut
        int readObject;
    };
    const Case cases[] = {
        {"read inside the mapped length", false, kObjects - 2},
        {"read past the length last seen", true, kObjects + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MappedFixture f;
        f.SetUp();
        f.Append(kObjects);
        f.Append(kObjects + 1);
        ASSERT_EQ(f.store.Flush(), kNoError);
        if (c.grownFirst) {
            ASSERT_TRUE(f.ReadsBack(kObjects));
        }
        ASSERT_EQ(truncate(f.path.c_str(), 100), 0);
        EXPECT_FALSE(f.ReadsBack(c.readObject));
        EXPECT_EQ(f.reader.LastError(), kReadError);
        // From here on stdio answers: the header is still there, the objects are not.
        StoreHeader header;
        EXPECT_EQ(f.reader.Read(&header, sizeof header, 0), kNoError);
        EXPECT_FALSE(f.ReadsBack(0));
        EXPECT_EQ(f.reader.LastError(), kReadError);
    }
}

// Each fault is met on the mapped path or its fallback; the read after it
// must give the right bytes again unless the fault persists.
TEST(MappedRead, FaultsReachTheMappedReadsAndTheFallback) {
    struct Case {
        const char* what;
        Stdio call;
        int n;
        bool beforeOpen;   // the fault is armed before the reader opens
        bool grow;         // another writer appends before the read
        bool firstReadOk;  // the read that meets the fault succeeds (fallback)
    };
    const Case cases[] = {
        {"map fails at open: stdio", Stdio::Map, 1, true, false, true},
        {"mapped read fails once", Stdio::Fread, 1, false, false, false},
        {"mapped read fails after growth", Stdio::Fread, 1, false, true, false},
        {"length query fails on growth: stdio", Stdio::Fstat, 1, false, true, true},
        {"remap fails on growth: stdio", Stdio::Remap, 1, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MappedFixture f;
        FaultInjector faults;
        // Faults count from the reader's open on.
        f.Make(0);
        for (int i = 0; i < kObjects; ++i) f.Append(i);
        ASSERT_EQ(f.store.Flush(), kNoError);
        if (c.beforeOpen) faults.FailCall(c.call, c.n);
        ASSERT_EQ(f.reader.Open(f.path.c_str(), 0), kNoError);
        int readObject = 0;
        if (c.grow) {
            f.Append(kObjects);
            ASSERT_EQ(f.store.Flush(), kNoError);
            readObject = kObjects;
        }
        if (!c.beforeOpen) faults.FailCall(c.call, c.n);
        EXPECT_EQ(f.ReadsBack(readObject), c.firstReadOk);
        EXPECT_EQ(faults.Injected(), 1);
        for (int i = 0; i < static_cast<int>(f.objects.size()); ++i) EXPECT_TRUE(f.ReadsBack(i)) << "object " << i;
    }
}

}  // namespace
}  // namespace kodexa::test
