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
// too. Most bytes are passed over by comparing them with the (at most two)
// bytes that fold to the needle's first; FoldedAt has the last word.
class Needle {
public:
    explicit Needle(const std::string& folded) : text(folded) {
        if (text.empty()) return;
        first = static_cast<unsigned char>(text[0]);
        other = first;
        if (first >= 'a' && first <= 'z') other = static_cast<unsigned char>(first - 'a' + 'A');
        if (IsCapitalUmlautTail(static_cast<unsigned char>(first - 0x20))) other = static_cast<unsigned char>(first - 0x20);
    }

    bool OccursIn(const RecordText& haystack) const {
        if (text.empty()) return true;
        if (!haystack || haystack->size() < text.size()) return false;
        const char* bytes = haystack->data();
        const size_t lastStart = haystack->size() - text.size();
        for (size_t start = 0; start <= lastStart; ++start) {
            const unsigned char byte = static_cast<unsigned char>(bytes[start]);
            if (byte != first && byte != other) continue;
            if (FoldedAt(bytes, start) != text[0]) continue;
            size_t k = 1;
            while (k < text.size() && FoldedAt(bytes, start + k) == text[k]) ++k;
            if (k == text.size()) return true;
        }
        return false;
    }

private:
    const std::string& text;
    unsigned char first = 0;
    unsigned char other = 0;
};

}  // namespace

// Besides the title, the code itself is searched, so that typing a code or
// its beginning lists that code and its sub-codes.
bool SearchCodes(ObjectDatabase& codeDb, const std::string& text, SearchSink& sink, ReadTrouble* trouble) {
    BtreeIndex* index = codeDb.Index(0);
    if (index == nullptr) return false;
    ReadTrouble ignored;
    ReadTrouble& noted = trouble != nullptr ? *trouble : ignored;
    const std::string folded = FoldCase(text);
    const Needle needle(folded);
    CodeRecord record(&codeDb);
    CatalogueKey key, scratch;
    bool found = false;
    for (int more = index->FindFirst(key, kSyncHeader); more; more = index->FindNext(key, scratch, kSyncHeader)) {
        // An unreadable object costs its own line only; the rest is shown.
        if (!record.ReadAt(key.ObjectAddress())) {
            noted.Note(codeDb.DataFile());
            continue;
        }
        if (needle.OccursIn(record.title) || needle.OccursIn(record.code)) {
            sink.AddResult(TextOrEmpty(record.code), TextOrEmpty(record.title));
            found = true;
        }
        // The texts stay: the next read reuses their room.
    }
    noted.NoteIfFailed(*index);
    return found;
}

}  // namespace kodexa
