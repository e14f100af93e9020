#include "catalogue/catalogue.h"
#include "import/transition_source.h"
#include "index/object_database.h"
#include "store/store_error.h"

namespace kodexa {

namespace {

constexpr CatalogueFile kTransitions = CatalogueFile::Transitions;

bool Describe(const std::string& action, int code, std::string& error) {
    error = action + " " + NamesOf(kTransitions).dataName + " failed: " + StoreErrorMessage(code);
    return false;
}

bool Store(CatalogueRecord& record, const std::string& what, std::string& error) {
    const int code = record.Write();
    record.ReleaseTexts();
    return code == kNoError || Describe("writing " + what + " to", code, error);
}

bool WriteRecords(const TransitionTable& table, ObjectDatabase& db, std::string& error) {
    TransitionYearsRecord years(&db);
    years.from = table.years.from;
    years.to = table.years.to;
    years.source = table.years.source;
    if (!Store(years, "the years", error)) return false;
    TransitionRecord record(&db);
    for (const CodeTransitions& code : GroupByCode(table.pairs)) {
        record.code = code.code;
        record.onward = PackLinks(code.onward);
        record.back = PackLinks(code.back);
        if (!Store(record, "the transitions of " + code.code, error)) return false;
    }
    return true;
}

}  // namespace

bool WriteTransitionFiles(const TransitionTable& table, const std::string& dir, std::string& error) {
    Catalogue catalogue(dir);
    int code = catalogue.Open(kTransitions, CatalogueAccess::Writing);
    if (code != kNoError) return Describe("creating", code, error);
    const bool written = WriteRecords(table, catalogue.Database(kTransitions), error);
    code = catalogue.Close(kTransitions);
    if (written && code != kNoError) return Describe("closing", code, error);
    return written;
}

}  // namespace kodexa
