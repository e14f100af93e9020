// The catalogue of one directory checked as a whole, beyond what each file
// check sees: every record holds the code its key names, the keys ascend,
// every code lies in its group's range and names a group and chapter that
// are there, every group lies in a chapter, the facts belong to codes that
// are there, every term line of the alphabetical index reads, and the
// transition table's links read, lead to codes that are there and agree
// from both ends. A file
// whose blocks and tree are sound can still fail here: a record changed in
// place, or two record addresses swapped in an index.
#ifndef KODEXA_CATALOGUE_CATALOGUE_CHECK_H
#define KODEXA_CATALOGUE_CATALOGUE_CHECK_H

#include <cstdint>
#include <string>
#include <vector>

namespace kodexa {

struct CatalogueCheckReport {
    // "label: value" lines: the numbers of chapters, groups and codes.
    std::vector<std::string> facts;
    // Disagreements in the order found, each with its file and, where there
    // is one, the offset of the record; only the first kMaxListed are kept.
    std::vector<std::string> problems;
    int64_t problemCount = 0;

    static constexpr int kMaxListed = 20;
    bool IsSound() const { return problemCount == 0; }
    void Problem(const std::string& text);
};

// Opens the catalogue in dir read-only and checks it; never writes.
CatalogueCheckReport CheckCatalogue(const std::string& dir);

}  // namespace kodexa

#endif
