// The catalogue as an import builds it in memory from the three source
// files: chapters, groups and codes in the order their indexes will list
// them, checked so that the tree walk can follow the three indexes side by
// side.
#ifndef KODEXA_IMPORT_IMPORT_MODEL_H
#define KODEXA_IMPORT_IMPORT_MODEL_H

#include <string>
#include <vector>

#include "import/import_source.h"

namespace kodexa {

// Longest code that a catalogue key holds whole.
constexpr size_t kMaxKeyCodeLength = 7;

struct ChapterEntry {
    std::string number;  // "01", as the files name it
    std::string code;    // first group's start '-' last group's end: "A00-B99"
    std::string title;
    int line = 0;
};

struct GroupEntry {
    std::string start, end, chapterNumber;
    std::string code;  // start '-' end: "A00-A09"
    std::string title;
    int line = 0;
};

struct CodeEntry {
    std::string code, title, level, chapterCode, groupCode;
    char branchMark = 0, spareMark = 0;
    int line = 0;
};

struct CatalogueModel {
    // Each sorted by code in plain byte order, the order of the indexes.
    std::vector<ChapterEntry> chapters;
    std::vector<GroupEntry> groups;
    std::vector<CodeEntry> codes;
    // One line per chapter or group left out because no code names it.
    std::vector<std::string> leftOut;
};

// Maps and checks the three parsed files. Everything is checked before the
// caller writes anything: field counts (a codes line with fewer fields than
// the file's usual count is cut short), levels, empty and over-long codes,
// duplicates, unknown chapters and groups, chapter numbers that disagree,
// chapters without codes (a codes file cut short), and the orders of
// chapters, groups and codes.
bool BuildCatalogueModel(const SourceText& chapters, const SourceText& groups, const SourceText& codes,
                         CatalogueModel& model, ImportError& error);

}  // namespace kodexa

#endif
