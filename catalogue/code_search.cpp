// A scan of every code in index order; the cost is the same whatever the
// text, one object read per code.
#include <algorithm>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Folds A to Z only, as tolower does in the C locale, whatever locale the
// process runs in: every other byte, umlauts included, stays as it is.
std::string FoldAsciiCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), FoldAscii);
    return text;
}

// The needle is folded already; the text is folded byte by byte as it is
// compared, not copied. An empty needle occurs everywhere, in an empty text
// too.
bool Occurs(const std::string& needle, const RecordText& text) {
    if (needle.empty()) return true;
    if (!text || text->size() < needle.size()) return false;
    const char* bytes = text->data();
    const size_t lastStart = text->size() - needle.size();
    for (size_t start = 0; start <= lastStart; ++start) {
        if (FoldAscii(bytes[start]) != needle[0]) continue;
        size_t k = 1;
        while (k < needle.size() && FoldAscii(bytes[start + k]) == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

}  // namespace

// Besides the title, the code itself is searched, so that typing a code or
// its beginning lists that code and its sub-codes.
bool SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink) {
    BtreeIndex* index = codeDb.Index(0);
    if (index == nullptr) return false;
    const std::string needle = FoldAsciiCase(text);
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
        // The texts stay: the next read reuses their room.
    }
    return found;
}

}  // namespace kodexa
