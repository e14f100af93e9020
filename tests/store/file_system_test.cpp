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
    EXPECT_FALSE(ListDirectory(dir.File("missing").c_str(), names));
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

}  // namespace
}  // namespace kodexa::test
