// Writes an import's catalogue model as the six catalogue files.
#ifndef KODEXA_IMPORT_CATALOGUE_WRITER_H
#define KODEXA_IMPORT_CATALOGUE_WRITER_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "import/import_model.h"

namespace kodexa {

// Told after each code written: how many are done, of how many.
using WriteProgress = std::function<void(size_t done, size_t total)>;

// The six file names of a catalogue, data then index, groups first.
std::vector<std::string> CatalogueFileList();

// Creates the three databases in dir, which must hold none of their files,
// and writes the chapters, groups and codes in model order, each through
// its record's Write. error names the database and the store's message.
bool WriteCatalogueFiles(const CatalogueModel& model, const std::string& dir, const WriteProgress& progress,
                         std::string& error);

}  // namespace kodexa

#endif
