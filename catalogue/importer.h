// One run of the importer: from the three classification files to a
// complete catalogue in the target directory, or nothing changed at all.
#ifndef KODEXA_CATALOGUE_IMPORTER_H
#define KODEXA_CATALOGUE_IMPORTER_H

#include <ostream>
#include <string>

#include "catalogue/import_source.h"

namespace kodexa {

enum class ProgressStyle { None, Lines, Bar };

struct ImportRequest {
    std::string sourceDir;  // searched for the three files when not empty
    SourceFiles files;      // used when sourceDir is empty
    std::string targetDir;
    bool force = false;  // replace a catalogue already in targetDir
    ProgressStyle progress = ProgressStyle::Lines;
    bool quiet = false;  // only notes and errors: no files taken, no progress, no summary
};

struct ImportCounts {
    size_t chapters = 0, groups = 0, codes = 0;
};

// Reports to report (files taken, notes, progress, summary, the one error
// message) and answers the exit status: 0 done, 1 failed.
int RunImport(const ImportRequest& request, std::ostream& report, ImportCounts* counts = nullptr);

}  // namespace kodexa

#endif
