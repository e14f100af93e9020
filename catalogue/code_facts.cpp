#include "catalogue/code_facts.h"

namespace kodexa {

std::string EditionName(const Edition& edition) {
    std::string name;
    switch (edition.kind) {
        case EditionKind::GermanModification:
            name = "ICD-10-GM";
            break;
        case EditionKind::Who:
            name = "ICD-10-WHO";
            break;
        default:
            name = edition.year.empty() ? "" : "ICD-10";
            break;
    }
    if (!edition.year.empty()) name += " " + edition.year;
    return name;
}

const char* EditionKindWord(EditionKind kind) {
    switch (kind) {
        case EditionKind::GermanModification:
            return "GM";
        case EditionKind::Who:
            return "WHO";
        default:
            return "";
    }
}

EditionKind EditionKindOfWord(const std::string& word) {
    if (word == "GM") return EditionKind::GermanModification;
    if (word == "WHO") return EditionKind::Who;
    return EditionKind::Unknown;
}

void FactsRecord::Take(const CodeRules& rules) {
    terminal = rules.terminal, para295 = rules.para295, para301 = rules.para301;
    sex = rules.sex, sexReject = rules.sexReject;
    ageLow = rules.ageLow, ageHigh = rules.ageHigh, ageReject = rules.ageReject;
    rare = rules.rare, content = rules.content, ifsgReport = rules.ifsgReport, ifsgLab = rules.ifsgLab;
}

CodeRules FactsRecord::Rules() const {
    CodeRules rules;
    rules.terminal = terminal, rules.para295 = para295, rules.para301 = para301;
    rules.sex = sex, rules.sexReject = sexReject;
    rules.ageLow = TextOrEmpty(ageLow), rules.ageHigh = TextOrEmpty(ageHigh), rules.ageReject = ageReject;
    rules.rare = rare, rules.content = content, rules.ifsgReport = ifsgReport, rules.ifsgLab = ifsgLab;
    return rules;
}

CatalogueRecord::Fields FactsRecord::StoredFields() {
    return Fields{{&code, &ageLow, &ageHigh},
                  3,
                  {&terminal, &para295, &para301, &sex, &sexReject, &ageReject, &rare, &content, &ifsgReport, &ifsgLab},
                  10};
}

CatalogueRecord::Fields EditionRecord::StoredFields() { return Fields{{&code, &year, &kind}, 3, {}, 0}; }

}  // namespace kodexa
