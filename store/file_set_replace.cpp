#include "store/file_set_replace.h"

#include "store/file_layer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace kodexa {

namespace {

std::string Join(const std::string& dir, const std::string& name) { return dir + "/" + name; }

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool Exists(const std::string& path) {
    struct stat info;
    return LinkStatus(path.c_str(), &info) == 0;
}

// Names in dir other than "." and "..", sorted so that every run moves
// files in the same order.
std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    ListDirectory(dir.c_str(), names);
    return names;
}

bool SyncPath(const std::string& path, int flags, std::string& error) {
    int fd = OpenDescriptor(path.c_str(), flags | O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("cannot open " + path + " to sync it");
        return false;
    }
    bool synced = SyncDescriptor(fd) == 0;
    if (!synced) error = SystemError("cannot sync " + path);
    CloseDescriptor(fd);
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

// A stale name from a marker must be a plain file name in dir.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The marker is written under another name and renamed into place, so that
// a run killed while writing it never leaves a marker without its content:
// the staging directory's name, then one stale name a line.
bool WriteMarker(const std::string& dir, const std::string& stagingName, const std::vector<std::string>& stale,
                 std::string& error) {
    const std::string marker = Join(dir, kPendingMarkerName), fresh = marker + ".new";
    int fd = OpenDescriptor(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = SystemError("cannot write " + marker);
        return false;
    }
    std::string content = stagingName + "\n";
    for (const std::string& name : stale) content += name + "\n";
    bool written = WriteDescriptor(fd, content.data(), content.size()) == 0;
    if (!written) error = SystemError("cannot write " + marker);
    if (written && SyncDescriptor(fd) != 0) {
        error = SystemError("cannot sync " + marker);
        written = false;
    }
    if (CloseDescriptor(fd) != 0 && written) {
        error = SystemError("cannot write " + marker);
        written = false;
    }
    if (written && RenamePath(fresh.c_str(), marker.c_str()) != 0) {
        error = SystemError("cannot write " + marker);
        written = false;
    }
    if (!written) UnlinkPath(fresh.c_str());
    return written && SyncDirectory(dir, error);
}

bool ReadMarker(const std::string& dir, std::string& stagingName, std::vector<std::string>& stale,
                std::string& error) {
    std::string marker = Join(dir, kPendingMarkerName);
    std::string bytes;
    if (!ReadFileBytes(marker.c_str(), bytes)) {
        error = "cannot read " + marker;
        return false;
    }
    std::istringstream in(bytes);
    if (!std::getline(in, stagingName)) {
        error = "cannot read " + marker;
        return false;
    }
    const std::string damaged = marker + " does not name a staging directory; remove it by hand after checking the catalogue";
    if (!IsStagingName(stagingName)) {
        error = damaged;
        return false;
    }
    for (std::string name; std::getline(in, name);) {
        if (!IsPlainName(name) || IsStagingName(name) || name == kPendingMarkerName) {
            error = damaged;
            return false;
        }
        stale.push_back(name);
    }
    return true;
}

// Gone already counts as removed: a finishing run may meet it so.
bool RemoveStale(const std::string& dir, const std::vector<std::string>& stale, std::string& error) {
    for (const std::string& name : stale) {
        if (UnlinkPath(Join(dir, name).c_str()) != 0 && errno != ENOENT) {
            error = SystemError("cannot remove " + Join(dir, name));
            return false;
        }
    }
    return true;
}

// Removes the stale files, renames every file still in staging into dir,
// then drops the marker and the staging directory. Used for a fresh install
// and for finishing an old one.
bool MoveAll(const std::string& dir, const std::string& staging, const std::vector<std::string>& stale,
             std::string& error) {
    // Stale files go first, so that no reader meets them beside the new set.
    if (!RemoveStale(dir, stale, error)) return false;
    // A listing cut short would move only part of the catalogue and still
    // drop the marker that lets the next run finish the job.
    std::vector<std::string> names;
    if (!ListDirectory(staging.c_str(), names)) {
        error = SystemError("cannot read the directory " + staging);
        return false;
    }
    for (const std::string& name : names) {
        if (RenamePath(Join(staging, name).c_str(), Join(dir, name).c_str()) != 0) {
            error = SystemError("cannot move " + name + " into " + dir);
            return false;
        }
    }
    if (!SyncDirectory(dir, error)) return false;
    if (UnlinkPath(Join(dir, kPendingMarkerName).c_str()) != 0) {
        error = SystemError("cannot remove " + Join(dir, kPendingMarkerName));
        return false;
    }
    RemoveDirectory(staging.c_str());
    return SyncDirectory(dir, error);
}

}  // namespace

TargetLock::~TargetLock() {
    if (fd >= 0) CloseDescriptor(fd);  // closing releases the lock
}

bool TargetLock::Acquire(const std::string& dir, std::string& error) {
    fd = OpenDescriptor(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        error = SystemError("cannot open the directory " + dir);
        return false;
    }
    if (LockDescriptor(fd, LOCK_EX | LOCK_NB) != 0) {
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
    std::vector<std::string> stale;
    if (!ReadMarker(dir, stagingName, stale, error)) return false;
    std::string staging = Join(dir, stagingName);
    // The marker is written only once the staging directory is complete
    // and synced, so whatever is still in it belongs in dir.
    if (!MoveAll(dir, staging, stale, error)) return false;
    completed = true;
    return true;
}

bool FindPendingReplacement(const std::string& dir, PendingReplacement& replacement, std::string& error) {
    replacement = PendingReplacement{};
    if (!Exists(Join(dir, kPendingMarkerName))) return true;
    std::string stagingName;
    // A run finishing the moves may have dropped the marker meanwhile.
    if (!ReadMarker(dir, stagingName, replacement.stale, error)) return !Exists(Join(dir, kPendingMarkerName));
    replacement.pending = true;
    replacement.staging = Join(dir, stagingName);
    return true;
}

void RemoveStaleStaging(const std::string& dir) {
    UnlinkPath((Join(dir, kPendingMarkerName) + ".new").c_str());
    for (const std::string& name : Entries(dir)) {
        std::string path = Join(dir, name);
        struct stat info;
        if (IsStagingName(name) && LinkStatus(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) DiscardStaging(path);
    }
}

bool MakeTargetDirectory(const std::string& dir, std::string& error) {
    if (MakeDirectory(dir.c_str(), 0755) != 0) {
        error = SystemError("cannot make the directory " + dir);
        return false;
    }
    const size_t slash = dir.find_last_of('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : dir.substr(0, slash);
    return SyncDirectory(parent, error);
}

bool CreateStaging(const std::string& dir, std::string& staging, std::string& error) {
    std::string pattern = Join(dir, std::string(kStagingPrefix) + "XXXXXX");
    if (MakeTempDirectory(&pattern[0]) == nullptr) {
        error = SystemError("cannot make a staging directory in " + dir);
        return false;
    }
    staging = pattern;
    return true;
}

bool SyncStaging(const std::string& staging, std::string& error) {
    std::vector<std::string> names;
    if (!ListDirectory(staging.c_str(), names)) {
        error = SystemError("cannot read the directory " + staging);
        return false;
    }
    for (const std::string& name : names) {
        if (!SyncPath(Join(staging, name), O_RDONLY, error)) return false;
    }
    return SyncDirectory(staging, error);
}

bool InstallStaging(const std::string& dir, const std::string& staging, bool& markerWritten, std::string& error,
                    const std::vector<std::string>& stale) {
    std::string stagingName = staging.substr(staging.find_last_of('/') + 1);
    markerWritten = WriteMarker(dir, stagingName, stale, error);
    return markerWritten && MoveAll(dir, staging, stale, error);
}

void DiscardStaging(const std::string& staging) {
    for (const std::string& name : Entries(staging)) UnlinkPath(Join(staging, name).c_str());
    RemoveDirectory(staging.c_str());
}

}  // namespace kodexa
