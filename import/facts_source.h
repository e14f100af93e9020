// The code facts and the edition an import keeps beside the catalogue: read
// from the codes file, whose fields moved between the years, and from the
// name of that file.
#ifndef KODEXA_IMPORT_FACTS_SOURCE_H
#define KODEXA_IMPORT_FACTS_SOURCE_H

#include <string>
#include <vector>

#include "catalogue/code_facts.h"
#include "import/import_source.h"

namespace kodexa {

struct FactsEntry {
    std::string code;
    CodeRules rules;
};

struct FactsModel {
    Edition edition;
    std::vector<FactsEntry> facts;  // sorted by code, the index order
    // One line for each kind of line whose facts were left out, and why.
    std::vector<std::string> leftOut;
};

// The edition a classification file's name tells (icd10gm2024syst_kodes.txt:
// the German modification of 2024); unknown for a name of another form.
Edition EditionOfSourceName(const std::string& path);

// Reads the facts of every code line of a known layout: the German
// modification's codes files of 27 fields (as in 2010), 30 fields (as in
// 2015) and 28 fields (as in 2024). A value a layout does not allow is refused, naming
// file, line and field. The WHO edition has none of these facts; lines of
// other layouts keep none and are noted.
bool ReadCodeFacts(const SourceText& codes, const Edition& edition, FactsModel& model, ImportError& error);

}  // namespace kodexa

#endif
