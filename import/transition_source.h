// The transition table ("Umsteiger") as an import takes it: found beside
// the classification files (or named), read and checked line by line, and
// checked against the catalogue it goes into. The BfArM's layout: one pair
// a line, old code;new code;A or empty;A or empty, UNDEF where one side
// has no code; the first A marks the step old -> new as automatic, the
// second the step back.
#ifndef KODEXA_IMPORT_TRANSITION_SOURCE_H
#define KODEXA_IMPORT_TRANSITION_SOURCE_H

#include <set>
#include <string>
#include <vector>

#include "catalogue/transitions.h"
#include "import/import_source.h"

namespace kodexa {

struct TransitionTable {
    TransitionYears years;
    std::vector<TransitionPair> pairs;  // in file order
    std::vector<int> lines;             // the file line of each pair
};

// Whether name is a transition table ("icd10gm2024syst_umsteiger_2023_
// 20221206_2024.txt"; case ignored: a .txt name holding "umsteiger").
bool IsTransitionTableName(const std::string& name);

// The years a table's name joins: the first and the last number of four
// digits after "umsteiger" (a release date has eight). False, with both
// empty, when the name does not give two.
bool TransitionYearsOfName(const std::string& name, std::string& from, std::string& to);

// Looks in dir for a transition table. None is no error (path stays
// empty); several are refused.
bool FindTransitionTable(const std::string& dir, std::string& path, ImportError& error);

// Checks every line of text; the first fault ends the reading, naming
// line and field. Years come from the file's name.
bool ParseTransitionTable(const SourceText& text, TransitionTable& table, ImportError& error);
bool ReadTransitionTable(const std::string& path, TransitionTable& table, ImportError& error);

// A table belongs to the catalogue only when every new code it names is one
// of the catalogue's codes and, when both are known, it leads to the
// catalogue's year. The first line that does not fit is named.
bool CheckTransitionsFit(const TransitionTable& table, const std::string& path, const std::set<std::string>& codes,
                         const std::string& editionYear, ImportError& error);

// Creates the transitions database in dir and writes the years and one
// record per code; error names the file and the store's message.
bool WriteTransitionFiles(const TransitionTable& table, const std::string& dir, std::string& error);

}  // namespace kodexa

#endif
