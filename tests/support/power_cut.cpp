#include "tests/support/power_cut.h"

#include <dirent.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kodexa::test {

DurableTree::DurableTree(const std::string& root) : root(std::filesystem::canonical(root).string()) {
    struct stat info;
    if (lstat(this->root.c_str(), &info) == 0) rootInode = {info.st_dev, info.st_ino};
    Take(this->root, rootInode);
}

DurableTree::Names DurableTree::ListNow(const std::string& dir) const {
    Names names;
    DIR* stream = opendir(dir.c_str());
    if (stream == nullptr) return names;
    while (dirent* entry = readdir(stream)) {
        std::string name = entry->d_name;
        struct stat info;
        if (name == "." || name == ".." || lstat((dir + "/" + name).c_str(), &info) != 0) continue;
        names[name] = Entry{{info.st_dev, info.st_ino}, S_ISDIR(info.st_mode)};
    }
    closedir(stream);
    return names;
}

void DurableTree::Take(const std::string& dir, const Inode& inode) {
    Names names = ListNow(dir);
    for (const auto& [name, entry] : names) {
        if (entry.isDirectory) Take(dir + "/" + name, entry.inode);
        else files[entry.inode] = ReadAllBytes(dir + "/" + name);
    }
    directories[inode] = names;
}

void DurableTree::Synced(int fd) {
    std::error_code ignored;
    std::string path = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ignored).string();
    struct stat info;
    if (path.compare(0, root.size(), root) != 0 || fstat(fd, &info) != 0) return;
    const Inode inode{info.st_dev, info.st_ino};
    if (S_ISDIR(info.st_mode)) directories[inode] = ListNow(path);
    else if (S_ISREG(info.st_mode)) files[inode] = ReadAllBytes(path);
}

void DurableTree::CutPower() const {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(root, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    Rebuild(root, rootInode);
}

// A file never synced comes back empty; a directory never synced, empty too.
void DurableTree::Rebuild(const std::string& dir, const Inode& inode) const {
    auto names = directories.find(inode);
    if (names == directories.end()) return;
    for (const auto& [name, entry] : names->second) {
        const std::string path = dir + "/" + name;
        if (entry.isDirectory) {
            mkdir(path.c_str(), 0755);
            Rebuild(path, entry.inode);
            continue;
        }
        auto bytes = files.find(entry.inode);
        WriteAllBytes(path, bytes != files.end() ? bytes->second : std::vector<unsigned char>());
    }
}

}  // namespace kodexa::test
