// A scan of every code in index order; the cost is the same whatever the
// text, one object read per code.
#include <string>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"
#include "catalogue/search_fold.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

// The needle is folded already; the text is folded byte by byte as it is
// compared, not copied. An empty needle occurs everywhere, in an empty text
// too.
bool Occurs(const std::string& needle, const RecordText& text) {
    if (needle.empty()) return true;
    if (!text || text->size() < needle.size()) return false;
    const char* bytes = text->data();
    const size_t lastStart = text->size() - needle.size();
    for (size_t start = 0; start <= lastStart; ++start) {
        if (FoldedAt(bytes, start) != needle[0]) continue;
        size_t k = 1;
        while (k < needle.size() && FoldedAt(bytes, start + k) == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

}  // namespace

// Besides the title, the code itself is searched, so that typing a code or
// its beginning lists that code and its sub-codes.
bool SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink, ReadTrouble* trouble) {
    BtreeIndex* index = codeDb.Index(0);
    if (index == nullptr) return false;
    ReadTrouble ignored;
    ReadTrouble& noted = trouble != nullptr ? *trouble : ignored;
    const std::string needle = FoldCase(text);
    CodeRecord record(&codeDb);
    CatalogueKey key, scratch;
    bool found = false;
    for (int more = index->FindFirst(key, kSyncHeader); more; more = index->FindNext(key, scratch, kSyncHeader)) {
        // An unreadable object costs its own line only; the rest is shown.
        if (!record.ReadAt(key.ObjectAddress())) {
            noted.Note(codeDb.DataFile());
            continue;
        }
        if (Occurs(needle, record.title) || Occurs(needle, record.code)) {
            sink.AddResult(TextOrEmpty(record.code), TextOrEmpty(record.title));
            found = true;
        }
        // The texts stay: the next read reuses their room.
    }
    noted.NoteIfFailed(*index);
    return found;
}

}  // namespace kodexa
