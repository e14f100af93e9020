#include "ui/code_facts_text.h"

namespace kodexa {

namespace {

constexpr char kNoAge[] = "9999";
constexpr char kFromBirth[] = "t000";
constexpr char kOldest[] = "j124";

bool IsYears(const std::string& age) { return !age.empty() && age[0] == 'j'; }

int AgeNumber(const std::string& age) { return age.size() == 4 ? std::stoi(age.substr(1)) : 0; }

// "1 Jahr", "55 Jahre", "1 Tag", "28 Tage"; after "ab" the dative plural.
std::string Amount(const std::string& age, bool dative = false) {
    const int n = AgeNumber(age);
    const char* unit = IsYears(age) ? (n == 1 ? "Jahr" : dative ? "Jahren" : "Jahre")
                                    : (n == 1 ? "Tag" : dative ? "Tagen" : "Tage");
    return std::to_string(n) + " " + unit;
}

bool LimitsFrom(const std::string& low) { return low.size() == 4 && low != kNoAge && low != kFromBirth; }
bool LimitsTo(const std::string& high) { return high.size() == 4 && high != kNoAge && high != kOldest; }

}  // namespace

std::string UseWords(char mark) {
    switch (mark) {
        case 'P':
            return "als Prim\xc3\xa4rkode";
        case 'O':
            return "nur als Sternkode";
        case 'Z':
            return "nur als Zusatzkode";
        case 'V':
            return "nicht zul\xc3\xa4ssig";
        default:
            return "";
    }
}

std::string SexWords(char sex) {
    if (sex == 'W') return "nur bei Frauen";
    if (sex == 'M') return "nur bei M\xc3\xa4nnern";
    return "";
}

std::string AgeWords(const std::string& low, const std::string& high) {
    const bool from = LimitsFrom(low), to = LimitsTo(high);
    if (from && to) {
        // One unit for both: "12 bis 55 Jahre"; else each its own.
        const std::string start = IsYears(low) == IsYears(high) ? std::to_string(AgeNumber(low)) : Amount(low);
        return "Alter " + start + " bis " + Amount(high);
    }
    if (to) return "Alter bis " + Amount(high);
    if (from) return "Alter ab " + Amount(low, true);
    return "";
}

std::string RejectWords(char kind) {
    if (kind == 'K') return " (sonst Kann-Fehler)";
    if (kind == 'M') return " (sonst Muss-Fehler)";
    return "";
}

std::string TerminalWords(const CodeFacts& facts) {
    // The codes file's second field is also the record's branch mark.
    const char terminal = facts.hasRules ? facts.rules.terminal : facts.branchMark;
    if (terminal == 'N') return "nicht endst\xc3\xa4ndig: es gibt Unterteilungen, von denen eine zu w\xc3\xa4hlen ist";
    if (terminal != 'T') return "";
    const CodeRules& r = facts.rules;
    if (facts.hasRules && r.content == 'N')
        return "endst\xc3\xa4ndig, aber nicht mit Inhalt belegt: kann nicht verschl\xc3\xbcsselt werden";
    if (facts.hasRules && r.para295 == 'V')
        return "endst\xc3\xa4ndig, aber nicht zur Verschl\xc3\xbcsselung zugelassen";
    if (facts.hasRules && (r.para295 == 'O' || r.para295 == 'Z'))
        return "endst\xc3\xa4ndig: nur zusammen mit einem Prim\xc3\xa4rkode zu verschl\xc3\xbcsseln, nie allein";
    return "endst\xc3\xa4ndig: kann so verschl\xc3\xbcsselt werden";
}

std::vector<std::string> DetailLines(const CodeFacts& facts, const Edition& edition, bool damaged,
                                     const std::string& origin, CodeMark mark, const std::vector<Finding>& findings) {
    if (mark == CodeMark::None && facts.hasRules) mark = MarkOfRules(facts.rules);
    std::vector<std::string> lines = {WithMark(facts.code, mark) + " - " + facts.title};
    if (!TerminalWords(facts).empty()) lines.push_back(TerminalWords(facts));
    if (facts.hasRules) {
        const CodeRules& r = facts.rules;
        if (!UseWords(r.para295).empty()) lines.push_back("nach \xc2\xa7" "295 (ambulant): " + UseWords(r.para295));
        if (!UseWords(r.para301).empty()) lines.push_back("nach \xc2\xa7" "301 (Krankenhaus): " + UseWords(r.para301));
        const std::string sex = SexWords(r.sex), age = AgeWords(r.ageLow, r.ageHigh);
        lines.push_back(sex.empty() ? "f\xc3\xbcr beide Geschlechter" : sex + RejectWords(r.sexReject));
        lines.push_back(age.empty() ? "ohne Altersgrenze" : age + RejectWords(r.ageReject));
        if (r.rare == 'J') lines.push_back("sehr selten in Mitteleuropa");
        if (r.content == 'N') lines.push_back("Schl\xc3\xbcsselnummer ohne Inhalt (nicht belegt)");
        if (r.ifsgReport == 'J') lines.push_back("meldepflichtig nach Infektionsschutzgesetz");
        if (r.ifsgLab == 'J') lines.push_back("Laborausschluss nach Infektionsschutzgesetz (EBM 32006)");
    } else if (damaged) {
        lines.push_back("Weitere Angaben zu diesem Kode konnten nicht gelesen werden: der Katalog ist besch\xc3\xa4" "digt.");
    } else {
        lines.push_back("Weitere Angaben zu diesem Kode hat der Katalog nicht.");
    }
    for (const Finding& finding : findings) lines.push_back(FindingLine(finding));
    if (!origin.empty()) lines.push_back(origin);
    const std::string name = EditionName(edition);
    lines.push_back(name.empty() ? "Ausgabe des Katalogs unbekannt" : name);
    return lines;
}

std::string AboutEditionLine(const Edition& edition) {
    std::string name = EditionName(edition);
    if (name.empty() || edition.year.empty()) return name;
    return name.substr(0, name.size() - edition.year.size()) + "Version " + edition.year;
}

}  // namespace kodexa
