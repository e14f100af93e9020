#include "catalogue/catalogue_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace kodexa {

namespace {

const ReplaceCalls kSystemCalls = {::rename, ::fsync};
ReplaceCalls activeCalls = kSystemCalls;

std::string Join(const std::string& dir, const std::string& name) { return dir + "/" + name; }

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Names in dir other than "." and "..", sorted so that every run moves
// files in the same order.
std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* stream = opendir(dir.c_str())) {
        while (const dirent* entry = readdir(stream)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(stream);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool SyncPath(const std::string& path, int flags, std::string& error) {
    int fd = open(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("cannot open " + path + " to sync it");
        return false;
    }
    bool synced = activeCalls.fsync(fd) == 0;
    if (!synced) error = SystemError("cannot sync " + path);
    close(fd);
    return synced;
}

bool SyncDirectory(const std::string& dir, std::string& error) { return SyncPath(dir, O_RDONLY | O_DIRECTORY, error); }

// A staging name from a marker is used only when it is one of ours, so a
// damaged marker can never send the moves elsewhere.
bool IsStagingName(const std::string& name) {
    return name.size() > std::strlen(kStagingPrefix) &&
           name.compare(0, std::strlen(kStagingPrefix), kStagingPrefix) == 0 && name != kPendingMarkerName &&
           name.find('/') == std::string::npos;
}

bool WriteMarker(const std::string& dir, const std::string& stagingName, std::string& error) {
    std::string marker = Join(dir, kPendingMarkerName);
    int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = SystemError("cannot write " + marker);
        return false;
    }
    std::string content = stagingName + "\n";
    bool written = write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    if (!written) error = SystemError("cannot write " + marker);
    if (written && activeCalls.fsync(fd) != 0) {
        error = SystemError("cannot sync " + marker);
        written = false;
    }
    close(fd);
    return written && SyncDirectory(dir, error);
}

bool ReadMarker(const std::string& dir, std::string& stagingName, std::string& error) {
    std::string marker = Join(dir, kPendingMarkerName);
    std::ifstream in(marker);
    if (!in || !std::getline(in, stagingName)) {
        error = "cannot read " + marker;
        return false;
    }
    if (!IsStagingName(stagingName)) {
        error = marker + " does not name a staging directory; remove it by hand after checking the catalogue";
        return false;
    }
    return true;
}

// Renames every file still in staging into dir, then drops the marker and
// the staging directory. Used for a fresh install and for finishing an old one.
bool MoveAll(const std::string& dir, const std::string& staging, std::string& error) {
    for (const std::string& name : Entries(staging)) {
        if (activeCalls.rename(Join(staging, name).c_str(), Join(dir, name).c_str()) != 0) {
            error = SystemError("cannot move " + name + " into " + dir);
            return false;
        }
    }
    if (!SyncDirectory(dir, error)) return false;
    if (unlink(Join(dir, kPendingMarkerName).c_str()) != 0) {
        error = SystemError("cannot remove " + Join(dir, kPendingMarkerName));
        return false;
    }
    rmdir(staging.c_str());
    return SyncDirectory(dir, error);
}

}  // namespace

const ReplaceCalls& ActiveReplaceCalls() { return activeCalls; }
void SetReplaceCalls(const ReplaceCalls& calls) { activeCalls = calls; }
void ResetReplaceCalls() { activeCalls = kSystemCalls; }

TargetLock::~TargetLock() {
    if (fd >= 0) close(fd);  // closing releases the lock
}

bool TargetLock::Acquire(const std::string& dir, std::string& error) {
    fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("cannot open the directory " + dir);
        return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        error = errno == EWOULDBLOCK ? "another import into " + dir + " is running"
                                     : SystemError("cannot lock the directory " + dir);
        return false;
    }
    return true;
}

bool HasAnyFile(const std::string& dir, const std::vector<std::string>& names) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& name) { return Exists(Join(dir, name)); });
}

bool CompletePendingReplacement(const std::string& dir, bool& completed, std::string& error) {
    completed = false;
    if (!Exists(Join(dir, kPendingMarkerName))) return true;
    std::string stagingName;
    if (!ReadMarker(dir, stagingName, error)) return false;
    std::string staging = Join(dir, stagingName);
    // The marker is written only once the staging directory is complete
    // and synced, so whatever is still in it belongs in dir.
    if (!MoveAll(dir, staging, error)) return false;
    completed = true;
    return true;
}

void RemoveStaleStaging(const std::string& dir) {
    for (const std::string& name : Entries(dir)) {
        std::string path = Join(dir, name);
        struct stat info;
        if (IsStagingName(name) && lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) DiscardStaging(path);
    }
}

bool CreateStaging(const std::string& dir, std::string& staging, std::string& error) {
    std::string pattern = Join(dir, std::string(kStagingPrefix) + "XXXXXX");
    if (mkdtemp(&pattern[0]) == nullptr) {
        error = SystemError("cannot make a staging directory in " + dir);
        return false;
    }
    staging = pattern;
    return true;
}

bool SyncStaging(const std::string& staging, std::string& error) {
    for (const std::string& name : Entries(staging)) {
        if (!SyncPath(Join(staging, name), O_RDONLY, error)) return false;
    }
    return SyncDirectory(staging, error);
}

bool InstallStaging(const std::string& dir, const std::string& staging, bool& markerWritten, std::string& error) {
    std::string stagingName = staging.substr(staging.find_last_of('/') + 1);
    markerWritten = WriteMarker(dir, stagingName, error);
    return markerWritten && MoveAll(dir, staging, error);
}

void DiscardStaging(const std::string& staging) {
    for (const std::string& name : Entries(staging)) unlink(Join(staging, name).c_str());
    rmdir(staging.c_str());
}

}  // namespace kodexa
