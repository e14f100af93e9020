// The file system calls behind the file layer's table, failed and cut short.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "store/file_layer.h"
#include "tests/support/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

TEST(ListDirectory, NamesSortedWithoutDotsAndNothingWhenReadingFails) {
    TempDir dir;
    for (const char* name : {"b.dat", "a.ndx", "c"}) WriteAllBytes(dir.File(name), {1, 2, 3});
    std::vector<std::string> names;
    ASSERT_TRUE(ListDirectory(dir.Path().c_str(), names));
    EXPECT_EQ(names, (std::vector<std::string>{"a.ndx", "b.dat", "c"}));
    for (Stdio call : {Stdio::Opendir, Stdio::Readdir, Stdio::Closedir}) {
        FaultInjector faults;
        faults.FailCall(call, call == Stdio::Readdir ? 2 : 1);
        EXPECT_FALSE(ListDirectory(dir.Path().c_str(), names)) << StdioName(call);
        EXPECT_TRUE(names.empty()) << StdioName(call) << ": a cut listing must not look complete";
        EXPECT_EQ(faults.Injected(), 1);
    }
}

TEST(WriteDescriptor, GoesOnAfterShortWritesAndReportsFailures) {
    TempDir dir;
    const std::string path = dir.File("out"), text = "0123456789abcdef";
    for (FaultMode mode : {FaultMode::Once, FaultMode::Short}) {  // the file keeps the last run
        int fd = OpenDescriptor(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        int failed;
        {
            FaultInjector faults;
            faults.FailAnyCall(mode, 1);
            failed = WriteDescriptor(fd, text.data(), text.size());
        }
        EXPECT_EQ(CloseDescriptor(fd), 0);
        EXPECT_EQ(failed == 0, mode == FaultMode::Short) << FaultModeName(mode);
    }
    auto bytes = ReadAllBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), text) << "half, then the rest";
}

// A whole file comes in however many reads it takes (a short one is no
// failure); a failed open or read answers false with nothing kept.
TEST(ReadFileBytes, ReadsAllThroughShortReadsAndReportsFailures) {
    TempDir dir;
    const std::string path = dir.File("marker");
    std::vector<unsigned char> content(200000);
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<unsigned char>(i * 7);
    WriteAllBytes(path, content);
    std::string bytes;
    {
        FaultInjector faults;
        faults.FailAnyCall(FaultMode::Short, 1);
        ASSERT_TRUE(ReadFileBytes(path.c_str(), bytes));
    }
    EXPECT_EQ(bytes, std::string(content.begin(), content.end()));
    for (Stdio call : {Stdio::Open, Stdio::Read}) {
        FaultInjector faults;
        faults.FailCall(call, call == Stdio::Read ? 2 : 1);
        EXPECT_FALSE(ReadFileBytes(path.c_str(), bytes)) << StdioName(call);
        EXPECT_TRUE(bytes.empty()) << StdioName(call) << ": a cut read must not look complete";
        EXPECT_EQ(faults.Injected(), 1);
    }
}

// The lock and finding the program itself go through the table too, so a
// test can fail them like any other call.
TEST(SystemCalls, LockAndReadLinkCanBeFailed) {
    TempDir dir;
    const int fd = OpenDescriptor(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(LockDescriptor(fd, LOCK_EX | LOCK_NB), 0);
    char target[4096];
    EXPECT_GT(ReadLink("/proc/self/exe", target, sizeof target), 0);
    {
        FaultInjector faults;
        faults.FailCall(Stdio::Flock, 1);
        faults.FailCall(Stdio::Readlink, 1);
        EXPECT_NE(LockDescriptor(fd, LOCK_UN), 0);
        EXPECT_LT(ReadLink("/proc/self/exe", target, sizeof target), 0);
        EXPECT_EQ(faults.Injected(), 2);
    }
    EXPECT_EQ(LockDescriptor(fd, LOCK_UN), 0);
    EXPECT_EQ(CloseDescriptor(fd), 0);
}

}  // namespace
}  // namespace kodexa::test
