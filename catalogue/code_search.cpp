// A scan of every code in index order; the cost is the same whatever the
// text, one object read per code.
#include <string>

#include "catalogue/catalogue_records.h"
#include "catalogue/catalogue_sink.h"

namespace kodexa {

namespace {

constexpr int kSyncHeader = 1;

// The second byte of Ä, Ö and Ü in UTF-8.
bool IsCapitalUmlautTail(unsigned char byte) { return byte == 0x84 || byte == 0x96 || byte == 0x9C; }

// The byte at p of text, folded: A to Z as tolower does in the C locale,
// whatever locale the process runs in, and the capital umlauts of the UTF-8
// catalogue (C3 84, C3 96, C3 9C) to the small ones (C3 A4, C3 B6, C3 BC):
// titles begin with "Übelkeit" or "Ödem", and users type them in small
// letters. Every other byte stays as it is.
char FoldedAt(const char* text, size_t p) {
    const unsigned char byte = static_cast<unsigned char>(text[p]);
    if (byte >= 'A' && byte <= 'Z') return static_cast<char>(byte - 'A' + 'a');
    if (p > 0 && static_cast<unsigned char>(text[p - 1]) == 0xC3 && IsCapitalUmlautTail(byte))
        return static_cast<char>(byte + 0x20);
    return text[p];
}

std::string FoldCase(const std::string& text) {
    std::string folded(text.size(), '\0');
    for (size_t p = 0; p < text.size(); ++p) folded[p] = FoldedAt(text.data(), p);
    return folded;
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
