// Every stdio call an operation makes is failed in turn; the operation must
// report the code that belongs to the failing call and leave the object
// usable, so that closing it afterwards releases everything.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>

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

std::function<void(StoreFixture&)> Fresh(char revision, int objects = 0) {
    return [=](StoreFixture& f) { f.Make(revision, objects); };
}

const Scenario kScenarios[] = {
    {"Create", 16, false, [](StoreFixture&) {},
     [](StoreFixture& f) { return Code(f.store.Create(f.path.c_str(), 100, 'C')); }},
    {"OpenWithEndOfFileCorrection", 21, false,
     [](StoreFixture& f) {
         f.Make('B', 1);
         f.store.Close();
         std::filesystem::resize_file(f.path, std::filesystem::file_size(f.path) + 20);
     },
     [](StoreFixture& f) { return Code(f.store.Open(f.path.c_str(), 1)); }},
    {"Close", 0, false, Fresh('A', 1), [](StoreFixture& f) { return Code(f.store.Close()); }},
    {"WriteFlushVerify", 0, false, Fresh(0, 1),
     [](StoreFixture& f) { return Code(f.store.Write("12345678", 8, 44, 1, 1)); }},
    {"AllocateReuseSplit", 0, true,
     [](StoreFixture& f) {
         f.Make('A');
         MakeFreeList(f.store, {40, 100});
     },
     [](StoreFixture& f) { return Outcome{f.store.Allocate(10, kFirstFit) != 0, f.store.LastError()}; }},
    {"AllocateAppend", 0, false, Fresh(0),
     [](StoreFixture& f) { return Outcome{f.store.Allocate(10, kFirstFit) != 0, f.store.LastError()}; }},
    {"Remove", 0, false, Fresh('A', 1),
     [](StoreFixture& f) { return Outcome{f.store.Remove(44, 0) == 1, f.store.LastError()}; }},
};

int CodeFor(const Scenario& s, Stdio call) {
    switch (call) {
        case Stdio::Fopen: return s.fopenCode;
        case Stdio::Fclose: return 14;
        case Stdio::Fread: return 23;
        case Stdio::Fseek: return 24;
        case Stdio::Ftell: return 22;
        default: return 25;  // fflush and fwrite
    }
}

int OpenDescriptors() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

class EveryCall : public ::testing::TestWithParam<Scenario> {
protected:
    // Arms one fault, runs the scenario and checks what it reports, and that
    // a Close afterwards lets go of every descriptor, also after a failed
    // Create, Open or Close. Answers whether the fault was reported.
    bool RunWith(const std::function<void(FaultInjector&)>& arm, int expected, const std::string& what) {
        const Scenario& s = GetParam();
        int descriptors = OpenDescriptors();
        StoreFixture f;
        s.setup(f);
        const bool existed = std::filesystem::exists(f.path);
        Outcome o;
        {
            FaultInjector faults;
            arm(faults);
            o = s.run(f);
            EXPECT_EQ(faults.Injected(), 1) << what;
        }
        if (!o.ok) {
            EXPECT_EQ(o.code, expected) << what;
            EXPECT_EQ(o.code, f.store.LastError()) << what;
        }
        EXPECT_TRUE(!o.ok || s.mayAbsorb) << what << " went unnoticed";
        EXPECT_EQ(f.store.Close(), kNoError) << what;
        // Nor may the header of a store that was there claim bytes the file never got.
        EXPECT_TRUE(!existed || f.store.Open(f.path.c_str(), 1) != kFileCorrupt) << what;
        f.store.Close();
        EXPECT_EQ(OpenDescriptors(), descriptors) << what;
        return !o.ok;
    }
};

// A corrupted write must be caught by the read back that follows it.
TEST_P(EveryCall, FailingOrCorruptedCallIsReportedWithItsCode) {
    std::array<int, kCallKinds> counts{};
    {  // without faults, to count the calls of each kind
        StoreFixture f;
        GetParam().setup(f);
        FaultInjector faults;
        Outcome o = GetParam().run(f);
        EXPECT_TRUE(o.ok) << "without faults: " << o.code;
        for (Stdio call : kAllStdio) counts[static_cast<int>(call)] = faults.Calls(call);
    }
    int reported = 0, corruptionsReported = 0;
    for (Stdio call : kAllStdio) {
        for (int n = 1; n <= counts[static_cast<int>(call)]; ++n) {
            std::string what = std::string(StdioName(call)) + " call " + std::to_string(n);
            reported += RunWith([&](FaultInjector& faults) { faults.FailCall(call, n); },
                                CodeFor(GetParam(), call), what);
        }
    }
    EXPECT_GT(reported, 0);
    int writes = counts[static_cast<int>(Stdio::Fwrite)];
    for (int n = 1; n <= writes; ++n)
        corruptionsReported += RunWith([&](FaultInjector& faults) { faults.CorruptWrite(n); }, kChecksumError,
                                       "corrupted fwrite " + std::to_string(n));
    EXPECT_TRUE(writes == 0 || GetParam().mayAbsorb || corruptionsReported > 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, EveryCall, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return std::string(info.param.name); });

// A Remove whose header write fails answers 0, and the freed block reaches
// the list on disk with the next header write.
TEST(FaultStates, RemoveWithFailedHeaderWriteReachesTheListLater) {
    StoreFixture f;
    f.Make(0, 1);
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
