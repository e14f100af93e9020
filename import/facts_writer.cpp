#include "import/facts_writer.h"

#include "catalogue/catalogue.h"
#include "store/store_error.h"

namespace kodexa {

namespace {

constexpr CatalogueFile kFacts = CatalogueFile::Facts;

bool Describe(const std::string& action, int code, std::string& error) {
    error = action + " " + NamesOf(kFacts).dataName + " failed: " + StoreErrorMessage(code);
    return false;
}

bool Store(CatalogueRecord& record, const std::string& what, std::string& error) {
    const int code = record.Write();
    record.ReleaseTexts();
    return code == kNoError || Describe("writing " + what + " to", code, error);
}

bool WriteRecords(const FactsModel& model, ObjectDatabase& db, std::string& error) {
    EditionRecord edition(&db);
    edition.year = model.edition.year;
    edition.kind = EditionKindWord(model.edition.kind);
    if (!Store(edition, "the edition", error)) return false;
    FactsRecord record(&db);
    for (const FactsEntry& entry : model.facts) {
        record.code = entry.code;
        record.Take(entry.rules);
        if (!Store(record, "the facts of " + entry.code, error)) return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> OptionalCatalogueFileList() { return FileNamesOf(kOptionalCatalogueFiles); }

bool WriteFactsFiles(const FactsModel& model, const std::string& dir, std::string& error) {
    Catalogue catalogue(dir);
    int code = catalogue.Open(kFacts, CatalogueAccess::Writing);
    if (code != kNoError) return Describe("creating", code, error);
    const bool written = WriteRecords(model, catalogue.Database(kFacts), error);
    code = catalogue.Close(kFacts);
    if (written && code != kNoError) return Describe("closing", code, error);
    return written;
}

}  // namespace kodexa
