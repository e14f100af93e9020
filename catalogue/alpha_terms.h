// The alphabetical index: the diagnosis terms people use, each pointing to
// the code or codes it is coded with. It lives in an optional database of
// the catalogue (data4) in the catalogue's own store and index formats.
//
// The terms are kept in code order, many to one stored object, so that a
// search reads a few hundred objects instead of one per term:
//
//   AlphaBlockRecord  data4   object header (class tag 1040), then one text
//                             holding the block's terms, each ending in '\n',
//                             the six fields of a term separated by '\t':
//                             kind, primary code, asterisk code, additional
//                             code, second primary code, term
//
// Index 0 maps the block number ("0000001", seven digits, so that the text
// order is the number order) to the block's object. The importer refuses
// control characters in the source, so '\t' and '\n' cannot occur inside a
// field.
#ifndef KODEXA_CATALOGUE_ALPHA_TERMS_H
#define KODEXA_CATALOGUE_ALPHA_TERMS_H

#include <string>
#include <vector>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"
#include "catalogue/record_walk.h"

namespace kodexa {

constexpr int32_t kAlphaBlockClassTag = 1040;
// A block is closed once its text reaches this size; one term never splits.
constexpr size_t kAlphaBlockTargetSize = 16000;

// One term of the index, its codes as the index writes them ("D86.8+",
// "G99.8*", "U61.2!"). Kind 0 (a cross-reference) has no code.
struct AlphaTerm {
    char kind = '0';
    std::string primary, asterisk, additional, secondPrimary;
    std::string term;
};

// The codes of a term as one line shows them, in field order, one blank
// apart: "D86.8+ G99.8*".
std::string ShownCodes(const AlphaTerm& term);
// The code whose title stands for the term: the primary code, or the
// additional code when there is no other, without its mark ("D86.8");
// empty for a cross-reference.
std::string TitleCode(const AlphaTerm& term);
// A code without the mark the index adds (+ * !) and without the dash that
// stands for "one more digit to choose" ("J18.-" -> "J18").
std::string BareCode(const std::string& written);

// The text of one block, and back. Parsing is forgiving: a line that does
// not have six fields is skipped, so a damaged block costs its bad lines.
std::string PackTerms(const std::vector<AlphaTerm>& terms);
std::vector<AlphaTerm> UnpackTerms(const std::string& text);

// "0000001" for block 1.
std::string AlphaBlockName(size_t number);

class AlphaBlockRecord : public PersistentObject {
public:
    explicit AlphaBlockRecord(ObjectDatabase* db) : PersistentObject(db) {}

    int Read(FileAddress a) override;
    int Write() override;
    // Through index 0 by name; takes the address only (follow with Reload).
    int Find() override;
    int Delete() override;
    int ObjectSize() override;

    std::string name;   // the key; not stored in the object
    std::string terms;  // PackTerms text
};

// Appends every term whose text contains text (folded as the title search
// folds), in stored order, which is code order; then, unless scope is
// Exact, the terms the later steps of a SearchQuery find, step by step.
// The codes of a term count as codes written in the text, never as text.
// found when one was added.
WalkResult SearchAlphaTerms(ObjectDatabase& alphaDb, const std::string& text, SearchSink& sink,
                            SearchScope scope = SearchScope::AllSteps);

}  // namespace kodexa

#endif
