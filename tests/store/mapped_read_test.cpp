// Reads of a store file opened read-only, served from a mapping of the file:
// growth by another writer, a file cut short underneath, and injected faults.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

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
        ASSERT_EQ(reader.Open(path.c_str(), 0), kNoError);
    }
    void Append(int fill) {
        FileAddress at = store.Allocate(kObjectSize, kAppendOnly);
        ASSERT_NE(at.Get(), 0);
        std::string bytes(kObjectSize, static_cast<char>('a' + fill % 26));
        ASSERT_EQ(store.Write(bytes.data(), kObjectSize, at, 1, 0), kNoError);
        ASSERT_EQ(store.Flush(), kNoError);
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
// only in the calls the table sees, so the test asks the table.
int mappedReads = 0;
size_t CountedMappedRead(void* b, const void* s, size_t n) { return ++mappedReads, SystemMappedRead(b, s, n); }

TEST(MappedRead, ObjectsAppendedByAnotherWriterAreReadToTheNewEnd) {
    SystemCalls table = SystemStdio();
    table.mappedRead = CountedMappedRead;
    SetStdio(table);
    MappedFixture f;
    f.SetUp();
    for (int i = kObjects; i < kObjects + 10; ++i) f.Append(i);
    EXPECT_EQ(f.reader.EndOfFile(), f.store.Header().endOfFile) << "the header another writer changed";
    mappedReads = 0;
    for (int i = 0; i < kObjects + 10; ++i) EXPECT_TRUE(f.ReadsBack(i)) << "object " << i;
    EXPECT_GE(mappedReads, kObjects + 10) << "the new end must come from the mapping too";
    ResetStdio();
}

// A damaged index can hand out any address: one before the start must fail
// the read, not read on from wherever the mapping stands.
TEST(MappedRead, AnAddressBeforeTheStartFailsTheRead) {
    MappedFixture f;
    f.SetUp();
    char byte = 0;
    EXPECT_EQ(f.reader.ReadUpTo(&byte, 1, -2), -1);
    EXPECT_EQ(f.reader.LastError(), kSeekError);
}

// A read past the length last seen asks for the length (the file is found
// short); a read inside it touches pages that are gone (SIGBUS). Either way
// the read fails and later reads go through stdio.
TEST(MappedRead, FileCutShortFailsTheReadWithoutACrash) {
    for (bool grownFirst : {false, true}) {  // the reader has seen the file longer than the cut
        SCOPED_TRACE(grownFirst ? "read past the length last seen" : "read inside the mapped length");
        MappedFixture f;
        f.SetUp();
        f.Append(kObjects);
        f.Append(kObjects + 1);
        if (grownFirst) {
            ASSERT_TRUE(f.ReadsBack(kObjects));
        }
        ASSERT_EQ(truncate(f.path.c_str(), 100), 0);
        EXPECT_FALSE(f.ReadsBack(grownFirst ? kObjects + 1 : kObjects - 2));
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
        bool beforeOpen;   // the fault is armed before the reader opens
        bool grow;         // another writer appends before the read
        bool firstReadOk;  // the read that meets the fault succeeds (fallback)
    };
    const Case cases[] = {
        {"map fails at open: stdio", Stdio::Map, true, false, true},
        {"mapped read fails once", Stdio::Fread, false, false, false},
        {"length query fails on growth: stdio", Stdio::Fstat, false, true, true},
        {"remap fails on growth: stdio", Stdio::Remap, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FaultInjector faults;
        if (c.beforeOpen) faults.FailCall(c.call, 1);  // the writer that makes the file maps nothing
        MappedFixture f;
        f.SetUp();
        if (c.grow) f.Append(kObjects);
        if (!c.beforeOpen) faults.FailCall(c.call, 1);
        EXPECT_EQ(f.ReadsBack(c.grow ? kObjects : 0), c.firstReadOk);
        EXPECT_EQ(faults.Injected(), 1);
        for (int i = 0; i < static_cast<int>(f.objects.size()); ++i) EXPECT_TRUE(f.ReadsBack(i)) << "object " << i;
    }
}

}  // namespace
}  // namespace kodexa::test
