#include "catalogue/code_marks.h"

#include <algorithm>

#include "catalogue/catalogue_key.h"
#include "catalogue/code_facts.h"
#include "catalogue/diagnosis_check.h"
#include "index/object_database.h"
#include "store/store_error.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

// "E11" -> "E11.0", "E11.9" -> "E11.90": one level down.
bool IsChildOf(const std::string& child, const std::string& parent) {
    const size_t length = parent.size() == 3 ? 5 : parent.size() + 1;
    return child.size() == length && child.compare(0, parent.size(), parent) == 0;
}

}  // namespace

bool CodeMarks::Load(ObjectDatabase& facts) {
    entries.clear();
    BtreeIndex* index = facts.Index(0);
    if (index == nullptr) return true;
    FactsRecord record(&facts);
    CatalogueKey key, scratch;
    for (int more = index->FindFirst(key, kSyncHeader); more; more = index->FindNext(key, scratch, kSyncHeader)) {
        if (record.ReadAt(key.ObjectAddress()) != 1) continue;
        const std::string& code = TextOrEmptyRef(record.code);
        if (code.empty()) continue;  // the edition
        const CodeRules rules = record.Rules();
        entries.push_back(Entry{code, CodeUse{MarkOfRules(rules), rules.para295 != 'V'}, rules.terminal});
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.code < b.code; });
    MarkCategories();
    const int error = facts.IndexError(0);
    return error == kNoError || error == kEntryNotFound;
}

// The codes file writes a category's mark too ("B95.-!", "U69.0-!") when
// each of its subdivisions carries it; a category with subdivisions of
// both kinds (U07, I67.8) has none. From the end, so that the
// subdivisions are marked before their category.
void CodeMarks::MarkCategories() {
    for (size_t i = entries.size(); i-- > 0;) {
        Entry& category = entries[i];
        if (category.terminal != 'N' || category.use.mark != CodeMark::None) continue;
        CodeMark shared = CodeMark::None;
        bool first = true;
        for (size_t j = i + 1; j < entries.size() && entries[j].code.compare(0, category.code.size(), category.code) == 0;
             ++j) {
            if (!IsChildOf(entries[j].code, category.code)) continue;
            if (first) shared = entries[j].use.mark;
            else if (entries[j].use.mark != shared) shared = CodeMark::None;
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
