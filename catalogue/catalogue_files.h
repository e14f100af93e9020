// Where the catalogue lies and how its three databases are opened.
#ifndef KODEXA_CATALOGUE_CATALOGUE_FILES_H
#define KODEXA_CATALOGUE_CATALOGUE_FILES_H

#include <string>

namespace kodexa {

class ObjectDatabase;

// The three file pairs, in the order the members are declared.
enum class CatalogueFile { Groups, Chapters, Codes };

struct CatalogueFileNames {
    const char* dataName;      // "data1.dat", ...
    const char* indexName;     // "data1.ndx", ...
    const char* errorMessage;  // "Error opening Groups", ...
};
const CatalogueFileNames& NamesOf(CatalogueFile which);

// Everything before the last '/' of path, followed by '/'; a path without
// a separator gives "/" (the root), as the program has always done.
std::string ProgramDirectory(const std::string& programPath);

// The running executable's real path (/proc/self/exe), or argv0 when that
// cannot be read.
std::string ExecutablePath(const char* argv0);

// Opens one database of the catalogue in dir (ending in '/') with the
// catalogue's fixed arguments: empty CatalogueKey, order 29, one index,
// static size 0, one header slot. readWrite 0 opens read-only and never
// creates a file. Answers the store error code (0 success).
int OpenCatalogueDatabase(ObjectDatabase& db, const std::string& dir, CatalogueFile which, int readWrite);

}  // namespace kodexa

#endif
