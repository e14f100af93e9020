// The file system calls behind the file layer's table and the injector's
// fault modes on them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "store/file_layer.h"
#include "tests/support/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

struct DirectoryFixture {
    TempDir dir;
    DirectoryFixture() {
        for (const char* name : {"b.dat", "a.ndx", "c"}) WriteAllBytes(dir.File(name), {1, 2, 3});
    }
};

TEST(ListDirectory, NamesSortedWithoutDotsAndNothingWhenReadingFails) {
    DirectoryFixture f;
    std::vector<std::string> names;
    ASSERT_TRUE(ListDirectory(f.dir.Path().c_str(), names));
    EXPECT_EQ(names, (std::vector<std::string>{"a.ndx", "b.dat", "c"}));
    for (Stdio call : {Stdio::Opendir, Stdio::Readdir, Stdio::Closedir}) {
        FaultInjector faults;
        faults.FailCall(call, call == Stdio::Readdir ? 2 : 1);
        EXPECT_FALSE(ListDirectory(f.dir.Path().c_str(), names)) << StdioName(call);
        EXPECT_TRUE(names.empty()) << StdioName(call) << ": a cut listing must not look complete";
        EXPECT_EQ(faults.Injected(), 1);
    }
    EXPECT_FALSE(ListDirectory(f.dir.File("missing").c_str(), names));
}

TEST(WriteDescriptor, GoesOnAfterShortWritesAndReportsFailures) {
    TempDir dir;
    const std::string path = dir.File("out");
    const std::string text = "0123456789abcdef";
    struct Case {
        FaultMode mode;
        int at;
        bool written;
    };
    const Case cases[] = {{FaultMode::Short, 1, true}, {FaultMode::Once, 1, false}, {FaultMode::FromThenOn, 1, false}};
    for (const Case& c : cases) {
        int fd = OpenDescriptor(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        int failed;
        {
            FaultInjector faults;
            faults.FailAnyCall(c.mode, c.at);
            failed = WriteDescriptor(fd, text.data(), text.size());
            if (c.mode == FaultMode::Short) {
                EXPECT_EQ(faults.Calls(Stdio::Write), 2) << "half, then the rest";
            }
        }
        EXPECT_EQ(CloseDescriptor(fd), 0);
        EXPECT_EQ(failed == 0, c.written) << FaultModeName(c.mode);
        if (c.written) {
            auto bytes = ReadAllBytes(path);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text);
        }
    }
}

// Once fails one call, FromThenOn every later one of any kind, Short only
// halves a transfer; the counts go on across ResetCounts.
TEST(FaultModes, EachModeTripsTheCallsItNames) {
    DirectoryFixture f;
    const std::string a = f.dir.File("a.ndx");
    struct stat info;
    auto statResults = [&](FaultMode mode, int at, int calls) {
        FaultInjector faults;
        faults.FailAnyCall(mode, at);
        std::string results;
        for (int i = 0; i < calls; ++i) results += PathStatus(a.c_str(), &info) == 0 ? '.' : 'x';
        return results + "/" + std::to_string(faults.Injected());
    };
    EXPECT_EQ(statResults(FaultMode::Once, 2, 4), ".x../1");
    EXPECT_EQ(statResults(FaultMode::FromThenOn, 2, 4), ".xxx/3");
    EXPECT_EQ(statResults(FaultMode::Short, 1, 4), "..../0") << "stat transfers nothing";
    {
        FaultInjector faults;
        faults.FailAnyCall(FaultMode::FromThenOn, 3);
        EXPECT_EQ(PathStatus(a.c_str(), &info), 0);
        faults.ResetCounts();
        EXPECT_EQ(PathStatus(a.c_str(), &info), 0);
        EXPECT_NE(RenamePath(a.c_str(), f.dir.File("d").c_str()), 0);
        EXPECT_NE(UnlinkPath(a.c_str()), 0) << "still failing after the nth call";
        EXPECT_EQ(faults.Calls(Stdio::Rename), 1);
    }
    EXPECT_EQ(FileSizeOnDisk(a.c_str()), 3) << "nothing was renamed or removed";
    FILE* file = std::fopen(a.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    FileHolder* holder = new FileHolder{file};
    unsigned char buffer[3] = {};
    {
        FaultInjector faults;
        faults.FailAnyCall(FaultMode::Short, 1);
        EXPECT_NE(FileRead(holder, buffer, 3), 0) << "a short read is a failed read";
        EXPECT_EQ(std::ftell(file), 1L) << "half of three bytes, rounded down";
    }
    EXPECT_EQ(FileClose(holder), 0);
}

}  // namespace
}  // namespace kodexa::test
