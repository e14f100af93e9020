// The file system calls behind the file layer's table, failed and cut short.
#include <gtest/gtest.h>

#include <fcntl.h>
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

}  // namespace
}  // namespace kodexa::test
