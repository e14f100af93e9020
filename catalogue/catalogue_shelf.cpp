#include "catalogue/catalogue_shelf.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "catalogue/catalogue.h"
#include "store/file_layer.h"

namespace kodexa {

namespace {

std::string WithoutSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

bool IsDirectory(const std::string& path) {
    struct stat info;
    return PathStatus(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

std::string UserCatalogueRoot() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return WithoutSlash(data) + "/kodexa/catalogues";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) return "";
    return WithoutSlash(home) + "/.local/share/kodexa/catalogues";
}

bool MakeUserCatalogueRoot(std::string& error) {
    const std::string root = UserCatalogueRoot();
    if (root.empty()) {
        error = "HOME is not set: no place for catalogues";
        return false;
    }
    for (size_t slash = root.find('/', 1); ; slash = root.find('/', slash + 1)) {
        const std::string step = slash == std::string::npos ? root : root.substr(0, slash);
        if (!IsDirectory(step) && MakeDirectory(step.c_str(), 0755) != 0 && errno != EEXIST) {
            error = "cannot make the directory " + step + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos) return true;
    }
}

std::string EditionDirectoryName(const Edition& edition) {
    std::string name = EditionName(edition);
    std::replace(name.begin(), name.end(), ' ', '-');
    return name;
}

bool HoldsCatalogue(const std::string& dir) {
    Catalogue catalogue(dir);
    struct stat info;
    return PathStatus(catalogue.DataPath(CatalogueFile::Codes).c_str(), &info) == 0 &&
           PathStatus(catalogue.IndexPath(CatalogueFile::Codes).c_str(), &info) == 0;
}

Edition EditionOfCatalogue(const std::string& dir) {
    Edition edition;
    Catalogue catalogue(dir);
    if (catalogue.OpenIfPresent(CatalogueFile::Facts) == OptionalState::Open) catalogue.ReadEdition(edition);
    return edition;
}

std::vector<ShelvedCatalogue> ListCatalogues(const std::string& bundledDir) {
    std::vector<ShelvedCatalogue> shelf;
    if (HoldsCatalogue(bundledDir)) shelf.push_back({WithoutSlash(bundledDir), EditionOfCatalogue(bundledDir), true});
    const std::string root = UserCatalogueRoot();
    std::vector<std::string> names;
    if (root.empty() || !ListDirectory(root.c_str(), names)) return shelf;
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        const std::string dir = root + "/" + name;
        if (name.empty() || name[0] == '.' || !IsDirectory(dir) || !HoldsCatalogue(dir)) continue;
        if (!shelf.empty() && SameDirectory(shelf.front().dir, dir)) continue;
        shelf.push_back({dir, EditionOfCatalogue(dir), false});
    }
    return shelf;
}

bool SameDirectory(const std::string& a, const std::string& b) { return WithoutSlash(a) == WithoutSlash(b); }

}  // namespace kodexa
