#include "catalogue/catalogue_files.h"

#include <unistd.h>

#include <vector>

#include "catalogue/catalogue_key.h"
#include "index/object_database.h"

namespace kodexa {

namespace {

constexpr int32_t kCatalogueOrder = 29;
constexpr int kReadWriteMode = 6;
constexpr int kReadOnlyMode = 0;
constexpr int kUseIndex = 1;
constexpr int32_t kDataStaticSize = 0;
constexpr int kIndexHeaderSlots = 1;

const CatalogueFileNames kNames[] = {
    {"data1.dat", "data1.ndx", "Error opening Groups"},
    {"data2.dat", "data2.ndx", "Error opening Kapitel"},
    {"data3.dat", "data3.ndx", "Error opening Codes"},
};

}  // namespace

const CatalogueFileNames& NamesOf(CatalogueFile which) { return kNames[static_cast<int>(which)]; }

std::string ProgramDirectory(const std::string& programPath) {
    std::string::size_type slash = programPath.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : programPath.substr(0, slash);
    return directory + '/';
}

std::string ExecutablePath(const char* argv0) {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) break;
        // A full buffer may hold a cut path; try again with more room.
        if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 65536) break;
        buffer.resize(buffer.size() * 2);
    }
    return argv0 != nullptr ? argv0 : "";
}

int OpenCatalogueDatabase(ObjectDatabase& db, const std::string& dir, CatalogueFile which, int readWrite) {
    const CatalogueFileNames& names = NamesOf(which);
    std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + '/';
    std::string dataName = prefix + names.dataName, indexName = prefix + names.indexName;
    // The object database makes any file it does not find; a reader must
    // neither create nor alter anything, so it asks first.
    if (!readWrite && (!StoreFile::FileExists(dataName.c_str()) || !StoreFile::FileExists(indexName.c_str())))
        return kNoSuchFile;
    return db.Open(dataName.c_str(), indexName.c_str(), CatalogueKey(), kCatalogueOrder,
                   readWrite ? kReadWriteMode : kReadOnlyMode, kUseIndex, kDataStaticSize, kIndexHeaderSlots);
}

}  // namespace kodexa
