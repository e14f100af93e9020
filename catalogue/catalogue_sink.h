// The tree walk and the search write what they find into a sink, so that the
// main window (tree list, result list) and the command-line lookup are two
// consumers of the same code. Nothing here knows about widgets.
#ifndef KODEXA_CATALOGUE_CATALOGUE_SINK_H
#define KODEXA_CATALOGUE_CATALOGUE_SINK_H

#include <string>

#include "catalogue/search_scope.h"

namespace kodexa {

class ObjectDatabase;
class StoreFile;
class BtreeIndex;

// Where a walk or a search met an index entry or a record it could not
// read. What it gave its sink is then not the whole catalogue, and the user
// must be told so: an empty or cut-short result looks just like a sound one.
struct ReadTrouble {
    const StoreFile* file = nullptr;  // the first file that failed; null: none

    void Note(const StoreFile* failed) {
        if (file == nullptr) file = failed;
    }
    // A lookup that answered 0 either ran out of entries or failed; only the
    // index file's error code tells which.
    // Answers whether it was a failure.
    bool NoteIfFailed(const BtreeIndex& index);
};

// Item data kinds, as tree and result items carry them.
enum ItemKind {
    kKindBranchCode = 0,  // code shown with folder icons
    kKindLeafCode = 1,    // code shown with the page icon; every search result
    kKindGroup = 2,
    kKindChapter = 3,
    kKindTerm = 4,            // a term of the alphabetical index, with its codes
    kKindCrossReference = 5,  // a term of the alphabetical index without a code
};

enum class IconRole { Folder, Page };

class TreeSink {
public:
    // Opaque handle of an added item; kTopLevel places an item at the top.
    using Item = void*;
    static constexpr Item kTopLevel = nullptr;

    virtual ~TreeSink() = default;
    // Appends an item as the last child of parent and answers its handle.
    virtual Item AddItem(Item parent, const std::string& label, IconRole icon, ItemKind kind,
                         const std::string& code) = 0;
};

// A term of the alphabetical index that the search found.
struct TermHit {
    std::string codes;      // as the index writes them: "D86.8+ G99.8*"; empty for a cross-reference
    std::string titleCode;  // the code whose title stands for the term: "D86.8"; empty for a cross-reference
    std::string term;
};

class SearchSink {
public:
    virtual ~SearchSink() = default;
    // One hit; the window shows it as "code\ttitle".
    virtual void AddResult(const std::string& code, const std::string& title) = 0;
    // One term of the alphabetical index, after every title hit; a sink
    // that shows titles only leaves it out.
    virtual void AddTerm(const TermHit& /*hit*/) {}
    // The hits that follow are spelled like the text, not as it is.
    virtual void BeginSimilar() {}
    // Asked before each record: true ends the search, unfinished; what it
    // found so far is then not the answer.
    virtual bool Stopped() { return false; }
};

// Fills the sink with chapters, groups and codes in one pass over the three
// indexes. Diagnostics go to standard output; trouble, when given, learns
// the file of the first failed read. True when the code index was walked to
// its end.
bool FillChapterTree(ObjectDatabase& chapterDb, ObjectDatabase& groupDb, ObjectDatabase& codeDb, TreeSink& sink,
                     ReadTrouble* trouble = nullptr);

// Appends every code whose title (or code) contains text, A to Z and Ä Ö Ü
// folded, in index order; then, unless scope is Exact, what the later steps
// of a SearchQuery find, step by step. True when at least one result was
// added. An unreadable record is skipped and noted in trouble, when given.
bool SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink, ReadTrouble* trouble = nullptr,
                 SearchScope scope = SearchScope::AllSteps);

}  // namespace kodexa

#endif
