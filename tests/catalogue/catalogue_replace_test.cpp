// Moving a staged catalogue into place: a replacement cut short after any
// rename is finished by the next run, a marker is followed only into a
// staging directory, and one import at a time.
#include "catalogue/catalogue_replace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

const std::vector<std::string> kNames = {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"};

void WriteText(const std::string& file, const std::string& text) {
    WriteAllBytes(file, std::vector<unsigned char>(text.begin(), text.end()));
}

void WriteSet(const std::string& dir, const std::string& tag) {
    for (const std::string& name : kNames) WriteText(dir + "/" + name, tag + " " + name);
}

void ExpectOnly(const std::string& dir, const std::string& tag) {
    for (const std::string& name : kNames) {
        std::vector<unsigned char> bytes = ReadAllBytes(dir + "/" + name);
        EXPECT_EQ(std::string(bytes.begin(), bytes.end()), tag + " " + name);
    }
}

// Renames fail from the (n+1)th on, as if the process had stopped there.
int renamesLeft = 0;
int LimitedRename(const char* from, const char* to) { return renamesLeft-- > 0 ? ::rename(from, to) : -1; }

TEST(Replacement, EveryCutShortReplacementIsFinishedByTheNextRun) {
    for (int moved = 0; moved < static_cast<int>(kNames.size()); ++moved) {
        TempDir target;
        WriteSet(target.Path(), "old");
        std::string staging, error;
        ASSERT_TRUE(CreateStaging(target.Path(), staging, error)) << error;
        WriteSet(staging, "new");
        ASSERT_TRUE(SyncStaging(staging, error)) << error;
        renamesLeft = moved;
        SetReplaceCalls({LimitedRename, ActiveReplaceCalls().fsync});
        bool markerWritten = false, completed = false;
        EXPECT_FALSE(InstallStaging(target.Path(), staging, markerWritten, error));
        ResetReplaceCalls();
        ASSERT_TRUE(markerWritten && std::filesystem::exists(target.File(kPendingMarkerName))) << moved;
        ASSERT_TRUE(CompletePendingReplacement(target.Path(), completed, error)) << error;
        EXPECT_TRUE(completed);
        ExpectOnly(target.Path(), "new");
        EXPECT_FALSE(std::filesystem::exists(staging) || std::filesystem::exists(target.File(kPendingMarkerName)));
    }
}

TEST(Replacement, AMarkerNamingAnythingButAStagingDirectoryIsNotFollowed) {
    TempDir target;
    WriteSet(target.Path(), "old");
    for (const char* content : {"../elsewhere\n", "data1.dat\n", ""}) {
        WriteText(target.File(kPendingMarkerName), content);
        bool completed = false;
        std::string error;
        EXPECT_FALSE(CompletePendingReplacement(target.Path(), completed, error)) << content;
        EXPECT_FALSE(completed);
        ExpectOnly(target.Path(), "old");
    }
}

TEST(Replacement, StaleStagingGoesOtherFilesStayAndOneImportAtATime) {
    TempDir target;
    std::string staging, error;
    ASSERT_TRUE(CreateStaging(target.Path(), staging, error)) << error;
    WriteText(target.File(".kodexa-importer-notes"), "x");
    RemoveStaleStaging(target.Path());
    EXPECT_FALSE(std::filesystem::exists(staging));
    EXPECT_TRUE(std::filesystem::exists(target.File(".kodexa-importer-notes")));
    TargetLock first, second;
    ASSERT_TRUE(first.Acquire(target.Path(), error)) << error;
    EXPECT_FALSE(second.Acquire(target.Path(), error));
    EXPECT_EQ(error, "another import into " + target.Path() + " is running");
}

}  // namespace
}  // namespace kodexa::test
