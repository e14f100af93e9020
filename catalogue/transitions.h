// The transition table ("Umsteiger") from the previous edition to the one
// the catalogue holds: for each code of the old edition its codes in the
// new one, and whether the step is automatic or a person must choose. It
// lives in the catalogue's optional transitions database (data6), one
// record per code that the table names on either side, keyed by the code,
// and one record of the years under the empty code, which no real code has:
//
//   TransitionRecord  code, onward (its new codes, as an old code),
//                     back (its old codes, as a new code)
//   TransitionYears   "" (the code), from year, to year, source file name
//
// A list is stored as text, its links one blank apart, each CODE:FB with F
// and B 'A' (automatic old -> new, new -> old) or '-'; UNDEF stands for
// "no code", as in the table: "I21.40:-A I21.41:-A", "UNDEF:--".
#ifndef KODEXA_CATALOGUE_TRANSITIONS_H
#define KODEXA_CATALOGUE_TRANSITIONS_H

#include <string>
#include <vector>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"

namespace kodexa {

class Catalogue;
struct WalkStatus;

// One line of the table, seen from one side: the code on the other side
// (empty for UNDEF) and the two directions' marks.
struct TransitionLink {
    std::string code;
    bool forwardAutomatic = false;  // old -> new needs no choice
    bool backAutomatic = false;     // new -> old needs no choice
};

struct CodeTransitions {
    std::string code;
    // As a code of the old edition: its codes in the new one; one link
    // without a code when it was dropped. Empty: not an old code.
    std::vector<TransitionLink> onward;
    // As a code of the new edition: the old codes it comes from; one link
    // without a code when it is new. Empty: not a new code.
    std::vector<TransitionLink> back;
};

struct TransitionYears {
    std::string from, to;  // "2023", "2024"
    std::string source;    // the file name the table was read from
};

// One line of the table as the importer reads it.
struct TransitionPair {
    std::string oldCode, newCode;  // empty for UNDEF
    bool forwardAutomatic = false, backAutomatic = false;
};

// The pairs gathered by code, in code order: what the records hold.
std::vector<CodeTransitions> GroupByCode(const std::vector<TransitionPair>& pairs);

std::string PackLinks(const std::vector<TransitionLink>& links);
// Forgiving: a link that does not parse is left out.
std::vector<TransitionLink> UnpackLinks(const std::string& text);

// What became of a code of the old edition.
enum class SuccessionKind {
    Unknown,    // the table does not have it (or the catalogue has no table)
    Automatic,  // one new code, reached without a choice
    Choice,     // a person must choose among codes (or confirm the one)
    Dropped,    // no code follows it
};

struct Succession {
    SuccessionKind kind = SuccessionKind::Unknown;
    std::vector<std::string> codes;  // the new codes, in table order
};

Succession SuccessionOf(const CodeTransitions& transitions);

// Where a code of the new edition came from, in the German words the
// window and kodexa-find show: "neu in 2024", "aus I21.4 geteilt", "aus
// Z45.1 und Z45.82 zusammengefasst", "aus A01.0 umgeschl\xc3\xbcsselt";
// empty when it came over unchanged or is no new code of the table.
// oldCodes holds the records of the codes it came from (whether one split
// is known only there).
std::string OriginWords(const CodeTransitions& transitions, const TransitionYears& years,
                        const std::vector<CodeTransitions>& oldCodes);

class TransitionRecord : public CatalogueRecord {
public:
    explicit TransitionRecord(ObjectDatabase* db) : CatalogueRecord(db) {}

    RecordText onward, back;

protected:
    Fields StoredFields() override;
};

class TransitionYearsRecord : public CatalogueRecord {
public:
    explicit TransitionYearsRecord(ObjectDatabase* db) : CatalogueRecord(db) { code = std::string(); }

    RecordText from, to, source;

protected:
    Fields StoredFields() override;
};

// The reading side, on a catalogue whose transitions database is open.
// Each answers false when it is not open or lacks what is asked.
bool ReadTransitionYears(Catalogue& catalogue, TransitionYears& years);
bool LookUpTransitions(Catalogue& catalogue, const std::string& code, CodeTransitions& transitions);
// Every record in code order; false when the walk met a record or an index
// node it could not read (status, when given, says which file and why).
bool ReadAllTransitions(Catalogue& catalogue, std::vector<CodeTransitions>& all, WalkStatus* status = nullptr);
// Where code came from, in words (see OriginWords).
std::string OriginOf(Catalogue& catalogue, const std::string& code);

// The search's last step: when text is a code that the catalogue no longer
// has but the table knows, each of its successors with its title and
// " (fr\xc3\xbcher CODE)". True when one was added.
bool SearchFormerCode(Catalogue& catalogue, const std::string& text, SearchSink& sink);

}  // namespace kodexa

#endif
