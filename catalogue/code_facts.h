// What a coder checks before writing a code down, as the official codes file
// carries it, and the edition the catalogue was imported from. Both live in
// the catalogue's optional facts database (data5): one FactsRecord per code,
// keyed by the code, and one EditionRecord under the empty code, which no
// real code can have. Stored like the other catalogue records:
//
//   FactsRecord    code, ageLow, ageHigh; marks terminal, para295, para301,
//                  sex, sexReject, ageReject, rare, content, ifsgReport,
//                  ifsgLab (one byte each, as the codes file has them)
//   EditionRecord  "" (the code), year, kind ("GM", "WHO" or empty)
#ifndef KODEXA_CATALOGUE_CODE_FACTS_H
#define KODEXA_CATALOGUE_CODE_FACTS_H

#include <string>

#include "catalogue/catalogue_records.h"

namespace kodexa {

// The values are the codes file's own letters; 0 where a fact is not known.
struct CodeRules {
    char terminal = 0;    // 'T' may be used as it stands, 'N' has subdivisions
    char para295 = 0;     // ambulatory use: 'P' primary, 'O' asterisk only,
    char para301 = 0;     // 'Z' additional only, 'V' not allowed; hospital use alike
    char sex = 0;         // '9' none, 'M' men, 'W' women
    char sexReject = 0;   // kind of error when the sex does not fit: '9', 'K', 'M'
    std::string ageLow;   // "9999" none, "t000".."t365" days, "j001".."j124" years
    std::string ageHigh;  // the same
    char ageReject = 0;   // '9', 'K', 'M'
    char rare = 0;        // 'J' very rare in Central Europe
    char content = 0;     // 'N' an empty code (no content)
    char ifsgReport = 0;  // 'J' reportable under the Infektionsschutzgesetz
    char ifsgLab = 0;     // 'J' laboratory exclusion under that law
};

enum class EditionKind { Unknown, GermanModification, Who };

struct Edition {
    EditionKind kind = EditionKind::Unknown;
    std::string year;  // "2024"; empty when not known
};

// "ICD-10-GM 2024", "ICD-10-WHO 2019", "ICD-10 2019" when only the year is
// known, empty when nothing is.
std::string EditionName(const Edition& edition);
// The stored word for a kind and back: "GM", "WHO", "".
const char* EditionKindWord(EditionKind kind);
EditionKind EditionKindOfWord(const std::string& word);

// The code under which the edition is kept.
constexpr char kEditionCode[] = "";

class FactsRecord : public CatalogueRecord {
public:
    explicit FactsRecord(ObjectDatabase* db) : CatalogueRecord(db) {}

    void Take(const CodeRules& rules);
    CodeRules Rules() const;

    RecordText ageLow, ageHigh;
    char terminal = 0, para295 = 0, para301 = 0, sex = 0, sexReject = 0, ageReject = 0;
    char rare = 0, content = 0, ifsgReport = 0, ifsgLab = 0;

protected:
    Fields StoredFields() override;
};

class EditionRecord : public CatalogueRecord {
public:
    explicit EditionRecord(ObjectDatabase* db) : CatalogueRecord(db) { code = kEditionCode; }

    RecordText year, kind;

protected:
    Fields StoredFields() override;
};

}  // namespace kodexa

#endif
