#include "catalogue/transitions.h"

#include <map>

#include "catalogue/catalogue.h"
#include "catalogue/code_form.h"
#include "catalogue/record_walk.h"
#include "index/object_database.h"

namespace kodexa {

namespace {

constexpr char kNoCode[] = "UNDEF";
constexpr char kAutomatic = 'A';
constexpr char kByChoice = '-';

ObjectDatabase& TransitionsOf(Catalogue& catalogue) { return catalogue.Database(CatalogueFile::Transitions); }

CodeTransitions TransitionsOfRecord(const TransitionRecord& record) {
    return CodeTransitions{TextOrEmpty(record.code), UnpackLinks(TextOrEmpty(record.onward)),
                           UnpackLinks(TextOrEmpty(record.back))};
}

// "A", "A und B", "A, B und C".
std::string JoinedWithAnd(const std::vector<std::string>& codes) {
    std::string text;
    for (size_t i = 0; i < codes.size(); ++i) {
        if (i > 0) text += i + 1 == codes.size() ? " und " : ", ";
        text += codes[i];
    }
    return text;
}

// The exact code, not merely one that begins with the seven characters
// the index keeps.
bool CatalogueHas(ObjectDatabase& codes, const std::string& code, std::string* title) {
    if (codes.Index(0) == nullptr) return false;
    CodeRecord record(&codes);
    record.code = code;
    if (record.Find() != 1 || record.Reload() != 1 || TextOrEmpty(record.code) != code) return false;
    if (title != nullptr) *title = TextOrEmpty(record.title);
    return true;
}

}  // namespace

std::vector<CodeTransitions> GroupByCode(const std::vector<TransitionPair>& pairs) {
    std::map<std::string, CodeTransitions> byCode;
    for (const TransitionPair& pair : pairs) {
        if (!pair.oldCode.empty()) {
            CodeTransitions& old = byCode[pair.oldCode];
            old.code = pair.oldCode;
            old.onward.push_back(TransitionLink{pair.newCode, pair.forwardAutomatic, pair.backAutomatic});
        }
        if (!pair.newCode.empty()) {
            CodeTransitions& fresh = byCode[pair.newCode];
            fresh.code = pair.newCode;
            fresh.back.push_back(TransitionLink{pair.oldCode, pair.forwardAutomatic, pair.backAutomatic});
        }
    }
    std::vector<CodeTransitions> grouped;
    grouped.reserve(byCode.size());
    for (auto& entry : byCode) grouped.push_back(std::move(entry.second));
    return grouped;
}

std::string PackLinks(const std::vector<TransitionLink>& links) {
    std::string text;
    for (const TransitionLink& link : links) {
        if (!text.empty()) text += ' ';
        text += (link.code.empty() ? std::string(kNoCode) : link.code) + ':';
        text += link.forwardAutomatic ? kAutomatic : kByChoice;
        text += link.backAutomatic ? kAutomatic : kByChoice;
    }
    return text;
}

std::vector<TransitionLink> UnpackLinks(const std::string& text) {
    std::vector<TransitionLink> links;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(at, end - at);
        at = end + 1;
        const size_t colon = item.size() >= 3 ? item.size() - 3 : std::string::npos;
        if (colon == std::string::npos || colon == 0 || item[colon] != ':') continue;
        const char forward = item[colon + 1], back = item[colon + 2];
        if ((forward != kAutomatic && forward != kByChoice) || (back != kAutomatic && back != kByChoice)) continue;
        std::string code = item.substr(0, colon);
        if (code == kNoCode) code.clear();
        links.push_back(TransitionLink{code, forward == kAutomatic, back == kAutomatic});
    }
    return links;
}

Succession SuccessionOf(const CodeTransitions& transitions) {
    Succession succession;
    const auto& onward = transitions.onward;
    if (onward.empty()) return succession;
    if (onward.size() == 1 && onward[0].code.empty()) {
        succession.kind = SuccessionKind::Dropped;
        return succession;
    }
    for (const TransitionLink& link : onward)
        if (!link.code.empty()) succession.codes.push_back(link.code);
    const bool single = onward.size() == 1 && onward[0].forwardAutomatic;
    succession.kind = single ? SuccessionKind::Automatic : SuccessionKind::Choice;
    return succession;
}

std::string OriginWords(const CodeTransitions& transitions, const TransitionYears& years,
                        const std::vector<CodeTransitions>& oldCodes) {
    const auto& back = transitions.back;
    if (back.empty()) return "";
    if (back.size() == 1 && back[0].code.empty())
        return years.to.empty() ? "neu in dieser Ausgabe" : "neu in " + years.to;
    if (back.size() > 1) {
        std::vector<std::string> codes;
        for (const TransitionLink& link : back)
            if (!link.code.empty()) codes.push_back(link.code);
        return "aus " + JoinedWithAnd(codes) + " zusammengefasst";
    }
    const std::string& from = back[0].code;
    for (const CodeTransitions& old : oldCodes)
        if (old.code == from && old.onward.size() > 1) return "aus " + from + " geteilt";
    return from == transitions.code ? "" : "aus " + from + " umgeschl\xc3\xbcsselt";
}

CatalogueRecord::Fields TransitionRecord::StoredFields() { return Fields{{&code, &onward, &back}, 3, {}, 0}; }

CatalogueRecord::Fields TransitionYearsRecord::StoredFields() {
    return Fields{{&code, &from, &to, &source}, 4, {}, 0};
}

bool ReadTransitionYears(Catalogue& catalogue, TransitionYears& years) {
    years = TransitionYears{};
    ObjectDatabase& db = TransitionsOf(catalogue);
    if (db.Index(0) == nullptr) return false;
    TransitionYearsRecord record(&db);
    if (record.Find() != 1 || record.Reload() != 1 || !TextOrEmpty(record.code).empty()) return false;
    years = TransitionYears{TextOrEmpty(record.from), TextOrEmpty(record.to), TextOrEmpty(record.source)};
    return true;
}

bool LookUpTransitions(Catalogue& catalogue, const std::string& code, CodeTransitions& transitions) {
    transitions = CodeTransitions{};
    ObjectDatabase& db = TransitionsOf(catalogue);
    if (code.empty() || db.Index(0) == nullptr) return false;
    TransitionRecord record(&db);
    record.code = code;
    if (record.Find() != 1 || record.Reload() != 1 || TextOrEmpty(record.code) != code) return false;
    transitions = TransitionsOfRecord(record);
    return true;
}

bool ReadAllTransitions(Catalogue& catalogue, std::vector<CodeTransitions>& all, WalkStatus* status) {
    all.clear();
    ObjectDatabase& db = TransitionsOf(catalogue);
    if (db.Index(0) == nullptr) return false;
    TransitionRecord record(&db);
    const WalkStatus walked = ForEachRecord(db, record, [&] {
        if (!TextOrEmpty(record.code).empty()) all.push_back(TransitionsOfRecord(record));  // not the years
    });
    if (status != nullptr) *status = walked;
    return !walked.Failed();
}

std::string OriginOf(Catalogue& catalogue, const std::string& code) {
    CodeTransitions transitions;
    TransitionYears years;
    if (!LookUpTransitions(catalogue, code, transitions)) return "";
    ReadTransitionYears(catalogue, years);
    std::vector<CodeTransitions> oldCodes;
    for (const TransitionLink& link : transitions.back) {
        CodeTransitions old;
        if (!link.code.empty() && LookUpTransitions(catalogue, link.code, old)) oldCodes.push_back(old);
    }
    return OriginWords(transitions, years, oldCodes);
}

bool SearchFormerCode(Catalogue& catalogue, const std::string& text, SearchSink& sink) {
    CodeForm form;
    if (!ReadCodeForm(text, form) || form.under) return false;
    ObjectDatabase& codes = catalogue.Database(CatalogueFile::Codes);
    if (CatalogueHas(codes, form.code, nullptr)) return false;
    CodeTransitions transitions;
    if (!LookUpTransitions(catalogue, form.code, transitions)) return false;
    bool found = false;
    for (const std::string& successor : SuccessionOf(transitions).codes) {
        std::string title;
        if (!CatalogueHas(codes, successor, &title)) continue;
        sink.AddResult(successor, title + " (fr\xc3\xbcher " + form.code + ")");
        found = true;
    }
    return found;
}

Succession Catalogue::SuccessorOf(const std::string& code) {
    CodeTransitions transitions;
    if (!IsOpen(CatalogueFile::Transitions) || !LookUpTransitions(*this, code, transitions)) return Succession{};
    return SuccessionOf(transitions);
}

}  // namespace kodexa
