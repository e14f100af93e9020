// The alphabetical index as an import takes it: found beside the three
// classification files (or named), read and checked line by line, its terms
// matched against the catalogue's codes, and written as the catalogue's
// optional alphabetical-index database.
#ifndef KODEXA_IMPORT_ALPHA_INDEX_H
#define KODEXA_IMPORT_ALPHA_INDEX_H

#include <set>
#include <string>
#include <vector>

#include "catalogue/alpha_terms.h"
#include "import/import_source.h"

namespace kodexa {

struct AlphaIndexModel {
    // In code order (the first code a term shows; cross-references last),
    // file order within one code.
    std::vector<AlphaTerm> terms;
    // Terms left out because a code they name is not in the catalogue.
    size_t leftOut = 0;
};

// Whether name is an alphabetical index file ("icd10gm2026alpha_edvtxt_
// 20250926.txt", case ignored: icd10...alpha...txt).
bool IsAlphaIndexName(const std::string& name);

// Looks in dir for an alphabetical index file. None is no error (path stays
// empty); several are refused.
bool FindAlphaIndex(const std::string& dir, std::string& path, ImportError& error);

// Reads and checks the file: eight '|'-separated fields a line (kind,
// running number, print mark, primary code, asterisk code, additional code,
// second primary code, term), or the layout up to about 2010: seven fields
// separated by ';' with a trailing ';'. Terms naming a code that is not in
// codes are left out and counted. The first fault ends the reading.
bool ReadAlphaIndex(const std::string& path, const std::set<std::string>& codes, AlphaIndexModel& model,
                    SourceEncoding& encoding, ImportError& error);

// Creates the alphabetical-index database in dir and writes the terms in
// blocks; error names the file and the store's message.
bool WriteAlphaIndex(const AlphaIndexModel& model, const std::string& dir, std::string& error);

}  // namespace kodexa

#endif
