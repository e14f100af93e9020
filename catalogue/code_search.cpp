// A scan of every code in index order; the cost is the same whatever the
// text, one object read per code.
#include <algorithm>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"
#include "catalogue/search_fold.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

// An empty needle occurs everywhere, in an empty text too.
bool Occurs(const std::string& needle, const RecordText& text) {
    return FoldForSearch(TextOrEmpty(text)).find(needle) != std::string::npos;
}

}  // namespace

// Besides the title, the code itself is searched, so that typing a code or
// its beginning lists that code and its sub-codes.
bool SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink) {
    BtreeIndex* index = codeDb.Index(0);
    if (index == nullptr) return false;
    const std::string needle = FoldForSearch(text);
    CodeRecord record(&codeDb);
    CatalogueKey key, scratch;
    bool found = false;
    for (int more = index->FindFirst(key, kSyncHeader); more; more = index->FindNext(key, scratch, kSyncHeader)) {
        // An unreadable object costs its own line only.
        if (!record.ReadAt(key.ObjectAddress())) continue;
        if (Occurs(needle, record.title) || Occurs(needle, record.code)) {
            sink.AddResult(TextOrEmpty(record.code), TextOrEmpty(record.title));
            found = true;
        }
        record.ReleaseTexts();
    }
    return found;
}

}  // namespace kodexa
