// Diagnosis lines checked as German practice software must check them before
// a code goes into a record, from the facts the codes file carries: Fehler
// block a line, Hinweise only inform. The texts the KBV prescribes are kept
// word for word; the others name the line they are about.
#ifndef KODEXA_CATALOGUE_DIAGNOSIS_CHECK_H
#define KODEXA_CATALOGUE_DIAGNOSIS_CHECK_H

#include <string>
#include <vector>

#include "catalogue/code_facts.h"
#include "catalogue/code_form.h"

namespace kodexa {

class Catalogue;

enum class FindingLevel { Fehler, Hinweis };

struct Finding {
    FindingLevel level;
    std::string text;  // without the "Fehler: " or "Hinweis: " in front
};

// "Fehler: TEXT" or "Hinweis: TEXT".
std::string FindingLine(const Finding& finding);
bool HasFehler(const std::vector<Finding>& findings);

// The patient's age as practice software passes it: whole years, or days
// for the first year.
struct PatientAge {
    enum class Unit { Unknown, Years, Days };
    Unit unit = Unit::Unknown;
    int value = 0;
};

// "45" or "45j" (years, 0 to 150), "20t" (days, 0 to 54,750); false for
// anything else, with age untouched.
bool ReadPatientAge(const std::string& text, PatientAge& age);
// One of M W X D U in any case; false for anything else.
bool ReadPatientSex(const std::string& text, char& sex);

struct Patient {
    char sex = 0;  // 'M', 'W', 'X', 'D', 'U' or 0 when not given
    PatientAge age;
};

// What the check needs to know of a code, wherever it comes from.
enum class CodeLookup {
    Found,       // the code, with its facts
    NoFacts,     // the code is in the catalogue, its facts are not
    NoSuchCode,  // not in the catalogue
    Unreadable,  // the catalogue could not be read where the code would be
};

class CodeRulesSource {
public:
    virtual ~CodeRulesSource() = default;
    virtual CodeLookup LookUpRules(const std::string& code, CodeRules& rules) = 0;
};

// The rules of the open catalogue's codes (data3) and facts (data5).
class CatalogueRules : public CodeRulesSource {
public:
    explicit CatalogueRules(Catalogue& catalogue) : catalogue(catalogue) {}
    CodeLookup LookUpRules(const std::string& code, CodeRules& rules) override;
    // The first file a lookup could not read; empty when none.
    const std::string& FirstUnreadable() const { return firstUnreadable; }

private:
    Catalogue& catalogue;
    std::string firstUnreadable;
};

// One line of a case as typed, read into its parts.
struct CaseLine {
    int number = 0;     // 1 for the first line; named in the Fehler about its form
    std::string given;  // as typed, for those Fehler
    LineProblem problem = LineProblem::None;
    DiagnosisLine line;
    bool cut = false;  // given holds only the first kMaxLineBytes of a longer line
};

// The most of a line a reader keeps; a longer one is a Fehler of its own.
constexpr size_t kMaxLineBytes = 65536;

CaseLine ReadCaseLine(int number, const std::string& text);

// What a case line is shown as: the normalised line, or, when no code could
// be read, the text as given, cut to a readable length, with bytes that are
// no UTF-8 shown as U+FFFD and control characters as '?'.
std::string ShownLine(const CaseLine& line);

// The text with bytes that are no UTF-8 as U+FFFD and control characters as
// '?', cut after limit characters with an ellipsis.
std::string Printable(const std::string& text, size_t limit);

class DiagnosisChecker {
public:
    // edition names the catalogue in "gibt es in der ICD-10-GM 2024 nicht".
    DiagnosisChecker(CodeRulesSource& rules, const Edition& edition) : rules(rules), edition(edition) {}

    // The findings of every line, in the order of lines. The lines form one
    // case: a secondary code is allowed when any of them is a primary code.
    std::vector<std::vector<Finding>> CheckCase(const std::vector<CaseLine>& lines, const Patient& patient);

    // What a code tells on its own, without certainty, case or patient: the
    // Details window's findings. Empty when the code is not found.
    std::vector<Finding> CheckCodeAlone(const std::string& code);

    // True when the last check could not read the catalogue somewhere.
    bool MetUnreadable() const { return metUnreadable; }

private:
    struct Looked {
        CodeLookup lookup = CodeLookup::NoSuchCode;
        CodeRules rules;
    };
    Looked LookUp(const std::string& code);
    void CheckForm(const CaseLine& line, std::vector<Finding>& findings) const;
    // alone: the code without a line, whose reporting duty is told
    // whatever the certainty.
    void CheckCode(const DiagnosisLine& line, const Looked& looked, bool casePrimary, const Patient& patient,
                   bool alone, std::vector<Finding>& findings) const;

    CodeRulesSource& rules;
    Edition edition;
    bool metUnreadable = false;
};

// The texts of the age and sex findings, exposed for their tests.
// The limit as it stands after "zwischen" or "ab einem Alter von": "0 Tagen",
// "28 Tagen", "1 Jahr", "2 Jahren"; "9999" reads as "0 Tagen".
std::string LowerAgeWords(const std::string& limit);
// The upper limit of n days or years as "unter n+1 Tagen" or "Jahren".
std::string UpperAgeWords(const std::string& limit);
// Whether an age lies outside the limits; certainty 'Z' and an upper
// limit of 124 years (or none) leave only the lower limit.
bool AgeOutside(const PatientAge& age, const CodeRules& rules, char certainty);

// The mark a code carries in the codes file, as far as its facts tell it:
// a star for a code used only as a star code ('O'), an exclamation mark for
// one used only as an additional code ('Z'), under either paragraph. The
// dagger is not among the facts.
CodeMark MarkOfRules(const CodeRules& rules);

}  // namespace kodexa

#endif
