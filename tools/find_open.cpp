#include "tools/find_open.h"

#include <cstdio>

#include "store/store_error.h"

namespace kodexa {

bool OpenForReading(Catalogue& catalogue, const std::string& dir, CatalogueFile which, int& status) {
    const int code = catalogue.Open(which, CatalogueAccess::Reading);
    if (code == kNoError) return true;
    if (code == kNoSuchFile) {
        std::fprintf(stderr, "kodexa-find: no catalogue in %s (%s)\n", dir.c_str(), catalogue.Failure(which).c_str());
        status = kExitNothing;
    } else {
        status = TellUnreadable(catalogue, which);
    }
    return false;
}

int TellUnreadable(const Catalogue& catalogue, CatalogueFile which) {
    std::fprintf(stderr, "kodexa-find: cannot read %s: %s\n", catalogue.FailedPath(which).c_str(),
                 catalogue.Failure(which).c_str());
    return kExitDamaged;
}

}  // namespace kodexa
