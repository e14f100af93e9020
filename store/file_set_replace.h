// Replacing a set of files in a directory so that a reader finds either
// the whole old set or the whole new one: the new files are built and synced
// in a staging directory beside them, then renamed into the directory. A
// marker file covers the moment between the renames; whoever finds it
// finishes the moves before doing anything else. The importer replaces the
// six catalogue files this way.
#ifndef KODEXA_STORE_FILE_SET_REPLACE_H
#define KODEXA_STORE_FILE_SET_REPLACE_H

#include <string>
#include <vector>

namespace kodexa {

// Names the staging directory that is being moved into place.
constexpr char kPendingMarkerName[] = ".kodexa-import-pending";
// Staging directories are named this followed by six random characters.
constexpr char kStagingPrefix[] = ".kodexa-import-";

// Holds an exclusive lock on the target directory for one import, so that
// two imports never interleave their staging and renames.
class TargetLock {
public:
    TargetLock() = default;
    ~TargetLock();
    TargetLock(const TargetLock&) = delete;
    TargetLock& operator=(const TargetLock&) = delete;
    bool Acquire(const std::string& dir, std::string& error);

private:
    int fd = -1;
};

// True when any of names exists in dir.
bool HasAnyFile(const std::string& dir, const std::vector<std::string>& names);

// Finishes a replacement that a marker shows was cut short; completed
// tells whether there was one. False only when it could not be finished.
bool CompletePendingReplacement(const std::string& dir, bool& completed, std::string& error);

// A replacement that a marker shows was cut short, as a reader meets it:
// the staging directory that still holds the new files not yet moved, and
// the names the new set drops. A reader that takes each file from staging
// while it is still there finds the whole new set without changing a thing.
struct PendingReplacement {
    bool pending = false;
    std::string staging;  // the path of the staging directory
    std::vector<std::string> stale;
};
// False with error when dir has a marker that cannot be read.
bool FindPendingReplacement(const std::string& dir, PendingReplacement& replacement, std::string& error);

// Staging directories of earlier runs that stopped before their marker was
// written hold nothing anyone needs.
void RemoveStaleStaging(const std::string& dir);

// Makes the directory a set of files will go to, and syncs the directory
// it lies in, so that the directory's name is on the disk before any file
// in it is said to be.
bool MakeTargetDirectory(const std::string& dir, std::string& error);

bool CreateStaging(const std::string& dir, std::string& staging, std::string& error);
// Flushes every file of the staging directory and the directory itself to
// the disk.
bool SyncStaging(const std::string& staging, std::string& error);
// Writes the marker, removes the stale files from dir, renames every file
// of staging into dir, removes the marker and the staging directory. Stale
// files are those of an older set that the new one does not have (an
// optional database the new catalogue lacks); the marker lists them, so
// that finishing a cut-short replacement removes them too. Once
// markerWritten is set, a failure leaves the marker for the next run to
// finish the moves.
bool InstallStaging(const std::string& dir, const std::string& staging, bool& markerWritten, std::string& error,
                    const std::vector<std::string>& stale = {});
// Removes the staging directory and what it holds.
void DiscardStaging(const std::string& staging);

}  // namespace kodexa

#endif
