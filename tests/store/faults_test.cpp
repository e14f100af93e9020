// Every stdio call an operation makes is failed in turn; the operation must
// report the code that belongs to the failing call and leave the object
// usable, so that closing it afterwards releases everything.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <tuple>

#include "tests/store/store_test_util.h"
#include "tests/support/fault_injection.h"

namespace kodexa::test {
namespace {

struct Outcome {
    bool ok;
    int code;
};

Outcome Code(int code) { return {code == 0, code}; }

struct Scenario {
    const char* name;
    int fopenCode;
    // A failure while reusing free space is absorbed: the allocation
    // appends a block instead.
    bool mayAbsorb;
    std::function<void(StoreFixture&)> setup;
    std::function<Outcome(StoreFixture&)> run;
};

std::function<void(StoreFixture&)> Fresh(char revision, int objectSize = -1) {
    return [=](StoreFixture& f) {
        ASSERT_EQ(f.store.Create(f.path.c_str(), 0, revision), 0);
        if (objectSize >= 0) {
            ASSERT_NE(f.store.Allocate(objectSize, 2).Get(), 0);
        }
    };
}

const Scenario kScenarios[] = {
    {"Create", 16, false, [](StoreFixture&) {},
     [](StoreFixture& f) { return Code(f.store.Create(f.path.c_str(), 100, 'C')); }},
    {"OpenWithEndOfFileCorrection", 21, false,
     [](StoreFixture& f) {
         Fresh('B', 4)(f);
         f.store.Close();
         Bytes bytes = ReadAllBytes(f.path);
         bytes.resize(bytes.size() + 20, 0);
         WriteAllBytes(f.path, bytes);
     },
     [](StoreFixture& f) { return Code(f.store.Open(f.path.c_str(), 1)); }},
    {"Close", 0, false, Fresh('A', 10), [](StoreFixture& f) { return Code(f.store.Close()); }},
    {"Flush", 0, false, Fresh(0, 10), [](StoreFixture& f) { return Code(f.store.Flush()); }},
    {"WriteFlushVerify", 0, false, Fresh(0, 8),
     [](StoreFixture& f) { return Code(f.store.Write("12345678", 8, 44, 1, 1)); }},
    {"Read", 0, false, Fresh(0, 8),
     [](StoreFixture& f) {
         char buffer[8];
         return Code(f.store.Read(buffer, 8, 44));
     }},
    {"ChecksumByteByByte", 0, false, Fresh(0, 8),
     [](StoreFixture& f) {
         f.store.Checksum(8, 44, 0);
         return Code(f.store.LastError());
     }},
    {"AllocateAppend", 0, false, Fresh('C'),
     [](StoreFixture& f) { return Outcome{f.store.Allocate(10, 2) != 0, f.store.LastError()}; }},
    {"AllocateReuseSplit", 0, true,
     [](StoreFixture& f) {
         Fresh('A')(f);
         MakeFreeList(f.store, {40, 100});
     },
     [](StoreFixture& f) { return Outcome{f.store.Allocate(10, 2) != 0, f.store.LastError()}; }},
    {"Remove", 0, false, Fresh('A', 10),
     [](StoreFixture& f) { return Outcome{f.store.Remove(44, 0) == 1, f.store.LastError()}; }},
    {"WriteObjectChecksum", 0, false, Fresh('A', 10),
     [](StoreFixture& f) {
         f.store.WriteObjectChecksum(44);
         return Code(f.store.LastError());
     }},
};

void PrintTo(const Scenario& s, std::ostream* out) { *out << s.name; }

int CodeFor(const Scenario& s, Stdio call) {
    switch (call) {
        case Stdio::Fopen: return s.fopenCode;
        case Stdio::Fclose: return 14;
        case Stdio::Fflush: return 25;
        case Stdio::Fread: return 23;
        case Stdio::Fwrite: return 25;
        case Stdio::Fseek: return 24;
        case Stdio::Ftell: return 22;
        default: return -1;  // the file system calls have no code of their own
    }
}

class EveryCall : public ::testing::TestWithParam<Scenario> {
protected:
    // Runs the scenario once without faults and answers its calls per function.
    std::array<int, kStdioKinds> CountCalls() {
        std::array<int, kStdioKinds> counts{};
        StoreFixture f;
        GetParam().setup(f);
        FaultInjector faults;
        Outcome o = GetParam().run(f);
        EXPECT_TRUE(o.ok) << "without faults: " << o.code;
        for (Stdio call : kAllStdio) counts[static_cast<int>(call)] = faults.Calls(call);
        return counts;
    }

    // Arms one fault, runs the scenario and checks what it reports. Answers
    // whether the fault was reported.
    bool RunWith(const std::function<void(FaultInjector&)>& arm, int expected, const std::string& what) {
        const Scenario& s = GetParam();
        StoreFixture f;
        s.setup(f);
        Outcome o;
        {
            FaultInjector faults;
            arm(faults);
            o = s.run(f);
            EXPECT_EQ(faults.Injected(), 1) << what;
        }
        if (o.ok) {
            EXPECT_TRUE(s.mayAbsorb) << what << " went unnoticed";
            return false;
        }
        EXPECT_EQ(o.code, expected) << what;
        EXPECT_EQ(o.code, f.store.LastError()) << what;
        return true;
    }
};

TEST_P(EveryCall, FailingCallIsReportedWithItsCode) {
    std::array<int, kStdioKinds> counts = CountCalls();
    int reported = 0, total = 0;
    for (Stdio call : kAllStdio) {
        for (int n = 1; n <= counts[static_cast<int>(call)]; ++n, ++total) {
            std::string what = std::string(StdioName(call)) + " call " + std::to_string(n);
            reported += RunWith([&](FaultInjector& faults) { faults.FailCall(call, n); },
                                CodeFor(GetParam(), call), what);
        }
    }
    EXPECT_GT(total, 0);
    EXPECT_GT(reported, 0);
}

TEST_P(EveryCall, CorruptedWriteIsCaughtByTheReadBack) {
    int writes = CountCalls()[static_cast<int>(Stdio::Fwrite)];
    int reported = 0;
    for (int n = 1; n <= writes; ++n)
        reported += RunWith([&](FaultInjector& faults) { faults.CorruptWrite(n); }, 9,
                            "corrupted fwrite " + std::to_string(n));
    if (writes > 0 && !GetParam().mayAbsorb) {
        EXPECT_GT(reported, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Operations, EveryCall, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// A failed Create or Open leaves the object closed, after closing the file
// it had open properly.
TEST(FaultStates, FailedOpeningLeavesTheObjectClosed) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 44);
    using Step = std::tuple<Stdio, bool, int>;  // failing call, Create (else Open), code
    for (auto [call, create, code] : {Step{Stdio::Fopen, true, 16}, {Stdio::Fopen, false, 21}, {Stdio::Fread, false, 23}}) {
        {
            FaultInjector faults;
            faults.FailCall(call, 1);
            EXPECT_EQ(create ? f.store.Create(f.dir.File("other.kvd").c_str(), 0, 0) : f.store.Open(f.path.c_str(), 1),
                      code);
        }
        EXPECT_FALSE(f.store.IsReady()) << code;
        if (call == Stdio::Fopen) { EXPECT_FALSE(f.store.IsWritable()) << code; }
        EXPECT_EQ(Le32(ReadAllBytes(f.path), 4), 54u) << code;
    }
    EXPECT_EQ(f.store.Close(), 0);
}

TEST(FaultStates, FailedCloseKeepsTheFileOpen) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    {
        FaultInjector faults;
        faults.FailCall(Stdio::Fclose, 1);
        EXPECT_EQ(f.store.Close(), 14);
        EXPECT_EQ(faults.Injected(), 1);
    }
    EXPECT_TRUE(f.store.IsReady());
    EXPECT_STREQ(f.store.FileName(), f.path.c_str());
    EXPECT_STREQ(f.store.ErrorMessage(), "Database exception: Error closing file");
    EXPECT_EQ(f.store.Allocate(10, 2).Get(), 44);
    EXPECT_EQ(f.store.Close(), 0);
    EXPECT_STREQ(f.store.FileName(), "closed.kvd");
}

// The header that Close could not write is reported, yet the file is let go:
// nothing is left open for the destructor to leak.
TEST(FaultStates, CloseWithFailedHeaderWriteStillClosesTheFile) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    {
        FaultInjector faults;
        faults.FailCall(Stdio::Fwrite, 1);
        EXPECT_EQ(f.store.Close(), 25);
        EXPECT_EQ(faults.Calls(Stdio::Fclose), 1);
    }
    EXPECT_EQ(f.store.LastError(), 25);
    EXPECT_FALSE(f.store.IsReady());
    EXPECT_EQ(f.store.Close(), 0);
}

// A Remove whose header write fails answers 0, and the freed block reaches
// the list on disk with the next header write.
TEST(FaultStates, RemoveWithFailedHeaderWriteReachesTheListLater) {
    StoreFixture f;
    ASSERT_EQ(f.store.Create(f.path.c_str(), 0, 0), 0);
    ASSERT_EQ(f.store.Allocate(10, 2).Get(), 44);
    {
        FaultInjector faults;
        faults.FailCall(Stdio::Fwrite, 2);  // the block header goes first
        EXPECT_EQ(f.store.Remove(44, 0), 0);
    }
    EXPECT_EQ(f.store.LastError(), 25);
    ASSERT_EQ(f.store.Flush(), 0);
    EXPECT_EQ(f.store.FreeListHead().Get(), 44 - f.store.BlockHeaderSize());
}

}  // namespace
}  // namespace kodexa::test
