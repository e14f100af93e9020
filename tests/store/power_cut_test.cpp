// The power cut the crash sweeps stand on: only synced bytes and synced
// names survive it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <cstring>
#include <functional>

#include "store/file_layer.h"
#include "tests/support/power_cut.h"
#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

void Sync(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0) << path;
    ASSERT_EQ(SyncDescriptor(fd), 0);
    close(fd);
}

void Write(const std::string& path, const char* text) {
    WriteAllBytes(path, std::vector<unsigned char>(text, text + std::strlen(text)));
}

std::string Content(const std::string& path) {
    if (!std::filesystem::exists(path)) return "<none>";
    std::vector<unsigned char> bytes = ReadAllBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The tree starts with old.txt = "old"; each case changes it and says what
// old.txt and new.txt hold after the cut.
TEST(PowerCut, KeepsOnlyWhatWasSynced) {
    struct Case {
        const char* what;
        std::function<void(const std::string& dir)> change;
        const char* oldAfter;
        const char* newAfter;
    };
    const Case cases[] = {
        {"nothing synced", [](const std::string& d) { Write(d + "/old.txt", "changed"); Write(d + "/new.txt", "x"); },
         "old", "<none>"},
        {"file synced, directory not",
         [](const std::string& d) { Write(d + "/new.txt", "x"); Sync(d + "/new.txt"); }, "old", "<none>"},
        {"directory synced, file not", [](const std::string& d) { Write(d + "/new.txt", "x"); Sync(d); }, "old", ""},
        {"both synced",
         [](const std::string& d) { Write(d + "/new.txt", "x"); Sync(d + "/new.txt"); Sync(d); }, "old", "x"},
        {"renamed, directory not synced",
         [](const std::string& d) { RenamePath((d + "/old.txt").c_str(), (d + "/new.txt").c_str()); }, "old", "<none>"},
        {"renamed, directory synced",
         [](const std::string& d) { RenamePath((d + "/old.txt").c_str(), (d + "/new.txt").c_str()); Sync(d); },
         "<none>", "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        Write(dir.File("old.txt"), "old");
        DurableTree disk(dir.Path());
        StdioFunctions recording = SystemStdio();
        static DurableTree* current;  // the recording fsync is a plain function
        current = &disk;
        recording.fsync = [](int fd) {
            int result = fsync(fd);
            if (result == 0) current->Synced(fd);
            return result;
        };
        SetStdio(recording);
        c.change(dir.Path());
        ResetStdio();
        disk.CutPower();
        EXPECT_EQ(Content(dir.File("old.txt")), c.oldAfter);
        EXPECT_EQ(Content(dir.File("new.txt")), c.newAfter);
    }
}

}  // namespace
}  // namespace kodexa::test
