// Writes an import's code facts and edition as the catalogue's facts
// database.
#ifndef KODEXA_IMPORT_FACTS_WRITER_H
#define KODEXA_IMPORT_FACTS_WRITER_H

#include <string>
#include <vector>

#include "import/facts_source.h"

namespace kodexa {

// The file names of the optional databases a catalogue may hold, data then
// index.
std::vector<std::string> OptionalCatalogueFileList();

// Creates the facts database in dir, which must hold none of its files, and
// writes the edition and then every code's facts in model order. error
// names the database and the store's message.
bool WriteFactsFiles(const FactsModel& model, const std::string& dir, std::string& error);

}  // namespace kodexa

#endif
