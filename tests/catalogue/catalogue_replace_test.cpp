// Moving a staged catalogue into place: all files or none, a marker while
// the renames run, and a replacement cut short finished by the next run.
#include "catalogue/catalogue_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

const std::vector<std::string> kNames = {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"};

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string Content(const std::string& file) {
    std::vector<unsigned char> bytes = ReadAllBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

void WriteSet(const std::string& dir, const std::string& tag) {
    for (const std::string& name : kNames) {
        std::string text = tag + " " + name;
        WriteAllBytes(dir + "/" + name, std::vector<unsigned char>(text.begin(), text.end()));
    }
}

// Renames fail from the (n+1)th on, as if the process had stopped there.
int renamesLeft = 0;
int LimitedRename(const char* from, const char* to) {
    if (renamesLeft == 0) return -1;
    --renamesLeft;
    return ::rename(from, to);
}

class Replacement : public ::testing::Test {
protected:
    void TearDown() override { ResetReplaceCalls(); }

    std::string Stage(const std::string& tag) {
        std::string staging, error;
        EXPECT_TRUE(CreateStaging(target.Path(), staging, error)) << error;
        WriteSet(staging, tag);
        EXPECT_TRUE(SyncStaging(staging, error)) << error;
        return staging;
    }

    void ExpectOnly(const std::string& tag) {
        for (const std::string& name : kNames) EXPECT_EQ(Content(target.File(name)), tag + " " + name);
        EXPECT_FALSE(Exists(target.File(kPendingMarkerName)));
    }

    TempDir target;
};

TEST_F(Replacement, InstallsEveryFileAndLeavesNoTrace) {
    WriteSet(target.Path(), "old");
    std::string staging = Stage("new");
    bool markerWritten = false;
    std::string error;
    ASSERT_TRUE(InstallStaging(target.Path(), staging, markerWritten, error)) << error;
    EXPECT_TRUE(markerWritten);
    ExpectOnly("new");
    EXPECT_FALSE(Exists(staging));
}

TEST_F(Replacement, EveryCutShortReplacementIsFinishedByTheNextRun) {
    for (int moved = 0; moved < static_cast<int>(kNames.size()); ++moved) {
        WriteSet(target.Path(), "old");
        std::string staging = Stage("new" + std::to_string(moved));
        renamesLeft = moved;
        SetReplaceCalls({LimitedRename, ActiveReplaceCalls().fsync});
        bool markerWritten = false;
        std::string error;
        ASSERT_FALSE(InstallStaging(target.Path(), staging, markerWritten, error));
        ResetReplaceCalls();
        ASSERT_TRUE(markerWritten);
        ASSERT_TRUE(Exists(target.File(kPendingMarkerName))) << moved;

        bool completed = false;
        ASSERT_TRUE(CompletePendingReplacement(target.Path(), completed, error)) << error;
        EXPECT_TRUE(completed);
        ExpectOnly("new" + std::to_string(moved));
        EXPECT_FALSE(Exists(staging));
    }
}

TEST_F(Replacement, NothingPendingMeansNothingDone) {
    WriteSet(target.Path(), "old");
    bool completed = true;
    std::string error;
    ASSERT_TRUE(CompletePendingReplacement(target.Path(), completed, error));
    EXPECT_FALSE(completed);
    ExpectOnly("old");
}

TEST_F(Replacement, AMarkerNamingAnythingButAStagingDirectoryIsNotFollowed) {
    WriteSet(target.Path(), "old");
    for (const std::string& content : {std::string("../elsewhere\n"), std::string("data1.dat\n"), std::string("")}) {
        WriteAllBytes(target.File(kPendingMarkerName), std::vector<unsigned char>(content.begin(), content.end()));
        bool completed = false;
        std::string error;
        EXPECT_FALSE(CompletePendingReplacement(target.Path(), completed, error)) << content;
        EXPECT_FALSE(completed);
        for (const std::string& name : kNames) EXPECT_EQ(Content(target.File(name)), "old " + name);
    }
}

TEST_F(Replacement, StaleStagingGoesAndOtherFilesStay) {
    std::string staging = Stage("dead");
    WriteSet(target.Path(), "old");
    WriteAllBytes(target.File(".kodexa-importer-notes"), {'x'});
    RemoveStaleStaging(target.Path());
    EXPECT_FALSE(Exists(staging));
    EXPECT_TRUE(Exists(target.File(".kodexa-importer-notes")));
    ExpectOnly("old");
}

TEST_F(Replacement, OneImportAtATimePerDirectory) {
    TargetLock first, second;
    std::string error;
    ASSERT_TRUE(first.Acquire(target.Path(), error)) << error;
    EXPECT_FALSE(second.Acquire(target.Path(), error));
    EXPECT_EQ(error, "another import into " + target.Path() + " is running");
}

}  // namespace
}  // namespace kodexa::test
