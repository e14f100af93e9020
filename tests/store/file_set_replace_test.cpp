// Moving a staged catalogue into place: markers, stale staging and the lock.
// Installs cut short at each rename are swept in reliability_test.
#include "store/file_set_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kodexa::test {
namespace {

const std::vector<std::string> kNames = {"data1.dat", "data1.ndx", "data2.dat", "data2.ndx", "data3.dat", "data3.ndx"};

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

class Replacement : public ::testing::Test {
protected:
    TempDir target;
};

// A marker naming anything but a staging directory, or a stale name that
// leads out of the directory, is not followed.
TEST_F(Replacement, OnlyAMarkerNamingAStagingDirectoryIsFollowed) {
    WriteSet(target.Path(), "old");
    ASSERT_EQ(mkdir(target.File("other").c_str(), 0755), 0);
    WriteSet(target.File("other"), "other");
    ASSERT_EQ(mkdir(target.File(".kodexa-import-Ab12Cd").c_str(), 0755), 0);
    bool completed = true;
    std::string error;
    for (const std::string content : {"../elsewhere\n", "data1.dat\n", "", "other\n",
                                      ".kodexa-import-Ab12Cd\n../data5.dat\n"}) {
        WriteAllBytes(target.File(kPendingMarkerName), std::vector<unsigned char>(content.begin(), content.end()));
        EXPECT_FALSE(CompletePendingReplacement(target.Path(), completed, error)) << content;
        EXPECT_FALSE(completed);
        for (const std::string& name : kNames) EXPECT_EQ(Content(target.File(name)), "old " + name);
    }
}

TEST_F(Replacement, StaleStagingGoesAndOtherFilesStay) {
    std::string staging, error;
    ASSERT_TRUE(CreateStaging(target.Path(), staging, error)) << error;
    WriteSet(staging, "dead");
    WriteSet(target.Path(), "old");
    WriteAllBytes(target.File(".kodexa-importer-notes"), {'x'});
    RemoveStaleStaging(target.Path());
    EXPECT_FALSE(std::filesystem::exists(staging));
    EXPECT_TRUE(std::filesystem::exists(target.File(".kodexa-importer-notes")));
    for (const std::string& name : kNames) EXPECT_EQ(Content(target.File(name)), "old " + name);
}

// Files of the old set that the new one lacks go also when a cut-short
// replacement is finished from its marker (an install drops them too: see
// AlphaIndex.TheIndexLeavesTheOtherFilesAsTheyWereAndGoesWithAReplacementWithoutIt).
TEST_F(Replacement, StaleFilesOfTheOldSetGoWhenFinishedFromTheMarker) {
    WriteSet(target.Path(), "old");
    WriteAllBytes(target.File("data5.dat"), {'o'});
    std::string staging, error;
    ASSERT_TRUE(CreateStaging(target.Path(), staging, error)) << error;
    WriteSet(staging, "new");
    const std::string name = staging.substr(staging.find_last_of('/') + 1);
    const std::string marker = name + "\ndata5.dat\ndata5.ndx\n";
    WriteAllBytes(target.File(kPendingMarkerName), std::vector<unsigned char>(marker.begin(), marker.end()));
    bool completed = false;
    ASSERT_TRUE(CompletePendingReplacement(target.Path(), completed, error)) << error;
    EXPECT_TRUE(completed);
    EXPECT_FALSE(std::filesystem::exists(target.File("data5.dat")));
    EXPECT_FALSE(std::filesystem::exists(target.File(kPendingMarkerName)));
    for (const std::string& name : kNames) EXPECT_EQ(Content(target.File(name)), "new " + name);
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
