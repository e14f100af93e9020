#include "catalogue/diagnosis_check.h"

#include <map>

#include "catalogue/catalogue.h"
#include "catalogue/code_form.h"

namespace kodexa {

namespace {

constexpr char kCheckPlease[] = "Bitte Kodierung \xc3\xbc" "berpr\xc3\xbc" "fen: ";
constexpr char kMostly[] = "\xc3\xbc" "berwiegend ";
constexpr char kOpenQuote[] = "\xe2\x80\x9e";   // „
constexpr char kCloseQuote[] = "\xe2\x80\x9c";  // “
constexpr char kEllipsis[] = "\xe2\x80\xa6";
constexpr char kReplacement[] = "\xef\xbf\xbd";
constexpr size_t kShownWord = 20;   // characters of a word that is no code, in a Fehler
constexpr size_t kShownLine = 60;   // characters of a line whose code could not be read
constexpr int kOldestYears = 124;   // the codes file's "no upper limit" in years
constexpr int kDaysPerYear = 365;
constexpr int kMaxYears = 150;
constexpr int kMaxDays = kMaxYears * kDaysPerYear;

Finding Fehler(const std::string& text) { return Finding{FindingLevel::Fehler, text}; }
Finding Hinweis(const std::string& text) { return Finding{FindingLevel::Hinweis, text}; }

std::string Quoted(const std::string& text) { return kOpenQuote + Printable(text, kShownWord) + kCloseQuote; }

std::string WordOf(const std::string& text, size_t index) {
    const std::vector<std::string> words = LineWords(text);
    return index < words.size() ? words[index] : std::string();
}

// The length of the UTF-8 sequence that starts at text[at], 0 when none does.
size_t SequenceLength(const std::string& text, size_t at) {
    const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const size_t length = lead < 0x80              ? 1
                          : (lead & 0xe0) == 0xc0 ? 2
                          : (lead & 0xf0) == 0xe0 ? 3
                          : (lead & 0xf8) == 0xf0 ? 4
                                                  : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xc0) != 0x80) return 0;
    // Overlong forms and surrogates are no UTF-8 either.
    if (length == 2 && lead < 0xc2) return 0;
    if (length == 3 && ((lead == 0xe0 && byte(at + 1) < 0xa0) || (lead == 0xed && byte(at + 1) >= 0xa0))) return 0;
    if (length == 4 && ((lead == 0xf0 && byte(at + 1) < 0x90) || lead > 0xf4 || (lead == 0xf4 && byte(at + 1) >= 0x90)))
        return 0;
    return length;
}

// A limit of the codes file: 't' or 'j' and its number; false for "9999"
// and anything that is no limit.
bool ReadLimit(const std::string& limit, char& unit, int& number) {
    if (limit.size() != 4 || (limit[0] != 't' && limit[0] != 'j')) return false;
    number = 0;
    for (size_t i = 1; i < 4; ++i) {
        if (limit[i] < '0' || limit[i] > '9') return false;
        number = number * 10 + (limit[i] - '0');
    }
    unit = limit[0];
    return true;
}

std::string Count(int number, const char* one, const char* many) {
    return std::to_string(number) + " " + (number == 1 ? one : many);
}

// The ages a patient's age may stand for, in days and whole years: an age
// in years is any day of that year of life.
struct AgeSpan {
    int fewestDays, mostDays, years;
};

AgeSpan SpanOf(const PatientAge& age) {
    if (age.unit == PatientAge::Unit::Days) return AgeSpan{age.value, age.value, age.value / kDaysPerYear};
    return AgeSpan{age.value * kDaysPerYear, age.value * kDaysPerYear + kDaysPerYear - 1, age.value};
}

bool OnlyLowerLimitCounts(const CodeRules& rules, char certainty) {
    char unit = 0;
    int number = 0;
    if (certainty == 'Z' || !ReadLimit(rules.ageHigh, unit, number)) return true;
    return unit == 'j' && number >= kOldestYears;
}

bool IsSecondary(const CodeRules& rules) { return rules.para295 == 'O' || rules.para295 == 'Z'; }

std::string SexText(char codeSex, char errorKind) {
    return std::string(kCheckPlease) + "Kode gilt " + (errorKind == 'K' ? kMostly : "") + "nur f\xc3\xbcr " +
           (codeSex == 'W' ? "weibliche" : "m\xc3\xa4nnliche") + " Patienten.";
}

std::string AgeText(const CodeRules& rules, char certainty) {
    std::string text = std::string(kCheckPlease) + "Kode gilt " + (rules.ageReject == 'K' ? kMostly : "") +
                       "nur f\xc3\xbcr Patienten ";
    if (OnlyLowerLimitCounts(rules, certainty)) return text + "ab einem Alter von " + LowerAgeWords(rules.ageLow) + ".";
    return text + "in der Altersgruppe zwischen " + LowerAgeWords(rules.ageLow) + " und " +
           UpperAgeWords(rules.ageHigh) + ".";
}

}  // namespace

std::string FindingLine(const Finding& finding) {
    return (finding.level == FindingLevel::Fehler ? "Fehler: " : "Hinweis: ") + finding.text;
}

bool HasFehler(const std::vector<Finding>& findings) {
    for (const Finding& finding : findings)
        if (finding.level == FindingLevel::Fehler) return true;
    return false;
}

bool ReadPatientAge(const std::string& text, PatientAge& age) {
    std::string digits = text;
    PatientAge::Unit unit = PatientAge::Unit::Years;
    if (!digits.empty() && (digits.back() == 't' || digits.back() == 'T')) unit = PatientAge::Unit::Days;
    if (!digits.empty() && (unit == PatientAge::Unit::Days || digits.back() == 'j' || digits.back() == 'J'))
        digits.pop_back();
    if (digits.empty() || digits.size() > 5) return false;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > (unit == PatientAge::Unit::Days ? kMaxDays : kMaxYears)) return false;
    age = PatientAge{unit, value};
    return true;
}

bool ReadPatientSex(const std::string& text, char& sex) {
    if (text.size() != 1) return false;
    const char letter = static_cast<char>(text[0] >= 'a' && text[0] <= 'z' ? text[0] - 'a' + 'A' : text[0]);
    if (letter != 'M' && letter != 'W' && letter != 'X' && letter != 'D' && letter != 'U') return false;
    sex = letter;
    return true;
}

CodeLookup CatalogueRules::LookUpRules(const std::string& code, CodeRules& rules) {
    CodeFacts facts;
    if (!catalogue.LookUp(code, facts)) {
        if (catalogue.Unreadable().empty()) return CodeLookup::NoSuchCode;
        if (firstUnreadable.empty()) firstUnreadable = catalogue.Unreadable();
        return CodeLookup::Unreadable;
    }
    // The index keeps seven characters: a longer code may find a shorter one.
    if (facts.code != code) return CodeLookup::NoSuchCode;
    if (!facts.hasRules) return CodeLookup::NoFacts;
    rules = facts.rules;
    return CodeLookup::Found;
}

CaseLine ReadCaseLine(int number, const std::string& text) {
    CaseLine line;
    line.number = number;
    line.given = text;
    line.problem = ReadDiagnosisLine(text, line.line);
    return line;
}

std::string Printable(const std::string& text, size_t limit) {
    std::string shown;
    size_t characters = 0;
    for (size_t at = 0; at < text.size(); ++characters) {
        if (characters == limit) return shown + kEllipsis;
        const size_t length = SequenceLength(text, at);
        const unsigned char byte = static_cast<unsigned char>(text[at]);
        if (length == 0) shown += kReplacement;
        else if (byte < 0x20 || byte == 0x7f) shown += '?';
        else shown.append(text, at, length);
        at += length == 0 ? 1 : length;
    }
    return shown;
}

std::string ShownLine(const CaseLine& line) {
    if (line.problem == LineProblem::Empty) return std::string();
    if (line.problem == LineProblem::NoCode) return Printable(line.given, kShownLine);
    return NormalisedLine(line.line);
}

std::string LowerAgeWords(const std::string& limit) {
    char unit = 0;
    int number = 0;
    if (!ReadLimit(limit, unit, number)) return "0 Tagen";
    return unit == 't' ? Count(number, "Tag", "Tagen") : Count(number, "Jahr", "Jahren");
}

std::string UpperAgeWords(const std::string& limit) {
    char unit = 0;
    int number = 0;
    if (!ReadLimit(limit, unit, number)) return std::string();
    return "unter " + (unit == 't' ? Count(number + 1, "Tag", "Tagen") : Count(number + 1, "Jahr", "Jahren"));
}

bool AgeOutside(const PatientAge& age, const CodeRules& rules, char certainty) {
    if (age.unit == PatientAge::Unit::Unknown) return false;
    const AgeSpan span = SpanOf(age);
    char unit = 0;
    int number = 0;
    if (ReadLimit(rules.ageLow, unit, number) && (unit == 't' ? span.mostDays < number : span.years < number))
        return true;
    if (OnlyLowerLimitCounts(rules, certainty) || !ReadLimit(rules.ageHigh, unit, number)) return false;
    return unit == 't' ? span.fewestDays > number : span.years > number;
}

CodeMark MarkOfRules(const CodeRules& rules) {
    if (rules.para295 == 'O' || rules.para301 == 'O') return CodeMark::Star;
    if (rules.para295 == 'Z' || rules.para301 == 'Z') return CodeMark::Exclamation;
    return CodeMark::None;
}

DiagnosisChecker::Looked DiagnosisChecker::LookUp(const std::string& code) {
    Looked looked;
    looked.lookup = rules.LookUpRules(code, looked.rules);
    if (looked.lookup == CodeLookup::Unreadable) metUnreadable = true;
    return looked;
}

std::vector<std::vector<Finding>> DiagnosisChecker::CheckCase(const std::vector<CaseLine>& lines,
                                                              const Patient& patient) {
    metUnreadable = false;
    // A case may name a code many times; it is looked up once.
    std::map<std::string, Looked> known;
    bool casePrimary = false;
    for (const CaseLine& line : lines) {
        const std::string& code = line.line.form.code;
        if (code.empty() || known.count(code) != 0) continue;
        const Looked& looked = known[code] = LookUp(code);
        if (looked.lookup == CodeLookup::Found && looked.rules.para295 == 'P') casePrimary = true;
    }
    std::vector<std::vector<Finding>> findings(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        CheckForm(lines[i], findings[i]);
        const std::string& code = lines[i].line.form.code;
        if (!code.empty()) CheckCode(lines[i].line, known[code], casePrimary, patient, false, findings[i]);
    }
    return findings;
}

std::vector<Finding> DiagnosisChecker::CheckCodeAlone(const std::string& code) {
    metUnreadable = false;
    std::vector<Finding> findings;
    const Looked looked = LookUp(code);
    if (looked.lookup != CodeLookup::Found) return findings;
    DiagnosisLine line;
    line.form.code = code;
    CheckCode(line, looked, false, Patient(), true, findings);
    return findings;
}

void DiagnosisChecker::CheckForm(const CaseLine& line, std::vector<Finding>& findings) const {
    const std::string where = "Zeile " + std::to_string(line.number);
    const char* const lineForm = "KODE SICHERHEIT [SEITE], etwa E11.90 G";
    if (line.cut) {
        findings.push_back(Fehler(where + " ist zu lang (mehr als " + std::to_string(kMaxLineBytes) + " Bytes)"));
        return;
    }
    switch (line.problem) {
        case LineProblem::None:
            return;
        case LineProblem::Empty:
            findings.push_back(Fehler(where + " ist leer: erwartet wird " + lineForm));
            return;
        case LineProblem::NoCode:
            findings.push_back(Fehler(where + ": " + Quoted(line.line.written) +
                                      " ist kein Kode der ICD-10; erwartet wird " + lineForm));
            return;
        case LineProblem::NoCertainty:
            findings.push_back(Fehler(where + ": die Diagnosensicherheit fehlt (G, V, Z oder A)"));
            return;
        case LineProblem::BadCertainty:
            findings.push_back(Fehler(where + ": " + Quoted(WordOf(line.given, 1)) +
                                      " ist keine Diagnosensicherheit (G, V, Z oder A)"));
            return;
        case LineProblem::BadSide:
            findings.push_back(Fehler(where + ": " + Quoted(WordOf(line.given, 2)) +
                                      " ist keine Seitenlokalisation (R, L oder B)"));
            return;
        case LineProblem::TooManyWords:
            findings.push_back(Fehler(where + ": " + Quoted(WordOf(line.given, 3)) +
                                      " ist zu viel; erwartet wird " + lineForm));
            return;
    }
}

void DiagnosisChecker::CheckCode(const DiagnosisLine& line, const Looked& looked, bool casePrimary,
                                 const Patient& patient, bool alone, std::vector<Finding>& findings) const {
    const std::string& code = line.form.code;
    const std::string name = EditionName(edition);
    switch (looked.lookup) {
        case CodeLookup::NoSuchCode:
            findings.push_back(Fehler("Kode " + code + " gibt es " + (name.empty() ? "im Katalog" : "in der " + name) +
                                      " nicht."));
            return;
        case CodeLookup::Unreadable:
            findings.push_back(Fehler("Kode " + code + " konnte nicht gepr\xc3\xbc" "ft werden: der Katalog ist "
                                      "besch\xc3\xa4" "digt."));
            return;
        case CodeLookup::NoFacts:
            findings.push_back(Hinweis("Zu Kode " + code + " hat der Katalog keine weiteren Angaben; gepr\xc3\xbc"
                                       "ft ist nur, dass es ihn gibt."));
            return;
        case CodeLookup::Found:
            break;
    }
    const CodeRules& r = looked.rules;
    const std::string shown = WithMark(code, MarkOfRules(r));
    if (r.para295 == 'V')
        findings.push_back(Fehler("Kode " + shown + " ist nicht zur Verschl\xc3\xbcsselung zugelassen."));
    if (r.content == 'N') findings.push_back(Fehler("Kode " + shown + " ist nicht mit Inhalt belegt."));
    if (IsSecondary(r) && !casePrimary)
        findings.push_back(Fehler("Kode " + shown + " darf nicht allein verwendet werden, sondern nur zusammen mit "
                                  "einem Prim\xc3\xa4rkode."));
    const bool sexKnown = patient.sex == 'M' || patient.sex == 'W';
    if (sexKnown && (r.sex == 'M' || r.sex == 'W') && r.sex != patient.sex) {
        if (r.sexReject == 'M') findings.push_back(Fehler(SexText(r.sex, r.sexReject)));
        if (r.sexReject == 'K') findings.push_back(Hinweis(SexText(r.sex, r.sexReject)));
    }
    if ((r.ageReject == 'K' || r.ageReject == 'M') && AgeOutside(patient.age, r, line.certainty))
        findings.push_back(Hinweis(AgeText(r, line.certainty)));
    if (r.rare == 'J')
        findings.push_back(
            Hinweis(std::string(kCheckPlease) + "Diagnosen dieses Kodes sind in Mitteleuropa sehr selten."));
    if (r.ifsgReport == 'J' && (alone || line.certainty == 'V' || line.certainty == 'G'))
        findings.push_back(Hinweis("Diagnosen dieses Kodes sind gem\xc3\xa4\xc3\x9f Infektionsschutzgesetz (IfSG) "
                                   "in der Regel meldepflichtig."));
    if (r.terminal == 'N' && r.para295 != 'V')
        findings.push_back(Hinweis("nicht endst\xc3\xa4ndig: eine Unterteilung angeben, wo m\xc3\xb6glich"));
}

}  // namespace kodexa
