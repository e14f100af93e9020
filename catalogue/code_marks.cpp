#include "catalogue/code_marks.h"

#include <algorithm>

#include "catalogue/code_facts.h"
#include "catalogue/diagnosis_check.h"
#include "catalogue/record_walk.h"

namespace kodexa {

namespace {

// "E11" -> "E11.0", "E11.9" -> "E11.90": one level down.
bool IsChildOf(const std::string& child, const std::string& parent) {
    const size_t length = parent.size() == 3 ? 5 : parent.size() + 1;
    return child.size() == length && child.compare(0, parent.size(), parent) == 0;
}

}  // namespace

// Nine codes in ten carry nothing to show; only the others are kept.
bool CodeMarks::Load(ObjectDatabase& facts) {
    entries.clear();
    read = 0;
    std::vector<Entry> all;
    FactsRecord record(&facts);
    const WalkStatus status = ForEachRecord(facts, record, [&] {
        const std::string& code = TextOrEmptyRef(record.code);
        if (code.empty()) return;  // the edition
        all.push_back(Entry{code, CodeUse{MarkOfRules(record.Rules()), record.para295 != 'V'}, record.terminal});
    });
    std::sort(all.begin(), all.end(), [](const Entry& a, const Entry& b) { return a.code < b.code; });
    MarkCategories(all);
    read = all.size();
    for (Entry& entry : all)
        if (entry.use.mark != CodeMark::None || !entry.use.forCoding) entries.push_back(std::move(entry));
    entries.shrink_to_fit();
    return !status.Failed();
}

// The codes file writes a category's mark too ("B95.-!", "U69.0-!") when
// each of its subdivisions carries it; a category with subdivisions of
// both kinds (U07, I67.8) has none. From the end, so that the
// subdivisions are marked before their category.
void CodeMarks::MarkCategories(std::vector<Entry>& all) {
    for (size_t i = all.size(); i-- > 0;) {
        Entry& category = all[i];
        if (category.terminal != 'N' || category.use.mark != CodeMark::None) continue;
        CodeMark shared = CodeMark::None;
        bool first = true;
        for (size_t j = i + 1; j < all.size() && all[j].code.compare(0, category.code.size(), category.code) == 0;
             ++j) {
            if (!IsChildOf(all[j].code, category.code)) continue;
            if (first) shared = all[j].use.mark;
            else if (all[j].use.mark != shared) shared = CodeMark::None;
            first = false;
        }
        category.use.mark = shared;
    }
}

CodeUse CodeMarks::Of(const std::string& code) const {
    auto at = std::lower_bound(entries.begin(), entries.end(), code,
                               [](const Entry& entry, const std::string& wanted) { return entry.code < wanted; });
    return at != entries.end() && at->code == code ? at->use : CodeUse();
}

}  // namespace kodexa
