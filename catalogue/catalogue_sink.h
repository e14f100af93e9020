// The tree walk and the search write what they find into a sink, so that the
// main window (tree list, result list) and the command-line lookup are two
// consumers of the same code. Nothing here knows about widgets.
#ifndef KODEXA_CATALOGUE_CATALOGUE_SINK_H
#define KODEXA_CATALOGUE_CATALOGUE_SINK_H

#include <string>

#include "catalogue/record_walk.h"
#include "catalogue/search_scope.h"

namespace kodexa {

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

// What the tree walk gave: complete when every code was placed (the code
// index walked to its end); the status names the first file that failed and
// why, which may be a chapter or group that the tree then lacks.
struct TreeResult {
    bool complete = false;
    WalkStatus status;
};

// Fills the sink with chapters, groups and codes in one pass over the three
// indexes.
TreeResult FillChapterTree(ObjectDatabase& chapterDb, ObjectDatabase& groupDb, ObjectDatabase& codeDb,
                           TreeSink& sink);

// Appends every code whose title (or code) contains text, A to Z and Ä Ö Ü
// folded, in index order; then, unless scope is Exact, what the later steps
// of a SearchQuery find, step by step; found when at least one result was
// added. An unreadable record is skipped, and the status keeps it. A sink
// that stops the search gets nothing more, and the result is not the answer.
WalkResult SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink,
                       SearchScope scope = SearchScope::AllSteps);

}  // namespace kodexa

#endif
