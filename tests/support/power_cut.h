// What a disk would still hold after a power cut, kept in the manner of a
// file system that writes nothing back on its own: a file's bytes are those
// of its last fsync, a directory's names those of its last fsync; whatever
// was written, created, renamed or removed since is lost.
#ifndef KODEXA_TESTS_SUPPORT_POWER_CUT_H
#define KODEXA_TESTS_SUPPORT_POWER_CUT_H

#include <sys/types.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kodexa::test {

class DurableTree {
public:
    // Everything under root as it is now counts as on the disk.
    explicit DurableTree(const std::string& root);

    // An fsync of fd succeeded: a file's present bytes, or a directory's
    // present names, are now on the disk. Descriptors outside root are
    // ignored.
    void Synced(int fd);
    // Replaces everything under root by what the disk holds, bypassing the
    // file layer.
    void CutPower() const;

private:
    using Inode = std::pair<dev_t, ino_t>;
    struct Entry {
        Inode inode;
        bool isDirectory = false;
    };
    using Names = std::map<std::string, Entry>;

    void Take(const std::string& dir, const Inode& inode);
    Names ListNow(const std::string& dir) const;
    void Rebuild(const std::string& dir, const Inode& inode) const;

    std::string root;
    Inode rootInode;
    std::map<Inode, std::vector<unsigned char>> files;
    std::map<Inode, Names> directories;
};

}  // namespace kodexa::test

#endif
